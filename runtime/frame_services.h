// The services of the display, 3D, sound and system subsystems that the run loop calls: the frame
// steps around each slice, the set-up and close of a run, and pause and resume on activation.
// Each is an interface whose methods do nothing by default; a subsystem's record names its own
// implementation (subsystem.h), and tests install recording ones the same way.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// Display, 2D drawing, sprites, the mouse pointer and the window.
class DisplayServices {
 public:
  virtual ~DisplayServices() = default;

  // BeginFrame while the display is not ready: mark the screen invalid, then, in full screen, try
  // to restore the primary surface (true when the display is usable again).
  virtual void SetScreenInvalid() {}
  virtual bool RestorePrimarySurface() { return false; }
  // BeginFrame.
  virtual void AnimateMousePointer() {}
  virtual void ClearZBuffer() {}
  virtual void RestoreSpriteBackgrounds() {}
  virtual void ProcessDrawRequests() {}
  virtual int32_t QueuedDrawRequests() { return 0; }
  // SyncFrame.
  virtual void ProcessDeferredDeletions() {}
  virtual void UpdateAnimations() {}
  virtual void SaveSpriteBackgrounds() {}
  virtual void DrawSprites() {}
  virtual void PresentFrame() {}
  // Takes the screen capture that F9 requested, if one is pending.
  virtual void TakePendingScreenCapture() {}
  // The snapshot key: saves the screen into `fileName` at the end of the current frame (a frame
  // of the run loop or of the editor).
  virtual void RequestScreenSnapshot(const std::string& /*fileName*/) {}

  // InitGameCore, in its order.
  virtual void ChooseBest3DCard() {}
  virtual void SetFullScreenFlag(bool /*fullScreen*/) {}
  virtual int Best3DDepth() { return 16; }
  virtual bool InitDirectX(bool /*fullScreen*/) { return true; }
  virtual void PlaceRunWindow() {}  // window mode: the start-up position or the whole screen
  virtual bool SetDisplayMode(int /*width*/, int /*height*/, int /*depth*/) { return true; }
  // Ink colours, screen-invalid flag, emulation and T&L switches, requested depth.
  virtual void ResetDisplayDefaults() {}
  virtual bool CreateScreenAreas(int /*width*/, int /*height*/) { return true; }
  virtual void ShowSystemCursor(bool /*show*/) {}
  virtual void ClearScreenSurfaces() {}
  virtual void InitGameData() {}
  virtual void LoadMousePointerBitmap() {}
  virtual void ShowMouse() {}

  // CloseGameCore, in its order.
  virtual void FreeAllAnimations() {}
  virtual void FreeMousePointer() {}
  virtual void FreeMousePointerBitmap() {}
  virtual void FreeGameData() {}
  virtual void CloseDirectX(bool /*sameCard*/) {}
  virtual void RestoreDesktopWindow() {}

  // Resume on activation.
  virtual void FlushVideoMemory() {}
  // The last engine error sentence ("" when none).
  virtual std::string LastEngineError() { return {}; }
  virtual int DisplayWidth() { return 640; }
  virtual int DisplayHeight() { return 480; }
  // True when the mouse position follows the device: the pointer is shown, or the program's
  // display is not a window (there the window's mouse messages move it).
  virtual bool MouseFollowsDevice() { return true; }
  // True while the program's display is a window (SET WINDOW ON, or WINDOWMODE).
  virtual bool WindowModeOn() { return false; }

  // PRINT, PRINTC and INPUT's echo: queue `text` at (x, y) in the print font and move (x, y) past
  // it: to the start of the next line unless `stayOnLine`; with `wrap`, to the next line once x
  // reaches the display's width.
  virtual void QueuePrintText(std::string_view /*text*/, int32_t& /*x*/, int32_t& /*y*/, bool /*stayOnLine*/,
                              bool /*opaque*/, bool /*wrap*/) {}
  // INPUT's erase: queue the cells of `text` at (x, y) painted in the background colour.
  virtual void QueueTextAt(std::string_view /*text*/, int32_t /*x*/, int32_t /*y*/) {}
  // True while the commands draw on the screen (the current bitmap is 0).
  virtual bool DrawingOnScreen() { return true; }
};

// The 3D engine.
class Engine3DServices {
 public:
  virtual ~Engine3DServices() = default;
  virtual void RenderBackdrop() {}
  virtual void Render3DScene() {}
  virtual void UpdateObjectAnimations() {}
  virtual void Init3DScene() {}
  virtual void ClearViewportColour(uint32_t /*colour*/) {}
  virtual void ClearCameraView(uint32_t /*colour*/) {}
  // Fog, ambient light and camera range defaults (run start and end).
  virtual void Reset3DDefaults() {}
  // The first object made switches the backdrop on (run start).
  virtual void ArmAutomaticBackdrop() {}

  // What the display subsystem asks of the 3D engine when it empties or frees the engine tables
  // that hold 3D records.
  virtual void ClearTextureList() {}
  virtual void CloseStaticWorld() {}
  // Frees what an object or mesh record owns; also called for records not in use.
  virtual void FreeObjectResources(int32_t /*objectIndex*/) {}
  virtual void FreeMeshArrays(int32_t /*meshIndex*/) {}
  virtual void FreeTextureBatchList() {}
  virtual void ReleaseTexture(int32_t /*textureIndex*/, bool /*forced*/) {}
};

// The sound engine and music.
class SoundServices {
 public:
  virtual ~SoundServices() = default;
  virtual void UpdateSound() {}
  virtual void Update3DSound() {}
  virtual void UpdateMusic() {}
  virtual void ResetSound3D() {}
  virtual void DeleteAllMusic() {}
  virtual void DeleteAllSounds() {}
  virtual void PauseAllMusic() {}
  virtual void PauseAllSounds() {}
  virtual void ResumeAllMusic() {}
  virtual void ResumeAllSounds() {}
};

// Input devices, files, FTP, DLLs and processes.
class SystemServices {
 public:
  virtual ~SystemServices() = default;
  // Reads keyboard, mouse and control device into the input state (every run-loop pass, while
  // input is active and the display ready).
  virtual void ReadInputState() {}
  // The end of a frame: the motion the input state summed over the frame starts again.
  virtual void ClearFrameMotion() {}
  // A program in a window with the pointer hidden: the window's mouse messages set the position
  // (display pixels) and the buttons (1 left, 2 right, 0 released) instead of the device.
  virtual void SetMousePositionFromWindow(int32_t /*x*/, int32_t /*y*/) {}
  virtual void SetMouseButtonsFromWindow(uint16_t /*buttons*/) {}
  virtual void AcquireInputDevices() {}
  virtual void UnacquireInputDevices() {}
  virtual void ReleaseForceEffects() {}
  virtual void FtpDisconnectAndHangUp() {}
  // While the display is not ready: forget an EXECUTE FILE process once it has ended.
  virtual void PollLaunchedProcess() {}
  // Frees the loaded DLL slots (FreeRuntimeData).
  virtual void FreeDllSlots() {}
  // Whether the screen-saver and system keys are taken (DISABLE SYSTEMKEYS); false at run edges.
  virtual void SetScreenSaverRunning(bool /*running*/) {}
};

struct FrameServices {
  DisplayServices* display;
  Engine3DServices* engine3d;
  SoundServices* sound;
  SystemServices* system;
};

// The services in use; each defaults to one that does nothing (installed by InstallSubsystems).
FrameServices& Services();

}  // namespace qm
