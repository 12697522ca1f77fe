// The format readers and writers behind the image file loader, and what they share. Readers take the
// whole file as bytes and check every size and offset before reading or allocating; writers produce
// the whole file as bytes.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "display/image_files/image_files.h"
#include "platform/display/surface.h"

namespace qm {

using ImageBytes = std::span<const uint8_t>;
using ImageReader = ImageError (*)(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
using ImageWriter = ImageError (*)(const platform::Surface& surface, std::string& file);

// One format: the extensions it answers to (three letters each), its reader and its writer (null
// when files of the format cannot be written).
struct ImageFileFormat {
  std::string_view extensions;
  ImageReader load;
  ImageWriter save;
};

// The format for a name's last three letters, or null.
const ImageFileFormat* ImageFormatForName(std::string_view name);

ImageError ReadBmpFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError WriteBmpFile(const platform::Surface& surface, std::string& file);
ImageError ReadTgaFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError WriteTgaFile(const platform::Surface& surface, std::string& file);
ImageError ReadPcxFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError ReadPsdFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError ReadPngFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError WritePngFile(const platform::Surface& surface, std::string& file);
ImageError ReadJpegFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError WriteJpegFile(const platform::Surface& surface, std::string& file);
ImageError ReadTiffFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
// DDS keeps the file's format; `format` is unused. The reader sets the internal error code.
ImageError ReadDdsFile(ImageBytes file, platform::PixelFormat format, platform::Surface*& out);
ImageError WriteDdsFile(const platform::Surface& surface, std::string& file);

// --- shared by the formats ---

// A new system-memory surface of width x height in `format`; TooLarge outside 1..16384 on a side.
ImageError CreateImageSurface(int width, int height, platform::PixelFormat format, platform::Surface*& out);
// A new surface as CreateImageSurface makes it, filled from `rgb`: 3 bytes a pixel, rows from the top.
ImageError SurfaceFromRgbRows(int width, int height, platform::PixelFormat format, const uint8_t* rgb,
                              platform::Surface*& out);
inline void PutRgb(platform::Surface& s, int x, int y, platform::Rgb c) {
  s.SetPixelAt(x, y, platform::PackRgb(s.Format(), c));
}
// The colour of a pixel of an RGB surface, each channel shifted back to 8 bits (5-6-5 white gives
// 248, 252, 248).
inline platform::Rgb RgbAt(const platform::Surface& s, int x, int y) {
  return platform::UnpackPixel(s.Format(), s.PixelAt(x, y));
}
// Writers take RGB surfaces; a compressed one is refused.
inline bool Writable(const platform::Surface& s) {
  return !platform::IsCompressed(s.Format()) && s.Width() > 0 && s.Height() > 0;
}

void AppendU8(std::string& out, unsigned v);
void AppendU16(std::string& out, unsigned v);
void AppendU32(std::string& out, uint32_t v);

// Big-endian reads for the formats stored that way, checked against the end.
bool ReadU16BE(ImageBytes bytes, std::size_t offset, uint16_t& out);
bool ReadU32BE(ImageBytes bytes, std::size_t offset, uint32_t& out);

}  // namespace qm
