// JPEG files through libjpeg: colour (three-component) files are read; grey-scale and CMYK files
// are refused. Written as baseline JPEG at quality 100.
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

namespace qm {
using namespace platform;

namespace {

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
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpBack;
  errors.manager.emit_message = Silent;
}

ImageError DecodeJpeg(jpeg_decompress_struct& info, ImageBytes file, int& width, int& height,
                      std::vector<uint8_t>& rgb) {
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  if (info.num_components != 3 || info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    return ImageError::Unsupported;
  }
  if (info.image_width > static_cast<unsigned>(kMaxSurfaceSide) ||
      info.image_height > static_cast<unsigned>(kMaxSurfaceSide)) {
    return ImageError::TooLarge;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width), height = static_cast<int>(info.output_height);
  std::size_t stride = std::size_t{info.output_width} * 3;
  rgb.assign(stride * info.output_height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &rgb[stride * info.output_scanline];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return ImageError::None;
}

}  // namespace

ImageError ReadJpegFile(ImageBytes file, PixelFormat format, Surface*& out) {
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return ImageError::BadHeader;
  jpeg_decompress_struct info{};
  JpegErrors errors;
  UseErrors(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  ImageError result = ImageError::BadData;
  if (setjmp(errors.back) == 0) {
    jpeg_create_decompress(&info);
    result = DecodeJpeg(info, file, width, height, rgb);
  }
  jpeg_destroy_decompress(&info);
  if (result != ImageError::None) return result;
  return SurfaceFromRgbRows(width, height, format, rgb.data(), out);
}

ImageError WriteJpegFile(const Surface& surface, std::string& file) {
  if (!Writable(surface) || surface.Width() > 65500 || surface.Height() > 65500)
    return ImageError::Unsupported;
  std::size_t w = static_cast<std::size_t>(surface.Width());
  std::vector<uint8_t> row(w * 3);
  jpeg_compress_struct info{};
  JpegErrors errors;
  UseErrors(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  volatile ImageError result = ImageError::WriteFailed;  // set after the jump point
  if (setjmp(errors.back) == 0) {
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(surface.Width());
    info.image_height = static_cast<JDIMENSION>(surface.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    // Full-resolution colour: at this quality halving the chroma would be the largest error left.
    for (int c = 0; c < info.num_components; ++c)
      info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < surface.Height(); ++y) {
      for (std::size_t x = 0; x < w; ++x) {
        Rgb c = RgbAt(surface, static_cast<int>(x), y);
        row[x * 3] = c.r, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.b;
      }
      JSAMPROW rows = row.data();
      jpeg_write_scanlines(&info, &rows, 1);
    }
    jpeg_finish_compress(&info);
    file.assign(reinterpret_cast<const char*>(buffer), size);
    result = ImageError::None;
  }
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return result;
}

}  // namespace qm
