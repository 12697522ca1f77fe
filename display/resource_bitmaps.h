// The bitmap resources the system carries in its executable, as BMP file bytes: the mouse
// pointer with the text caret (resource 103) and the display palette (resource 101). They are
// drawn by display/resources/make_bitmaps.py.
#pragma once
#include <cstdint>
#include <span>

namespace qm {

inline constexpr int32_t kPaletteBitmapResource = 101;
inline constexpr int32_t kMousePointerBitmapResource = 103;

// The bytes of a bitmap resource; empty for an id the executable does not carry.
std::span<const uint8_t> FindBitmapResource(int32_t resourceId);

}  // namespace qm
