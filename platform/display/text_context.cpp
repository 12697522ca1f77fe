#include "platform/display/text_context.h"

#include <algorithm>
#include <cstdint>

#include "platform/display/blit_loops.h"

namespace qm::platform {

DisplayResult TextContext::Open(Surface& surface, TextContext& out) {
  out.Close();
  if (DisplayResult opened = surface.BeginTextContext(); opened != DisplayResult::Ok) return opened;
  out.surface_ = &surface;
  return DisplayResult::Ok;
}

void TextContext::Close() {
  if (surface_) surface_->EndTextContext();
  surface_ = nullptr;
}

TextExtent TextContext::GetTextExtent(std::string_view bytes) const {
  if (!font_) return {};
  return {font_->TextWidth(bytes), font_->CellHeight()};
}

bool TextContext::TextOut(int x, int y, std::string_view bytes) {
  if (!surface_ || !font_) return false;
  PixelFormat format = surface_->Format();
  Rect whole{0, 0, surface_->Width(), surface_->Height()};
  TextExtent extent = GetTextExtent(bytes);
  // Positions are worked out in 64 bits: a program may place text anywhere an int reaches.
  const int64_t right = int64_t{x} + extent.cx, bottom = int64_t{y} + extent.cy;
  Rect visibleBox{std::max(x, 0), std::max(y, 0), static_cast<int>(std::min<int64_t>(right, whole.right)),
                  static_cast<int>(std::min<int64_t>(bottom, whole.bottom))};
  if (opaque_ && !visibleBox.Empty()) {
    FillPixels(format, {surface_->Row(visibleBox.top) +
                            static_cast<std::ptrdiff_t>(visibleBox.left) * BytesPerPixel(format),
                        surface_->Pitch(), visibleBox.Width(), visibleBox.Height(),
                        ColorRefToPixel(format, backgroundColor_)});
  }
  // Opaque text stays inside its box; transparent text only inside the surface.
  const Rect& clip = opaque_ ? visibleBox : whole;
  if (clip.Empty()) return true;
  uint32_t ink = ColorRefToPixel(format, textColor_);
  int64_t penX = x;
  const int64_t baseline = int64_t{y} + font_->Ascent();
  for (char32_t c : font_->Decode(bytes)) {
    const Glyph& glyph = font_->GlyphOf(c);
    const int64_t left = penX + glyph.left, top = baseline - glyph.top;
    bool reachesClip = left < clip.right && left + glyph.width > clip.left && top < clip.bottom &&
                       top + glyph.height > clip.top;
    // Within reach of the clip rectangle the pen and baseline are close to the surface, so they fit an int.
    if (reachesClip) DrawGlyph(glyph, static_cast<int>(penX), static_cast<int>(baseline), ink, clip);
    penX += glyph.advance;
  }
  return true;
}

// Full coverage sets the ink pixel; partial coverage (antialiased fonts) blends ink over what is there.
void TextContext::DrawGlyph(const Glyph& glyph, int penX, int baseline, uint32_t ink, const Rect& clip) {
  int left = penX + glyph.left, top = baseline - glyph.top;
  int fromX = std::max(clip.left, left), toX = std::min(clip.right, left + glyph.width);
  int fromY = std::max(clip.top, top), toY = std::min(clip.bottom, top + glyph.height);
  PixelFormat format = surface_->Format();
  Rgb inkColour = UnpackPixel(format, ink);
  for (int py = fromY; py < toY; ++py) {
    const uint8_t* coverage = glyph.coverage.data() + static_cast<std::ptrdiff_t>(py - top) * glyph.width;
    for (int px = fromX; px < toX; ++px) {
      uint32_t a = coverage[px - left];
      if (a == 0) continue;
      if (a == 255) {
        surface_->SetPixelAt(px, py, ink);
        continue;
      }
      Rgb under = UnpackPixel(format, surface_->PixelAt(px, py));
      auto mix = [a](uint8_t over, uint8_t below) {
        return static_cast<uint8_t>((over * a + below * (255 - a)) / 255);
      };
      surface_->SetPixelAt(
          px, py,
          PackRgb(format, {mix(inkColour.r, under.r), mix(inkColour.g, under.g), mix(inkColour.b, under.b)}));
    }
  }
}

}  // namespace qm::platform
