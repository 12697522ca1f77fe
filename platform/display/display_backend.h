// Where presented pictures go. The headless backend keeps them in memory for tests; the sdl2
// backend shows them in the main window, scaled to it. The display object (display_device.h)
// presents through the backend that matches the window backend in use.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "platform/display/blit_loops.h"
#include "platform/display/surface.h"

namespace qm::platform {

struct GammaRamp {
  std::array<uint16_t, 256> red{}, green{}, blue{};
  static GammaRamp Identity();
  friend bool operator==(const GammaRamp&, const GammaRamp&) = default;
};

// The ramp as 8-bit tables (the high byte of each 16-bit entry), for converting a picture.
GammaTables GammaTablesOf(const GammaRamp& ramp);

// The shown rectangle of `primary` as 0xAARRGGBB pixels through the gamma ramp, row after row
// (`out` holds the rectangle's width times height values).
void ConvertForPresent(const Surface& primary, const Rect& shown, const GammaRamp& gamma, uint32_t alpha,
                       uint32_t* out);

class DisplayBackend {
 public:
  virtual ~DisplayBackend() = default;
  // Shows `shown`, a rectangle of the primary surface, with the gamma ramp applied.
  virtual void Present(const Surface& primary, const Rect& shown, const GammaRamp& gamma) = 0;
  // Exclusive full screen: the picture fills the screen (scaled, black margins), or back to a window.
  virtual void SetFullScreen(bool fullScreen) = 0;
  // The main window's client area in desktop coordinates.
  virtual Rect ClientArea() = 0;
  virtual void SetMouseCapture(bool capture) = 0;
  // The main window's frame: a caption and border or none, resizable or not.
  virtual void SetWindowFrame(bool bordered, bool resizable) = 0;
  // Shows, hides, minimises, maximises or restores the main window (a show command).
  virtual void ShowWindow(int showCommand) = 0;
};

DisplayBackend& HeadlessDisplayBackend();
DisplayBackend& Sdl2DisplayBackend();
// The backend of the window system in use.
DisplayBackend& ActiveDisplayBackend();

// Where a picture of `pictureW` x `pictureH` lies in an area of `areaW` x `areaH`: the largest
// whole-number scale that fits, or when even 1 does not fit, the largest scale that fits keeping the
// aspect ratio; centred, the rest black.
Rect PictureViewport(int areaW, int areaH, int pictureW, int pictureH);
// A point of the area mapped back to the picture pixel under it (clamped to the picture).
void AreaPointToPicture(const Rect& viewport, int pictureW, int pictureH, int& x, int& y);

namespace headless {

// The last picture presented headless, as 32-bit pixels 0x00RRGGBB after gamma, row by row.
struct PresentedFrame {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  int presentCount = 0;
  bool fullScreen = false;
  uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};
// Forgets what was presented and keeps each picture presented from now on (for tests; until this
// is called, presents are only counted).
void KeepPresentedFrames();
const PresentedFrame& LastPresentedFrame();
bool MouseCaptured();

}  // namespace headless
}  // namespace qm::platform
