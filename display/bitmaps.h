// Bitmaps: bitmap 0 is the screen (the back buffer), bitmaps 1-31 are off-screen surfaces a program
// loads, creates, copies, saves, deletes and changes with four effects. Slot 33 is the scratch slot
// through which LOAD IMAGE and SAVE IMAGE pass a picture. The bitmap commands only queue requests;
// the file access, the surface work and the errors found then happen when the next frame replays
// them (draw_request_queue.h).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "display/draw_request.h"
#include "display/image_files/image_files.h"
#include "runtime/error_codes.h"

namespace qm {
namespace platform {
class Surface;
}

inline constexpr int32_t kProgramBitmaps = 32;     // bitmaps 0-31
inline constexpr int32_t kScratchBitmapSlot = 33;  // LOAD IMAGE and SAVE IMAGE pass through it

inline constexpr RuntimeErrorCode kErrorBitmapBlit = 1000;
inline constexpr RuntimeErrorCode kErrorBitmapNumber = 1001;
inline constexpr RuntimeErrorCode kErrorBitmapMissing = 1002;
inline constexpr RuntimeErrorCode kWarningBitmapUnreadable = 1003;
inline constexpr RuntimeErrorCode kErrorBitmapNotSaved = 1004;
inline constexpr RuntimeErrorCode kErrorBitmapNotCreated = 1005;
inline constexpr RuntimeErrorCode kErrorDeleteScreenBitmap = 1006;
inline constexpr RuntimeErrorCode kErrorCopyOntoItself = 1007;
inline constexpr RuntimeErrorCode kErrorCopySourceLarger = 1008;
inline constexpr RuntimeErrorCode kErrorCreateScreenBitmap = 1009;
inline constexpr RuntimeErrorCode kErrorCopyRectOutside = 1010;
inline constexpr RuntimeErrorCode kErrorCopyRectEmpty = 1011;
inline constexpr RuntimeErrorCode kErrorBlurAmount = 1012;
inline constexpr RuntimeErrorCode kErrorFadeAmount = 1013;

// Per slot: the size and depth of its surface, and the mirrored and flipped marks that MIRROR
// BITMAP and FLIP BITMAP toggle when they run (nothing else changes them).
struct BitmapInfoRecord {
  int32_t width = 0, height = 0, depth = 0;
  int32_t mirrored = 0, flipped = 0;
};

// The record of a slot (0-33); bitmap 0's size and depth are those of the screen.
BitmapInfoRecord& BitmapInfo(int32_t slot);
// True for 0-31.
inline bool IsBitmapNumber(int32_t number) { return number >= 0 && number < kProgramBitmaps; }
// The surface of a slot: the back buffer for 0, the slot's own for 1-33; null when it has none or
// the number is outside 0-33.
platform::Surface* BitmapSurface(int32_t slot);
// True when bitmap `number` (0-31) can be drawn on: 0 always, another when it has a surface.
bool BitmapExists(int32_t number);

// A blank surface of width x height in the display's format in slot 1-33, replacing any surface
// the slot had; its size and depth go into BitmapInfo. 0 when a side is below 1 or no surface can
// be made (the slot is empty then).
int32_t CreateBitmapSurface(int32_t slot, int32_t width, int32_t height);
// Releases the slot's surface (1-33); requests still queued for it draw nothing. Always 1.
int32_t DeleteBitmapSurface(int32_t slot);
// Writes the slot's surface as an image file (the old file stays when the save fails).
ImageError SaveBitmapToFile(int32_t slot, const std::string& name);
// Loads an image file into the empty slot, with the transparent colour key unless it is a DDS
// file. 1, or 0 when nothing could be loaded.
int32_t LoadBitmapFromFile(int32_t slot, const std::string& name);

// True when the name ends in "dds" (any case): such bitmaps keep no colour key.
bool IsDdsFileName(std::string_view name);

// Blits the whole source into the destination's top-left corner, scaled down in a dimension where
// the source is larger; raises 1000 when the blit cannot be done.
void CopyImageIntoSurface(platform::Surface* destination, platform::Surface* source);

// The effects. Each returns 1, or 0 with the surface unchanged when it cannot be locked or a
// scratch surface cannot be made.
int32_t MirrorSurface(platform::Surface* surface);
int32_t FlipSurface(platform::Surface* surface);
// Each pixel becomes the average of the window x window pixels around it (window 2-9; an even
// window reaches one further up and left), counting only pixels inside the surface.
int32_t BlurSurface(platform::Surface* surface, int32_t window);
// Each channel becomes value x amount / 100 (amount 0-100).
int32_t FadeSurface(platform::Surface* surface, int32_t amount);

// The replay of the bitmap codes 1-11.
void ReplayBitmapRequest(const DrawRequest& request);

}  // namespace qm
