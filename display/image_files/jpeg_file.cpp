// JPEG files through libjpeg: colour (three-component) files are read; grey-scale and CMYK files
// are refused. Written as baseline JPEG at quality 100. libjpeg is opened at the first JPEG file.
#include <csetjmp>
#include <cstddef>
#include <cstdlib>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "display/image_files/image_file_formats.h"
#include "platform/shared_library.h"

namespace qm {
using namespace platform;

namespace {

#define QM_JPEG_FUNCTIONS(X) \
  X(jpeg_CreateCompress)     \
  X(jpeg_CreateDecompress)   \
  X(jpeg_destroy_compress)   \
  X(jpeg_destroy_decompress) \
  X(jpeg_finish_compress)    \
  X(jpeg_finish_decompress)  \
  X(jpeg_mem_dest)           \
  X(jpeg_mem_src)            \
  X(jpeg_read_header)        \
  X(jpeg_read_scanlines)     \
  X(jpeg_set_defaults)       \
  X(jpeg_set_quality)        \
  X(jpeg_start_compress)     \
  X(jpeg_start_decompress)   \
  X(jpeg_std_error)          \
  X(jpeg_write_scanlines)

QM_LIBRARY_TABLE(JpegFunctions, QM_JPEG_FUNCTIONS)

// The run-time name of the library version the header belongs to.
#define QM_STRINGIFY_NUMBER(n) #n
#define QM_JPEG_SONAME(n) "libjpeg.so." QM_STRINGIFY_NUMBER(n)
LibraryTable<JpegFunctions> gJpegLibrary(QM_JPEG_SONAME(JPEG_LIB_VERSION), JpegFunctions::Resolve);
#undef QM_JPEG_SONAME
#undef QM_STRINGIFY_NUMBER

const JpegFunctions& Jpeg() { return gJpegLibrary.Functions(); }

// The library's error exit jumps back to the call that set `back`; its messages are not shown.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};
[[noreturn]] void JumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->back, 1);
}
void Silent(j_common_ptr, int) {}

void UseErrors(jpeg_common_struct& info, JpegErrors& errors) {
  info.err = Jpeg().jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpBack;
  errors.manager.emit_message = Silent;
}

ImageError DecodeJpeg(jpeg_decompress_struct& info, ImageBytes file, int& width, int& height,
                      std::vector<uint8_t>& rgb) {
  Jpeg().jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  Jpeg().jpeg_read_header(&info, TRUE);
  if (info.num_components != 3 || info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    return ImageError::Unsupported;
  }
  if (info.image_width > static_cast<unsigned>(kMaxSurfaceSide) ||
      info.image_height > static_cast<unsigned>(kMaxSurfaceSide)) {
    return ImageError::TooLarge;
  }
  info.out_color_space = JCS_RGB;
  Jpeg().jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width), height = static_cast<int>(info.output_height);
  std::size_t stride = std::size_t{info.output_width} * 3;
  rgb.assign(stride * info.output_height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &rgb[stride * info.output_scanline];
    Jpeg().jpeg_read_scanlines(&info, &row, 1);
  }
  Jpeg().jpeg_finish_decompress(&info);
  return ImageError::None;
}

}  // namespace

ImageError ReadJpegFile(ImageBytes file, PixelFormat format, Surface*& out) {
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return ImageError::BadHeader;
  if (!gJpegLibrary.Load()) return ImageError::NoLibrary;
  jpeg_decompress_struct info{};
  JpegErrors errors;
  UseErrors(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  ImageError result = ImageError::BadData;
  if (setjmp(errors.back) == 0) {
    Jpeg().jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    result = DecodeJpeg(info, file, width, height, rgb);
  }
  Jpeg().jpeg_destroy_decompress(&info);
  if (result != ImageError::None) return result;
  return SurfaceFromRgbRows(width, height, format, rgb.data(), out);
}

ImageError WriteJpegFile(const Surface& surface, std::string& file) {
  if (!Writable(surface) || surface.Width() > 65500 || surface.Height() > 65500)
    return ImageError::Unsupported;
  if (!gJpegLibrary.Load()) return ImageError::NoLibrary;
  std::size_t w = static_cast<std::size_t>(surface.Width());
  std::vector<uint8_t> row(w * 3);
  jpeg_compress_struct info{};
  JpegErrors errors;
  UseErrors(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  volatile ImageError result = ImageError::WriteFailed;  // set after the jump point
  if (setjmp(errors.back) == 0) {
    Jpeg().jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
    Jpeg().jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(surface.Width());
    info.image_height = static_cast<JDIMENSION>(surface.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    Jpeg().jpeg_set_defaults(&info);
    Jpeg().jpeg_set_quality(&info, 100, TRUE);
    // Full-resolution colour: at this quality halving the chroma would be the largest error left.
    for (int c = 0; c < info.num_components; ++c)
      info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    Jpeg().jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < surface.Height(); ++y) {
      for (std::size_t x = 0; x < w; ++x) {
        Rgb c = RgbAt(surface, static_cast<int>(x), y);
        row[x * 3] = c.r, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.b;
      }
      JSAMPROW rows = row.data();
      Jpeg().jpeg_write_scanlines(&info, &rows, 1);
    }
    Jpeg().jpeg_finish_compress(&info);
    file.assign(reinterpret_cast<const char*>(buffer), size);
    result = ImageError::None;
  }
  Jpeg().jpeg_destroy_compress(&info);
  std::free(buffer);
  return result;
}

}  // namespace qm
