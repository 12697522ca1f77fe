#include "display/screen_capture.h"

namespace qm {

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

}  // namespace qm
