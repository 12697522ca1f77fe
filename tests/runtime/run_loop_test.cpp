// The run loop: frame steps and their order, frame pacing, the running and command-line phases,
// set-up and close of a run, and the throttled message pump.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "image_builder.h"
#include "recording_services.h"
#include "runtime/command_dispatch.h"
#include "runtime/command_line_overlay.h"
#include "runtime/system_flags.h"

namespace qm::test {
namespace {

using Calls = std::vector<std::string>;

const Calls kBeginFrameSteps = {"AnimateMousePointer", "ClearZBuffer",  "RestoreSpriteBackgrounds",
                                "RenderBackdrop",      "Render3DScene", "ProcessDrawRequests"};
const Calls kSyncFrameSteps = {"ProcessDeferredDeletions",
                               "UpdateAnimations",
                               "SaveSpriteBackgrounds",
                               "DrawSprites",
                               "UpdateSound",
                               "Update3DSound",
                               "UpdateMusic",
                               "UpdateObjectAnimations",
                               "PresentFrame",
                               "TakePendingScreenCapture",
                               "ClearFrameMotion"};

using RunLoopTest = CoreTest;

TEST_F(RunLoopTest, FrameStepsComeInTheirOrder) {
  RecordingServices services;
  BeginFrame();
  SyncFrame();
  Calls expected = kBeginFrameSteps;
  expected.insert(expected.end(), kSyncFrameSteps.begin(), kSyncFrameSteps.end());
  EXPECT_EQ(services.log.calls, expected);
}

TEST_F(RunLoopTest, DrawToBackRendersTheSceneAfterTheSpriteBackgrounds) {
  RecordingServices services;
  DrawOrderFlag = 1;
  BeginFrame();
  SyncFrame();
  Calls expected = {"AnimateMousePointer",
                    "ClearZBuffer",
                    "RestoreSpriteBackgrounds",
                    "RenderBackdrop",
                    "ProcessDrawRequests",
                    "ProcessDeferredDeletions",
                    "UpdateAnimations",
                    "SaveSpriteBackgrounds",
                    "Render3DScene",
                    "DrawSprites",
                    "UpdateSound",
                    "Update3DSound",
                    "UpdateMusic",
                    "UpdateObjectAnimations",
                    "PresentFrame",
                    "TakePendingScreenCapture",
                    "ClearFrameMotion"};
  EXPECT_EQ(services.log.calls, expected);
}

TEST_F(RunLoopTest, AnInactiveDisplayOnlyRetriesTheScreenUntilItIsRestored) {
  RecordingServices services;
  DisplayReadyFlag = 0;
  BeginFrame();
  SyncFrame();
  EXPECT_EQ(services.log.calls, (Calls{"PollLaunchedProcess", "SetScreenInvalid", "RestorePrimarySurface"}));
  EXPECT_EQ(DisplayReadyFlag, 0);

  services.log.calls.clear();
  services.display.restoreSucceeds = true;
  BeginFrame();
  EXPECT_EQ(DisplayReadyFlag, 1);
  Calls expected = {"PollLaunchedProcess", "SetScreenInvalid", "RestorePrimarySurface"};
  expected.insert(expected.end(), kBeginFrameSteps.begin(), kBeginFrameSteps.end());
  EXPECT_EQ(services.log.calls, expected);
}

TEST_F(RunLoopTest, FramesAreAtLeastTheSyncRateApart) {
  struct Case {
    uint32_t syncRateMs;
    uint32_t workMs;  // time spent between two frames
    uint32_t expectedGap;
  };
  const Case cases[] = {{25, 0, 25}, {25, 10, 25}, {25, 40, 40}, {0, 0, 1}, {16, 3, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.syncRateMs);
    SyncRateMs = c.syncRateMs;
    SyncFrame();
    const uint32_t first = clock_.Milliseconds();
    clock_.Advance(c.workMs);
    SyncFrame();
    EXPECT_EQ(clock_.Milliseconds() - first, c.expectedGap);
  }
}

TEST_F(RunLoopTest, TheFrameWaitSleepsThroughTheRestOfTheFrame) {
  // How long a real wait keeps a core busy is measured in bench/frame_wait_bench.cpp.
  const uint32_t works[] = {0, 10, 24, 30};
  SyncRateMs = 25;
  for (uint32_t work : works) {
    SCOPED_TRACE(work);
    SyncFrame();
    const uint64_t slept = clock_.SleptMs();
    clock_.Advance(work);
    SyncFrame();
    EXPECT_EQ(clock_.SleptMs() - slept, work < 25 ? 25 - work : 0);
  }
}

TEST_F(RunLoopTest, FramesNobodySeesDoNotWait) {
  struct Case {
    uint8_t framesShown;
    uint8_t commandLinePhase;
    bool waits;
  };
  // The stand-in command line shows nothing: after the program stopped, frames do not wait.
  const Case cases[] = {{1, 0, true}, {0, 0, false}, {1, 1, false}, {0, 1, false}};
  SyncRateMs = 25;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.framesShown} << int{c.commandLinePhase});
    RunLoop.framesShown = c.framesShown;
    RunLoop.commandLinePhase = c.commandLinePhase;
    clock_.Advance(100);
    LastFrameTime = clock_.Milliseconds();
    const uint64_t slept = clock_.SleptMs();
    SyncFrame();
    EXPECT_EQ(clock_.SleptMs() - slept, c.waits ? 25u : 0u);
  }
}

TEST_F(RunLoopTest, PauseAndResumeReachTheMediaInOrder) {
  RecordingServices services;
  PauseMediaOnFocusLost();
  ResumeMediaOnFocusRegained();
  EXPECT_EQ(services.log.calls, (Calls{"PauseAllMusic", "PauseAllSounds", "ResumeAllMusic", "ResumeAllSounds",
                                       "FlushVideoMemory"}));
}

TEST_F(RunLoopTest, InitGameCoreSetsUpTheRunInOrder) {
  RecordingServices services;
  ASSERT_TRUE(InitGameCore(true, false, false));
  const Calls expected = {"ChooseBest3DCard",    "SetFullScreenFlag",    "InitDirectX",
                          "SetDisplayMode",      "ResetDisplayDefaults", "Reset3DDefaults",
                          "CreateScreenAreas",   "ShowSystemCursor",     "ClearScreenSurfaces",
                          "PresentFrame",        "ClearScreenSurfaces",  "PresentFrame",
                          "InitGameData",        "Init3DScene",          "LoadMousePointerBitmap",
                          "ShowMouse",           "ResetTables",          "ResetSound3D",
                          "AcquireInputDevices", "ClearViewportColour",  "ClearCameraView",
                          "ClearCameraView"};
  EXPECT_EQ(services.log.calls, expected);

  services.log.calls.clear();
  ASSERT_TRUE(InitGameCore(false, true, true));
  EXPECT_EQ(services.log.calls[0], "SetFullScreenFlag") << "the same card skips the card choice";
  EXPECT_EQ(services.log.calls[1], "PlaceRunWindow");
}

TEST_F(RunLoopTest, AFailingDisplayStepGivesItsSystemError) {
  struct Case {
    bool RecordingDisplay::*fails;
    RuntimeErrorCode code;
  };
  const Case cases[] = {{&RecordingDisplay::initDirectXSucceeds, kErrorDirectX},
                        {&RecordingDisplay::setDisplayModeSucceeds, kErrorDisplayMode},
                        {&RecordingDisplay::createScreenAreasSucceeds, kErrorScreenAreas}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    RecordingServices services;
    services.display.*c.fails = false;
    PendingErrorCode = 0;
    EXPECT_FALSE(InitGameCore(true, false, false));
    EXPECT_EQ(PendingErrorCode, c.code);
  }
}

TEST_F(RunLoopTest, CloseGameCoreFreesTheRunInOrder) {
  RecordingServices services;
  ImageBuilder builder;
  builder.StringLiteral("freed");
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));
  CloseGameCore(false);
  const Calls expected = {"FtpDisconnectAndHangUp", "UnacquireInputDevices", "ReleaseForceEffects",
                          "ResetDisplayDefaults",   "Reset3DDefaults",       "DeleteAllMusic",
                          "DeleteAllSounds",        "FreeAllAnimations",     "FreeMousePointer",
                          "FreeMousePointerBitmap", "FreeGameData",          "CloseDirectX",
                          "FreeDllSlots",           "RestoreDesktopWindow"};
  EXPECT_EQ(services.log.calls, expected);
  EXPECT_FALSE(ProgramImageExists());
}

// ---- The running and command-line phases ----

constexpr int32_t kBreak = 110;  // stops the program, resumable (as BREAK)
constexpr int32_t kMark = 111;   // counts
constexpr int32_t kEnd = 112;    // stops the program for good (as END)
constexpr int32_t kFail = 113;   // raises runtime error 107
constexpr int32_t kF12 = 114;    // F12 pressed while the program runs

int gMarks = 0;

Pc Break(Pc at) {
  platform::PostQuitMessage(0);
  StopFlag = 1;
  return at + 1;
}
Pc Mark(Pc at) {
  ++gMarks;
  return at + 1;
}
Pc End(Pc at) {
  ProgramEndedFlag = 1;
  return Break(at);
}
Pc Fail(Pc at) {
  RaiseRuntimeError(107);
  return at + 1;
}
Pc PressF12(Pc at) {
  BreakKeyF12State = 2;
  return Break(at);
}

const CommandRegistration kRunCommands[] = {{kBreak, "break", "0", Break},
                                            {kMark, "mark", "0", Mark},
                                            {kEnd, "end", "0", End},
                                            {kFail, "fail", "0", Fail},
                                            {kF12, "f12", "0", PressF12}};

// A command line that answers with a script of results and records what the run loop asks.
class ScriptedCommandLine : public CommandLineOverlay {
 public:
  void Open() override { calls.push_back("Open"); }
  void Close() override {
    calls.push_back("Close");
    SetInputMode(InputMode::Program);
  }
  void PlacePanel(int, int) override { calls.push_back("PlacePanel"); }
  void ShowError(RuntimeErrorCode code, bool warning, const std::string& text, int line) override {
    calls.push_back("ShowError " + std::to_string(code) + (warning ? " warning " : " error ") + "line " +
                    std::to_string(line) + ": " + text);
  }
  CliResult Frame() override {
    CliResult result = results.empty() ? CliResult::End : results.front();
    if (!results.empty()) results.pop_front();
    calls.push_back("Frame " + std::to_string(static_cast<int>(result)));
    if (onFrame) onFrame(result);
    // Every result but "stay" comes with a quit; "stay" with a stray quit, which is dropped.
    platform::PostQuitMessage(0);
    return result;
  }

  std::deque<CliResult> results;
  Calls calls;
  void (*onFrame)(CliResult) = nullptr;
};

class RunHandlerTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    gMarks = 0;
    runCommands_.record.services.commandLine = &commandLine_;
    Install({&runCommands_.record});
  }
  void Load(std::initializer_list<int32_t> ids) {
    for (int32_t id : ids) builder_.Command(id);
    builder_.EndProgram();
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder_));
  }

  ImageBuilder builder_{64};
  ScriptedCommandLine commandLine_;
  TestSubsystem runCommands_{kRunCommands};
};

TEST_F(RunHandlerTest, AStopOpensTheCommandLineAndEndLeavesTheRun) {
  Load({kEnd});
  commandLine_.results = {CliResult::End};
  RunHandler(false);
  EXPECT_EQ(commandLine_.calls, (Calls{"Open", "Frame 1", "Close"}));
  EXPECT_EQ(ProgramEndedFlag, 1);
  EXPECT_EQ(CurrentInputMode(), InputMode::Program);
  EXPECT_EQ(CliActiveFlag, 0);
}

TEST_F(RunHandlerTest, ContinueResumesAtTheWordWhereTheProgramStopped) {
  Load({kBreak, kMark, kEnd});
  commandLine_.results = {CliResult::Continue, CliResult::End};
  RunHandler(false);
  EXPECT_EQ(gMarks, 1);
  EXPECT_EQ(commandLine_.calls, (Calls{"Open", "Frame 2", "Close", "Open", "Frame 1", "Close"}));
}

TEST_F(RunHandlerTest, ATypedLineRunsFromThePieceStartWithTheOverlayOpen) {
  Load({kBreak, kMark, kEnd});
  static ImageBuilder* builder = nullptr;
  builder = &builder_;
  // The first frame compiles a typed line (mark, then back to the command line) onto the end.
  commandLine_.onFrame = [](CliResult result) {
    if (result != CliResult::RunTypedLine) return;
    builder->BeginCliPiece();
    builder->Command(kMark);
    builder->Command(kBreak);
    builder->EndCliPiece();
    ASSERT_TRUE(AppendCliLineToRunner(*builder));
  };
  commandLine_.results = {CliResult::RunTypedLine, CliResult::Continue, CliResult::End};
  RunHandler(false);
  EXPECT_EQ(gMarks, 2) << "the typed line's mark, then the program's after ESC";
  EXPECT_EQ(commandLine_.calls,
            (Calls{"Open", "Frame 3", "PlacePanel", "Frame 2", "Close", "Open", "Frame 1", "Close"}));
}

TEST_F(RunHandlerTest, AQuitBeforeTheCommandLineHasAResultIsDropped) {
  Load({kEnd});
  commandLine_.results = {CliResult::Stay, CliResult::Stay, CliResult::End};
  RunHandler(false);
  EXPECT_EQ(commandLine_.calls, (Calls{"Open", "Frame 0", "Frame 0", "Frame 1", "Close"}));
}

TEST_F(RunHandlerTest, ThePendingErrorIsShownOnceWithItsLine) {
  builder_.SetLine(7);
  Load({kMark, kFail});
  commandLine_.results = {CliResult::Stay, CliResult::End};
  RunHandler(false);
  ASSERT_EQ(commandLine_.calls.size(), 5u);
  EXPECT_EQ(commandLine_.calls[1].rfind("ShowError 107 error line 7: ", 0), 0u) << commandLine_.calls[1];
  EXPECT_EQ(commandLine_.calls[3], "Frame 1") << "shown once";
  EXPECT_EQ(PendingErrorCode, 0);
}

TEST_F(RunHandlerTest, F12AndLockCliLeaveWithoutTheCommandLine) {
  Load({kF12});
  RunHandler(false);
  EXPECT_TRUE(commandLine_.calls.empty());
  EXPECT_EQ(BreakKeyF12State, 0);

  ResetRunLoopState();
  LockCliFlag = 1;
  static bool lockAgain = false;
  lockAgain = true;
  // ResetRunner clears LOCK CLI at the run start: the program sets it again, as LOCK CLI does.
  runCommands_.record.runStart = [] { LockCliFlag = lockAgain ? 1 : 0; };
  Install({&runCommands_.record});
  RunHandler(false);
  lockAgain = false;
  EXPECT_TRUE(commandLine_.calls.empty());
}

TEST_F(RunHandlerTest, ACommandLineOnlyRunStartsInTheCommandLineWithTheProgramEnded) {
  Load({kMark});
  commandLine_.results = {CliResult::End};
  RunHandler(true);
  EXPECT_EQ(gMarks, 0);
  EXPECT_EQ(ProgramEndedFlag, 1);
  EXPECT_EQ(commandLine_.calls, (Calls{"Open", "Frame 1", "Close"}));
}

// ---- The throttled pump ----

int gDispatched = 0;
int64_t CountingWindowProc(const platform::Message& message) {
  if (message.id == platform::kMsgPaint) ++gDispatched;
  return 0;
}

TEST_F(RunLoopTest, ThrottledPumpDispatchesOnlyOnIts50001stCall) {
  gDispatched = 0;
  ASSERT_TRUE(platform::CreateMainWindow("pump", 640, 480, CountingWindowProc));
  platform::Message paint;
  paint.id = platform::kMsgPaint;
  platform::PostMessage(paint);
  for (int call = 0; call < 50000; ++call) PumpMessagesThrottled();
  EXPECT_EQ(gDispatched, 0);
  PumpMessagesThrottled();
  EXPECT_EQ(gDispatched, 1);
  EXPECT_EQ(ThrottleCounter, 0u);

  // A quit met while pumping stops it and is posted again for the run loop.
  platform::PostMessage(paint);
  platform::PostQuitMessage(0);
  platform::PostMessage(paint);
  ThrottleCounter = kThrottledPumpInterval;
  PumpMessagesThrottled();
  EXPECT_EQ(gDispatched, 3);
  platform::Message message;
  ASSERT_TRUE(platform::PeekMessage(message, true));
  EXPECT_EQ(message.id, platform::kMsgQuit);
  platform::DestroyMainWindow();
}

}  // namespace
}  // namespace qm::test
