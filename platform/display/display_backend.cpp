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

GammaTables GammaTablesOf(const GammaRamp& ramp) {
  GammaTables tables;
  for (std::size_t i = 0; i < 256; ++i) {
    tables.red[i] = static_cast<uint8_t>(ramp.red[i] >> 8);
    tables.green[i] = static_cast<uint8_t>(ramp.green[i] >> 8);
    tables.blue[i] = static_cast<uint8_t>(ramp.blue[i] >> 8);
  }
  return tables;
}

void ConvertForPresent(const Surface& primary, const Rect& shown, const GammaRamp& gamma, uint32_t alpha,
                       uint32_t* out) {
  if (shown.Empty()) return;
  const uint8_t* first =
      primary.Row(shown.top) + static_cast<std::ptrdiff_t>(shown.left) * BytesPerPixel(primary.Format());
  ConvertToXrgb(primary.Format(), first, primary.Pitch(), shown.Width(), shown.Height(), GammaTablesOf(gamma),
                alpha, out);
}

namespace {

// Counts the presents and, once a test has asked for them, keeps each presented picture in
// memory. A kept present copies the shown rows as they are and converts them to 0x00RRGGBB only
// when the frame is read. A run nobody watches (quillmoor -x headless) copies nothing: a frame's
// worth of fresh memory costs more page faults than the rest of its start-up.
class HeadlessBackend : public DisplayBackend {
 public:
  void Present(const Surface& primary, const Rect& shown, const GammaRamp& gamma) override {
    ++frame_.presentCount;
    if (!keepFrames_) return;
    frame_.width = std::max(0, shown.Width());
    frame_.height = std::max(0, shown.Height());
    format_ = primary.Format();
    gamma_ = gamma;
    const std::size_t rowBytes =
        static_cast<std::size_t>(frame_.width) * static_cast<std::size_t>(BytesPerPixel(format_));
    rows_.resize(rowBytes * static_cast<std::size_t>(frame_.height));
    for (int y = 0; y < frame_.height; ++y) {
      const uint8_t* from =
          primary.Row(shown.top + y) + static_cast<std::ptrdiff_t>(shown.left) * BytesPerPixel(format_);
      std::copy_n(from, rowBytes, rows_.data() + rowBytes * static_cast<std::size_t>(y));
    }
    converted_ = false;
  }
  const headless::PresentedFrame& Frame() {
    if (!converted_) {
      frame_.pixels.resize(static_cast<std::size_t>(frame_.width) * static_cast<std::size_t>(frame_.height));
      if (frame_.width > 0 && frame_.height > 0) {
        ConvertToXrgb(format_, rows_.data(), frame_.width * BytesPerPixel(format_), frame_.width,
                      frame_.height, GammaTablesOf(gamma_), 0, frame_.pixels.data());
      }
      converted_ = true;
    }
    return frame_;
  }
  void SetFullScreen(bool fullScreen) override { frame_.fullScreen = fullScreen; }
  Rect ClientArea() override {
    headless::WindowRecord window = headless::Window();
    return {window.x, window.y, window.x + window.width, window.y + window.height};
  }
  void SetMouseCapture(bool capture) override { captured_ = capture; }
  void SetWindowFrame(bool, bool) override {}
  void ShowWindow(int) override {}

  headless::PresentedFrame frame_;
  bool captured_ = false;
  bool keepFrames_ = false;

 private:
  std::vector<uint8_t> rows_;  // the last presented rows, in the primary's format
  PixelFormat format_ = PixelFormat::R5G6B5;
  GammaRamp gamma_;
  bool converted_ = true;
};

HeadlessBackend gHeadlessDisplay;

}  // namespace

DisplayBackend& HeadlessDisplayBackend() { return gHeadlessDisplay; }

DisplayBackend& ActiveDisplayBackend() { return ActiveWindowSystem().Display(); }

namespace headless {
const PresentedFrame& LastPresentedFrame() { return gHeadlessDisplay.Frame(); }
void KeepPresentedFrames() {
  gHeadlessDisplay = HeadlessBackend{};
  gHeadlessDisplay.keepFrames_ = true;
}
bool MouseCaptured() { return gHeadlessDisplay.captured_; }
}  // namespace headless

}  // namespace qm::platform
