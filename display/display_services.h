// The display subsystem's services to the run loop: so far the engine tables' part of a run's
// set-up and close, and the last engine error for the text of the system error that ends a run.
#pragma once
#include <string>

#include "runtime/frame_services.h"

namespace qm {

class DisplayCoreServices : public DisplayServices {
 public:
  // The first call creates the engine tables (the system's start-up); every call then empties them
  // for the run.
  void InitGameData() override;
  void FreeGameData() override;
  std::string LastEngineError() override;

  // The draw-request queue (draw_request_queue.h) and PRINT's text.
  void ProcessDrawRequests() override;
  int32_t QueuedDrawRequests() override;
  void QueuePrintText(std::string_view text, int32_t& x, int32_t& y, bool stayOnLine, bool opaque,
                      bool wrap) override;
  void QueueTextAt(std::string_view text, int32_t x, int32_t y) override;
  bool DrawingOnScreen() override;

  // The display set-up of a run, its frames, and its close (display_core_services.cpp).
  void SetScreenInvalid() override;
  bool RestorePrimarySurface() override;
  void ClearZBuffer() override;
  void PresentFrame() override;
  void TakePendingScreenCapture() override;
  void UpdateAnimations() override;
  void FreeAllAnimations() override;
  void ChooseBest3DCard() override;
  void SetFullScreenFlag(bool fullScreen) override;
  int Best3DDepth() override;
  bool InitDirectX(bool fullScreen) override;
  bool SetDisplayMode(int width, int height, int depth) override;
  void ResetDisplayDefaults() override;
  bool CreateScreenAreas(int width, int height) override;
  void ShowSystemCursor(bool show) override;
  void ClearScreenSurfaces() override;
  void LoadMousePointerBitmap() override;
  void FreeMousePointerBitmap() override;
  void CloseDirectX(bool sameCard) override;
  void RestoreDesktopWindow() override;
  void FlushVideoMemory() override;
  int DisplayWidth() override;
  int DisplayHeight() override;
  bool WindowModeOn() override;
  void RequestScreenSnapshot(const std::string& fileName) override;

  // Sprites and the mouse pointer (sprites.h, mouse_pointer.h).
  void AnimateMousePointer() override;
  void RestoreSpriteBackgrounds() override;
  void ProcessDeferredDeletions() override;
  void SaveSpriteBackgrounds() override;
  void DrawSprites() override;
  void ShowMouse() override;
  void FreeMousePointer() override;
  bool MouseFollowsDevice() override;

 private:
  bool cursorHiddenForRun_ = false;
};

// The one instance the display subsystem installs.
DisplayCoreServices& DisplayCore();

}  // namespace qm
