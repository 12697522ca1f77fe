// Details of the main window that the display code needs: the cursor's show counter, mouse
// capture, and the system metrics of the (configurable) virtual screen.
#pragma once

namespace qm::platform {

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
