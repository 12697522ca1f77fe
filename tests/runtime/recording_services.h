// Frame services that write the name of every step called into one shared log, so a test can
// compare the order of the frame steps with the expected one.
#pragma once
#include <string>
#include <vector>

#include "runtime/frame_services.h"
#include "runtime/subsystem.h"

namespace qm::test {

struct CallLog {
  std::vector<std::string> calls;
  void Add(const char* name) { calls.emplace_back(name); }
};

class RecordingDisplay : public DisplayServices {
 public:
  explicit RecordingDisplay(CallLog& log) : log_(log) {}
  void SetScreenInvalid() override { log_.Add("SetScreenInvalid"); }
  bool RestorePrimarySurface() override {
    log_.Add("RestorePrimarySurface");
    return restoreSucceeds;
  }
  void AnimateMousePointer() override { log_.Add("AnimateMousePointer"); }
  void ClearZBuffer() override { log_.Add("ClearZBuffer"); }
  void RestoreSpriteBackgrounds() override { log_.Add("RestoreSpriteBackgrounds"); }
  void ProcessDrawRequests() override { log_.Add("ProcessDrawRequests"); }
  int32_t QueuedDrawRequests() override { return queuedDrawRequests; }
  void ProcessDeferredDeletions() override { log_.Add("ProcessDeferredDeletions"); }
  void UpdateAnimations() override { log_.Add("UpdateAnimations"); }
  void SaveSpriteBackgrounds() override { log_.Add("SaveSpriteBackgrounds"); }
  void DrawSprites() override { log_.Add("DrawSprites"); }
  void PresentFrame() override { log_.Add("PresentFrame"); }
  void TakePendingScreenCapture() override { log_.Add("TakePendingScreenCapture"); }
  void ChooseBest3DCard() override { log_.Add("ChooseBest3DCard"); }
  void SetFullScreenFlag(bool) override { log_.Add("SetFullScreenFlag"); }
  bool InitDirectX(bool) override {
    log_.Add("InitDirectX");
    return initDirectXSucceeds;
  }
  void PlaceRunWindow() override { log_.Add("PlaceRunWindow"); }
  bool SetDisplayMode(int, int, int) override {
    log_.Add("SetDisplayMode");
    return setDisplayModeSucceeds;
  }
  void ResetDisplayDefaults() override { log_.Add("ResetDisplayDefaults"); }
  bool CreateScreenAreas(int, int) override {
    log_.Add("CreateScreenAreas");
    return createScreenAreasSucceeds;
  }
  void ShowSystemCursor(bool) override { log_.Add("ShowSystemCursor"); }
  void ClearScreenSurfaces() override { log_.Add("ClearScreenSurfaces"); }
  void InitGameData() override { log_.Add("InitGameData"); }
  void LoadMousePointerBitmap() override { log_.Add("LoadMousePointerBitmap"); }
  void ShowMouse() override { log_.Add("ShowMouse"); }
  void FreeAllAnimations() override { log_.Add("FreeAllAnimations"); }
  void FreeMousePointer() override { log_.Add("FreeMousePointer"); }
  void FreeMousePointerBitmap() override { log_.Add("FreeMousePointerBitmap"); }
  void FreeGameData() override { log_.Add("FreeGameData"); }
  void CloseDirectX(bool) override { log_.Add("CloseDirectX"); }
  void RestoreDesktopWindow() override { log_.Add("RestoreDesktopWindow"); }
  void FlushVideoMemory() override { log_.Add("FlushVideoMemory"); }
  std::string LastEngineError() override { return lastEngineError; }

  bool restoreSucceeds = false;
  bool initDirectXSucceeds = true;
  bool setDisplayModeSucceeds = true;
  bool createScreenAreasSucceeds = true;
  int32_t queuedDrawRequests = 0;
  std::string lastEngineError;

 private:
  CallLog& log_;
};

class RecordingEngine3D : public Engine3DServices {
 public:
  explicit RecordingEngine3D(CallLog& log) : log_(log) {}
  void RenderBackdrop() override { log_.Add("RenderBackdrop"); }
  void Render3DScene() override { log_.Add("Render3DScene"); }
  void UpdateObjectAnimations() override { log_.Add("UpdateObjectAnimations"); }
  void Init3DScene() override { log_.Add("Init3DScene"); }
  void ClearViewportColour(uint32_t) override { log_.Add("ClearViewportColour"); }
  void ClearCameraView(uint32_t) override { log_.Add("ClearCameraView"); }
  void Reset3DDefaults() override { log_.Add("Reset3DDefaults"); }
  void ArmAutomaticBackdrop() override { log_.Add("ArmAutomaticBackdrop"); }

 private:
  CallLog& log_;
};

class RecordingSound : public SoundServices {
 public:
  explicit RecordingSound(CallLog& log) : log_(log) {}
  void UpdateSound() override { log_.Add("UpdateSound"); }
  void Update3DSound() override { log_.Add("Update3DSound"); }
  void UpdateMusic() override { log_.Add("UpdateMusic"); }
  void ResetSound3D() override { log_.Add("ResetSound3D"); }
  void DeleteAllMusic() override { log_.Add("DeleteAllMusic"); }
  void DeleteAllSounds() override { log_.Add("DeleteAllSounds"); }
  void PauseAllMusic() override { log_.Add("PauseAllMusic"); }
  void PauseAllSounds() override { log_.Add("PauseAllSounds"); }
  void ResumeAllMusic() override { log_.Add("ResumeAllMusic"); }
  void ResumeAllSounds() override { log_.Add("ResumeAllSounds"); }

 private:
  CallLog& log_;
};

class RecordingSystem : public SystemServices {
 public:
  explicit RecordingSystem(CallLog& log) : log_(log) {}
  void ReadInputState() override { log_.Add("ReadInputState"); }
  void AcquireInputDevices() override { log_.Add("AcquireInputDevices"); }
  void UnacquireInputDevices() override { log_.Add("UnacquireInputDevices"); }
  void ReleaseForceEffects() override { log_.Add("ReleaseForceEffects"); }
  void FtpDisconnectAndHangUp() override { log_.Add("FtpDisconnectAndHangUp"); }
  void PollLaunchedProcess() override { log_.Add("PollLaunchedProcess"); }
  void FreeDllSlots() override { log_.Add("FreeDllSlots"); }
  void ClearFrameMotion() override { log_.Add("ClearFrameMotion"); }
  void SetScreenSaverRunning(bool) override { log_.Add("SetScreenSaverRunning"); }

 private:
  CallLog& log_;
};

// All four in a subsystem whose table reset is recorded too, installed after the subsystems
// already installed for the life of the object.
struct RecordingServices {
  CallLog log;
  RecordingDisplay display{log};
  RecordingEngine3D engine3d{log};
  RecordingSound sound{log};
  RecordingSystem system{log};
  Subsystem record;

  RecordingServices() : previous_(InstalledSubsystems().begin(), InstalledSubsystems().end()) {
    current = &log;
    record.name = "recording";
    record.resetTables = [] { current->Add("ResetTables"); };
    record.services = {&display, &engine3d, &sound, &system};
    std::vector<const Subsystem*> list = previous_;
    list.push_back(&record);
    installed_ = list;
    InstallSubsystems(installed_);
  }
  ~RecordingServices() {
    InstallSubsystems(previous_);
    current = nullptr;
  }

  static inline CallLog* current = nullptr;

 private:
  std::vector<const Subsystem*> previous_;
  std::vector<const Subsystem*> installed_;
};

}  // namespace qm::test
