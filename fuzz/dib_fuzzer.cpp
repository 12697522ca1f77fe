// libFuzzer target: reads arbitrary bytes as a .bmp file, and as a bitmap header plus bits split at
// the first byte's offset, and draws what decodes into a small surface. Bad input must be refused
// without a crash or a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/display/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace qm::platform;
  std::span<const uint8_t> bytes(data, size);
  DibImage image;
  if (DecodeBmpFile(bytes, image) == DibError::None) {
    Surface* target = nullptr;
    if (Surface::Create({16, 16, PixelFormat::R8G8B8}, target) == DisplayResult::Ok) {
      DrawDibImage(image, *target, -3, 5);
      target->Release();
    }
  }
  if (size > 1) {
    std::size_t split = 1 + data[0] % (size - 1);
    DibImage parts;
    DecodeDib(bytes.subspan(1, split - 1), bytes.subspan(split), parts);
  }
  return 0;
}
