#include "platform/display/window_details.h"

#include "platform/display/display_backend.h"
#include "platform/display/display_device.h"
#include "platform/window.h"

namespace qm::platform {
namespace {

int gCursorCounter = 0;
bool gCaptured = false;
uint32_t gStyle = kStyleOverlappedWindow;
int gShowCommand = kShowNormal;

}  // namespace

void SetMainWindowStyle(uint32_t style) {
  gStyle = style;
  bool bordered = (style & kStyleCaption) != 0 && !(style & kStylePopup);
  ActiveDisplayBackend().SetWindowFrame(bordered, (style & kStyleThickFrame) != 0);
}

uint32_t MainWindowStyle() { return gStyle; }

void ShowMainWindow(int showCommand) {
  gShowCommand = showCommand;
  ActiveDisplayBackend().ShowWindow(showCommand);
}

int MainWindowShowCommand() { return gShowCommand; }

void ResetMainWindowDetails() {
  gStyle = kStyleOverlappedWindow;
  gShowCommand = kShowNormal;
}

int ShowCursorCounted(bool show) {
  int before = gCursorCounter;
  gCursorCounter += show ? 1 : -1;
  if (before < 0 && gCursorCounter == 0) ShowSystemCursor(true);
  if (before == 0 && gCursorCounter < 0) ShowSystemCursor(false);
  return gCursorCounter;
}

void ResetCursorCounter() {
  if (gCursorCounter < 0) ShowSystemCursor(true);
  gCursorCounter = 0;
}

void SetMouseCapture() {
  gCaptured = true;
  ActiveDisplayBackend().SetMouseCapture(true);
}

void ReleaseMouseCapture() {
  gCaptured = false;
  ActiveDisplayBackend().SetMouseCapture(false);
}

bool MouseCaptureSet() { return gCaptured; }

int GetSystemMetrics(int metric) {
  const DisplayConfig& config = DisplayConfiguration();
  switch (metric) {
    case kMetricScreenWidth:
    case kMetricFullScreenWidth:
      return config.desktopWidth;
    case kMetricScreenHeight:
      return config.desktopHeight;
    case kMetricFullScreenHeight:
      return config.desktopHeight - config.captionHeight;
    default:
      return 0;
  }
}

}  // namespace qm::platform
