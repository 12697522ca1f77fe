// Saving what is on the screen into an image file. SAVE BITMAP of bitmap 0 and the F9 snapshot key
// only record the file name here; the frame step serves the request right after the frame has
// been presented (DisplayServices::TakePendingScreenCapture), so the file holds the finished frame
// with its sprites. A second request before the frame ends replaces the first: one file is written.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

struct ScreenCaptureState {
  int32_t saveBitmapPending = 0;   // 1 while a capture waits for the end of the frame
  std::string pendingCaptureName;  // at most kCaptureNameLimit characters
};

// The longest file name a capture keeps; longer names are cut, never written past a buffer.
inline constexpr size_t kCaptureNameLimit = 255;

ScreenCaptureState& ScreenCapture();

// Records the file name for the capture at the end of the current frame; returns 1.
int32_t RequestSaveBitmap(std::string_view fileName);

}  // namespace qm
