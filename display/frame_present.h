// Showing a finished frame and keeping the screen surfaces alive: the present (a flip, or a copy
// into the window's client area with black margins), the Z-buffer and screen clears, the recovery
// of lost surfaces, the frame rate, and the main window's appearance while a program runs in a
// window or goes back to the desktop.
#pragma once
#include <cstdint>
#include <string>

#include "platform/display/surface.h"

namespace qm {

// Window styles.
inline constexpr uint32_t kStyleOverlappedWindow = 0x00CF0000;
inline constexpr uint32_t kStylePopup = 0x80000000;
inline constexpr uint32_t kStyleSysMenu = 0x00080000;
inline constexpr uint32_t kStyleMinimizeBox = 0x00020000;
inline constexpr uint32_t kStyleCaption = 0x00C00000;
// Show commands.
inline constexpr int32_t kShowHide = 0, kShowNormal = 1, kShowMaximize = 3, kShowShow = 5, kShowMinimize = 6,
                         kShowDefault = 10;

// 1 when a frame was presented; 0 without a primary surface, while the window is inactive, when a
// lost surface could not be restored, or when the flip or copy failed otherwise (no frame is
// counted then).
int32_t PresentFrame();
// The window's client area outside the picture, filled black (windowed displays only).
void FillWindowMargins(const platform::Rect& picture);
// Counts a presented frame; the rate is worked out again once more than a second has passed.
void CountPresentedFrame();
// The frame counter starts again (SCREEN FPS reads 0 until a second of presenting has passed).
void ResetFrameRate();
// Restores every lost surface, the primary and the back buffer: 0, or 1 after the first failure
// (the display is then not ready, unless ALWAYS ACTIVE is on).
int32_t RestoreLostSurfaces();
// The Z buffer to the far plane over the whole display, when a device exists and the window is
// active. 1.
int32_t ClearZBuffer();
// The back buffer filled with the background colour: 1, or 0 when a lost back buffer cannot be
// restored.
int32_t ClearScreenSurfaces();

// What ApplyWindowSettings last did to the main window (the outer rectangle from the client
// rectangle, border and caption; style, show command, title and icon as applied).
struct AppliedWindow {
  int32_t x = 0, y = 0, width = 0, height = 0;
  uint32_t style = 0;
  int32_t showCommand = 0;
  std::string title;
  bool icon = false;
  int32_t applyCount = 0;
  bool repaintedAll = false;
};
const AppliedWindow& LastAppliedWindow();

// `applyAll` 0 applies only the show command; 1 the title, style, placement, show command, icon
// and the pointer (the system cursor while a program runs in a window). `repaintAll` repaints the
// whole screen instead of the window.
void ApplyWindowSettings(bool applyAll, bool repaintAll);
// The settings every run starts with: no window mode, margins filled, the program's icon.
void ResetWindowSettingsForRun();
// SET WINDOW ON's settings: a captioned overlapped window around the display's picture.
void WindowSettingsForWindowOn();
// SET WINDOW OFF's settings (and the desktop's): a popup covering the full-screen work area.
void WindowSettingsForDesktop();
// Run end: back to the desktop's window when the program ran in a window.
void RestoreDesktopWindow();

}  // namespace qm
