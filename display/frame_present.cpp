// Frame present, lost surfaces and window modes.
#include "display/frame_present.h"

#include "display/display_state.h"
#include "display/draw_request_queue.h"
#include "platform/clock.h"
#include "platform/display/display_backend.h"
#include "platform/display/display_device.h"
#include "platform/display/window_details.h"
#include "platform/window.h"
#include "runtime/run_loop.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;

AppliedWindow gApplied;

void MarkDisplayNotReady() {
  if (!AlwaysActiveFlag) DisplayReadyFlag = 0;
}

// Repeats a screen operation while it is busy, and after restoring lost surfaces. The result of
// the last try; SurfaceLost when the restore failed.
template <typename Operation>
DisplayResult RetryScreenOperation(Operation&& operation) {
  for (;;) {
    const DisplayResult result = operation();
    if (result == DisplayResult::WasStillDrawing) continue;
    if (result != DisplayResult::SurfaceLost) return result;
    if (RestoreLostSurfaces() != 0) return DisplayResult::SurfaceLost;
  }
}

// Where the picture goes on the primary: the client area's position, and in a window the picture
// centred in it (negative offsets crop it evenly when the client area is smaller).
Rect PictureDestination() {
  const int width = TheDisplay.displayWidth, height = TheDisplay.displayHeight;
  if (TheDisplay.fullScreenFlag == 1) return {0, 0, width, height};
  const Rect client = platform::ActiveDisplayBackend().ClientArea();
  const int left = client.left + (client.Width() - width) / 2;
  const int top = client.top + (client.Height() - height) / 2;
  return {left, top, left + width, top + height};
}

void ShowWithCommand(int32_t showCommand) {
  // The window layer shows and restores; hiding and minimising are kept as the settings only.
  if (showCommand != kShowHide && showCommand != kShowMinimize) platform::RestoreMainWindow();
}

void ApplyPointerForWindowMode() {
  WindowSettingsData& settings = TheDisplay.windowSettings;
  if (TheDisplay.windowModeOn && settings.systemCursorShown == 0) {
    settings.systemCursorShown = 1;
    platform::ShowCursorCounted(true);
    platform::ReleaseMouseCapture();
  } else if (!TheDisplay.windowModeOn && settings.systemCursorShown == 1) {
    settings.systemCursorShown = 0;
    platform::ShowCursorCounted(false);
  }
}

}  // namespace

int32_t PresentFrame() {
  if (TheDisplay.primary == nullptr || !AppActiveFlag) return 0;
  if (TheDisplay.flipChainFlag == 1) {
    if (RetryScreenOperation([] { return TheDisplay.primary->Flip(); }) != DisplayResult::Ok) return 0;
    TheDisplay.spriteBufferIndex = 1 - TheDisplay.spriteBufferIndex;
  } else {
    if (TheDisplay.backBuffer == nullptr) return 0;
    const Rect source{0, 0, TheDisplay.displayWidth, TheDisplay.displayHeight};
    const Rect destination = PictureDestination();
    TheDisplay.presentOriginX = destination.left;
    TheDisplay.presentOriginY = destination.top;
    const DisplayResult copied = RetryScreenOperation(
        [&] { return TheDisplay.primary->Blt(&destination, TheDisplay.backBuffer, &source, 0); });
    if (copied != DisplayResult::Ok) return 0;
    if (TheDisplay.windowSettings.fillMargins == 1) FillWindowMargins(destination);
  }
  CountPresentedFrame();
  return 1;
}

void FillWindowMargins(const Rect& picture) {
  if (TheDisplay.fullScreenFlag == 1 || TheDisplay.primary == nullptr) return;
  const Rect c = platform::ActiveDisplayBackend().ClientArea();
  const Rect margins[4] = {{c.left, c.top, c.right, picture.top},
                           {c.left, picture.bottom, c.right, c.bottom},
                           {c.left, c.top, picture.left, c.bottom},
                           {picture.right, c.top, c.right, c.bottom}};
  for (const Rect& margin : margins) {
    if (!margin.Empty()) TheDisplay.primary->Blt(&margin, nullptr, nullptr, platform::kBltColorFill, 0);
  }
}

void CountPresentedFrame() {
  ++TheDisplay.frameCounter;
  const uint32_t now = platform::TimeMs();
  if (!TheDisplay.frameClockStarted) {
    TheDisplay.frameClockStarted = true;
    TheDisplay.lastRateUpdate = now;
    TheDisplay.counterAtUpdate = TheDisplay.frameCounter - 1;
    return;
  }
  const uint32_t elapsed = now - TheDisplay.lastRateUpdate;
  if (elapsed <= 1000) return;
  const uint64_t frames = TheDisplay.frameCounter - TheDisplay.counterAtUpdate;
  TheDisplay.framesPerSecond = static_cast<int32_t>(frames * 1000 / elapsed);
  TheDisplay.lastRateUpdate = now;
  TheDisplay.counterAtUpdate = TheDisplay.frameCounter;
}

void ResetFrameRate() {
  TheDisplay.framesPerSecond = 0;
  TheDisplay.frameCounter = TheDisplay.counterAtUpdate = TheDisplay.lastRateUpdate = 0;
  TheDisplay.frameClockStarted = false;
}

int32_t RestoreLostSurfaces() {
  DisplayResult result =
      TheDisplay.directDraw != nullptr ? TheDisplay.directDraw->RestoreAllSurfaces() : DisplayResult::Ok;
  if (result == DisplayResult::Ok && TheDisplay.primary != nullptr) result = TheDisplay.primary->Restore();
  if (result == DisplayResult::Ok && TheDisplay.backBuffer != nullptr)
    result = TheDisplay.backBuffer->Restore();
  if (result != DisplayResult::Ok) {
    MarkDisplayNotReady();
    return 1;
  }
  // The sprites' saved backgrounds showed the lost picture: they are taken again.
  TheDisplay.spriteBackgroundsReleased = 1;
  return 0;
}

int32_t ClearZBuffer() {
  if (TheDisplay.device == nullptr || !AppActiveFlag || TheDisplay.zBuffer == nullptr) return 1;
  TheDisplay.device->Clear({{0, 0, TheDisplay.displayWidth, TheDisplay.displayHeight}},
                           platform::kClearZBuffer, 0, 1.0f, 0);
  return 1;
}

int32_t ClearScreenSurfaces() {
  platform::Surface* back = TheDisplay.backBuffer;
  if (back == nullptr) return 0;
  const Rect all{0, 0, TheDisplay.displayWidth, TheDisplay.displayHeight};
  for (;;) {
    const DisplayResult result =
        back->Blt(&all, nullptr, nullptr, platform::kBltColorFill, InkColours.backgroundPixel);
    if (result == DisplayResult::WasStillDrawing) continue;
    if (result != DisplayResult::SurfaceLost) return 1;
    if (back->Restore() != DisplayResult::Ok) {
      MarkDisplayNotReady();
      return 0;
    }
  }
}

const AppliedWindow& LastAppliedWindow() { return gApplied; }

void ApplyWindowSettings(bool applyAll, bool repaintAll) {
  const WindowSettingsData& settings = TheDisplay.windowSettings;
  ++gApplied.applyCount;
  gApplied.repaintedAll = repaintAll;
  gApplied.showCommand = settings.showCommand;
  if (!applyAll) {
    ShowWithCommand(settings.showCommand);
    return;
  }
  const int32_t halfBorder = static_cast<int32_t>(static_cast<uint32_t>(settings.borderWidth) / 2);
  gApplied.title = settings.windowTitle;
  gApplied.style = settings.windowStyle;
  gApplied.x = settings.clientX - halfBorder;
  gApplied.y = settings.clientY - settings.captionHeight - halfBorder;
  gApplied.width = settings.clientWidth + settings.borderWidth;
  gApplied.height = settings.clientHeight + settings.borderWidth + settings.captionHeight;
  gApplied.icon = settings.windowIcon;
  platform::SetMainWindowTitle(settings.windowTitle);
  if (settings.clientWidth > 0 && settings.clientHeight > 0) {
    platform::SetMainWindowPlacement(settings.clientX, settings.clientY, settings.clientWidth,
                                     settings.clientHeight);
  }
  ShowWithCommand(settings.showCommand);
  ApplyPointerForWindowMode();
}

void ResetWindowSettingsForRun() {
  TheDisplay.windowModeOn = 0;
  TheDisplay.windowSettings.systemCursorShown = 0;
  TheDisplay.windowSettings.fillMargins = 1;
  TheDisplay.windowSettings.windowIcon = true;
}

void WindowSettingsForWindowOn() {
  WindowSettingsData& settings = TheDisplay.windowSettings;
  TheDisplay.windowModeOn = 1;
  settings.fillMargins = 0;
  settings.windowTitle.clear();
  settings.showCommand = kShowDefault;
  settings.clientWidth = TheDisplay.displayWidth;
  settings.clientHeight = TheDisplay.displayHeight;
  settings.windowIcon = false;
  settings.borderWidth = 8;
  settings.captionHeight = 19;
  settings.clientX = 4;
  settings.clientY = 23;
  settings.windowStyle = kStyleOverlappedWindow;
}

void WindowSettingsForDesktop() {
  WindowSettingsData& settings = TheDisplay.windowSettings;
  TheDisplay.windowModeOn = 0;
  settings.fillMargins = 1;
  settings.clientX = settings.clientY = 0;
  settings.windowTitle = "Quillmoor";
  settings.showCommand = kShowDefault;
  settings.clientWidth = platform::GetSystemMetrics(platform::kMetricFullScreenWidth);
  settings.clientHeight = platform::GetSystemMetrics(platform::kMetricFullScreenHeight);
  settings.windowIcon = true;
  settings.windowStyle = kStylePopup | kStyleSysMenu | kStyleMinimizeBox;
}

void RestoreDesktopWindow() {
  if (!TheDisplay.windowModeOn) return;
  WindowSettingsForDesktop();
  ApplyWindowSettings(true, true);
}

}  // namespace qm
