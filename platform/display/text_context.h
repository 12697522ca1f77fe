// A text context on a surface: draws text straight into the surface's memory, in a selected font,
// with a text colour and, in opaque mode, a background colour filling the text's box. Colours are
// 0x00BBGGRR values, turned into pixels by truncating each channel to the surface's format. Text is
// clipped to the surface (unlike fills, which refuse rectangles that leave it). While a context is
// open its surface is busy for blits and locks.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/display/fonts.h"
#include "platform/display/surface.h"

namespace qm::platform {

constexpr uint32_t ColorRef(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}
// The pixel of a 0x00BBGGRR colour in an RGB format.
constexpr uint32_t ColorRefToPixel(PixelFormat format, uint32_t colorRef) {
  return PackRgb(format, {static_cast<uint8_t>(colorRef), static_cast<uint8_t>(colorRef >> 8),
                          static_cast<uint8_t>(colorRef >> 16)});
}

struct TextExtent {
  int cx = 0, cy = 0;
};

class TextContext {
 public:
  // Opens a context on `surface`: refused (with the surface's reason) on compressed, locked or lost
  // surfaces, or when another context is out.
  static DisplayResult Open(Surface& surface, TextContext& out);
  // Ends the context; the surface is usable again.
  void Close();
  ~TextContext() { Close(); }

  void SelectFont(Font* font) { font_ = font; }
  Font* SelectedFont() const { return font_; }
  void SetOpaque(bool opaque) { opaque_ = opaque; }
  void SetTextColor(uint32_t colorRef) { textColor_ = colorRef; }
  void SetBackgroundColor(uint32_t colorRef) { backgroundColor_ = colorRef; }

  // Draws `bytes` with the top-left of its cell at (x, y). False without a font or surface.
  bool TextOut(int x, int y, std::string_view bytes);
  // The sum of the characters' advances, and the font's cell height.
  TextExtent GetTextExtent(std::string_view bytes) const;

 private:
  void DrawGlyph(const Glyph& glyph, int penX, int baseline, uint32_t ink, const Rect& clip);

  Surface* surface_ = nullptr;
  Font* font_ = nullptr;
  bool opaque_ = true;
  uint32_t textColor_ = 0;
  uint32_t backgroundColor_ = 0xFFFFFF;
};

}  // namespace qm::platform
