// What the image formats share: creating the surface a reader fills, and byte helpers.
#include "display/image_files/image_file_formats.h"

namespace qm {
using namespace platform;

ImageError CreateImageSurface(int width, int height, PixelFormat format, Surface*& out) {
  out = nullptr;
  if (width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) {
    return ImageError::TooLarge;
  }
  if (Surface::Create({width, height, format, kCapsOffscreenPlain | kCapsSystemMemory}, out) !=
      DisplayResult::Ok) {
    out = nullptr;
    return ImageError::OutOfMemory;
  }
  return ImageError::None;
}

ImageError SurfaceFromRgbRows(int width, int height, PixelFormat format, const uint8_t* rgb, Surface*& out) {
  if (ImageError error = CreateImageSurface(width, height, format, out); error != ImageError::None) {
    return error;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, rgb += 3) PutRgb(*out, x, y, {rgb[0], rgb[1], rgb[2]});
  }
  return ImageError::None;
}

void AppendU8(std::string& out, unsigned v) { out.push_back(static_cast<char>(v & 0xFF)); }
void AppendU16(std::string& out, unsigned v) {
  AppendU8(out, v);
  AppendU8(out, v >> 8);
}
void AppendU32(std::string& out, uint32_t v) {
  AppendU16(out, v & 0xFFFF);
  AppendU16(out, v >> 16);
}

bool ReadU16BE(ImageBytes bytes, std::size_t offset, uint16_t& out) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return false;
  out = static_cast<uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
  return true;
}
bool ReadU32BE(ImageBytes bytes, std::size_t offset, uint32_t& out) {
  uint16_t high, low;
  if (!ReadU16BE(bytes, offset, high) || !ReadU16BE(bytes, offset + 2, low)) return false;
  out = static_cast<uint32_t>(high) << 16 | low;
  return true;
}

}  // namespace qm
