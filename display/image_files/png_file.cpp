// PNG files through libpng: every colour type and depth is expanded to 8-bit RGB (palette with
// transparency, grey, 16-bit samples reduced to 8); alpha is dropped, since the display's formats
// have none. Written as 8-bit RGB, not interlaced. libpng is opened at the first PNG file.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/image_files/image_file_formats.h"
#include "platform/shared_library.h"

namespace qm {
using namespace platform;

namespace {

#define QM_PNG_FUNCTIONS(X)     \
  X(png_create_info_struct)     \
  X(png_create_read_struct)     \
  X(png_create_write_struct)    \
  X(png_destroy_read_struct)    \
  X(png_destroy_write_struct)   \
  X(png_error)                  \
  X(png_get_IHDR)               \
  X(png_get_io_ptr)             \
  X(png_get_rowbytes)           \
  X(png_longjmp)                \
  X(png_read_image)             \
  X(png_read_info)              \
  X(png_read_update_info)       \
  X(png_set_IHDR)               \
  X(png_set_expand)             \
  X(png_set_gray_to_rgb)        \
  X(png_set_interlace_handling) \
  X(png_set_longjmp_fn)         \
  X(png_set_read_fn)            \
  X(png_set_scale_16)           \
  X(png_set_strip_alpha)        \
  X(png_set_user_limits)        \
  X(png_set_write_fn)           \
  X(png_sig_cmp)                \
  X(png_write_end)              \
  X(png_write_info)             \
  X(png_write_row)

QM_LIBRARY_TABLE(PngFunctions, QM_PNG_FUNCTIONS)

// The run-time name of the library version the header belongs to.
#define QM_STRINGIFY_NUMBER(n) #n
#define QM_PNG_SONAME(n) "libpng" QM_STRINGIFY_NUMBER(n) ".so." QM_STRINGIFY_NUMBER(n)
LibraryTable<PngFunctions> gPngLibrary(QM_PNG_SONAME(PNG_LIBPNG_VER_SONUM), PngFunctions::Resolve);
#undef QM_PNG_SONAME
#undef QM_STRINGIFY_NUMBER

const PngFunctions& Png() { return gPngLibrary.Functions(); }

// The jump buffer the library's errors return to (what png_jmpbuf names).
std::jmp_buf& JumpBuffer(png_structp png) {
  return *Png().png_set_longjmp_fn(png, longjmp, sizeof(std::jmp_buf));
}

struct PngSource {
  ImageBytes bytes;
  std::size_t at = 0;
};

void ReadFromBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* source = static_cast<PngSource*>(Png().png_get_io_ptr(png));
  if (source->bytes.size() - source->at < length) Png().png_error(png, "truncated");
  std::memcpy(data, source->bytes.data() + source->at, length);
  source->at += length;
}

void WriteToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(Png().png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void FlushNothing(png_structp) {}
// Library messages are not shown; an error ends the call through the jump.
void Silent(png_structp, png_const_charp) {}
[[noreturn]] void JumpBack(png_structp png, png_const_charp) {
  Png().png_longjmp(png, 1);
  std::abort();  // never reached: the library's jump does not return
}

// Decodes into `rgb` (8-bit RGB, top row first) through the row pointers `rows`; sizes checked
// before anything is allocated. The library's errors jump out of here, so everything it allocates
// belongs to the caller.
ImageError DecodePng(png_structp png, png_infop info, PngSource& source, int& width, int& height,
                     std::vector<uint8_t>& rgb, std::vector<png_bytep>& rows) {
  Png().png_set_read_fn(png, &source, ReadFromBytes);
  Png().png_set_user_limits(png, kMaxSurfaceSide, kMaxSurfaceSide);
  Png().png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colourType = 0;
  Png().png_get_IHDR(png, info, &w, &h, &depth, &colourType, nullptr, nullptr, nullptr);
  Png().png_set_expand(png);
  Png().png_set_scale_16(png);  // 16-bit samples rounded to 8 bits
  Png().png_set_strip_alpha(png);
  Png().png_set_gray_to_rgb(png);
  Png().png_set_interlace_handling(png);
  Png().png_read_update_info(png, info);
  if (Png().png_get_rowbytes(png, info) != std::size_t{w} * 3) return ImageError::Unsupported;
  width = static_cast<int>(w), height = static_cast<int>(h);
  rgb.assign(std::size_t{w} * 3 * h, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = &rgb[std::size_t{y} * w * 3];
  Png().png_read_image(png, rows.data());
  return ImageError::None;
}

// True when every chunk up to IEND fits in the bytes after its header. The library allocates a
// buffer of a chunk's declared length before it reads the chunk, so a few bytes of header could
// otherwise make it allocate up to 2 GB for a chunk the file does not hold.
bool ChunksFitTheFile(ImageBytes file) {
  std::size_t at = 8;
  uint32_t length = 0;
  while (ReadU32BE(file, at, length) && file.size() - at >= 12) {
    if (length > file.size() - at - 12) return false;
    if (std::memcmp(file.data() + at + 4, "IEND", 4) == 0) break;
    at += 12 + std::size_t{length};
  }
  return true;
}

}  // namespace

ImageError ReadPngFile(ImageBytes file, PixelFormat format, Surface*& out) {
  if (!gPngLibrary.Load()) return ImageError::NoLibrary;
  if (file.size() < 8 || Png().png_sig_cmp(file.data(), 0, 8) != 0) return ImageError::BadHeader;
  if (!ChunksFitTheFile(file)) return ImageError::BadData;
  png_structp png = Png().png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, Silent);
  png_infop info = png ? Png().png_create_info_struct(png) : nullptr;
  if (!info) {
    Png().png_destroy_read_struct(&png, nullptr, nullptr);
    return ImageError::OutOfMemory;
  }
  PngSource source{file, 0};
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  std::vector<png_bytep> rows;
  ImageError result = ImageError::BadData;
  if (setjmp(JumpBuffer(png)) == 0) result = DecodePng(png, info, source, width, height, rgb, rows);
  Png().png_destroy_read_struct(&png, &info, nullptr);
  if (result != ImageError::None) return result;
  return SurfaceFromRgbRows(width, height, format, rgb.data(), out);
}

ImageError WritePngFile(const Surface& surface, std::string& file) {
  if (!Writable(surface)) return ImageError::Unsupported;
  if (!gPngLibrary.Load()) return ImageError::NoLibrary;
  std::size_t w = static_cast<std::size_t>(surface.Width());
  std::vector<uint8_t> row(w * 3);
  png_structp png = Png().png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, Silent);
  png_infop info = png ? Png().png_create_info_struct(png) : nullptr;
  if (!info) {
    Png().png_destroy_write_struct(&png, nullptr);
    return ImageError::OutOfMemory;
  }
  file.clear();
  volatile ImageError result = ImageError::WriteFailed;  // set after the jump point
  if (setjmp(JumpBuffer(png)) == 0) {
    Png().png_set_write_fn(png, &file, WriteToString, FlushNothing);
    Png().png_set_IHDR(png, info, static_cast<png_uint_32>(surface.Width()),
                       static_cast<png_uint_32>(surface.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                       PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    Png().png_write_info(png, info);
    for (int y = 0; y < surface.Height(); ++y) {
      for (std::size_t x = 0; x < w; ++x) {
        Rgb c = RgbAt(surface, static_cast<int>(x), y);
        row[x * 3] = c.r, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.b;
      }
      Png().png_write_row(png, row.data());
    }
    Png().png_write_end(png, info);
    result = ImageError::None;
  }
  Png().png_destroy_write_struct(&png, &info);
  return result;
}

}  // namespace qm
