#include "display/screen_capture.h"

#include <algorithm>

#include "display/display_state.h"
#include "display/image_files/image_files.h"
#include "runtime/run_loop.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;

// Where the presented picture lies on the primary: the whole display in full screen, the rectangle
// the last present copied the back buffer into when windowed.
Rect PresentedPicture() {
  const int width = TheDisplay.displayWidth, height = TheDisplay.displayHeight;
  if (TheDisplay.fullScreenFlag == 1) return {0, 0, width, height};
  const int left = TheDisplay.presentOriginX, top = TheDisplay.presentOriginY;
  return {left, top, left + width, top + height};
}

// Copies the part of `picture` that lies on the primary into the same place of the capture
// surface (whose (0, 0) is the picture's top-left). Busy surfaces are waited for.
bool CopyPresentedPicture(platform::Surface& capture, const Rect& picture) {
  platform::Surface& primary = *TheDisplay.primary;
  const Rect source{std::max(picture.left, 0), std::max(picture.top, 0),
                    std::min(picture.right, primary.Width()), std::min(picture.bottom, primary.Height())};
  if (source.Empty()) return true;  // nothing of the picture is on the primary: all black
  const Rect destination{source.left - picture.left, source.top - picture.top, source.right - picture.left,
                         source.bottom - picture.top};
  for (;;) {
    const DisplayResult copied = capture.Blt(&destination, &primary, &source, 0);
    if (copied == DisplayResult::WasStillDrawing) continue;
    return copied == DisplayResult::Ok;
  }
}

}  // namespace

ScreenCaptureState& ScreenCapture() {
  static ScreenCaptureState state;
  return state;
}

int32_t RequestSaveBitmap(std::string_view fileName) {
  ScreenCaptureState& capture = ScreenCapture();
  capture.pendingCaptureName.assign(fileName.substr(0, kCaptureNameLimit));
  capture.saveBitmapPending = 1;
  return 1;
}

int32_t ReleaseCaptureSurface() {
  platform::Surface*& surface = ScreenCapture().captureSurface;
  if (surface == nullptr) return 0;
  surface->Release();
  surface = nullptr;
  return 1;
}

int32_t CaptureScreenToFile() {
  if (!AppActiveFlag) return 1;
  ReleaseCaptureSurface();
  if (TheDisplay.directDraw == nullptr || TheDisplay.primary == nullptr) return 0;
  platform::SurfaceDesc desc;
  desc.width = TheDisplay.displayWidth;
  desc.height = TheDisplay.displayHeight;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  ScreenCaptureState& capture = ScreenCapture();
  if (TheDisplay.directDraw->CreateSurfaceInDisplayFormat(desc, capture.captureSurface) !=
      DisplayResult::Ok) {
    capture.captureSurface = nullptr;
    return 0;
  }
  capture.captureSurface->Fill(nullptr, 0);
  const bool copied = CopyPresentedPicture(*capture.captureSurface, PresentedPicture());
  const bool saved = copied && SaveSurfaceToImageFile(capture.captureSurface, capture.pendingCaptureName) ==
                                   ImageError::None;
  ReleaseCaptureSurface();
  return saved ? 1 : 0;
}

void TakePendingScreenCapture() {
  ScreenCaptureState& capture = ScreenCapture();
  if (capture.saveBitmapPending != 1) return;
  CaptureScreenToFile();
  capture.saveBitmapPending = 0;
}

}  // namespace qm
