// The command line's panel: its four pictures (the panel, the close button, the lit close button
// and the panel's right end for narrow displays) in surfaces of the display's format, the font of
// all its text, and the text drawing into the panel picture.
//
// The panel picture is an image whose display entity lies on the overlay layer, above the sprites
// and below the mouse pointer; the frame steps draw it over everything the program drew, with what
// lay under it saved per flip buffer and pasted back, so it leaves no trail as it slides or is
// dragged.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/display/fonts.h"
#include "platform/display/surface.h"

namespace qm {

// The bitmap resources of the panel, drawn by display/resources/make_bitmaps.py.
inline constexpr int32_t kCliPanelBitmap = 125;
inline constexpr int32_t kCliCloseLitBitmap = 139;
inline constexpr int32_t kCliCloseBitmap = 140;
inline constexpr int32_t kCliNarrowEndBitmap = 150;

class CliPanel {
 public:
  CliPanel() = default;
  ~CliPanel();
  CliPanel(const CliPanel&) = delete;
  CliPanel& operator=(const CliPanel&) = delete;

  // (Re)makes the four pictures for a display `displayWidth` wide: below 640 the narrow end is
  // pasted (black transparent) at the display's right edge. Returns the close button's x inside
  // the panel (565, or the display width - 73). False in `ok` when a picture could not be made.
  int32_t CreateImages(int32_t displayWidth, bool& ok);
  void FreeImages();
  bool HasImages() const { return panel_ != nullptr; }

  // The font of all command-line text: the system's fixed face at 16 pixels, not antialiased.
  void CreateFont(int charset);
  void FreeFont();
  // The width of `text` in the font (0 without one).
  int32_t TextWidth(std::string_view text);

  // The colour of the panel picture's pixel at (x, y): as 0x00BBGGRR and as the raw pixel.
  uint32_t ColourAt(int x, int y) const;
  uint32_t PixelAt(int x, int y) const;

  // Drawing into the panel picture (panel coordinates).
  void FillRect(int left, int top, int right, int bottom, uint32_t pixel);
  // `text` with the top-left of its cell at (x, y); opaque over `back` (0x00BBGGRR) or transparent.
  void DrawText(int x, int y, std::string_view text, uint32_t colour, bool opaque, uint32_t back);
  // The close button's picture (lit or not) at (x, y), without colour key.
  void PasteCloseButton(int x, int y, bool lit);

  // The panel's display entity, placed at the display's bottom edge (just below it), with the
  // background under it saved in both flip buffers. False when no entity could be taken.
  bool CreateEntity(int x, int y);
  void DeleteEntity();
  // The panel's top-left on the screen (the frame steps draw it there).
  void MoveTo(int x, int y);
  int32_t Entity() const { return entity_; }
  int32_t Image() const { return image_; }

  platform::Surface* PanelSurface() const { return panel_; }

 private:
  int32_t entity_ = -1;
  int32_t image_ = -1;                  // the panel picture's image record
  platform::Surface* panel_ = nullptr;  // its surface, owned by the image
  platform::Surface* close_ = nullptr;
  platform::Surface* closeLit_ = nullptr;
  platform::Surface* narrowEnd_ = nullptr;
  std::unique_ptr<platform::Font> font_;
};

// The BMP bytes of a panel bitmap resource; empty for another id.
std::span<const uint8_t> FindCliBitmap(int32_t resourceId);

}  // namespace qm
