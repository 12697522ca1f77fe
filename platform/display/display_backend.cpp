#include "platform/display/display_backend.h"

#include <algorithm>

#include "platform/headless/scripted_input.h"
#include "platform/window.h"
#include "platform/window_system.h"

namespace qm::platform {

GammaRamp GammaRamp::Identity() {
  GammaRamp ramp;
  for (int i = 0; i < 256; ++i) {
    auto v = static_cast<uint16_t>(i * 256);
    ramp.red[static_cast<std::size_t>(i)] = ramp.green[static_cast<std::size_t>(i)] =
        ramp.blue[static_cast<std::size_t>(i)] = v;
  }
  return ramp;
}

Rect PictureViewport(int areaW, int areaH, int pictureW, int pictureH) {
  if (pictureW <= 0 || pictureH <= 0 || areaW <= 0 || areaH <= 0) return {};
  int scale = std::min(areaW / pictureW, areaH / pictureH);
  int w, h;
  if (scale >= 1) {
    w = pictureW * scale;
    h = pictureH * scale;
  } else if (static_cast<int64_t>(areaW) * pictureH <= static_cast<int64_t>(areaH) * pictureW) {
    w = areaW;
    h = static_cast<int>(static_cast<int64_t>(pictureH) * areaW / pictureW);
  } else {
    h = areaH;
    w = static_cast<int>(static_cast<int64_t>(pictureW) * areaH / pictureH);
  }
  int left = (areaW - w) / 2, top = (areaH - h) / 2;
  return {left, top, left + w, top + h};
}

void AreaPointToPicture(const Rect& viewport, int pictureW, int pictureH, int& x, int& y) {
  if (viewport.Empty()) return;
  int px = static_cast<int>(static_cast<int64_t>(x - viewport.left) * pictureW / viewport.Width());
  int py = static_cast<int>(static_cast<int64_t>(y - viewport.top) * pictureH / viewport.Height());
  x = std::clamp(px, 0, pictureW - 1);
  y = std::clamp(py, 0, pictureH - 1);
}

namespace {

// Gamma-corrected 0x00RRGGBB of a pixel: each channel through the high byte of its ramp entry.
uint32_t ApplyGamma(const GammaRamp& gamma, Rgb c) {
  return static_cast<uint32_t>(gamma.red[c.r] >> 8) << 16 |
         static_cast<uint32_t>(gamma.green[c.g] >> 8) << 8 | static_cast<uint32_t>(gamma.blue[c.b] >> 8);
}

class HeadlessBackend : public DisplayBackend {
 public:
  void Present(const Surface& primary, const Rect& shown, const GammaRamp& gamma) override {
    frame_.width = shown.Width();
    frame_.height = shown.Height();
    frame_.pixels.resize(static_cast<std::size_t>(frame_.width) * static_cast<std::size_t>(frame_.height));
    std::size_t i = 0;
    for (int y = shown.top; y < shown.bottom; ++y) {
      for (int x = shown.left; x < shown.right; ++x) {
        frame_.pixels[i++] = ApplyGamma(gamma, UnpackPixel(primary.Format(), primary.PixelAt(x, y)));
      }
    }
    ++frame_.presentCount;
  }
  void SetFullScreen(bool fullScreen) override { frame_.fullScreen = fullScreen; }
  Rect ClientArea() override {
    headless::WindowRecord window = headless::Window();
    return {window.x, window.y, window.x + window.width, window.y + window.height};
  }
  void SetMouseCapture(bool capture) override { captured_ = capture; }

  headless::PresentedFrame frame_;
  bool captured_ = false;
};

HeadlessBackend gHeadlessDisplay;

}  // namespace

DisplayBackend& HeadlessDisplayBackend() { return gHeadlessDisplay; }

DisplayBackend& ActiveDisplayBackend() { return ActiveWindowSystem().Display(); }

namespace headless {
const PresentedFrame& LastPresentedFrame() { return gHeadlessDisplay.frame_; }
void ResetPresentedFrames() { gHeadlessDisplay = HeadlessBackend{}; }
bool MouseCaptured() { return gHeadlessDisplay.captured_; }
}  // namespace headless

}  // namespace qm::platform
