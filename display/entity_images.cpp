#include "display/entity_images.h"

#include <algorithm>

#include "display/display_state.h"
#include "display/engine_tables.h"
#include "display/images.h"
#include "display/number_maps.h"
#include "display/surface_utilities.h"

namespace qm {

ImageRecord* DrawableImage(int32_t index) {
  if (index <= 0 || !ImageTable.IsTaken(index)) return nullptr;
  ImageRecord& image = ImageTable[index];
  if (image.exists != 1 || image.surface == nullptr) return nullptr;
  return &image;
}

int32_t EntityImage(const DisplayEntity& entity) {
  if (entity.is3D == 1 || entity.imageIndex == -1) return -1;
  if (entity.userNumber > 0) {
    if (entity.inUse != 1) return -1;
    const int32_t index = ImageNumberMap.Find(entity.imageNumber);
    return index > 0 ? index : -1;
  }
  return entity.imageIndex;
}

bool SizeOwnedImage(int32_t index, int32_t width, int32_t height) {
  if (!ImageTable.IsTaken(index)) return false;
  ImageRecord& image = ImageTable[index];
  platform::Surface*& owned = ImageTable.ColumnAt(index);
  if (owned == nullptr || image.surfaceWidth < width || image.surfaceHeight < height) {
    // Grows to the larger of the old and the new size on each side, so alternating shapes do not
    // make a new surface every time.
    const int32_t surfaceWidth = std::max(width, owned != nullptr ? image.surfaceWidth : 0);
    const int32_t surfaceHeight = std::max(height, owned != nullptr ? image.surfaceHeight : 0);
    if (owned != nullptr) owned->Release();
    owned = nullptr;
    image.surface = nullptr;
    image.exists = 0;
    image.surfaceWidth = image.surfaceHeight = 0;
    if (surfaceWidth < 1 || surfaceHeight < 1 || TheDisplay.directDraw == nullptr) return false;
    platform::SurfaceDesc desc;
    desc.width = surfaceWidth;
    desc.height = surfaceHeight;
    desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    if (TheDisplay.directDraw->CreateSurfaceInDisplayFormat(desc, owned) != platform::DisplayResult::Ok) {
      owned = nullptr;
      return false;
    }
    const uint32_t key = TransparentColourKey();
    owned->SetColorKey({key, key});
    image.surfaceWidth = surfaceWidth;
    image.surfaceHeight = surfaceHeight;
  }
  image.surface = owned;
  image.sourceRect[0] = image.sourceRect[1] = 0;
  image.sourceRect[2] = width;
  image.sourceRect[3] = height;
  image.width = width;
  image.height = height;
  image.exists = 1;
  return true;
}

int32_t DeleteOwnedImage(int32_t index) { return DeleteImage(index); }

}  // namespace qm
