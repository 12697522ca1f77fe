// The model of one 3D object, held by its ObjectRecord. Until the scene-node tree is built, the
// model keeps what its operations were given, one entry per limb, so that callers (the display
// reset) can be built and tested against it.
#pragma once
#include <cstdint>
#include <vector>

namespace qm {

class ObjectModel {
 public:
  explicit ObjectModel(int32_t limbCount = 0);

  int32_t LimbCount() const { return static_cast<int32_t>(limbTextures_.size()); }

  // Every mesh node of `limb` (1 to the limb count) takes the texture image index; 0 leaves the
  // limb untextured. 1 on success, 0 for a limb the model does not have.
  int32_t SetLimbTexture(int32_t limb, int32_t textureImageIndex);
  // The texture image index last given to `limb`, 0 when none (or no such limb).
  int32_t LimbTexture(int32_t limb) const;

 private:
  bool HasLimb(int32_t limb) const { return limb >= 1 && limb <= LimbCount(); }

  std::vector<int32_t> limbTextures_;  // entry limb - 1
};

}  // namespace qm
