#include "platform/display/dib.h"

#include <algorithm>
#include <array>
#include <bit>

#include "platform/display/checked_bytes.h"

namespace qm::platform {
namespace {

constexpr uint32_t kCompressionRgb = 0, kCompressionRle8 = 1, kCompressionRle4 = 2, kCompressionBitFields = 3;
constexpr uint32_t kCoreHeaderSize = 12, kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;

// One colour channel of a bit-field pixel.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  uint8_t Of(uint32_t pixel) const {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    // Fewer than 8 bits: repeat the channel's bits downwards, so full scale stays full scale.
    uint32_t out = 0;
    for (int pos = 8 - bits; pos > -bits; pos -= bits) out |= pos >= 0 ? v << pos : v >> -pos;
    return static_cast<uint8_t>(out);
  }
};

bool MakeChannel(uint32_t mask, Channel& out) {
  out = {};
  if (mask == 0) return true;
  out.mask = mask;
  out.shift = std::countr_zero(mask);
  uint32_t field = mask >> out.shift;
  if ((field & (field + 1)) != 0) return false;  // the bits of a channel are contiguous
  out.bits = std::popcount(field);
  return true;
}

struct Header {
  int64_t width = 0, height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  uint32_t compression = kCompressionRgb;
  uint32_t headerSize = 0;
  std::array<Channel, 3> channels;  // red, green, blue
  std::array<Rgb, 256> table{};
};

DibError ReadMasks(const CheckedBytes& info, std::size_t offset, Header& h) {
  uint32_t masks[3];
  for (int i = 0; i < 3; ++i) {
    if (!info.U32(offset + 4 * static_cast<std::size_t>(i), masks[i])) return DibError::Truncated;
  }
  for (int i = 0; i < 3; ++i) {
    if (!MakeChannel(masks[i], h.channels[static_cast<std::size_t>(i)])) return DibError::BadHeader;
  }
  return DibError::None;
}

void DefaultMasks(Header& h) {
  if (h.bitsPerPixel == 16) {
    MakeChannel(0x7C00, h.channels[0]), MakeChannel(0x03E0, h.channels[1]),
        MakeChannel(0x001F, h.channels[2]);
  } else {
    MakeChannel(0xFF0000, h.channels[0]), MakeChannel(0x00FF00, h.channels[1]),
        MakeChannel(0x0000FF, h.channels[2]);
  }
}

DibError ReadCoreHeader(const CheckedBytes& info, Header& h) {
  uint16_t width, height, planes, bits;
  if (!info.U16(4, width) || !info.U16(6, height) || !info.U16(8, planes) || !info.U16(10, bits)) {
    return DibError::Truncated;
  }
  h.width = width;
  h.height = height;
  h.bitsPerPixel = bits;
  if (planes != 1) return DibError::BadHeader;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return DibError::BadHeader;
  return DibError::None;
}

DibError ReadInfoHeader(const CheckedBytes& info, Header& h, uint32_t& coloursUsed) {
  int32_t width, height;
  uint16_t planes, bits;
  if (!info.I32(4, width) || !info.I32(8, height) || !info.U16(12, planes) || !info.U16(14, bits) ||
      !info.U32(16, h.compression) || !info.U32(32, coloursUsed)) {
    return DibError::Truncated;
  }
  h.width = width;
  h.topDown = height < 0;
  h.height = height < 0 ? -static_cast<int64_t>(height) : height;
  h.bitsPerPixel = bits;
  if (planes != 1) return DibError::BadHeader;
  switch (h.compression) {
    case kCompressionRgb:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return DibError::BadHeader;
      break;
    case kCompressionRle8:
    case kCompressionRle4:
      if (bits != (h.compression == kCompressionRle8 ? 8 : 4)) return DibError::BadHeader;
      if (h.topDown) return DibError::BadHeader;  // compressed bitmaps are always bottom-up
      break;
    case kCompressionBitFields:
      if (bits != 16 && bits != 32) return DibError::BadHeader;
      break;
    default:
      return DibError::Unsupported;
  }
  return DibError::None;
}

DibError ReadColourTable(const CheckedBytes& info, std::size_t offset, std::size_t entrySize, uint32_t count,
                         Header& h) {
  if (!info.Has(offset, static_cast<std::size_t>(count) * entrySize)) return DibError::Truncated;
  for (uint32_t i = 0; i < count; ++i) {
    std::size_t at = offset + i * entrySize;
    uint8_t b = 0, g = 0, r = 0;
    info.U8(at, b), info.U8(at + 1, g), info.U8(at + 2, r);
    h.table[i] = {r, g, b};
  }
  return DibError::None;
}

DibError ParseHeader(const CheckedBytes& info, Header& h) {
  if (!info.U32(0, h.headerSize)) return DibError::Truncated;
  bool core = h.headerSize == kCoreHeaderSize;
  if (!core && (h.headerSize < kInfoHeaderSize || h.headerSize > 1024)) return DibError::BadHeader;
  if (!info.Has(0, h.headerSize)) return DibError::Truncated;
  uint32_t coloursUsed = 0;
  DibError error = core ? ReadCoreHeader(info, h) : ReadInfoHeader(info, h, coloursUsed);
  if (error != DibError::None) return error;
  if (h.width < 1 || h.height < 1) return DibError::BadHeader;
  if (h.width > kMaxSurfaceSide || h.height > kMaxSurfaceSide) return DibError::TooLarge;
  std::size_t afterHeader = h.headerSize;
  if (h.compression == kCompressionBitFields) {
    // A 40-byte header is followed by the three masks; longer headers hold them at offset 40.
    if ((error = ReadMasks(info, kInfoHeaderSize, h)) != DibError::None) return error;
    if (h.headerSize == kInfoHeaderSize) afterHeader += 12;
  } else if (h.bitsPerPixel >= 16) {
    DefaultMasks(h);
  }
  if (h.bitsPerPixel > 8) return DibError::None;
  uint32_t entries = 1u << h.bitsPerPixel;
  if (!core && coloursUsed != 0) {
    if (coloursUsed > entries) return DibError::BadHeader;
    entries = coloursUsed;
  }
  return ReadColourTable(info, afterHeader, core ? 3 : 4, entries, h);
}

uint64_t RowStride(const Header& h) {
  return (static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.bitsPerPixel) + 31) / 32 * 4;
}

Rgb PixelOfRow(const Header& h, const uint8_t* row, int64_t x) {
  switch (h.bitsPerPixel) {
    case 1:
      return h.table[(row[x / 8] >> (7 - x % 8)) & 1];
    case 4:
      return h.table[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15];
    case 8:
      return h.table[row[x]];
    case 16: {
      uint32_t v = static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
      return {h.channels[0].Of(v), h.channels[1].Of(v), h.channels[2].Of(v)};
    }
    case 24:
      return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    default: {
      const uint8_t* p = row + 4 * x;
      uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                   static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
      return {h.channels[0].Of(v), h.channels[1].Of(v), h.channels[2].Of(v)};
    }
  }
}

DibError DecodeRows(const Header& h, const CheckedBytes& bits, DibImage& out) {
  uint64_t stride = RowStride(h);
  if (!bits.Has(0, stride * static_cast<uint64_t>(h.height))) return DibError::Truncated;
  for (int64_t y = 0; y < h.height; ++y) {
    int64_t fileRow = h.topDown ? y : h.height - 1 - y;
    const uint8_t* row = bits.Slice(static_cast<std::size_t>(fileRow) * stride, stride).data();
    Rgb* target = &out.pixels[static_cast<std::size_t>(y * h.width)];
    for (int64_t x = 0; x < h.width; ++x) target[x] = PixelOfRow(h, row, x);
  }
  return DibError::None;
}

// Run-length data: (count, index) runs, and escapes 0 (end of line), 1 (end of bitmap), 2 (move
// right and up) and 3-255 (that many literal indices, padded to an even number of bytes). Pixels
// that no run covers stay black.
DibError DecodeRle(const Header& h, const CheckedBytes& bits, DibImage& out) {
  bool rle4 = h.compression == kCompressionRle4;
  int64_t x = 0, y = 0;  // y counts from the bottom row
  auto put = [&](uint8_t index) {
    if (x < h.width && y < h.height) {
      out.pixels[static_cast<std::size_t>((h.height - 1 - y) * h.width + x)] = h.table[index];
    }
    ++x;
  };
  std::size_t pos = 0;
  uint8_t count = 0, value = 0;
  while (y < h.height && bits.U8(pos, count) && bits.U8(pos + 1, value)) {
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(rle4 ? static_cast<uint8_t>(i % 2 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return DibError::None;
    } else if (value == 2) {
      uint8_t dx = 0, dy = 0;
      if (!bits.U8(pos, dx) || !bits.U8(pos + 1, dy)) return DibError::BadRle;
      pos += 2;
      x += dx;
      y += dy;
    } else {
      std::size_t bytes = rle4 ? (value + 1u) / 2 : value;
      std::span<const uint8_t> literal = bits.Slice(pos, bytes);
      if (literal.size() != bytes) return DibError::BadRle;
      for (int i = 0; i < value; ++i) {
        uint8_t b = literal[static_cast<std::size_t>(rle4 ? i / 2 : i)];
        put(rle4 ? static_cast<uint8_t>(i % 2 ? b & 15 : b >> 4) : b);
      }
      pos += (bytes + 1) & ~std::size_t{1};
    }
  }
  return DibError::None;
}

}  // namespace

const char* DibErrorText(DibError error) {
  switch (error) {
    case DibError::None:
      return "no error";
    case DibError::Truncated:
      return "the bitmap data ends early";
    case DibError::BadHeader:
      return "the bitmap header is not valid";
    case DibError::Unsupported:
      return "the bitmap uses a compression that is not supported";
    case DibError::TooLarge:
      return "the bitmap is too large";
    case DibError::BadRle:
      return "the bitmap's run-length data is not valid";
  }
  return "unknown bitmap error";
}

DibError DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibImage& out) {
  Header h;
  CheckedBytes infoBytes(info);
  if (DibError error = ParseHeader(infoBytes, h); error != DibError::None) return error;
  DibImage image;
  image.width = static_cast<int>(h.width);
  image.height = static_cast<int>(h.height);
  image.bitsPerPixel = h.bitsPerPixel;
  CheckedBytes bitBytes(bits);
  bool rle = h.compression == kCompressionRle8 || h.compression == kCompressionRle4;
  if (!rle && !bitBytes.Has(0, RowStride(h) * static_cast<uint64_t>(h.height))) return DibError::Truncated;
  image.pixels.assign(static_cast<std::size_t>(h.width * h.height), Rgb{});
  DibError error = rle ? DecodeRle(h, bitBytes, image) : DecodeRows(h, bitBytes, image);
  if (error != DibError::None) return error;
  out = std::move(image);
  return DibError::None;
}

DibError DecodeBmpFile(std::span<const uint8_t> file, DibImage& out) {
  CheckedBytes bytes(file);
  uint8_t b = 0, m = 0;
  uint32_t bitsOffset = 0;
  if (!bytes.U8(0, b) || !bytes.U8(1, m) || !bytes.U32(10, bitsOffset)) return DibError::Truncated;
  if (b != 'B' || m != 'M') return DibError::BadHeader;
  if (bitsOffset < kFileHeaderSize || bitsOffset > file.size()) return DibError::BadHeader;
  return DecodeDib(file.subspan(kFileHeaderSize, bitsOffset - kFileHeaderSize), file.subspan(bitsOffset),
                   out);
}

DisplayResult DrawDibImage(const DibImage& image, Surface& target, int x, int y) {
  LockedRect locked;
  if (DisplayResult result = target.Lock(nullptr, kLockWriteOnly, locked); result != DisplayResult::Ok) {
    return result;
  }
  int left = std::max(0, -x), top = std::max(0, -y);
  int right = std::min(image.width, target.Width() - x), bottom = std::min(image.height, target.Height() - y);
  for (int row = top; row < bottom; ++row) {
    for (int col = left; col < right; ++col) {
      target.SetPixelAt(x + col, y + row, PackRgb(target.Format(), image.At(col, row)));
    }
  }
  return target.Unlock();
}

DibError DecodeBmpFileToSurface(std::span<const uint8_t> file, PixelFormat format, Surface*& out) {
  out = nullptr;
  DibImage image;
  if (DibError error = DecodeBmpFile(file, image); error != DibError::None) return error;
  Surface* surface = nullptr;
  if (Surface::Create({image.width, image.height, format, kCapsOffscreenPlain | kCapsSystemMemory},
                      surface) != DisplayResult::Ok) {
    return DibError::TooLarge;
  }
  DrawDibImage(image, *surface, 0, 0);
  out = surface;
  return DibError::None;
}

std::vector<uint8_t> SurfaceToDibRows24(const Surface& surface) {
  std::size_t stride = (static_cast<std::size_t>(surface.Width()) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> rows(stride * static_cast<std::size_t>(surface.Height()), 0);
  for (int y = 0; y < surface.Height(); ++y) {
    uint8_t* out = &rows[static_cast<std::size_t>(surface.Height() - 1 - y) * stride];
    for (int x = 0; x < surface.Width(); ++x, out += 3) {
      Rgb c = UnpackPixel(surface.Format(), surface.PixelAt(x, y));
      out[0] = c.b, out[1] = c.g, out[2] = c.r;
    }
  }
  return rows;
}

}  // namespace qm::platform
