// Saving what is on the screen into an image file. SAVE BITMAP of bitmap 0 and the F9 snapshot key
// only record the file name here; the frame step serves the request right after the frame has
// been presented (DisplayServices::TakePendingScreenCapture), so the file holds the finished frame
// with its sprites. A second request before the frame ends replaces the first: one file is written.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/display/surface.h"

namespace qm {

struct ScreenCaptureState {
  int32_t saveBitmapPending = 0;                // 1 while a capture waits for the end of the frame
  std::string pendingCaptureName;               // at most kCaptureNameLimit characters
  platform::Surface* captureSurface = nullptr;  // exists only while a capture is being made
};

// The longest file name a capture keeps; longer names are cut, never written past a buffer.
inline constexpr size_t kCaptureNameLimit = 255;

ScreenCaptureState& ScreenCapture();

// Records the file name for the capture at the end of the current frame; returns 1.
int32_t RequestSaveBitmap(std::string_view fileName);

// Copies the picture the last present showed into a system-memory surface of the display's size
// and writes it through the image writers (temporary file and rename) under the pending name. In
// full screen that is the whole primary; in a window it is the picture's rectangle on the desktop,
// never the rest of the desktop (parts of the picture outside the desktop stay black). While the
// application is inactive nothing is written and the request is dropped (1). 1 when the file was
// written or the request dropped; 0 when the surface, the copy or the write failed.
int32_t CaptureScreenToFile();
// Releases the capture surface: 1, or 0 when there was none.
int32_t ReleaseCaptureSurface();
// The frame step after the present: a pending capture is taken, and the request is done whatever
// the result.
void TakePendingScreenCapture();

}  // namespace qm
