// Pixel formats of surfaces: four RGB layouts with red above green above blue (blue at bit 0), and
// the block-compressed DXT formats. Converting a colour into a format truncates each channel to its
// high bits; expanding a pixel shifts each channel back up (the low bits stay 0), as bitmap readers
// and writers of 16-bit surfaces expect (5-6-5 white comes back as 248, 252, 248).
#pragma once
#include <cstdint>

namespace qm::platform {

enum class PixelFormat : uint8_t { R5G6B5, X1R5G5B5, R8G8B8, X8R8G8B8, Dxt1, Dxt2, Dxt3, Dxt4, Dxt5 };

constexpr int kRgbFormatCount = 4;
constexpr PixelFormat kRgbFormats[kRgbFormatCount] = {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5,
                                                      PixelFormat::R8G8B8, PixelFormat::X8R8G8B8};

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct ChannelMasks {
  uint32_t red = 0, green = 0, blue = 0;
};

constexpr bool IsCompressed(PixelFormat format) { return format >= PixelFormat::Dxt1; }

// Bytes per pixel of an RGB format; 0 for compressed formats.
constexpr int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::R5G6B5:
    case PixelFormat::X1R5G5B5:
      return 2;
    case PixelFormat::R8G8B8:
      return 3;
    case PixelFormat::X8R8G8B8:
      return 4;
    default:
      return 0;
  }
}

// Bits per pixel as a display mode names them (5-5-5 counts as 16); 4 or 8 for DXT (per texel).
constexpr int BitsPerPixel(PixelFormat format) {
  if (format == PixelFormat::Dxt1) return 4;
  if (IsCompressed(format)) return 8;
  return BytesPerPixel(format) * 8;
}

// Bytes of one 4x4 block of a compressed format.
constexpr int BytesPerBlock(PixelFormat format) { return format == PixelFormat::Dxt1 ? 8 : 16; }

constexpr ChannelMasks MasksOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::R5G6B5:
      return {0xF800, 0x07E0, 0x001F};
    case PixelFormat::X1R5G5B5:
      return {0x7C00, 0x03E0, 0x001F};
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
      return {0xFF0000, 0x00FF00, 0x0000FF};
    default:
      return {};
  }
}

// The pixel value of a colour in an RGB format, each channel truncated to its high bits.
constexpr uint32_t PackRgb(PixelFormat format, Rgb c) {
  switch (format) {
    case PixelFormat::R5G6B5:
      return static_cast<uint32_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
    case PixelFormat::X1R5G5B5:
      return static_cast<uint32_t>((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3));
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
      return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
    default:
      return 0;
  }
}

// The colour of a pixel value, each channel shifted back to 8 bits.
constexpr Rgb UnpackPixel(PixelFormat format, uint32_t v) {
  switch (format) {
    case PixelFormat::R5G6B5:
      return {static_cast<uint8_t>((v >> 11 & 0x1F) << 3), static_cast<uint8_t>((v >> 5 & 0x3F) << 2),
              static_cast<uint8_t>((v & 0x1F) << 3)};
    case PixelFormat::X1R5G5B5:
      return {static_cast<uint8_t>((v >> 10 & 0x1F) << 3), static_cast<uint8_t>((v >> 5 & 0x1F) << 3),
              static_cast<uint8_t>((v & 0x1F) << 3)};
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
      return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    default:
      return {};
  }
}

// A pixel value of the format's width: fill colours keep only these low bits.
constexpr uint32_t PixelValueMask(PixelFormat format) {
  switch (BytesPerPixel(format)) {
    case 2:
      return 0xFFFF;
    case 3:
      return 0xFFFFFF;
    default:
      return 0xFFFFFFFF;
  }
}

// The RGB format a display mode of this depth uses (16 bits: 5-6-5 unless asked otherwise).
constexpr PixelFormat FormatOfDepth(int bitsPerPixel, bool use555 = false) {
  if (bitsPerPixel == 24) return PixelFormat::R8G8B8;
  if (bitsPerPixel == 32) return PixelFormat::X8R8G8B8;
  return use555 ? PixelFormat::X1R5G5B5 : PixelFormat::R5G6B5;
}

const char* PixelFormatName(PixelFormat format);

}  // namespace qm::platform
