// The run loop and the frame steps (see run_loop.h).
#include "runtime/run_loop.h"

#include <climits>
#include <csignal>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/command_line_overlay.h"
#include "runtime/frame_services.h"
#include "runtime/interpreter.h"
#include "runtime/packed_files.h"
#include "runtime/print_input.h"
#include "runtime/program_image.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"
#include "runtime/subsystem.h"
#include "runtime/system_flags.h"

namespace qm {

RunLoopState RunLoop;
volatile std::sig_atomic_t LeaveRunRequested = 0;

namespace {

FrameObserver gFrameObserver = nullptr;

DisplayServices& Display() { return *Services().display; }
Engine3DServices& Engine3D() { return *Services().engine3d; }
SoundServices& Sound() { return *Services().sound; }
SystemServices& System() { return *Services().system; }

void ReadInputDevices() {
  if (!InputActiveFlag || !DisplayReadyFlag) return;
  System().ReadInputState();
}

// The main window procedure takes the typed characters for INKEY$, ENTRY$, INPUT and WAIT KEY.
void TranslateAndDispatch(const platform::Message& message) {
  platform::TranslateMessage(message);
  platform::DispatchMessage(message);
}

// Every pass dispatches one waiting message or runs one frame, until a quit arrives.
void RunningPhase() {
  platform::Message message;
  for (;;) {
    if (LeaveRunRequested != 0) return;
    ReadInputDevices();
    if (platform::PeekMessage(message, true)) {
      if (message.id == platform::kMsgQuit) return;
      TranslateAndDispatch(message);
    } else {
      BeginFrame();
      ExecuteSlice();
      SyncFrame();
    }
  }
}

void ShowPendingErrorInCommandLine() {
  if (!CommandLine().FullyOpen() || PendingErrorCode <= 0) return;
  // The line of the command that raised the error; the stopped word when none did.
  const int32_t word =
      RuntimeErrors.errorCommandWord >= 0 ? RuntimeErrors.errorCommandWord : RunLoop.savedProgramCounter;
  RunLoop.shownError = ShownError{PendingErrorCode, PendingErrorIsWarning != 0, SourceLineOfWord(word),
                                  GetErrorMessageText(PendingErrorCode)};
  const ShownError& shown = RunLoop.shownError;
  CommandLine().ShowError(shown.code, shown.warning, shown.text, shown.line);
  PendingErrorCode = 0;
}

// The command line over the stopped program, frame by frame, until it gives a result. A quit
// that arrives before the command line has a result is dropped.
CliResult CommandLinePhase() {
  CliResult result = CliResult::Stay;
  platform::Message message;
  for (;;) {
    ReadInputDevices();
    if (platform::PeekMessage(message, true)) {
      if (message.id == platform::kMsgQuit) {
        if (result != CliResult::Stay) return result;
        continue;
      }
      TranslateAndDispatch(message);
    } else {
      BeginFrame();
      ShowPendingErrorInCommandLine();
      result = CommandLine().Frame();
      SyncFrame();
    }
  }
}

void OpenCommandLine() {
  if (!RunLoop.overlayOpen) {
    BeginFrame();
    CommandLine().Open();
    SyncFrame();
    RunLoop.overlayOpen = 1;
    CliActiveFlag = 1;
    RunLoop.openDisplayWidth = Display().DisplayWidth();
    return;
  }
  // A typed line has just run with the overlay open.
  if (DisplayResetMark) CommandLine().RebuildPanel();
  RunLoop.openDisplayWidth = Display().DisplayWidth();
  CommandLine().PlacePanel(Display().DisplayWidth(), Display().DisplayHeight());
}

void CloseCommandLine() {
  BeginFrame();
  CommandLine().Close();
  SyncFrame();
  SetInputMode(InputMode::Program);
  RunLoop.overlayOpen = 0;
  CliActiveFlag = 0;
}

// True when the run ends without the command line: LOCK CLI, or F11 / F12 during the program.
bool LeavesWithoutCommandLine() { return LockCliFlag || BreakKeyF12State == 2 || BreakKeyF11State == 2; }

bool KeyHeld(int virtualKey) { return platform::GetAsyncKeyState(virtualKey) != 0; }

// A frame shows something while the display is shown and either the program runs or a command
// line the user works in is open. Only then does the frame wait for its time.
bool FrameShowsSomething() {
  return RunLoop.framesShown != 0 && (RunLoop.commandLinePhase == 0 || CommandLine().Live());
}

}  // namespace

void RunHandler(bool cliOnly) {
  RunLoop.savedProgramCounter = -1;
  RunLoop.shownError = ShownError{};
  ResetRunner();
  for (;;) {
    DisplayResetMark = 0;
    BreakKeyF11State = 1;
    BreakKeyF12State = 1;
    if (cliOnly) {
      cliOnly = false;
      BeginFrame();
      SyncFrame();
      ProgramEndedFlag = 1;
    } else {
      RunningPhase();
    }
    FlushBreakKeysAndMessages();
    if (LeavesWithoutCommandLine()) {
      BreakKeyF12State = 0;  // F11's 2 stays: the editor reopens its help viewer
      break;
    }
    BreakKeyF12State = 0;
    BreakKeyF11State = 0;
    if (RunLoop.savedProgramCounter < 0) RunLoop.savedProgramCounter = ProgramCounter;
    SetInputMode(InputMode::CommandLine);
    RunLoop.commandLinePhase = 1;
    OpenCommandLine();

    const CliResult result = CommandLinePhase();
    FlushBreakKeysAndMessages();
    if (result != CliResult::RunTypedLine) CloseCommandLine();
    RunLoop.commandLinePhase = 0;
    if (result == CliResult::End) break;
    if (result == CliResult::Continue) {
      ProgramCounter = RunLoop.savedProgramCounter;
      RunLoop.savedProgramCounter = -1;
    } else if (result == CliResult::RunTypedLine) {
      ProgramCounter = PieceStartWord();
      SetInputMode(InputMode::Program);
    }
  }
  EndRun();
  FlushBreakKeysAndMessages();
}

void BeginFrame() {
  if (!DisplayReadyFlag) {
    System().PollLaunchedProcess();
    Display().SetScreenInvalid();
    if (!Display().RestorePrimarySurface()) return;
    DisplayReadyFlag = 1;
  }
  Display().AnimateMousePointer();
  Display().ClearZBuffer();
  Display().RestoreSpriteBackgrounds();
  Engine3D().RenderBackdrop();
  if (DrawOrderFlag == 0) Engine3D().Render3DScene();
  Display().ProcessDrawRequests();
}

void SyncFrame() {
  if (!DisplayReadyFlag) return;
  Display().ProcessDeferredDeletions();
  if (FrameShowsSomething()) WaitForFrameTime();
  Display().UpdateAnimations();
  Display().SaveSpriteBackgrounds();
  if (DrawOrderFlag == 1) Engine3D().Render3DScene();
  Display().DrawSprites();
  Sound().UpdateSound();
  Sound().Update3DSound();
  Sound().UpdateMusic();
  Engine3D().UpdateObjectAnimations();
  if (gFrameObserver != nullptr) gFrameObserver();
  Display().PresentFrame();
  Display().TakePendingScreenCapture();
  System().ClearFrameMotion();
}

void WaitForFrameTime() {
  const uint32_t frameTime = SyncRateMs > 0 ? SyncRateMs : 1;
  for (;;) {
    const uint32_t elapsed = platform::TimeMs() - LastFrameTime;
    if (elapsed >= frameTime) break;
    // The clock counts whole milliseconds, so sleeping the rest of the wait ends it on time
    // without keeping a core busy.
    platform::SleepMs(frameTime - elapsed);
  }
  LastFrameTime = platform::TimeMs();
}

bool InitGameCore(bool fullScreen, bool windowMode, bool sameCard) {
  int32_t full = fullScreen ? 1 : 0;
  int32_t window = windowMode ? 1 : 0;
  ReadStandaloneWindowSettings(full, window, PackedCopyOf);
  if (!sameCard) Display().ChooseBest3DCard();
  Display().SetFullScreenFlag(full != 0);
  const int depth = RunLoop.runDisplayDepth > 0 ? RunLoop.runDisplayDepth : Display().Best3DDepth();
  const int width = RunLoop.runDisplayWidth, height = RunLoop.runDisplayHeight;
  if (!sameCard && !Display().InitDirectX(full != 0)) {
    PendingErrorCode = kErrorDirectX;
    return false;
  }
  if (window != 0) {
    Display().PlaceRunWindow();
  } else if (!sameCard && !Display().SetDisplayMode(width, height, depth)) {
    PendingErrorCode = kErrorDisplayMode;
    return false;
  }
  ResetDisplayDefaults();
  if (!Display().CreateScreenAreas(width, height)) {
    PendingErrorCode = kErrorScreenAreas;
    return false;
  }
  Display().ShowSystemCursor(false);
  for (int pass = 0; pass < 2; ++pass) {
    Display().ClearScreenSurfaces();
    Display().PresentFrame();
  }
  Display().InitGameData();
  Engine3D().Init3DScene();
  Display().LoadMousePointerBitmap();
  Display().ShowMouse();
  ResetSystemTables();
  Sound().ResetSound3D();
  RunLoop.runStartFolder = platform::CurrentFolder();
  System().AcquireInputDevices();
  Engine3D().ClearViewportColour(0);
  Engine3D().ClearCameraView(0);
  Engine3D().ClearCameraView(0);
  return true;
}

void CloseGameCore(bool sameCard) {
  System().FtpDisconnectAndHangUp();
  System().UnacquireInputDevices();
  System().ReleaseForceEffects();
  ResetDisplayDefaults();
  Sound().DeleteAllMusic();
  Sound().DeleteAllSounds();
  Display().FreeAllAnimations();
  Display().FreeMousePointer();
  Display().FreeMousePointerBitmap();
  Display().FreeGameData();
  Display().CloseDirectX(sameCard);
  FreeRuntimeData();
  if (!RunLoop.runStartFolder.empty()) platform::ChangeFolder(RunLoop.runStartFolder);
  Display().RestoreDesktopWindow();
}

void EndRun() {
  System().SetScreenSaverRunning(false);
  // The return stack's family pops every frame, restoring the outermost values of variables.
  RunSubsystemSteps(&Subsystem::runEnd);
}

void ResetDisplayDefaults() {
  Display().ResetDisplayDefaults();
  Engine3D().Reset3DDefaults();
}

void ResetSystemTables() {
  ProgramImage.readPosition = 0;
  CliActiveFlag = 0;
  RunSubsystemSteps(&Subsystem::resetTables);
}

void FreeRuntimeData() {
  System().FreeDllSlots();
  RunSubsystemSteps(&Subsystem::freeRunData);
  FreeProgramImage();
}

void PauseMediaOnFocusLost() {
  Sound().PauseAllMusic();
  Sound().PauseAllSounds();
}

void ResumeMediaOnFocusRegained() {
  Sound().ResumeAllMusic();
  Sound().ResumeAllSounds();
  Display().FlushVideoMemory();
}

void PumpMessagesThrottled() {
  if (++ThrottleCounter <= kThrottledPumpInterval) return;
  ThrottleCounter = 0;
  platform::Message message;
  while (platform::PeekMessage(message, true)) {
    if (message.id == platform::kMsgQuit) {
      platform::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateAndDispatch(message);
  }
}

void FlushBreakKeysAndMessages() {
  // A key that never reads as released (a stuck key, a lost key-up) must not hang the system.
  const uint32_t start = platform::TimeMs();
  for (int key : {platform::kVkEscape, platform::kVkF11, platform::kVkF12}) {
    while (KeyHeld(key) && platform::TimeMs() - start < kBreakKeyWaitMs) platform::SleepMs(1);
  }
  platform::Message message;
  while (platform::PeekMessage(message, true)) TranslateAndDispatch(message);
}

void SetFrameObserver(FrameObserver observer) { gFrameObserver = observer; }

InputMode CurrentInputMode() { return RunLoop.inputMode; }
void SetInputMode(InputMode mode) { RunLoop.inputMode = mode; }

void ResetRunLoopState() {
  RunLoop = RunLoopState{};
  LeaveRunRequested = 0;
}

}  // namespace qm
