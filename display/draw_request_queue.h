// The draw-request queue: every 2D drawing and text command queues a request that the next frame
// replays onto the surface that was current when the command ran. A request for the screen is
// replayed once per buffer of the flip chain (two frames), so both buffers receive it; a request
// for an off-screen bitmap once. Errors of a replay are raised then, with the line of the command
// that queued the request.
#pragma once
#include <cstdint>
#include <string_view>

#include "display/draw_request.h"
#include "platform/display/pixel_format.h"

namespace qm {
namespace platform {
class Surface;
}

enum DrawRequestCode : int32_t {
  kDrawSetCurrentBitmap = 1,
  kDrawLoadBitmap = 2,
  kDrawSaveBitmap = 3,
  kDrawCreateBitmap = 4,
  kDrawDeleteBitmap = 5,
  kDrawCopyBitmap = 6,
  kDrawMirrorBitmap = 8,
  kDrawFlipBitmap = 9,
  kDrawBlurBitmap = 10,
  kDrawFadeBitmap = 11,
  kDrawGetImage = 51,
  kDrawPasteImage = 52,
  kDrawPasteSprite = 54,
  kDrawSaveImage = 55,
  kDrawRotateImage = 56,
  kDrawClear = 101,
  kDrawPrintText = 102,
  kDrawDot = 103,
  kDrawBox = 104,
  kDrawLine = 105,
  kDrawEllipse = 106,
  kDrawInk = 107,
  kDrawClearColour = 108,
  kDrawPoint = 109,
  kDrawEraseText = 110,
  kDrawTextFont = 201,
  kDrawTextSize = 202,
  kDrawTextOpaque = 205,
  kDrawTextTransparent = 206,
  kDrawTextNormal = 207,
  kDrawTextItalic = 208,
  kDrawTextBold = 209,
  kDrawTextBoldItalic = 210,
  kDrawText = 212,
  kDrawCenterText = 213,
};

// The bitmap the commands draw into when they queue: its number and surface (the back buffer for
// 0; null when the bitmap has none).
struct QueueBitmap {
  int32_t number = 0;
  platform::Surface* surface = nullptr;
};
extern QueueBitmap QueueCurrentBitmap;

// The display set-up hands its screen surfaces here whenever it makes new ones: the back buffer
// (bitmap 0, the target of screen drawing) and whether it sits in a flip chain. The current
// bitmap's surface follows the new back buffer.
void SetScreenSurfaces(platform::Surface* backBuffer, bool flipChain);
platform::Surface* BackBufferSurface();
// Replays of a request for the screen: 2 under a flip chain, else 1.
int32_t ScreenRepeatCount();

// ---- Colours ----

// The channel layout of a surface as drawing packs colours for it.
struct PixelPacking {
  int32_t redMax = 0, greenMax = 0, blueMax = 0;  // 2^width - 1 of each channel
  int32_t redShift = 0, greenShift = 0;           // blue starts at bit 0
};
PixelPacking PackingOf(platform::PixelFormat format);
// A 0xRRGGBB colour as a pixel: each channel scaled to its field (max x c / 255, truncated).
uint32_t PackColour(const PixelPacking& packing, int32_t colour);
// A pixel back as 0xRRGGBB: each field scaled up to 8 bits (255 x v / max, truncated).
int32_t ExpandPixelToRgb(const PixelPacking& packing, uint32_t pixel);

// The drawing colours the replay uses: packed for the surface format INK last drew on, and
// re-expanded to 8 bits per channel for text.
struct InkColourSet {
  uint32_t backgroundPixel = 0;
  uint8_t backgroundRed = 0, backgroundGreen = 0, backgroundBlue = 0;
  uint32_t inkPixel = 0;
  uint8_t inkRed = 255, inkGreen = 255, inkBlue = 255;
};
extern InkColourSet InkColours;
// Packs the background, and the foreground unless it is -1, for `packing`.
void SetInkColours(const PixelPacking& packing, int32_t background, int32_t foreground);

// ---- Queue operations (each takes a request, writes what its replay reads) ----

void QueueClearScreen();
void QueueSetClearColour(int32_t colour);
void QueueInk(int32_t foreground, int32_t background);
void QueueDot(int32_t x, int32_t y);
void QueueBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void QueueLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void QueueEllipse(int32_t x, int32_t y, float radiusX, float radiusY);
// The result cell is kept by its index in the data block, and written once.
void QueuePoint(int32_t x, int32_t y, int32_t resultCellIndex);
// Texts longer than 255 characters are cut to 255.
void QueueTextRequest(int32_t code, int32_t x, int32_t y, std::string_view text, int8_t opaque = 0);
// A request without arguments (the text settings).
void QueueSetting(int32_t code);
void QueueTextSetting(int32_t code, int32_t x, int32_t word0, std::string_view text);
// PASTE SPRITE: sprite `number` (display entity `entity`) drawn at (x, y) into the current bitmap
// as the sprite is at replay; nothing when the sprite is gone by then.
void QueuePasteSprite(int32_t entity, int32_t number, int32_t x, int32_t y);

// The bitmap requests. Bitmap numbers are resolved when the request is replayed, and their errors
// raised then. File names longer than 255 characters are cut to 255.
// SET CURRENT BITMAP: the current bitmap becomes n (with the back buffer for 0, else bitmap n's
// surface, null when it has none) at once; the request checks it at the next frame.
void QueueSetCurrentBitmap(int32_t number);
void QueueLoadBitmap(int32_t number, std::string_view fileName);
void QueueSaveBitmap(int32_t number, std::string_view fileName);
void QueueCreateBitmap(int32_t number, int32_t width, int32_t height);
// DELETE BITMAP: when n is the current bitmap, the screen becomes current at once.
void QueueDeleteBitmap(int32_t number);
void QueueCopyBitmap(int32_t source, int32_t destination);
// Rectangles with both corners inside: x1, y1, x2, y2.
struct CopyRect {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
void QueueCopyBitmapRect(int32_t source, const CopyRect& from, int32_t destination, const CopyRect& to);
void QueueMirrorBitmap(int32_t number);
void QueueFlipBitmap(int32_t number);
void QueueBlurBitmap(int32_t number, int32_t amount);
void QueueFadeBitmap(int32_t number, int32_t amount);

// The image requests, by image record. GET IMAGE gives the record its new width and height at
// once (right and bottom exclusive).
void QueueGetImage(int32_t imageIndex, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t textureFlag);
void QueuePasteImage(int32_t imageIndex, int32_t x, int32_t y, bool transparent);
void QueueSaveImage(int32_t imageIndex, std::string_view fileName);
void QueueRotateImage(int32_t imageIndex, int32_t angle);

// Requests stamped with `surface` draw nothing from now on: its bitmap is being released. The
// current bitmap loses the surface too.
void ForgetQueuedSurface(const platform::Surface* surface);

// ---- The replay ----

// Once per frame: replays every queued request in order and deletes those replayed for the last
// time. While the application is inactive the queue is kept as it is, to be replayed once it is
// active again.
void ProcessDrawRequests();
// Every queued request dropped undrawn (display reset).
void ClearDrawRequests();
// Run start: the current bitmap is the screen, the ink white packed for the back buffer, the
// background black.
void ResetDrawQueueForRun();

// The replay of the text codes (text_state.cpp): print text, erase text, the text settings, TEXT
// and CENTER TEXT.
void ReplayTextRequest(const DrawRequest& request, platform::Surface* target);

}  // namespace qm
