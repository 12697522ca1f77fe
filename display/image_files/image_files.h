// Image files: loading a file into a new surface and saving a surface into a file, the format chosen
// by the last three letters of the name (case-insensitive): jpg, bmp/rle/dib, psd, pcx, tga, dds,
// png, tif. Readers convert into the display's pixel format, except DDS, which keeps the file's own
// format and mip levels. Writers build the whole file in memory and replace the target in one rename,
// so a failed save leaves an existing file as it was.
#pragma once
#include <string>

#include "platform/display/surface.h"

namespace qm {

enum class ImageError {
  None,
  NoFormat,     // the name ends in no known extension (or is shorter than three letters)
  NotWritable,  // the format has no writer (pcx, psd, tif)
  NoSurface,    // save: no surface given
  CannotOpen,   // the file cannot be read
  Truncated,    // the data ends before what its headers promise
  BadHeader,    // not a file of this format, or fields no such file has
  Unsupported,  // a valid file of a kind this reader does not take
  TooLarge,     // wider or taller than a surface can be
  BadData,      // the compressed data is damaged
  OutOfMemory,  // the surface cannot be created
  WriteFailed,  // the file cannot be written (the old one stays)
  NoLibrary,    // the system library that reads or writes the format cannot be opened
};

const char* ImageErrorText(ImageError error);

// The display's pixel format, which readers convert into; set at every display set-up.
void ImageLoaderInit(platform::PixelFormat displayFormat);
platform::PixelFormat ImageLoaderDisplayFormat();

// A new surface (the caller releases it) holding the image of `name`, or null with the reason.
platform::Surface* LoadImageFileToSurface(const std::string& name, ImageError* error = nullptr);
// Writes `surface` as the file `name`. Anything but None is a failed save (callers raise 1004); the
// surface is not changed.
ImageError SaveSurfaceToImageFile(const platform::Surface* surface, const std::string& name);

// A new surface (`out`, the caller releases it) holding `source` in the format DXT<digit> (digit
// '1'..'5') when `useFourCC` is set, else in `source`'s own format, with a full mip chain made by
// the 2x2 box filter. False, with nothing made, on failure.
bool ConvertSurfaceFormat(const platform::Surface& source, platform::Surface*& out, char digit,
                          bool useFourCC);
// Replaces every 2x2 block (even x and y) of an RGB surface by its average colour, channels truncated.
void BoxFilter2x2(platform::Surface& surface);

}  // namespace qm
