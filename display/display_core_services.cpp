// The display's services for a run's set-up, its frames and its close.
#include "display/animations.h"
#include "display/display_card_choice.h"
#include "display/display_modes.h"
#include "display/display_services.h"
#include "display/display_setup.h"
#include "display/display_state.h"
#include "display/frame_present.h"
#include "display/mouse_pointer.h"
#include "display/screen_capture.h"
#include "display/sprites.h"
#include "display/surface_utilities.h"
#include "platform/display/window_details.h"

namespace qm {

void DisplayCoreServices::SetScreenInvalid() { TheDisplay.screenInvalidFlag = 1; }

// In full screen the primary can be restored here; a window comes back through its activation.
bool DisplayCoreServices::RestorePrimarySurface() {
  if (TheDisplay.fullScreenFlag != 1 || TheDisplay.primary == nullptr) return false;
  return TheDisplay.primary->Restore() == platform::DisplayResult::Ok;
}

void DisplayCoreServices::ClearZBuffer() { qm::ClearZBuffer(); }

void DisplayCoreServices::PresentFrame() { qm::PresentFrame(); }

void DisplayCoreServices::TakePendingScreenCapture() { qm::TakePendingScreenCapture(); }

void DisplayCoreServices::UpdateAnimations() { qm::UpdateAnimations(); }

void DisplayCoreServices::FreeAllAnimations() { qm::FreeAllAnimations(); }

void DisplayCoreServices::ChooseBest3DCard() { qm::ChooseBest3DCard(); }

void DisplayCoreServices::SetFullScreenFlag(bool fullScreen) { qm::SetFullScreenFlag(fullScreen ? 1 : 0); }

int DisplayCoreServices::Best3DDepth() { return TheDisplay.best3DDepth; }

bool DisplayCoreServices::InitDirectX(bool) { return qm::InitDirectX(false, true) != 0; }

bool DisplayCoreServices::SetDisplayMode(int width, int height, int depth) {
  if (qm::SetDisplayMode(width, height, depth) == 0) return false;
  TheDisplay.displayWidth = width;
  TheDisplay.displayHeight = height;
  return true;
}

// Run start and end: no emulation, T&L allowed, the screen valid, the mode 640 x 480 at the best
// depth, the frame rate counted afresh.
void DisplayCoreServices::ResetDisplayDefaults() {
  TheDisplay.emulationModeFlag = 0;
  TheDisplay.tnlEnabledFlag = 1;
  TheDisplay.screenInvalidFlag = 0;
  TheDisplay.requestedWidth = 640;
  TheDisplay.requestedHeight = 480;
  TheDisplay.requestedDepth = TheDisplay.best3DDepth;
  TheDisplay.requestedBitDepth = TheDisplay.best3DDepth;
  ResetFrameRate();
}

bool DisplayCoreServices::CreateScreenAreas(int width, int height) {
  return qm::CreateScreenAreas(width, height, true) != 0;
}

void DisplayCoreServices::ShowSystemCursor(bool show) {
  platform::ShowCursorCounted(show);
  cursorHiddenForRun_ = !show;
}

void DisplayCoreServices::ClearScreenSurfaces() { qm::ClearScreenSurfaces(); }

void DisplayCoreServices::LoadMousePointerBitmap() { qm::LoadMousePointerBitmap(true); }

void DisplayCoreServices::FreeMousePointerBitmap() { qm::FreeMousePointerBitmap(); }

void DisplayCoreServices::CloseDirectX(bool sameCard) { qm::CloseDirectX(sameCard); }

// The window of the desktop again, and the system cursor as it was before the run.
void DisplayCoreServices::RestoreDesktopWindow() {
  qm::RestoreDesktopWindow();
  if (cursorHiddenForRun_) platform::ShowCursorCounted(true);
  cursorHiddenForRun_ = false;
}

void DisplayCoreServices::FlushVideoMemory() { qm::FlushVideoMemory(); }

int DisplayCoreServices::DisplayWidth() { return TheDisplay.displayWidth; }

int DisplayCoreServices::DisplayHeight() { return TheDisplay.displayHeight; }

void DisplayCoreServices::AnimateMousePointer() { qm::AnimateMousePointer(); }

void DisplayCoreServices::RestoreSpriteBackgrounds() { qm::RestoreSpriteBackgrounds(); }

void DisplayCoreServices::ProcessDeferredDeletions() { qm::ProcessDeferredDeletions(); }

void DisplayCoreServices::SaveSpriteBackgrounds() { qm::SaveSpriteBackgrounds(); }

void DisplayCoreServices::DrawSprites() { qm::DrawSprites(); }

// The display set-up of a run shows the pointer with its backgrounds saved.
void DisplayCoreServices::ShowMouse() { qm::ShowMouse(1); }

void DisplayCoreServices::FreeMousePointer() { qm::FreeMousePointer(); }

// A program in a window with the pointer hidden takes the mouse from the window's messages.
bool DisplayCoreServices::MouseFollowsDevice() {
  return MousePointer.shown != 0 || TheDisplay.windowModeOn == 0;
}

bool DisplayCoreServices::WindowModeOn() { return TheDisplay.windowModeOn != 0; }

void DisplayCoreServices::RequestScreenSnapshot(const std::string& fileName) { RequestSaveBitmap(fileName); }

}  // namespace qm
