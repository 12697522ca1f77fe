// Device-independent bitmaps (the BMP layout): reading one into any RGB surface format, and the
// reverse, a surface as 24-bit rows for the image writers.
//
// The reader takes core (12-byte) and info (40-byte and longer) headers; 1, 4 and 8 bits with a
// colour table; 16 bits (5-5-5, or bit fields); 24 bits; 32 bits (plain or bit fields); RLE8 and
// RLE4; bottom-up and top-down rows. Every length and offset in the data is checked against the
// bytes given before it is used; anything inconsistent is refused with a reason and nothing drawn.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/display/surface.h"

namespace qm::platform {

enum class DibError {
  None,
  Truncated,    // the data ends before what the headers promise
  BadHeader,    // a size, plane count or field that no bitmap has
  Unsupported,  // a valid layout this reader does not take (e.g. JPEG inside a BMP)
  TooLarge,     // wider or taller than a surface can be
  BadRle,       // a run that leaves the data
};

const char* DibErrorText(DibError error);

// A decoded bitmap: 8-bit channels, rows from the top.
struct DibImage {
  int width = 0, height = 0;
  int bitsPerPixel = 0;
  std::vector<Rgb> pixels;
  const Rgb& At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// A bitmap given as its header (with colour table or masks) and, separately, its pixel bits.
DibError DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibImage& out);
// A whole .bmp file: the 14-byte file header, then the header and bits where it says.
DibError DecodeBmpFile(std::span<const uint8_t> file, DibImage& out);

// Draws a decoded bitmap at its natural size with its top-left at (x, y), converted to the surface's
// format by truncation; the part outside the surface is left out.
DisplayResult DrawDibImage(const DibImage& image, Surface& target, int x, int y);
// A new surface of the bitmap's size in `format` holding it.
DibError DecodeBmpFileToSurface(std::span<const uint8_t> file, PixelFormat format, Surface*& out);

// The surface as 24-bit rows, bottom row first, blue-green-red per pixel, each row padded to a
// multiple of 4 bytes with zeros (what a 24-bit BMP holds after its headers).
std::vector<uint8_t> SurfaceToDibRows24(const Surface& surface);

}  // namespace qm::platform
