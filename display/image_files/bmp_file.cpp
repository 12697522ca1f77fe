// BMP, RLE and DIB files: read through the display layer's bitmap reader (every layout, RLE
// included, each length checked); written as uncompressed bottom-up 24-bit files.
#include "display/image_files/image_file_formats.h"
#include "platform/display/dib.h"

namespace qm {
using namespace platform;

namespace {

ImageError FromDibError(DibError error) {
  switch (error) {
    case DibError::None:
      return ImageError::None;
    case DibError::Truncated:
      return ImageError::Truncated;
    case DibError::BadHeader:
      return ImageError::BadHeader;
    case DibError::Unsupported:
      return ImageError::Unsupported;
    case DibError::TooLarge:
      return ImageError::TooLarge;
    case DibError::BadRle:
      return ImageError::BadData;
  }
  return ImageError::BadData;
}

}  // namespace

ImageError ReadBmpFile(ImageBytes file, PixelFormat format, Surface*& out) {
  return FromDibError(DecodeBmpFileToSurface(file, format, out));
}

// Every surface is written with 24-bit pixels (surfaces have no 8-bit palette layout here), so the
// header never claims a depth whose colour table or rows are missing. The size field stays 0.
ImageError WriteBmpFile(const Surface& surface, std::string& file) {
  if (!Writable(surface)) return ImageError::Unsupported;
  std::vector<uint8_t> rows = SurfaceToDibRows24(surface);
  file.clear();
  file += "BM";
  AppendU32(file, 0);   // file size
  AppendU32(file, 0);   // reserved
  AppendU32(file, 54);  // pixel data offset
  AppendU32(file, 40);  // info header size
  AppendU32(file, static_cast<uint32_t>(surface.Width()));
  AppendU32(file, static_cast<uint32_t>(surface.Height()));
  AppendU16(file, 1);                                          // planes
  AppendU16(file, 24);                                         // bits per pixel
  for (int field = 0; field < 6; ++field) AppendU32(file, 0);  // compression .. colours important
  file.append(reinterpret_cast<const char*>(rows.data()), rows.size());
  return ImageError::None;
}

}  // namespace qm
