// The pixel loops under Fill and Blt. Each call picks one loop for its formats and options once;
// the loops themselves allocate nothing and make no call per pixel.
#pragma once
#include <cstdint>

#include "platform/display/pixel_format.h"

namespace qm::platform {

struct FillJob {
  uint8_t* first = nullptr;  // top-left pixel of the rectangle
  int pitch = 0;
  int width = 0, height = 0;
  uint32_t pixel = 0;
};

// A copy from a source rectangle into a destination rectangle of any size. The destination may
// have been clipped: `cols` x `rows` pixels starting at `dst` are drawn, the first of them at
// (`offX`, `offY`) within the whole destination rectangle of `fullW` x `fullH`.
struct BlitJob {
  uint8_t* dst = nullptr;
  int dstPitch = 0;
  int cols = 0, rows = 0;
  const uint8_t* src = nullptr;  // the source surface's first row
  int srcPitch = 0;
  int srcLeft = 0, srcTop = 0, srcW = 0, srcH = 0;
  int fullW = 0, fullH = 0;
  int offX = 0, offY = 0;
  bool mirrorX = false, mirrorY = false;
  bool keyed = false;
  uint32_t keyLow = 0, keyHigh = 0;
};

void FillPixels(PixelFormat format, const FillJob& job);
void BlitPixels(PixelFormat srcFormat, PixelFormat dstFormat, const BlitJob& job);

// What each 8-bit channel value becomes on the way to the screen (the gamma ramp's high bytes).
struct GammaTables {
  uint8_t red[256], green[256], blue[256];
};

// Converts `width` x `height` pixels of an RGB format, starting at `first`, into 0xAARRGGBB
// values (`alpha` in the top byte) through the gamma tables, row after row into `out`. Presenting
// uses it: one loop per format, no call per pixel.
void ConvertToXrgb(PixelFormat format, const uint8_t* first, int pitch, int width, int height,
                   const GammaTables& gamma, uint32_t alpha, uint32_t* out);

}  // namespace qm::platform
