// The command line's panel pictures, font and text (see cli_panel.h).
#include "runtime/cli/cli_panel.h"

#include <algorithm>

#include "display/display_entity.h"
#include "display/display_state.h"
#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "display/sprites.h"
#include "display/surface_utilities.h"
#include "platform/display/dib.h"
#include "platform/display/text_context.h"
#include "runtime/cli/cli_state.h"

extern "C" const unsigned char qm_cli_panel_bitmap[];
extern "C" const unsigned long long qm_cli_panel_bitmap_size;
extern "C" const unsigned char qm_cli_close_bitmap[];
extern "C" const unsigned long long qm_cli_close_bitmap_size;
extern "C" const unsigned char qm_cli_close_lit_bitmap[];
extern "C" const unsigned long long qm_cli_close_lit_bitmap_size;
extern "C" const unsigned char qm_cli_narrow_end_bitmap[];
extern "C" const unsigned long long qm_cli_narrow_end_bitmap_size;

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;
using platform::Surface;

constexpr int kFontHeight = 16;
constexpr const char* kFontFace = "fixedsys";

void ReleaseSurface(Surface*& surface) {
  if (surface != nullptr) surface->Release();
  surface = nullptr;
}

// A new off-screen surface in the display's format holding the bitmap resource; null when there
// is no display or the picture cannot be decoded.
Surface* LoadCliBitmap(int32_t resourceId) {
  const std::span<const uint8_t> bytes = FindCliBitmap(resourceId);
  if (TheDisplay.directDraw == nullptr || bytes.empty()) return nullptr;
  platform::DibImage image;
  if (platform::DecodeBmpFile(bytes, image) != platform::DibError::None) return nullptr;
  platform::SurfaceDesc desc;
  desc.width = image.width;
  desc.height = image.height;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  Surface* surface = nullptr;
  if (TheDisplay.directDraw->CreateSurfaceInDisplayFormat(desc, surface) != DisplayResult::Ok) return nullptr;
  platform::DrawDibImage(image, *surface, 0, 0);
  surface->SetColorKey({TransparentColourKey(), TransparentColourKey()});
  return surface;
}

// A blit of `source`'s rectangle to (x, y) of `destination`, cut to the destination (the
// surfaces refuse rectangles that leave them).
void BlitClipped(Surface* destination, int x, int y, Surface* source, Rect from, uint32_t flags) {
  if (destination == nullptr || source == nullptr) return;
  if (x < 0) from.left -= x, x = 0;
  if (y < 0) from.top -= y, y = 0;
  from.right = std::min(from.right, from.left + destination->Width() - x);
  from.bottom = std::min(from.bottom, from.top + destination->Height() - y);
  if (from.Empty()) return;
  BlitSurfaceRect(destination, x, y, source, from.left, from.top, from.Width(), from.Height(), flags);
}

}  // namespace

std::span<const uint8_t> FindCliBitmap(int32_t resourceId) {
  switch (resourceId) {
    case kCliPanelBitmap:
      return {qm_cli_panel_bitmap, static_cast<std::size_t>(qm_cli_panel_bitmap_size)};
    case kCliCloseBitmap:
      return {qm_cli_close_bitmap, static_cast<std::size_t>(qm_cli_close_bitmap_size)};
    case kCliCloseLitBitmap:
      return {qm_cli_close_lit_bitmap, static_cast<std::size_t>(qm_cli_close_lit_bitmap_size)};
    case kCliNarrowEndBitmap:
      return {qm_cli_narrow_end_bitmap, static_cast<std::size_t>(qm_cli_narrow_end_bitmap_size)};
    default:
      return {};
  }
}

CliPanel::~CliPanel() = default;

int32_t CliPanel::CreateImages(int32_t displayWidth, bool& ok) {
  FreeImages();
  close_ = LoadCliBitmap(kCliCloseBitmap);
  closeLit_ = LoadCliBitmap(kCliCloseLitBitmap);
  narrowEnd_ = LoadCliBitmap(kCliNarrowEndBitmap);
  Surface* picture = LoadCliBitmap(kCliPanelBitmap);
  // The panel picture goes into an image of its own, which the entity draws.
  image_ = picture != nullptr ? NewImage() : kNoRecord;
  if (image_ != kNoRecord && SizeOwnedImage(image_, picture->Width(), picture->Height())) {
    panel_ = DrawableImage(image_)->surface;
    BlitClipped(panel_, 0, 0, picture, Rect{0, 0, picture->Width(), picture->Height()},
                platform::kBltFastNoColorKey);
  }
  ReleaseSurface(picture);
  ok = close_ != nullptr && closeLit_ != nullptr && narrowEnd_ != nullptr && panel_ != nullptr;
  if (!ok) {
    FreeImages();
    return kCliCloseButtonX;
  }
  if (DisplayEntity* entity = DisplayEntityTable.Taken(entity_)) entity->imageIndex = image_;
  if (displayWidth >= kCliPanelWidth) return kCliCloseButtonX;
  // The panel's right end with its close button at the display's right edge.
  const Rect whole{0, 0, narrowEnd_->Width(), narrowEnd_->Height()};
  BlitClipped(panel_, displayWidth - kCliNarrowEndWidth, 0, narrowEnd_, whole, platform::kBltFastSrcColorKey);
  return displayWidth - kCliCloseFromRight;
}

void CliPanel::FreeImages() {
  if (DisplayEntity* entity = DisplayEntityTable.Taken(entity_)) entity->imageIndex = -1;
  if (image_ != kNoRecord) DeleteOwnedImage(image_);
  image_ = kNoRecord;
  panel_ = nullptr;
  ReleaseSurface(close_);
  ReleaseSurface(closeLit_);
  ReleaseSurface(narrowEnd_);
}

bool CliPanel::CreateEntity(int x, int y) {
  DeleteEntity();
  entity_ = NewDisplayEntity();
  DisplayEntity* entity = DisplayEntityTable.Taken(entity_);
  if (entity == nullptr) return false;
  entity->imageIndex = image_;
  entity->x = x;
  entity->y = y;
  entity->transparent = 0;
  entity->visible = 1;
  entity->layer = kOverlayLayer;
  entity->backgroundSave = 1;
  entity->backgroundImage[0] = entity->backgroundImage[1] = -1;
  SaveSpriteBackgroundsOfBothBuffers();
  return true;
}

void CliPanel::DeleteEntity() {
  if (DisplayEntityTable.IsTaken(entity_)) DeleteDisplayEntity(entity_);
  entity_ = kNoRecord;
}

void CliPanel::MoveTo(int x, int y) {
  if (DisplayEntity* entity = DisplayEntityTable.Taken(entity_)) {
    entity->x = x;
    entity->y = y;
  }
}

void CliPanel::CreateFont(int charset) {
  platform::FontRequest request;
  request.height = kFontHeight;
  request.weight = platform::kWeightNormal;
  request.charset = charset;
  request.quality = platform::kQualityNonAntialiased;
  request.face = kFontFace;
  font_ = platform::Font::Create(request);
}

void CliPanel::FreeFont() { font_.reset(); }

int32_t CliPanel::TextWidth(std::string_view text) { return font_ != nullptr ? font_->TextWidth(text) : 0; }

uint32_t CliPanel::PixelAt(int x, int y) const {
  if (panel_ == nullptr || x < 0 || y < 0 || x >= panel_->Width() || y >= panel_->Height()) return 0;
  return panel_->PixelAt(x, y);
}

uint32_t CliPanel::ColourAt(int x, int y) const {
  if (panel_ == nullptr) return 0;
  const platform::Rgb rgb = platform::UnpackPixel(panel_->Format(), PixelAt(x, y));
  return platform::ColorRef(rgb.r, rgb.g, rgb.b);
}

void CliPanel::FillRect(int left, int top, int right, int bottom, uint32_t pixel) {
  if (panel_ == nullptr) return;
  const Rect rect{std::max(left, 0), std::max(top, 0), std::min(right, panel_->Width()),
                  std::min(bottom, panel_->Height())};
  if (!rect.Empty()) FillSurface(panel_, &rect, pixel);
}

void CliPanel::DrawText(int x, int y, std::string_view text, uint32_t colour, bool opaque, uint32_t back) {
  if (panel_ == nullptr || font_ == nullptr || text.empty()) return;
  platform::TextContext context;
  if (platform::TextContext::Open(*panel_, context) != DisplayResult::Ok) return;
  context.SelectFont(font_.get());
  context.SetOpaque(opaque);
  context.SetTextColor(colour);
  context.SetBackgroundColor(back);
  context.TextOut(x, y, text);
  context.Close();
}

void CliPanel::PasteCloseButton(int x, int y, bool lit) {
  Surface* button = lit ? closeLit_ : close_;
  if (panel_ == nullptr || button == nullptr) return;
  BlitClipped(panel_, x, y, button, Rect{0, 0, button->Width(), button->Height()},
              platform::kBltFastNoColorKey);
}

}  // namespace qm
