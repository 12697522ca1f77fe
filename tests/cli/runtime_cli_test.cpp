// The runtime command line over stopped programs: typed lines compiled onto the program and run,
// the compiler's and the runtime's answers as rows, the edit row's keys and history, continuing
// with ESC, and leaving with F12.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_fixture.h"
#include "compiler/parser.h"
#include "platform/keys.h"
#include "runtime/interpreter.h"
#include "runtime/language_words.h"
#include "runtime/print_transcript.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"

namespace qm::test {
namespace {

using platform::kVkDown;
using platform::kVkEscape;
using platform::kVkF12;
using platform::kVkUp;

std::string Desc(int key) { return GetWord(WordSection::Desc, key); }
std::string Ended() { return ">> " + Desc(36); }
std::string Interrupted() { return ">> " + Desc(37); }

std::vector<std::string> Printed() { return TranscriptLines(); }

CliStep WhenIdle(std::function<void()> act) { return {CliTest::CliIdleNow, std::move(act)}; }
CliStep WhenRunning(std::function<void()> act) { return {CliTest::ProgramRunsNow, std::move(act)}; }

TEST_F(CliTest, ATypedLineRunsAtOnceAndLeavesAFreshEditRow) {
  std::vector<std::string> printedBefore;
  Run("a = 1\nend\n", {WhenIdle([] { Type("print 1+1\r"); }), WhenIdle([&] {
                         EXPECT_EQ(Row(0), Ended());
                         EXPECT_EQ(Row(1), "print 1+1");
                         EXPECT_EQ(State().lineIndex, 2);
                         EXPECT_EQ(State().editLine, "");
                         EXPECT_EQ(State().cursorIndex, 0);
                         printedBefore = Printed();
                       })});
  EXPECT_EQ(printedBefore, std::vector<std::string>{"2"});
}

TEST_F(CliTest, ALineThatDoesNotCompileShowsTheCompilersTextAndRunsNothing) {
  std::string compilerText;
  Run("break\nend\n", {WhenIdle([] { Type("print (1\r"); }), WhenIdle([&] {
                         compilerText = Row(2);
                         EXPECT_EQ(Row(1), "print (1");
                         EXPECT_EQ(State().lineIndex, 3);
                         EXPECT_EQ(State().editLine, "");
                       })});
  EXPECT_FALSE(compilerText.empty());
  EXPECT_EQ(compilerText, parser_.errorText);
  EXPECT_TRUE(Printed().empty());
}

TEST_F(CliTest, ARuntimeErrorOfTheProgramEndsItAndShowsItsLine) {
  const RunOutcome outcome = Run("dim a(1)\nx = a(5)\nprint \"after\"\n",
                                 {WhenIdle([&] {
                                    EXPECT_EQ(Row(0), Ended());
                                    EXPECT_EQ(Row(1), "Runtime Error at line 2. " + GetErrorMessageText(102));
                                    EXPECT_EQ(ProgramEndedFlag, 1);
                                    Press(kVkEscape);  // an ended program does not continue
                                  }),
                                  {nullptr, [] {}},
                                  {nullptr, [] {}},
                                  WhenIdle([] { EXPECT_EQ(RunLoop.commandLinePhase, 1); })});
  EXPECT_EQ(outcome.end, RunEnd::RuntimeError);
  EXPECT_EQ(outcome.code, 102);
  EXPECT_EQ(outcome.line, 2);
  EXPECT_EQ(parser_.errorOrigin, ErrorOrigin::Program);
  EXPECT_EQ(parser_.errorLine, 2);
  EXPECT_TRUE(Printed().empty());
}

TEST_F(CliTest, TheSameErrorFromATypedLineLeavesTheProgramResumable) {
  Run("dim a(1)\nbreak\nprint \"after\"\nend\n", {WhenIdle([] { Type("x = a(5)\r"); }), WhenIdle([] {
                                                    EXPECT_EQ(Row(0), Interrupted());
                                                    EXPECT_EQ(Row(1), "x = a(5)");
                                                    EXPECT_EQ(Row(2),
                                                              "Runtime Error. " + GetErrorMessageText(102));
                                                    EXPECT_EQ(ProgramEndedFlag, 0);
                                                    Press(kVkEscape);
                                                  }),
                                                  WhenRunning(nullptr)});
  EXPECT_EQ(parser_.errorOrigin, ErrorOrigin::CommandLine);
  EXPECT_EQ(Printed(), std::vector<std::string>{"after"});
}

TEST_F(CliTest, AWarningCanBeResumed) {
  Run("x = 1 / 0\nprint \"went on\"\n",
      {WhenIdle([] {
         EXPECT_EQ(Row(0), Interrupted());
         EXPECT_EQ(Row(1), "Runtime Warning at line 1. " + GetErrorMessageText(111));
         Press(kVkEscape);
       }),
       WhenRunning(nullptr)});
  EXPECT_EQ(Printed(), std::vector<std::string>{"went on"});
}

TEST_F(CliTest, ALineTypedInsideAStoppedFunctionReadsAndChangesItsLocals) {
  const char* program =
      "inner = 7\n"
      "r = f(3)\n"
      "print r\n"
      "print inner\n"
      "end\n"
      "function f(n)\n"
      "  inner = n * 10\n"
      "  break\n"
      "  result = inner + 1\n"
      "endfunction result\n";
  Run(program, {WhenIdle([] { Type("print inner\r"); }), WhenIdle([] { Type("inner = 99\r"); }),
                WhenIdle([] { Press(kVkEscape); }), WhenRunning(nullptr)});
  // The typed print saw the function's 30; the typed assignment changed the function's local, not
  // the main program's variable of the same name.
  EXPECT_EQ(Printed(), (std::vector<std::string>{"30", "100", "7"}));
}

TEST_F(CliTest, UpAndDownRecallTheRowsAboveTheEditRow) {
  std::vector<std::string> recalled;
  auto note = [&] { recalled.push_back(State().editLine); };
  Run("break\nend\n",
      {WhenIdle([] { Type("a = 1\r"); }), WhenIdle([] { Type("b = 2\r"); }), WhenIdle([] { Press(kVkUp); }),
       WhenIdle(note), WhenIdle([] { Press(kVkUp); }), WhenIdle(note), WhenIdle([] { Press(kVkDown); }),
       WhenIdle(note), WhenIdle([] { Press(kVkDown); }), WhenIdle(note),
       // Up past the first row leaves the edit line as it was.
       WhenIdle([] {
         for (int i = 0; i < 4; ++i) Press(kVkUp);
       }),
       WhenIdle(note), WhenIdle([] { Press(kVkUp); }), WhenIdle(note)});
  EXPECT_EQ(recalled,
            (std::vector<std::string>{"b = 2", "a = 1", "b = 2", "", Interrupted(), Interrupted()}));
}

TEST_F(CliTest, TheSixthCommitScrollsTheTopRowAway) {
  std::vector<CliStep> steps;
  for (int i = 1; i <= 5; ++i) {
    steps.push_back(WhenIdle([i] { Type("x = " + std::to_string(i) + "\r"); }));
  }
  steps.push_back(WhenIdle([] {
    EXPECT_EQ(State().lineIndex, kCliLastRow);
    EXPECT_EQ(Row(0), "x = 1");
    EXPECT_EQ(Row(4), "x = 5");
  }));
  Run("break\nend\n", steps);
}

TEST_F(CliTest, ASyncOnProgramIsInSyncOnAgainAfterEscape) {
  int duringCli = -1, afterEscape = -1;
  Run("sync on\nbreak\nsync\nend\n", {WhenIdle([&] {
                                        duringCli = SyncOffSetting;
                                        Press(kVkEscape);
                                      }),
                                      WhenRunning([&] { afterEscape = SyncOffSetting; })});
  EXPECT_EQ(duringCli, 1);
  EXPECT_EQ(afterEscape, 0);
}

TEST_F(CliTest, ABreakTextIsTheFirstRowAndEscapeContinuesAfterIt) {
  Run("break \"checkpoint\"\nprint \"after\"\nbreak\nend\n",
      {WhenIdle([] {
         EXPECT_EQ(Row(0), ">> checkpoint");
         Press(kVkEscape);
       }),
       WhenIdle([] { EXPECT_EQ(Row(0), Interrupted()); })});
  EXPECT_EQ(Printed(), std::vector<std::string>{"after"});
}

TEST_F(CliTest, EscapeAndF12WaitForTheSlideButTheCloseRequestEndsTheRun) {
  bool sawSlide = false;
  const RunOutcome outcome =
      Run("break\nprint \"after\"\n",
          {{[] { return RunLoop.commandLinePhase != 0 && TheRuntimeCli().State().slideOffset > 0; },
            [&] {
              sawSlide = State().fullyOpen == 0;
              Press(kVkEscape);
              Press(kVkF12);
            }},
           // Pressed while sliding: neither acts once the panel is open.
           WhenIdle([] {}),
           WhenIdle([] {}),
           WhenIdle([] { EXPECT_EQ(RunLoop.commandLinePhase, 1); })});
  EXPECT_TRUE(sawSlide);
  EXPECT_EQ(outcome.end, RunEnd::Ended);
  EXPECT_TRUE(Printed().empty());
  EXPECT_TRUE(TheRuntimeCli().CloseRequested());
}

TEST_F(CliTest, KeysTypedWhileThePanelSlidesInAreKept) {
  Run("break\nend\n", {{[] { return RunLoop.commandLinePhase != 0; }, [] { Type("print 5\r"); }},
                       WhenIdle([] { EXPECT_EQ(Row(1), "print 5"); })});
  EXPECT_EQ(Printed(), std::vector<std::string>{"5"});
}

// The edit row's keys, each case typed after a break: the line it leaves and where the cursor is.
TEST_F(CliTest, EditingKeysChangeTheLineAtTheCursor) {
  struct Case {
    std::vector<std::pair<int, std::string>> keys;  // a virtual key, or 0 and text to type
    std::string line;
    int32_t cursor;
  };
  const int kText = 0;
  const std::vector<Case> cases = {
      {{{kText, "abc"}}, "abc", 3},
      {{{kText, "abc"}, {platform::kVkLeft, ""}, {kText, "X"}}, "abXc", 3},
      {{{kText, "abc"}, {platform::kVkLeft, ""}, {platform::kVkLeft, ""}, {platform::kVkDelete, ""}},
       "ac",
       1},
      {{{kText, "abc"}, {kText, "\b"}}, "ab", 2},
      {{{platform::kVkLeft, ""}, {kText, "\b"}, {platform::kVkDelete, ""}}, "", 0},
      {{{kText, "ab"}, {platform::kVkRight, ""}, {platform::kVkLeft, ""}, {platform::kVkRight, ""}}, "ab", 2},
  };
  for (const Case& c : cases) {
    std::string line;
    int32_t cursor = -1;
    Run("break\nend\n", {WhenIdle([&] {
                           for (const auto& [key, text] : c.keys) key == kText ? Type(text) : Press(key);
                         }),
                         WhenIdle([&] {
                           line = State().editLine;
                           cursor = State().cursorIndex;
                           Type(std::string(line.size() + 1, '\b'));  // leave an empty row
                         })});
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(cursor, c.cursor) << c.line;
  }
}

TEST_F(CliTest, TypingStopsAtAThousandCharactersWhereverTheCursorIs) {
  size_t length = 0;
  Run("break\nend\n", {WhenIdle([] { Type(std::string(1005, 'a')); }), WhenIdle([] {
                         for (int i = 0; i < 10; ++i) Press(platform::kVkLeft);
                         Type("bbbb");
                       }),
                       WhenIdle([&] {
                         length = State().editLine.size();
                         Type(std::string(1100, '\b'));
                       })});
  EXPECT_EQ(length, 1000u);
}

TEST_F(CliTest, AHeadlessRunWithoutAttachedCompilerEndsAtTheStop) {
  const CompileOutcome compiled =
      Compile(parser_, CompileOptions{"program.qma", std::string("break\nprint 1\n")});
  ASSERT_TRUE(compiled.Compiled());
  RunOptions options;
  options.program = &parser_;
  const RunOutcome outcome = RunProgram(options);
  EXPECT_EQ(outcome.end, RunEnd::Ended);
  EXPECT_FALSE(TheRuntimeCli().CloseRequested());
}

}  // namespace
}  // namespace qm::test
