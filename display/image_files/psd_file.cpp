// PSD files: the flattened composite image of an 8-bit RGB file, raw or run-length encoded. The
// first three channels are red, green and blue (missing ones are 0); further channels (alpha) are
// not shown by the display's formats.
#include <algorithm>
#include <vector>

#include "display/image_files/image_file_formats.h"

namespace qm {
using namespace platform;

namespace {

constexpr uint32_t kMaxPsdSide = 30000;  // the format's own limit

// Skips a section stored as a 32-bit length and that many bytes.
bool SkipSection(ImageBytes file, std::size_t& at) {
  uint32_t length = 0;
  if (!ReadU32BE(file, at, length) || file.size() - at - 4 < length) return false;
  at += 4 + std::size_t{length};
  return true;
}

// One channel of `count` bytes from the run-length data at `at`; false when the data ends first.
bool DecodePsdChannel(ImageBytes file, std::size_t& at, std::size_t count, std::vector<uint8_t>& out) {
  out.clear();
  while (out.size() < count) {
    if (at >= file.size()) return false;
    uint8_t n = file[at++];
    if (n == 128) continue;
    if (n < 128) {
      std::size_t literal = std::min<std::size_t>(n + 1u, count - out.size());
      if (file.size() - at < std::size_t{n} + 1) return false;
      out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                 file.begin() + static_cast<std::ptrdiff_t>(at + literal));
      at += std::size_t{n} + 1;
    } else {
      if (at >= file.size()) return false;
      std::size_t repeat = std::min<std::size_t>(257u - n, count - out.size());
      out.insert(out.end(), repeat, file[at++]);
    }
  }
  return true;
}

}  // namespace

ImageError ReadPsdFile(ImageBytes file, PixelFormat format, Surface*& out) {
  uint16_t version = 0, channels = 0, depth = 0, mode = 0, compression = 0;
  uint32_t height = 0, width = 0;
  if (!ReadU16BE(file, 4, version) || !ReadU16BE(file, 12, channels) || !ReadU32BE(file, 14, height) ||
      !ReadU32BE(file, 18, width) || !ReadU16BE(file, 22, depth) || !ReadU16BE(file, 24, mode)) {
    return ImageError::Truncated;
  }
  if (version != 1 || channels < 1 || channels > 16 || width < 1 || height < 1) return ImageError::BadHeader;
  if (depth != 8 || mode != 3) return ImageError::Unsupported;
  if (width > kMaxPsdSide || height > kMaxPsdSide) return ImageError::BadHeader;
  std::size_t at = 26;
  for (int section = 0; section < 3; ++section) {
    if (!SkipSection(file, at)) return ImageError::Truncated;
  }
  if (!ReadU16BE(file, at, compression)) return ImageError::Truncated;
  at += 2;
  if (compression > 1) return ImageError::Unsupported;
  std::size_t pixels = std::size_t{width} * height;
  if (compression == 1) {
    std::size_t counts = 2 * std::size_t{height} * channels;
    if (file.size() - at < counts) return ImageError::Truncated;
    at += counts;
  }
  std::size_t shown = std::min<std::size_t>(channels, 3);
  std::vector<uint8_t> planes[3], decoded;
  for (std::size_t k = 0; k < shown; ++k) {
    if (compression == 0) {
      if (file.size() - at < pixels) return ImageError::Truncated;
      planes[k].assign(file.begin() + static_cast<std::ptrdiff_t>(at),
                       file.begin() + static_cast<std::ptrdiff_t>(at + pixels));
      at += pixels;
    } else if (!DecodePsdChannel(file, at, pixels, planes[k])) {
      return ImageError::Truncated;
    }
  }
  if (ImageError error = CreateImageSurface(static_cast<int>(width), static_cast<int>(height), format, out);
      error != ImageError::None) {
    return error;
  }
  std::size_t i = 0;
  for (int y = 0; y < static_cast<int>(height); ++y) {
    for (int x = 0; x < static_cast<int>(width); ++x, ++i) {
      auto channel = [&](std::size_t k) { return k < shown ? planes[k][i] : uint8_t{0}; };
      PutRgb(*out, x, y, {channel(0), channel(1), channel(2)});
    }
  }
  return ImageError::None;
}

}  // namespace qm
