// The image file loader: the format table, choosing by extension, reading the file and replacing
// the target on save.
#include <cctype>
#include <fstream>
#include <iterator>
#include <vector>

#include "display/image_files/image_file_formats.h"
#include "platform/files.h"
#include "platform/safe_file_write.h"
#include "runtime/packed_files.h"
#include "runtime/runtime_errors.h"

namespace qm {
using platform::PixelFormat;
using platform::Surface;

namespace {

PixelFormat displayFormat = PixelFormat::R5G6B5;

// Files larger than this are not image files the loader takes (a 16384 x 16384 32-bit DDS with its
// mip chain stays below it).
constexpr std::streamoff kMaxImageFileBytes = 1536LL * 1024 * 1024;

constexpr ImageFileFormat kFormats[] = {
    {"jpg", ReadJpegFile, WriteJpegFile}, {"bmp rle dib", ReadBmpFile, WriteBmpFile},
    {"psd", ReadPsdFile, nullptr},        {"pcx", ReadPcxFile, nullptr},
    {"tga", ReadTgaFile, WriteTgaFile},   {"dds", ReadDdsFile, WriteDdsFile},
    {"png", ReadPngFile, WritePngFile},   {"tif", ReadTiffFile, nullptr},
};

bool SameLetters(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return true;
}

// The whole file, or false when it cannot be read or is too large to be an image.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxImageFileBytes) return false;
  bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

}  // namespace

const char* ImageErrorText(ImageError error) {
  switch (error) {
    case ImageError::None:
      return "no error";
    case ImageError::NoFormat:
      return "the file name ends in no image file extension";
    case ImageError::NotWritable:
      return "files of this format cannot be written";
    case ImageError::NoSurface:
      return "no surface to save";
    case ImageError::CannotOpen:
      return "the file cannot be opened";
    case ImageError::Truncated:
      return "the file ends before its image does";
    case ImageError::BadHeader:
      return "the file is not an image of its format";
    case ImageError::Unsupported:
      return "this kind of image file is not supported";
    case ImageError::TooLarge:
      return "the image is too large";
    case ImageError::BadData:
      return "the image data is damaged";
    case ImageError::OutOfMemory:
      return "the surface cannot be created";
    case ImageError::WriteFailed:
      return "the file cannot be written";
    case ImageError::NoLibrary:
      return "the system library for this image format cannot be opened";
  }
  return "unknown image error";
}

const ImageFileFormat* ImageFormatForName(std::string_view name) {
  if (name.size() < 3) return nullptr;
  std::string_view ending = name.substr(name.size() - 3);
  for (const ImageFileFormat& format : kFormats) {
    for (std::size_t at = 0; at + 3 <= format.extensions.size(); at += 4) {
      if (SameLetters(ending, format.extensions.substr(at, 3))) return &format;
    }
  }
  return nullptr;
}

void ImageLoaderInit(PixelFormat format) { displayFormat = format; }
PixelFormat ImageLoaderDisplayFormat() { return displayFormat; }

Surface* LoadImageFileToSurface(const std::string& name, ImageError* error) {
  ImageError ignored;
  ImageError& result = error ? *error : ignored;
  const ImageFileFormat* format = ImageFormatForName(name);
  if (!format) {
    result = ImageError::NoFormat;
    return nullptr;
  }
  // A stand-alone program's packed copy comes first; the copy's name keeps the file's ending.
  std::string ending = name.substr(name.size() - 3);
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(ResolveMediaPath(name, ending), bytes)) {
    if (format->load == ReadDdsFile) InternalErrorCode = 10001;
    result = ImageError::CannotOpen;
    return nullptr;
  }
  Surface* surface = nullptr;
  result = format->load(bytes, displayFormat, surface);
  if (result != ImageError::None && surface) {
    surface->Release();
    surface = nullptr;
  }
  return surface;
}

ImageError SaveSurfaceToImageFile(const Surface* surface, const std::string& name) {
  if (!surface) return ImageError::NoSurface;
  const ImageFileFormat* format = ImageFormatForName(name);
  if (!format) return ImageError::NoFormat;
  if (!format->save) return ImageError::NotWritable;
  std::string file;
  if (ImageError error = format->save(*surface, file); error != ImageError::None) return error;
  return platform::WriteFileReplacing(platform::ResolvePath(name), file) ? ImageError::None
                                                                         : ImageError::WriteFailed;
}

}  // namespace qm
