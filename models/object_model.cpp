// The object model's operations.
#include "models/object_model.h"

#include <cstddef>

namespace qm {

ObjectModel::ObjectModel(int32_t limbCount)
    : limbTextures_(limbCount > 0 ? static_cast<std::size_t>(limbCount) : 0) {}

int32_t ObjectModel::SetLimbTexture(int32_t limb, int32_t textureImageIndex) {
  if (!HasLimb(limb)) return 0;
  limbTextures_[static_cast<std::size_t>(limb - 1)] = textureImageIndex;
  return 1;
}

int32_t ObjectModel::LimbTexture(int32_t limb) const {
  return HasLimb(limb) ? limbTextures_[static_cast<std::size_t>(limb - 1)] : 0;
}

}  // namespace qm
