// The interpreter: slices, their end conditions, the dispatch and its failure paths.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>

#include "core_fixture.h"
#include "image_builder.h"
#include "io/checklist.h"
#include "io/io_subsystem.h"
#include "platform/keys.h"
#include "recording_services.h"
#include "runtime/command_dispatch.h"
#include "runtime/diagnostics.h"
#include "runtime/system_flags.h"

namespace qm::test {
namespace {

// Test handlers, at ids the tests own.
constexpr int32_t kCount = 100;   // counts
constexpr int32_t kTick = 101;    // counts, moves the clock, jumps back to word 0
constexpr int32_t kStopAt = 102;  // counts, jumps back to word 0, stops at a count
constexpr int32_t kThrow = 103;   // throws

platform::ManualClock* gClock = nullptr;
int gCommands = 0;
uint32_t gTickMs = 0;
int gStopAtCommand = 0;
int gJumpAtCommand = 0;  // kTick: the command after which the clock jumps
uint32_t gJumpMs = 0;

Pc Count(Pc at) {
  ++gCommands;
  return at + 1;
}
Pc Tick(Pc) {
  ++gCommands;
  gClock->Advance(gTickMs);
  if (gCommands == gJumpAtCommand) gClock->Advance(gJumpMs);
  return DecodedAt(0);
}
Pc StopAt(Pc) {
  ++gCommands;
  if (gCommands == gStopAtCommand) StopFlag = 1;
  return DecodedAt(0);
}
Pc Throw(Pc) { throw std::runtime_error("handler failed"); }

const CommandRegistration kTestCommands[] = {
    {kCount, "count", "0", Count},
    {kTick, "tick", "0", Tick},
    {kStopAt, "stop at", "0", StopAt},
    {kThrow, "throw", "0", Throw},
};

class InterpreterTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    gClock = &clock_;
    gCommands = 0;
    gTickMs = 0;
    gStopAtCommand = 0;
    gJumpAtCommand = 0;
    gJumpMs = 0;
    Install({&testCommands_.record});
  }

  TestSubsystem testCommands_{kTestCommands};

  void Load(ImageBuilder& builder) {
    builder.EndProgram();
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));
  }
  // A run's start: the reset and the first slice, which runs nothing.
  void StartRun() {
    gCommands = 0;
    ResetRunner();
    ExecuteSlice();
    ASSERT_EQ(gCommands, 0);
  }
};

TEST_F(InterpreterTest, TheFirstSliceOfARunExecutesNothing) {
  ImageBuilder builder;
  builder.Command(kCount);
  builder.Command(kStopAt);
  Load(builder);
  ResetRunner();
  EXPECT_EQ(StopFlag, 1);
  ExecuteSlice();
  EXPECT_EQ(gCommands, 0);
  EXPECT_EQ(StopFlag, 0) << "the slice clears the StopFlag it returns for";
  EXPECT_EQ(ProgramCounter, 0);
  gStopAtCommand = 2;
  ExecuteSlice();
  EXPECT_EQ(gCommands, 2);
}

struct BudgetCase {
  uint32_t msPerCommand;
  int commandsInSlice;
};

TEST_F(InterpreterTest, SyncOffSliceEndsAfterTheCommandThatPassesThe33MsBudget) {
  // 11 ms a command: 33 ms after the third is not past the budget, 44 after the fourth is.
  const BudgetCase cases[] = {{11, 4}, {1, 34}, {33, 2}, {34, 1}, {100, 1}};
  ImageBuilder builder;
  builder.Command(kTick);
  Load(builder);
  for (const BudgetCase& c : cases) {
    SCOPED_TRACE(c.msPerCommand);
    StartRun();
    gTickMs = c.msPerCommand;
    ExecuteSlice();
    EXPECT_EQ(gCommands, c.commandsInSlice);
  }
}

TEST_F(InterpreterTest, SyncOffFastCommandsReadTheClockAtMostEveryMaxSpacing) {
  // While commands take no measurable time the clock is read less often: a jump past the budget
  // is seen within kMaxCommandsBetweenClockReads commands, not at once.
  ImageBuilder builder;
  builder.Command(kTick);
  Load(builder);
  StartRun();
  gJumpAtCommand = 5000;
  gJumpMs = 40;
  ExecuteSlice();
  EXPECT_GE(gCommands, 5000);
  EXPECT_LE(gCommands, 5000 + kMaxCommandsBetweenClockReads);
}

TEST_F(InterpreterTest, SyncOnSliceEndsOnThe201stCommandWhileF12IsHeld) {
  ImageBuilder builder;
  builder.Command(kStopAt);
  Load(builder);
  StartRun();
  SyncOffSetting = 0;
  platform::headless::SetKeyHeld(platform::kVkF12, true);
  ExecuteSlice();
  EXPECT_EQ(gCommands, 201);
  EXPECT_EQ(InputStaleFlag, 1);
  EXPECT_EQ(ProgramCounter, 0);
}

TEST_F(InterpreterTest, SyncOnCommandCountRunsOnAcrossSlices) {
  ImageBuilder builder;
  builder.Command(kStopAt);
  Load(builder);
  StartRun();
  SyncOffSetting = 0;
  platform::headless::SetKeyHeld(platform::kVkF11, true);
  gStopAtCommand = 50;
  ExecuteSlice();
  ASSERT_EQ(gCommands, 50);
  ExecuteSlice();
  EXPECT_EQ(gCommands, 201) << "the check comes on the 201st SYNC ON command, not per slice";
}

TEST_F(InterpreterTest, SyncOnSliceEndsWhenTheDrawingQueueIsOverfull) {
  RecordingServices services;
  ImageBuilder builder;
  builder.Command(kStopAt);
  Load(builder);
  StartRun();
  SyncOffSetting = 0;
  services.display.queuedDrawRequests = 32001;
  ExecuteSlice();
  EXPECT_EQ(gCommands, 201);
  services.display.queuedDrawRequests = 32000;
  gStopAtCommand = 201 + 500;
  ExecuteSlice();
  EXPECT_EQ(gCommands, 701) << "32,000 queued requests do not end the slice";
}

TEST_F(InterpreterTest, AnIdWithoutAHandlerStopsOnItWithoutAnError) {
  const int32_t ids[] = {0, 3, 3555, -1, 10000, 25000, 37000, 99999};
  for (int32_t id : ids) {
    SCOPED_TRACE(id);
    gCommands = 0;
    ImageBuilder builder;
    builder.Command(kCount);
    builder.Emit(id);
    builder.Command(kCount);
    Load(builder);
    StartRun();
    DrainQuit();
    ExecuteSlice();
    EXPECT_EQ(gCommands, 1);
    EXPECT_EQ(ProgramCounter, 1);
    EXPECT_TRUE(DrainQuit());
    EXPECT_EQ(PendingErrorCode, 0);
    EXPECT_EQ(ProgramEndedFlag, 0);
  }
}

TEST_F(InterpreterTest, RunningOffTheEndOfTheProgramBlockStops) {
  ImageBuilder builder(2);
  builder.Command(kCount);
  builder.Command(kCount);
  Load(builder);
  StartRun();
  ExecuteSlice();
  EXPECT_EQ(gCommands, 2);
  EXPECT_EQ(ProgramCounter, 2);
  EXPECT_EQ(PendingErrorCode, 0);
}

struct ExceptionCase {
  bool commandLineOpen;
  uint8_t programEnded;
};

TEST_F(InterpreterTest, AnExceptionInAHandlerBecomesSystemError10010) {
  for (const ExceptionCase c : {ExceptionCase{false, 1}, ExceptionCase{true, 0}}) {
    SCOPED_TRACE(c.commandLineOpen);
    gCommands = 0;
    ImageBuilder builder;
    builder.Command(kCount);
    builder.Command(kThrow);
    builder.Command(kCount);
    Load(builder);
    StartRun();
    CliActiveFlag = c.commandLineOpen ? 1 : 0;
    ExecuteSlice();
    EXPECT_EQ(gCommands, 1) << "the slice ends after the failing command";
    EXPECT_EQ(PendingErrorCode, kErrorSevereException);
    EXPECT_EQ(ProgramEndedFlag, c.programEnded);
    EXPECT_EQ(RuntimeErrors.errorCommandWord, 1);
    EXPECT_TRUE(DrainQuit());
    ResetRuntimeErrorState();
  }
}

TEST_F(InterpreterTest, AnInactiveDisplayRunsNoCommandAndKeepsTheStopFlag) {
  ImageBuilder builder;
  builder.Command(kStopAt);
  Load(builder);
  StartRun();
  DisplayReadyFlag = 0;
  StopFlag = 1;
  ExecuteSlice();
  EXPECT_EQ(gCommands, 0);
  EXPECT_EQ(StopFlag, 1);
}

TEST_F(InterpreterTest, DebugModeTracesEveryCommandWithItsWordIndex) {
  char pattern[] = "/tmp/qm-trace-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path folder = pattern;
  gSettings.programFolder = folder.string() + "/";
  gSettings.debugModeFlag = true;
  ImageBuilder builder;
  builder.Command(kCount);
  builder.Command(kCount);
  builder.Emit(3);
  Load(builder);
  StartRun();
  ExecuteSlice();
  FlushDiagnosticsLog();
  std::stringstream log;
  log << std::ifstream(folder / "QM.LOG").rdbuf();
  EXPECT_NE(log.str().find("[QUILLMOORLOOPMIDDLE]"), std::string::npos) << log.str();
  for (const char* entry : {"PC0=100", "PC1=100", "PC2=3"}) {
    EXPECT_NE(log.str().find(entry), std::string::npos) << entry << "\n" << log.str();
  }
  DeleteDiagnosticsLog();
  std::filesystem::remove_all(folder);
}

TEST_F(InterpreterTest, ResetRunnerGivesEveryFlagItsRunStartValue) {
  static int resets = 0;
  resets = 0;
  testCommands_.record.runStart = [] { ++resets; };
  Install({&testCommands_.record, &kIoSubsystem});
  ProgramCounter = 9;
  SyncOffSetting = 0;
  RefreshAfterDrawing = 0;
  SliceBudgetMs = 5;
  CommandCounter = 77;
  PendingErrorCode = 3;
  ProgramEndedFlag = 1;
  SyncRateMs = 0;
  ThrottleCounter = 12;
  DrawOrderFlag = 1;
  LockCliFlag = 1;
  LockEditorFlag = 1;
  EscapeKeyEnabled = 0;
  Checklist.count = 4;
  Checklist.entries[3].a = 8;
  SetChecklistText(3, "x");

  ResetRunner();
  EXPECT_EQ(StopFlag, 1);
  EXPECT_EQ(ProgramCounter, 0);
  EXPECT_EQ(SyncOffSetting, 1);
  EXPECT_EQ(RefreshAfterDrawing, 1);
  EXPECT_EQ(SliceBudgetMs, 33u);
  EXPECT_EQ(CommandCounter, 0u);
  EXPECT_EQ(PendingErrorCode, 0);
  EXPECT_EQ(ProgramEndedFlag, 0);
  EXPECT_EQ(SyncRateMs, 25u);
  EXPECT_EQ(ThrottleCounter, 0u);
  EXPECT_EQ(DrawOrderFlag, 0);
  EXPECT_EQ(LockCliFlag, 0);
  EXPECT_EQ(LockEditorFlag, 0);
  EXPECT_EQ(EscapeKeyEnabled, 1);
  EXPECT_EQ(Checklist.count, 0);
  EXPECT_EQ(Checklist.entries[3].a, -1);
  EXPECT_EQ(Checklist.entries[3].text, "") << "io's run-start step";
  EXPECT_EQ(resets, 1) << "every installed subsystem's run-start step";
}

}  // namespace
}  // namespace qm::test
