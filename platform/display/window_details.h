// Details of the main window that the display code needs: its style and show state, the cursor's
// show counter, mouse capture, and the system metrics of the (configurable) virtual screen.
#pragma once
#include <cstdint>

namespace qm::platform {

// Window style bits the display code uses. A style with a caption gets a framed window, one with
// a thick frame a resizable one; a popup has neither.
enum WindowStyleBits : uint32_t {
  kStyleCaption = 0x00C00000,
  kStyleSysMenu = 0x00080000,
  kStyleThickFrame = 0x00040000,
  kStyleMinimizeBox = 0x00020000,
  kStyleMaximizeBox = 0x00010000,
  kStyleOverlappedWindow =
      kStyleCaption | kStyleSysMenu | kStyleThickFrame | kStyleMinimizeBox | kStyleMaximizeBox,
  kStylePopup = 0x80000000,
};
void SetMainWindowStyle(uint32_t style);
uint32_t MainWindowStyle();

// Show commands.
enum ShowCommand : int {
  kShowHide = 0,
  kShowNormal = 1,
  kShowMaximize = 3,
  kShowShow = 5,
  kShowMinimize = 6,
  kShowDefault = 10,
};
// Applies a show command to the main window; the last one given is kept for tests.
void ShowMainWindow(int showCommand);
int MainWindowShowCommand();
// Back to an overlapped window shown normally (a new run).
void ResetMainWindowDetails();

// The cursor is shown while the counter is 0 or more; each call moves it by one and returns it.
// The counter starts at 0 and the cursor shows or hides as it crosses from -1 to 0 and back.
int ShowCursorCounted(bool show);
void ResetCursorCounter();

// Mouse messages keep coming while the mouse is outside the window, until released.
void SetMouseCapture();
void ReleaseMouseCapture();
bool MouseCaptureSet();

enum SystemMetric {
  kMetricScreenWidth = 0,
  kMetricScreenHeight = 1,
  kMetricFullScreenWidth = 16,
  kMetricFullScreenHeight = 17,
};
// The virtual desktop's size, and the client area a maximised window would get. Other metrics: 0.
int GetSystemMetrics(int metric);

}  // namespace qm::platform
