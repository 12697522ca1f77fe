// TGA files: the reader takes colour-mapped (8-bit index, 15/16/24/32-bit map entries), true-colour
// (15/16/24/32 bits) and grey (8 bits) images, uncompressed or run-length encoded, with either
// vertical origin (and the right-to-left bit). The writer writes an uncompressed 24-bit image from
// the bottom row up.
#include <algorithm>
#include <vector>

#include "display/image_files/image_file_formats.h"
#include "platform/display/checked_bytes.h"

namespace qm {
using namespace platform;

namespace {

struct TgaHeader {
  uint8_t idLength = 0, mapType = 0, imageType = 0;
  uint16_t mapFirst = 0, mapLength = 0;
  uint8_t mapEntryBits = 0;
  uint16_t width = 0, height = 0;
  uint8_t pixelBits = 0, descriptor = 0;
};

bool ReadTgaHeader(const CheckedBytes& in, TgaHeader& h) {
  uint8_t entryBits = 0;
  return in.U8(0, h.idLength) && in.U8(1, h.mapType) && in.U8(2, h.imageType) && in.U16(3, h.mapFirst) &&
         in.U16(5, h.mapLength) && in.U8(7, entryBits) && (h.mapEntryBits = entryBits, true) &&
         in.U16(12, h.width) && in.U16(14, h.height) && in.U8(16, h.pixelBits) && in.U8(17, h.descriptor);
}

// A colour from 2, 3 or 4 little-endian bytes (2 bytes: 5-5-5 with red at the top).
Rgb ColourOf(const uint8_t* p, int bytes) {
  if (bytes == 2) {
    unsigned v = static_cast<unsigned>(p[0] | p[1] << 8);
    auto five = [](unsigned c) { return static_cast<uint8_t>((c & 31) << 3 | (c & 31) >> 2); };
    return {five(v >> 10), five(v >> 5), five(v)};
  }
  return {p[2], p[1], p[0]};
}

int EntryBytes(int bits) {
  switch (bits) {
    case 15:
    case 16:
      return 2;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;
  }
}

// The pixel bytes of the image, decompressed when run-length encoded; false when the data ends early.
bool PixelBytes(ImageBytes data, bool rle, std::size_t pixelCount, int bytesPerPixel,
                std::vector<uint8_t>& out) {
  std::size_t total = pixelCount * static_cast<std::size_t>(bytesPerPixel);
  if (!rle) {
    if (data.size() < total) return false;
    out.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(total));
    return true;
  }
  out.clear();
  out.reserve(total);
  std::size_t at = 0, bpp = static_cast<std::size_t>(bytesPerPixel);
  while (out.size() < total) {
    if (at >= data.size()) return false;
    uint8_t packet = data[at++];
    std::size_t count = (packet & 0x7F) + 1u;
    count = std::min(count, (total - out.size()) / bpp);
    std::size_t literalBytes = (packet & 0x80) ? bpp : count * bpp;
    if (data.size() - at < literalBytes) return false;
    const uint8_t* src = &data[at];
    at += literalBytes;
    if (packet & 0x80) {
      for (std::size_t i = 0; i < count; ++i) out.insert(out.end(), src, src + bpp);
    } else {
      out.insert(out.end(), src, src + literalBytes);
    }
  }
  return true;
}

}  // namespace

ImageError ReadTgaFile(ImageBytes file, PixelFormat format, Surface*& out) {
  CheckedBytes in(file);
  TgaHeader h;
  if (!ReadTgaHeader(in, h)) return ImageError::Truncated;
  int kind = h.imageType & 7;
  bool rle = h.imageType & 8;
  if (h.imageType & ~0xB || kind < 1 || kind > 3 || h.mapType > 1) return ImageError::BadHeader;
  if (h.width == 0 || h.height == 0) return ImageError::BadHeader;
  int pixelBytes = kind == 2 ? EntryBytes(h.pixelBits) : (h.pixelBits == 8 ? 1 : 0);
  if (pixelBytes == 0 || (kind == 1 && h.mapType != 1)) return ImageError::Unsupported;
  std::size_t at = 18 + std::size_t{h.idLength};
  std::vector<Rgb> map;
  if (h.mapType == 1) {
    int entry = EntryBytes(h.mapEntryBits);
    if (entry == 0) return ImageError::Unsupported;
    std::span<const uint8_t> table = in.Slice(at, std::size_t{h.mapLength} * static_cast<std::size_t>(entry));
    if (table.size() != std::size_t{h.mapLength} * static_cast<std::size_t>(entry))
      return ImageError::Truncated;
    for (std::size_t i = 0; i < h.mapLength; ++i)
      map.push_back(ColourOf(&table[i * static_cast<std::size_t>(entry)], entry));
    at += table.size();
  }
  if (at > file.size()) return ImageError::Truncated;
  std::size_t pixelCount = std::size_t{h.width} * h.height;
  if (h.width > kMaxSurfaceSide || h.height > kMaxSurfaceSide) return ImageError::TooLarge;
  std::vector<uint8_t> pixels;
  if (!PixelBytes(file.subspan(at), rle, pixelCount, pixelBytes, pixels)) return ImageError::Truncated;
  if (ImageError error = CreateImageSurface(h.width, h.height, format, out); error != ImageError::None) {
    return error;
  }
  bool topDown = h.descriptor & 0x20, rightToLeft = h.descriptor & 0x10;
  const uint8_t* p = pixels.data();
  for (int row = 0; row < h.height; ++row) {
    int y = topDown ? row : h.height - 1 - row;
    for (int column = 0; column < h.width; ++column, p += pixelBytes) {
      int x = rightToLeft ? h.width - 1 - column : column;
      Rgb c;
      if (kind == 3) {
        c = {p[0], p[0], p[0]};
      } else if (kind == 1) {
        int index = p[0] - h.mapFirst;
        if (index >= 0 && static_cast<std::size_t>(index) < map.size())
          c = map[static_cast<std::size_t>(index)];
      } else {
        c = ColourOf(p, pixelBytes);
      }
      PutRgb(*out, x, y, c);
    }
  }
  return ImageError::None;
}

ImageError WriteTgaFile(const Surface& surface, std::string& file) {
  if (!Writable(surface) || surface.Width() > 0xFFFF || surface.Height() > 0xFFFF) {
    return ImageError::Unsupported;
  }
  file.assign("\0\0\2\0\0\0\0\0\0\0\0\0", 12);
  AppendU16(file, static_cast<unsigned>(surface.Width()));
  AppendU16(file, static_cast<unsigned>(surface.Height()));
  AppendU8(file, 24);
  AppendU8(file, 0);  // bottom-left origin, no alpha bits
  for (int y = surface.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < surface.Width(); ++x) {
      Rgb c = RgbAt(surface, x, y);
      AppendU8(file, c.b);
      AppendU8(file, c.g);
      AppendU8(file, c.r);
    }
  }
  return ImageError::None;
}

}  // namespace qm
