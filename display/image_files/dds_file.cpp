// DDS files: read in their own pixel format (DXT1-5, or 16, 24 and 32-bit RGB with the masks of a
// surface format) with all their mip levels; written as DXT1 at power-of-two sizes with a full mip
// chain made by a 2x2 box filter. The reader leaves its outcome in the internal error code: 10001
// the file cannot be read, 10002 not a DDS file (or a description no surface has), 10003 the surface
// cannot be created, 10004 a level's data is missing, 10006 after the last level was read.
#include <algorithm>
#include <vector>

#include "display/image_files/dxt_blocks.h"
#include "display/image_files/image_file_formats.h"
#include "platform/display/checked_bytes.h"
#include "runtime/runtime_errors.h"

namespace qm {
using namespace platform;

namespace {

constexpr uint32_t kMagic = 0x20534444;  // "DDS "
constexpr uint32_t kDescriptionSize = 124;
constexpr uint32_t kFlagsWritten = 0x00021007;  // caps, height, width, pixel format, mip-map count
constexpr uint32_t kFlagMipMapCount = 0x00020000;
constexpr uint32_t kPixelFourCC = 0x4, kPixelRgb = 0x40;
constexpr uint32_t kCapsWritten = 0x00401008;  // texture, mip-map, complex

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(a) | static_cast<uint32_t>(b) << 8 | static_cast<uint32_t>(c) << 16 |
         static_cast<uint32_t>(d) << 24;
}

struct DdsDescription {
  uint32_t size = 0, flags = 0, height = 0, width = 0, mipMapCount = 0;
  uint32_t pixelFlags = 0, fourCC = 0, bitCount = 0, red = 0, green = 0, blue = 0, caps = 0;
};

bool ReadDescription(const CheckedBytes& in, DdsDescription& d) {
  return in.U32(4, d.size) && in.U32(8, d.flags) && in.U32(12, d.height) && in.U32(16, d.width) &&
         in.U32(28, d.mipMapCount) && in.U32(80, d.pixelFlags) && in.U32(84, d.fourCC) &&
         in.U32(88, d.bitCount) && in.U32(92, d.red) && in.U32(96, d.green) && in.U32(100, d.blue) &&
         in.U32(108, d.caps);
}

// The surface format a file's pixel format names, or false.
bool FormatOfDescription(const DdsDescription& d, PixelFormat& format) {
  if (d.pixelFlags & kPixelFourCC) {
    for (char digit = '1'; digit <= '5'; ++digit) {
      if (d.fourCC == FourCC('D', 'X', 'T', digit)) {
        format = static_cast<PixelFormat>(static_cast<int>(PixelFormat::Dxt1) + (digit - '1'));
        return true;
      }
    }
    return false;
  }
  if (!(d.pixelFlags & kPixelRgb)) return false;
  for (PixelFormat candidate : kRgbFormats) {
    ChannelMasks masks = MasksOf(candidate);
    int bits = candidate == PixelFormat::X1R5G5B5 ? 16 : BitsPerPixel(candidate);
    if (d.bitCount == static_cast<uint32_t>(bits) && d.red == masks.red && d.green == masks.green &&
        d.blue == masks.blue) {
      format = candidate;
      return true;
    }
  }
  return false;
}

// The levels of a chain from the top; the chain keeps its own references.
std::vector<Surface*> LevelsOf(Surface& top) {
  std::vector<Surface*> levels{&top};
  Surface* next = nullptr;
  while (levels.back()->GetAttachedSurface(kCapsMipMap, next) == DisplayResult::Ok) {
    next->Release();
    levels.push_back(next);
  }
  return levels;
}

// The bytes a level holds in a file: the whole compressed level, or rows without padding.
std::size_t LevelFileBytes(const Surface& level) {
  if (IsCompressed(level.Format())) return level.LinearSize();
  return static_cast<std::size_t>(level.Width()) * static_cast<std::size_t>(BytesPerPixel(level.Format())) *
         static_cast<std::size_t>(level.Height());
}

bool FillLevel(ImageBytes file, std::size_t& at, Surface& level) {
  std::size_t bytes = LevelFileBytes(level);
  if (file.size() - at < bytes) return false;
  if (IsCompressed(level.Format())) {
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), bytes, level.Row(0));
  } else {
    std::size_t row = bytes / static_cast<std::size_t>(level.Height());
    for (int y = 0; y < level.Height(); ++y) {
      std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at + row * static_cast<std::size_t>(y)), row,
                  level.Row(y));
    }
  }
  at += bytes;
  return true;
}

ImageError Refuse(int code, ImageError error) {
  InternalErrorCode = code;
  return error;
}

// Levels below the top, as the writer counts them: one per halving of the smaller side while it
// is above 2 (256 x 256 gives 7), and at least one.
int WrittenLevelCount(int width, int height) {
  int n = 0;
  for (int m = std::min(width, height); m > 2; m /= 2) ++n;
  return std::max(n, 1);
}

// Levels of a full chain halving down to 1 x 1.
int FullChainLevels(int width, int height) {
  int levels = 1;
  for (int side = std::max(width, height); side > 1; side /= 2) ++levels;
  return levels;
}

int RoundUpToPowerOfTwo(int side) {
  int rounded = 2;
  while (rounded < side && rounded < kMaxSurfaceSide) rounded *= 2;
  return rounded;
}

// Fills every level of `chain` from `working` (an RGB surface of the top level's size), box
// filtering and halving it from each level to the next.
bool FillChain(Surface& chain, Surface* working) {
  working->AddRef();
  bool filled = true;
  std::vector<Surface*> levels = LevelsOf(chain);
  for (std::size_t j = 0; j < levels.size() && filled; ++j) {
    Surface& level = *levels[j];
    if (j > 0) {
      BoxFilter2x2(*working);
      Surface* half = nullptr;
      filled =
          CreateImageSurface(level.Width(), level.Height(), working->Format(), half) == ImageError::None &&
          half->Blt(nullptr, working, nullptr, 0) == DisplayResult::Ok;
      working->Release();
      working = half;
      if (!filled) break;
    }
    if (IsCompressed(level.Format())) {
      EncodeDxtSurface(*working, level);
    } else {
      filled = level.Blt(nullptr, working, nullptr, 0) == DisplayResult::Ok;
    }
  }
  if (working) working->Release();
  return filled;
}

// A mip chain of `width` x `height` in `format` filled from `source` (stretched to that size).
bool MakeChain(const Surface& source, int width, int height, PixelFormat format, int levels, Surface*& out) {
  out = nullptr;
  if (!Writable(source)) return false;
  Surface* working = nullptr;
  if (CreateImageSurface(width, height, IsCompressed(format) ? PixelFormat::X8R8G8B8 : format, working) !=
      ImageError::None) {
    return false;
  }
  Surface* chain = nullptr;
  bool made = working->Blt(nullptr, const_cast<Surface*>(&source), nullptr, 0) == DisplayResult::Ok &&
              Surface::Create({width, height, format,
                               kCapsTexture | kCapsMipMap | kCapsComplex | kCapsSystemMemory, levels},
                              chain) == DisplayResult::Ok &&
              FillChain(*chain, working);
  working->Release();
  if (!made) {
    if (chain) chain->Release();
    return false;
  }
  out = chain;
  return true;
}

}  // namespace

ImageError ReadDdsFile(ImageBytes file, PixelFormat, Surface*& out) {
  CheckedBytes in(file);
  uint32_t magic = 0;
  DdsDescription d;
  if (!in.U32(0, magic) || magic != kMagic) return Refuse(10002, ImageError::BadHeader);
  if (!ReadDescription(in, d) || file.size() < 4 + kDescriptionSize)
    return Refuse(10002, ImageError::Truncated);
  PixelFormat format;
  if (d.size != kDescriptionSize || !FormatOfDescription(d, format))
    return Refuse(10002, ImageError::Unsupported);
  if (d.width < 1 || d.height < 1 || d.width > kMaxSurfaceSide || d.height > kMaxSurfaceSide) {
    return Refuse(10003, ImageError::TooLarge);
  }
  int levels =
      (d.flags & kFlagMipMapCount) && d.mipMapCount > 1 ? static_cast<int>(std::min(d.mipMapCount, 32u)) : 1;
  uint32_t caps = kCapsTexture | kCapsSystemMemory | (levels > 1 ? kCapsMipMap | kCapsComplex : 0);
  if (Surface::Create({static_cast<int>(d.width), static_cast<int>(d.height), format, caps, levels}, out) !=
      DisplayResult::Ok) {
    out = nullptr;
    return Refuse(10003, ImageError::BadHeader);
  }
  std::size_t at = 4 + kDescriptionSize;
  for (Surface* level : LevelsOf(*out)) {
    if (!FillLevel(file, at, *level)) {
      out->Release();
      out = nullptr;
      return Refuse(10004, ImageError::Truncated);
    }
  }
  InternalErrorCode = 10006;
  return ImageError::None;
}

ImageError WriteDdsFile(const Surface& surface, std::string& file) {
  if (!Writable(surface)) return ImageError::Unsupported;
  int width = RoundUpToPowerOfTwo(surface.Width()), height = RoundUpToPowerOfTwo(surface.Height());
  int levels = WrittenLevelCount(width, height);
  Surface* chain = nullptr;
  if (!MakeChain(surface, width, height, PixelFormat::Dxt1, levels, chain)) return ImageError::OutOfMemory;
  file.clear();
  AppendU32(file, kMagic);
  uint32_t description[31] = {kDescriptionSize,
                              kFlagsWritten,
                              static_cast<uint32_t>(height),
                              static_cast<uint32_t>(width),
                              0,
                              0,
                              static_cast<uint32_t>(levels)};
  description[18] = 32;  // pixel format size (offset 76)
  description[19] = kPixelFourCC;
  description[20] = FourCC('D', 'X', 'T', '1');
  description[26] = kCapsWritten;  // offset 108
  for (uint32_t field : description) AppendU32(file, field);
  for (Surface* level : LevelsOf(*chain)) {
    file.append(reinterpret_cast<const char*>(level->Row(0)), level->LinearSize());
  }
  chain->Release();
  return ImageError::None;
}

bool ConvertSurfaceFormat(const Surface& source, Surface*& out, char digit, bool useFourCC) {
  out = nullptr;
  if (useFourCC && (digit < '1' || digit > '5')) return false;
  PixelFormat format = useFourCC
                           ? static_cast<PixelFormat>(static_cast<int>(PixelFormat::Dxt1) + (digit - '1'))
                           : source.Format();
  int levels = std::min(WrittenLevelCount(source.Width(), source.Height()),
                        FullChainLevels(source.Width(), source.Height()));
  return MakeChain(source, source.Width(), source.Height(), format, levels, out);
}

void BoxFilter2x2(Surface& surface) {
  int w = surface.Width(), h = surface.Height();
  PixelFormat format = surface.Format();
  for (int y = 0; y < h; y += 2) {
    for (int x = 0; x < w; x += 2) {
      int r = 0, g = 0, b = 0, count = 0;
      for (int dy = 0; dy < 2 && y + dy < h; ++dy) {
        for (int dx = 0; dx < 2 && x + dx < w; ++dx, ++count) {
          Rgb c = UnpackPixel(format, surface.PixelAt(x + dx, y + dy));
          r += c.r, g += c.g, b += c.b;
        }
      }
      Rgb average{static_cast<uint8_t>(r / count), static_cast<uint8_t>(g / count),
                  static_cast<uint8_t>(b / count)};
      for (int dy = 0; dy < 2 && y + dy < h; ++dy) {
        for (int dx = 0; dx < 2 && x + dx < w; ++dx) PutRgb(surface, x + dx, y + dy, average);
      }
    }
  }
}

}  // namespace qm
