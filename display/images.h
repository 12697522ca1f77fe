// Images: the program's numbered pictures (1-65535), each an ImageRecord of ImageTable reached
// through ImageNumberMap, drawn from a system-memory surface in the display's format whose source
// colour key is black (TransparentColourKey). Grabbing, pasting, saving and rotating go through
// the draw-request queue; LOAD IMAGE, DELETE IMAGE and IMAGE EXIST act at once.
//
// Everything outside the image table keeps an image by its number or its record index, never by
// its surface: LOAD IMAGE and ROTATE IMAGE replace the picture inside the same record, and DELETE
// IMAGE frees the record only two frames later, so sprites and queued pastes always find either
// the current picture or none.
#pragma once
#include <cstdint>
#include <string>

#include "display/draw_request.h"
#include "runtime/error_codes.h"

namespace qm {
namespace platform {
class Surface;
}

inline constexpr int32_t kFirstImageNumber = 1;
inline constexpr int32_t kLastImageNumber = 65535;

inline constexpr RuntimeErrorCode kErrorImageNumber = 501;
inline constexpr RuntimeErrorCode kErrorImageMissing = 502;
inline constexpr RuntimeErrorCode kErrorImageRectOutside = 503;
inline constexpr RuntimeErrorCode kErrorImageRectEmpty = 504;
inline constexpr RuntimeErrorCode kErrorFileExists = 106;

inline bool IsImageNumber(int32_t number) {
  return number >= kFirstImageNumber && number <= kLastImageNumber;
}

// ---- Looking images up ----

// The record index of image `number`, or 0 when the number is not mapped (or outside 1-65535).
int32_t FindImage(int32_t number);
// Of a record index: the picture's size (0 for an index that holds no image), its surface (null
// when it has none) and whether it has a picture to draw.
int32_t ImageWidth(int32_t index);
int32_t ImageHeight(int32_t index);
platform::Surface* ImageSurfaceOf(int32_t index);
bool ImageHasPicture(int32_t index);

// ---- Making and deleting images ----

// A new record (zero-filled, no picture); 0 when none can be taken (error 101 is then pending).
int32_t NewImageRecord();
// Gives record `index` a w x h surface: the one it has when the size is the same, else a new one
// with the transparent colour key. Then the picture is the whole surface and `exists` is 1.
// 0 (the record keeps no surface) when w or h is below 1 or no surface can be made.
int32_t CreateImageSurface(int32_t index, int32_t width, int32_t height);
// Copies the rectangle x1, y1 to x2, y2 (right and bottom exclusive) of the back buffer or of a
// bitmap slot into the image, without colour key. When no surface can be made the record is left
// without a picture (`exists` 0, size 0). Always 1.
int32_t GrabScreenIntoImage(int32_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
int32_t GrabBitmapIntoImage(int32_t index, int32_t slot, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// A new record holding a rectangle of a bitmap slot, or the whole bitmap; 0 when no record can be
// taken.
int32_t NewImageFromBitmapRect(int32_t slot, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
int32_t NewImageFromWholeBitmap(int32_t slot);
// Frees the record at once: its surface is released, `exists` and `surface` cleared and the
// record returned to the free list. 0 when the index holds no image. Callers unmap the number
// themselves; use DeleteImageLater while requests or sprites may still draw it.
int32_t DeleteImage(int32_t index);
// What DELETE IMAGE does: the number is unmapped at once and the record freed after two frames
// (one per flip buffer), so pastes queued before still find the picture. 0 when not mapped.
int32_t DeleteImageLater(int32_t number);
// Once per frame (the frame's deferred deletions): counts every pending deletion down and frees
// the records whose count reaches 0.
void ProcessDeferredImageDeletions();

// LOAD IMAGE: loads the file and makes it image `number`. An image already mapped to the number
// gets the new picture inside its own record (what sprites and queued pastes follow). Raises 105
// when the file does not exist and warning 1003 (nothing changed) when it cannot be loaded.
// The record index, or 0 when nothing was loaded.
int32_t LoadImageFromFile(const std::string& fileName, int32_t number);

// A new surface holding `surface` turned clockwise by angle / 90 quarter turns (truncated toward
// zero; none when not above 0), in the same format and without colour key; null when the turn
// does not apply or the surface cannot be made or read. The source is not changed.
platform::Surface* RotateSurface(platform::Surface* surface, int32_t angle);
// Turns image `index`'s picture: surface, sizes, picture rectangle and colour key follow.
void RotateImage(int32_t index, int32_t angle);

// The replay of the image codes 51, 52, 55 and 56.
void ReplayImageRequest(const DrawRequest& request);

}  // namespace qm
