// The bitmap resources, embedded at build time.
#include "display/resource_bitmaps.h"

#include <cstddef>

extern "C" const unsigned char qm_pointer_bitmap[];
extern "C" const unsigned long long qm_pointer_bitmap_size;
extern "C" const unsigned char qm_palette_bitmap[];
extern "C" const unsigned long long qm_palette_bitmap_size;

namespace qm {

std::span<const uint8_t> FindBitmapResource(int32_t resourceId) {
  switch (resourceId) {
    case kMousePointerBitmapResource:
      return {qm_pointer_bitmap, static_cast<std::size_t>(qm_pointer_bitmap_size)};
    case kPaletteBitmapResource:
      return {qm_palette_bitmap, static_cast<std::size_t>(qm_palette_bitmap_size)};
    default:
      return {};
  }
}

}  // namespace qm
