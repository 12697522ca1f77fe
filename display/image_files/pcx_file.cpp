// PCX files: one plane of 1, 2, 4 or 8 bits, two to four planes of 1 bit (16 colours from the
// header's palette), and three or four planes of 8 bits (red, green, blue; a fourth plane is not
// used). Lines are run-length decoded; a run is cut at the end of its line.
#include <array>
#include <vector>

#include "display/image_files/image_file_formats.h"
#include "platform/display/checked_bytes.h"

namespace qm {
using namespace platform;

namespace {

constexpr std::size_t kHeaderBytes = 128;

struct PcxHeader {
  int width = 0, height = 0, bitsPerPlane = 0, planes = 0, bytesPerLine = 0;
};

ImageError ReadPcxHeader(const CheckedBytes& in, PcxHeader& h) {
  uint8_t manufacturer = 0, bits = 0, planes = 0;
  uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0, bytesPerLine = 0;
  if (in.Size() < kHeaderBytes) return ImageError::Truncated;
  in.U8(0, manufacturer), in.U8(3, bits), in.U16(4, xMin), in.U16(6, yMin), in.U16(8, xMax);
  in.U16(10, yMax), in.U8(65, planes), in.U16(66, bytesPerLine);
  if (manufacturer != 10 || xMax < xMin || yMax < yMin) return ImageError::BadHeader;
  h = {xMax - xMin + 1, yMax - yMin + 1, bits, planes, bytesPerLine};
  bool onePlane = planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
  bool bitPlanes = planes >= 2 && planes <= 4 && bits == 1;
  bool colourPlanes = (planes == 3 || planes == 4) && bits == 8;
  if (!onePlane && !bitPlanes && !colourPlanes) return ImageError::Unsupported;
  // Each plane's line must hold the whole row of pixels.
  if (static_cast<long>(bytesPerLine) * 8 < static_cast<long>(h.width) * bits) return ImageError::BadHeader;
  if (h.width > kMaxSurfaceSide || h.height > kMaxSurfaceSide) return ImageError::TooLarge;
  return ImageError::None;
}

std::array<Rgb, 256> PcxPalette(const CheckedBytes& in, const PcxHeader& h) {
  std::array<Rgb, 256> palette{};
  int totalBits = h.bitsPerPlane * h.planes;
  auto entriesFrom = [&](std::size_t offset, int count) {
    for (int i = 0; i < count; ++i) {
      std::size_t at = offset + static_cast<std::size_t>(i) * 3;
      in.U8(at, palette[static_cast<std::size_t>(i)].r),
          in.U8(at + 1, palette[static_cast<std::size_t>(i)].g);
      in.U8(at + 2, palette[static_cast<std::size_t>(i)].b);
    }
  };
  if (totalBits == 1) {
    palette[1] = {255, 255, 255};
  } else if (totalBits <= 4) {
    entriesFrom(16, 16);  // the header's palette, for every 2- to 4-bit layout
  } else if (totalBits == 8) {
    uint8_t marker = 0;
    if (in.Size() >= kHeaderBytes + 769 && in.U8(in.Size() - 769, marker) && marker == 12) {
      entriesFrom(in.Size() - 768, 256);
    }
  }
  return palette;
}

// Fills `line` from the run-length data at `at`; a run passing the line's end is cut there. At the
// end of the data the rest of the line keeps what it held.
void DecodePcxLine(ImageBytes file, std::size_t& at, std::vector<uint8_t>& line) {
  std::size_t filled = 0;
  while (filled < line.size() && at < file.size()) {
    uint8_t b = file[at++];
    std::size_t count = 1;
    if ((b & 0xC0) == 0xC0) {
      count = b & 0x3Fu;
      if (at >= file.size()) break;
      b = file[at++];
    }
    for (; count > 0 && filled < line.size(); --count) line[filled++] = b;
  }
}

Rgb PcxPixel(const std::vector<uint8_t>& line, const PcxHeader& h, const std::array<Rgb, 256>& palette,
             int x) {
  std::size_t plane = static_cast<std::size_t>(h.bytesPerLine);
  std::size_t ux = static_cast<std::size_t>(x);
  if (h.bitsPerPlane == 8 && h.planes >= 3) return {line[ux], line[plane + ux], line[2 * plane + ux]};
  if (h.planes > 1) {
    unsigned index = 0;
    for (std::size_t p = 0; p < static_cast<std::size_t>(h.planes); ++p) {
      index |= ((line[p * plane + ux / 8] >> (7 - ux % 8)) & 1u) << p;
    }
    return palette[index];
  }
  std::size_t bits = static_cast<std::size_t>(h.bitsPerPlane), bitAt = ux * bits;
  unsigned index = (line[bitAt / 8] >> (8 - bits - bitAt % 8)) & ((1u << bits) - 1);
  return palette[index];
}

}  // namespace

ImageError ReadPcxFile(ImageBytes file, PixelFormat format, Surface*& out) {
  CheckedBytes in(file);
  PcxHeader h;
  if (ImageError error = ReadPcxHeader(in, h); error != ImageError::None) return error;
  std::array<Rgb, 256> palette = PcxPalette(in, h);
  if (ImageError error = CreateImageSurface(h.width, h.height, format, out); error != ImageError::None) {
    return error;
  }
  std::vector<uint8_t> line(static_cast<std::size_t>(h.bytesPerLine) * static_cast<std::size_t>(h.planes), 0);
  std::size_t at = kHeaderBytes;
  for (int y = 0; y < h.height; ++y) {
    DecodePcxLine(file, at, line);
    for (int x = 0; x < h.width; ++x) PutRgb(*out, x, y, PcxPixel(line, h, palette, x));
  }
  return ImageError::None;
}

}  // namespace qm
