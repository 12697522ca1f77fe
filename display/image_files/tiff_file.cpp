// TIFF files through libtiff, read from memory as RGBA (every compression and layout libtiff's RGBA
// interface takes); TIFF files are not written. libtiff is opened at the first TIFF file.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/image_files/image_file_formats.h"
#include "platform/shared_library.h"

namespace qm {
using namespace platform;

namespace {

#define QM_TIFF_FUNCTIONS(X)   \
  X(TIFFClientOpen)            \
  X(TIFFClose)                 \
  X(TIFFGetField)              \
  X(TIFFRGBAImageOK)           \
  X(TIFFReadRGBAImageOriented) \
  X(TIFFSetErrorHandler)       \
  X(TIFFSetWarningHandler)

QM_LIBRARY_TABLE(TiffFunctions, QM_TIFF_FUNCTIONS)

// The run-time name of libtiff 4.x (its header carries no library number).
LibraryTable<TiffFunctions> gTiffLibrary("libtiff.so.6", TiffFunctions::Resolve);

const TiffFunctions& Tiff() { return gTiffLibrary.Functions(); }

struct TiffSource {
  ImageBytes bytes;
  toff_t at = 0;
};

tsize_t ReadBytes(thandle_t handle, tdata_t data, tsize_t size) {
  auto* source = static_cast<TiffSource*>(handle);
  if (size < 0 || source->at > source->bytes.size()) return 0;
  std::size_t count =
      std::min<std::size_t>(static_cast<std::size_t>(size), source->bytes.size() - source->at);
  std::memcpy(data, source->bytes.data() + source->at, count);
  source->at += count;
  return static_cast<tsize_t>(count);
}
tsize_t WriteNothing(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t SeekTo(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  toff_t base = whence == SEEK_CUR ? source->at : whence == SEEK_END ? source->bytes.size() : 0;
  source->at = base + offset;
  return source->at;
}
int CloseNothing(thandle_t) { return 0; }
toff_t SizeOf(thandle_t handle) { return static_cast<TiffSource*>(handle)->bytes.size(); }
int MapNothing(thandle_t, tdata_t*, toff_t*) { return 0; }
void UnmapNothing(thandle_t, tdata_t, toff_t) {}

// Library messages are not shown: failures come back as results.
void SilenceLibrary() {
  Tiff().TIFFSetErrorHandler(nullptr);
  Tiff().TIFFSetWarningHandler(nullptr);
}

}  // namespace

ImageError ReadTiffFile(ImageBytes file, PixelFormat format, Surface*& out) {
  if (file.size() < 8) return ImageError::Truncated;
  if (!gTiffLibrary.Load()) return ImageError::NoLibrary;
  SilenceLibrary();
  TiffSource source{file, 0};
  TIFF* tiff = Tiff().TIFFClientOpen("image", "rm", &source, ReadBytes, WriteNothing, SeekTo, CloseNothing,
                                     SizeOf, MapNothing, UnmapNothing);
  if (!tiff) return ImageError::BadHeader;
  uint32_t width = 0, height = 0;
  Tiff().TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  Tiff().TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  char message[1024];
  ImageError result = ImageError::None;
  if (width < 1 || height < 1) {
    result = ImageError::BadHeader;
  } else if (width > static_cast<uint32_t>(kMaxSurfaceSide) ||
             height > static_cast<uint32_t>(kMaxSurfaceSide)) {
    result = ImageError::TooLarge;
  } else if (!Tiff().TIFFRGBAImageOK(tiff, message)) {
    result = ImageError::Unsupported;
  }
  std::vector<uint32_t> rgba;
  if (result == ImageError::None) {
    rgba.assign(std::size_t{width} * height, 0);
    if (!Tiff().TIFFReadRGBAImageOriented(tiff, width, height, rgba.data(), ORIENTATION_TOPLEFT, 0)) {
      result = ImageError::BadData;
    }
  }
  Tiff().TIFFClose(tiff);
  if (result != ImageError::None) return result;
  if (ImageError error = CreateImageSurface(static_cast<int>(width), static_cast<int>(height), format, out);
      error != ImageError::None) {
    return error;
  }
  const uint32_t* p = rgba.data();
  for (int y = 0; y < static_cast<int>(height); ++y) {
    for (int x = 0; x < static_cast<int>(width); ++x, ++p) {
      PutRgb(*out, x, y,
             {static_cast<uint8_t>(TIFFGetR(*p)), static_cast<uint8_t>(TIFFGetG(*p)),
              static_cast<uint8_t>(TIFFGetB(*p))});
    }
  }
  return ImageError::None;
}

}  // namespace qm
