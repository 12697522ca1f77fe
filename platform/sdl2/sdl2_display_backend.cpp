// The sdl2 display backend: presented pictures go into the main window through an SDL renderer,
// scaled to the window (whole-number scale where it fits, aspect kept, black margins), with the
// gamma ramp applied in software. All of the display layer's SDL calls are in this file, through the table of
// sdl_library.h.
#include <algorithm>
#include <vector>

#include "platform/display/display_backend.h"
#include "platform/display/window_details.h"
#include "platform/sdl2/sdl2_window.h"
#include "platform/sdl2/sdl_library.h"

namespace qm::platform {
namespace {

class Sdl2Display : public DisplayBackend {
 public:
  void Present(const Surface& primary, const Rect& shown, const GammaRamp& gamma) override {
    SDL_Window* window = Sdl2MainWindow();
    if (!window || !PrepareTexture(window, shown.Width(), shown.Height())) return;
    ConvertWithGamma(primary, shown, gamma);
    Sdl().UpdateTexture(texture_, nullptr, pixels_.data(), shown.Width() * 4);
    int outW = 0, outH = 0;
    Sdl().GetRendererOutputSize(renderer_, &outW, &outH);
    int windowW = 0, windowH = 0;
    Sdl().GetWindowSize(window, &windowW, &windowH);
    Rect viewport = PictureViewport(outW, outH, shown.Width(), shown.Height());
    Sdl().SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    Sdl().RenderClear(renderer_);
    SDL_Rect target{viewport.left, viewport.top, viewport.Width(), viewport.Height()};
    Sdl().RenderCopy(renderer_, texture_, nullptr, &target);
    Sdl().RenderPresent(renderer_);
    // Mouse positions arrive in window coordinates; keep the viewport in those.
    if (outW > 0 && outH > 0) {
      viewport_ = {viewport.left * windowW / outW, viewport.top * windowH / outH,
                   viewport.right * windowW / outW, viewport.bottom * windowH / outH};
    }
    pictureW_ = shown.Width();
    pictureH_ = shown.Height();
  }

  void SetFullScreen(bool fullScreen) override {
    if (SDL_Window* window = Sdl2MainWindow()) {
      Sdl().SetWindowFullscreen(window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    }
  }

  Rect ClientArea() override {
    SDL_Window* window = Sdl2MainWindow();
    if (!window) return {};
    int x = 0, y = 0, w = 0, h = 0;
    Sdl().GetWindowPosition(window, &x, &y);
    Sdl().GetWindowSize(window, &w, &h);
    return {x, y, x + w, y + h};
  }

  void SetMouseCapture(bool capture) override { Sdl().CaptureMouse(capture ? SDL_TRUE : SDL_FALSE); }

  void SetWindowFrame(bool bordered, bool resizable) override {
    if (SDL_Window* window = Sdl2MainWindow()) {
      Sdl().SetWindowBordered(window, bordered ? SDL_TRUE : SDL_FALSE);
      Sdl().SetWindowResizable(window, resizable ? SDL_TRUE : SDL_FALSE);
    }
  }

  void ShowWindow(int showCommand) override {
    SDL_Window* window = Sdl2MainWindow();
    if (!window) return;
    switch (showCommand) {
      case kShowHide:
        return Sdl().HideWindow(window);
      case kShowMinimize:
        return Sdl().MinimizeWindow(window);
      case kShowMaximize:
        Sdl().ShowWindow(window);
        return Sdl().MaximizeWindow(window);
      case kShowNormal:
        Sdl().ShowWindow(window);
        return Sdl().RestoreWindow(window);
      default:
        return Sdl().ShowWindow(window);
    }
  }

  void Release() {
    if (texture_) Sdl().DestroyTexture(texture_);
    if (renderer_) Sdl().DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    pictureW_ = pictureH_ = 0;
  }

  void MapToPicture(int& x, int& y) const {
    if (pictureW_ > 0) AreaPointToPicture(viewport_, pictureW_, pictureH_, x, y);
  }
  void MapToWindow(int& x, int& y) const {
    if (pictureW_ <= 0 || pictureH_ <= 0 || viewport_.Empty()) return;
    x = viewport_.left +
        static_cast<int>((2 * static_cast<int64_t>(x) + 1) * viewport_.Width() / (2 * pictureW_));
    y = viewport_.top +
        static_cast<int>((2 * static_cast<int64_t>(y) + 1) * viewport_.Height() / (2 * pictureH_));
  }

 private:
  bool PrepareTexture(SDL_Window* window, int w, int h) {
    if (window != window_) {  // a new window: its own renderer and texture
      window_ = window;
      texture_ = nullptr;
      renderer_ = Sdl().GetRenderer(window);
      if (!renderer_) renderer_ = Sdl().CreateRenderer(window, -1, 0);
      if (!renderer_) renderer_ = Sdl().CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!renderer_) return false;
    if (texture_ && (textureW_ != w || textureH_ != h)) {
      Sdl().DestroyTexture(texture_);
      texture_ = nullptr;
    }
    if (!texture_) {
      texture_ = Sdl().CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
      textureW_ = w;
      textureH_ = h;
    }
    return texture_ != nullptr;
  }

  void ConvertWithGamma(const Surface& primary, const Rect& shown, const GammaRamp& gamma) {
    pixels_.resize(static_cast<std::size_t>(shown.Width()) * static_cast<std::size_t>(shown.Height()));
    ConvertForPresent(primary, shown, gamma, 0xFF000000u, pixels_.data());
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  std::vector<uint32_t> pixels_;
  Rect viewport_;
  int pictureW_ = 0, pictureH_ = 0;
};

Sdl2Display gSdl2Display;

}  // namespace

DisplayBackend& Sdl2DisplayBackend() { return gSdl2Display; }

void MapSdl2WindowPointToPicture(int& x, int& y) { gSdl2Display.MapToPicture(x, y); }

void MapPictureToSdl2WindowPoint(int& x, int& y) { gSdl2Display.MapToWindow(x, y); }

void ReleaseSdl2Presenter() { gSdl2Display.Release(); }

}  // namespace qm::platform
