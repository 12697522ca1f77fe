// libFuzzer target for one image file reader, chosen at build time by QM_FUZZ_EXTENSION: reads
// arbitrary bytes as a file of that format into a 5-6-5 surface. Bad input must be refused without
// a crash or a sanitizer report, and a refusal must leave no surface.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "display/image_files/image_file_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace qm;
  static const ImageFileFormat* format = ImageFormatForName("fuzz." QM_FUZZ_EXTENSION);
  platform::Surface* surface = nullptr;
  ImageError error =
      format->load(std::span<const uint8_t>(data, size), platform::PixelFormat::R5G6B5, surface);
  if ((error == ImageError::None) != (surface != nullptr)) std::abort();
  if (surface) surface->Release();
  return 0;
}
