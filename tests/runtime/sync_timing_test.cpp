// The frame and time commands: SYNC RATE's frame times, SLEEP against a manual clock, WAIT KEY's
// two phases and its reset at run start, GET DATE$ and GET TIME$, TIMER and BREAK's text.
#include "runtime/sync_timing.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation_program.h"
#include "platform/clock.h"
#include "runtime/print_input.h"

namespace qm::test {
namespace {

TEST(SyncRateTest, FrameTimesAreWholeMilliseconds) {
  const std::pair<int32_t, uint32_t> cases[] = {{0, 0}, {1, 1000}, {7, 142}, {30, 33}, {60, 16}, {1000, 1}};
  for (const auto& [rate, ms] : cases) EXPECT_EQ(SyncRateFrameMs(rate), ms) << rate;
}

class SyncTimingTest : public FoundationProgramTest {
 protected:
  void SetUp() override {
    FoundationProgramTest::SetUp();
    previous_ = platform::InstallClock(&clock_);
  }
  void TearDown() override {
    platform::InstallClock(previous_);
    FoundationProgramTest::TearDown();
  }
  // Runs one slice at a time; true once the program has stopped.
  bool Slice() {
    ExecuteSlice();
    return !CommandRunsAt(ProgramCounter);
  }
  void Load(ImageBuilder& b) {
    b.EndProgram();
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(b));
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    DisplayReadyFlag = 1;
    SyncOffSetting = 0;
    ASSERT_FALSE(Slice());  // the first slice runs no command
  }

  platform::ManualClock clock_{1000};
  platform::Clock* previous_ = nullptr;
};

TEST_F(SyncTimingTest, SleepEndsInTheFirstSliceAfterItsDeadline) {
  ImageBuilder b;
  const int32_t done = b.IntVariable();
  b.Command(kCmdSleep, {b.IntLiteral(100)});
  b.Command(kOpAssignLL, {done, b.IntLiteral(1)});
  Load(b);
  EXPECT_FALSE(Slice());  // sets the deadline
  clock_.Advance(100);
  EXPECT_FALSE(Slice());  // at the deadline: not past it
  EXPECT_EQ(Int(done), 0);
  clock_.Advance(1);
  EXPECT_FALSE(Slice());  // past it: SLEEP ends, and with it the slice
  EXPECT_EQ(SyncTiming.sleepDeadline, -1.0);
  EXPECT_TRUE(Slice());
  EXPECT_EQ(Int(done), 1);
}

TEST_F(SyncTimingTest, WaitKeyWaitsForACharacterAndItsRelease) {
  ImageBuilder b;
  const int32_t done = b.IntVariable();
  b.Command(kCmdWaitKey);
  b.Command(kOpAssignLL, {done, b.IntLiteral(1)});
  Load(b);
  EXPECT_FALSE(Slice());
  platform::Message typed;
  typed.id = platform::kMsgChar;
  typed.wParam = 'a';
  NoteWindowMessage(typed);
  EXPECT_FALSE(Slice());  // seen
  EXPECT_FALSE(Slice());  // still held: no other message yet
  NoteWindowMessage(platform::Message{});
  EXPECT_TRUE(Slice());
  EXPECT_EQ(Int(done), 1);
}

TEST_F(SyncTimingTest, AWaitLeftInItsSecondPhaseStartsAfreshInTheNextRun) {
  SyncTiming.waitKeySeen = 1;
  ImageBuilder b;
  b.Command(kCmdWaitKey);
  Load(b);
  EXPECT_EQ(SyncTiming.waitKeySeen, 0);
  EXPECT_FALSE(Slice()) << "no character typed: the wait goes on";
}

TEST_F(SyncTimingTest, DateAndTimeAreTwoDigitFields) {
  clock_.SetCalendar({2002, 3, 5, 21, 7, 3, 0, 2});
  ImageBuilder b;
  const int32_t date = b.StringVariable();
  const int32_t time = b.StringVariable();
  const int32_t timer = b.IntVariable();
  b.Command(kCmdGetDateStr, {date});
  b.Command(kCmdGetTimeStr, {time});
  b.Command(kCmdTimer, {timer});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(date), "03/05/02");
  EXPECT_EQ(Text(time), "21:07:03");
  EXPECT_EQ(Int(timer), 1000);
}

TEST_F(SyncTimingTest, BreakKeepsItsTextWhole) {
  ImageBuilder b;
  const std::string text(400, 'b');
  b.Command(kCmdBreakS, {b.StringLiteral(text)});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(SyncTiming.breakMessage, text);
  RunSubsystemSteps(&Subsystem::resetTables);
  EXPECT_EQ(SyncTiming.breakMessage, "");
}

}  // namespace
}  // namespace qm::test
