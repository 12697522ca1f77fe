// A palette object: 256 colour entries a surface can hold. No display mode here is palettised, so
// the entries are only stored and read back.
#pragma once
#include <array>

#include "platform/display/pixel_format.h"

namespace qm::platform {

class Palette {
 public:
  std::array<Rgb, 256> entries{};
  void AddRef() { ++references_; }
  int Release() {
    int left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  int references_ = 1;
};

inline Palette* CreatePalette(const std::array<Rgb, 256>& entries) {
  auto* palette = new Palette;
  palette->entries = entries;
  return palette;
}

}  // namespace qm::platform
