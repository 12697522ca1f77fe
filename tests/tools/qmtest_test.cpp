// The conformance runner: reading REM expectations, and the verdicts of programs that do not meet
// them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "app/system_subsystems.h"
#include "runtime/frame_services.h"
#include "runtime/language_words.h"
#include "runtime/settings.h"
#include "tools/qmtest/expectations.h"
#include "tools/qmtest/program_run.h"

namespace qm::qmtest {
namespace {

TEST(Expectations, ReadsEveryForm) {
  const Expectations e = ReadExpectations(
      "a = 1\r\n"
      "REM EXPECT a = 1\r\n"
      "REM EXPECT B# = -2.5\n"
      "x = 2 : REM EXPECT s$ = \"a b\"\n"
      "REM EXPECT grid(1, 2) = 7\n"
      "REM EXPECT RUNTIME ERROR 102 LINE 9\n"
      "REM LIMIT 2.5\n"
      "REM just a comment\n");
  ASSERT_EQ(e.variables.size(), 4u);
  EXPECT_EQ(e.variables[0].name, "a");
  EXPECT_EQ(e.variables[0].value.integer, 1);
  EXPECT_EQ(e.variables[1].name, "b#");
  EXPECT_DOUBLE_EQ(e.variables[1].value.number, -2.5);
  EXPECT_EQ(e.variables[2].value.text, "a b");
  EXPECT_EQ(e.variables[3].indices, (std::vector<int32_t>{1, 2}));
  ASSERT_TRUE(e.stop.has_value());
  EXPECT_FALSE(e.stop->warning);
  EXPECT_EQ(e.stop->code, 102);
  EXPECT_EQ(e.stop->line, 9);
  EXPECT_DOUBLE_EQ(e.limitSeconds, 2.5);
  EXPECT_TRUE(e.problems.empty());

  const Expectations c = ReadExpectations(
      "REM EXPECT COMPILE ERROR LINE 3 \"not valid\"\n"
      "REM EXPECT WARNING 111 LINE 4\n");
  ASSERT_TRUE(c.compileError.has_value());
  EXPECT_EQ(c.compileError->line, 3);
  EXPECT_EQ(c.compileError->text, "not valid");
  EXPECT_TRUE(c.stop->warning);
}

TEST(Expectations, ReadsNamedKeys) {
  const Expectations e = ReadExpectations("REM INPUT \"\\{F12}a\\{WAIT}\\{ESC}\\{UP}\\{DELETE}\"\n");
  EXPECT_TRUE(e.problems.empty()) << e.problems.front();
  EXPECT_TRUE(e.screen.namedKeys);
  ASSERT_EQ(e.screen.typed.size(), 6u);
  EXPECT_EQ(e.screen.typed[0].virtualKey, 0x7B);
  EXPECT_EQ(e.screen.typed[1].character, 'a');
  EXPECT_TRUE(e.screen.typed[2].Nothing());
  EXPECT_EQ(e.screen.typed[3].virtualKey, 0x1B);
  EXPECT_EQ(e.screen.typed[4].virtualKey, 0x26);
  EXPECT_EQ(e.screen.typed[5].virtualKey, 0x2E);
  // An unknown name or an unclosed brace cannot be read.
  EXPECT_EQ(ReadExpectations("REM INPUT \"\\{F13}\"\n").problems.size(), 1u);
  EXPECT_EQ(ReadExpectations("REM INPUT \"\\{ESC\"\n").problems.size(), 1u);
}

TEST(Expectations, UnreadableLinesAreProblems) {
  const Expectations e = ReadExpectations(
      "REM EXPECT a = \nREM EXPECT s$ = 5\nREM LIMIT soon\n"
      "REM EXPECT RUNTIME ERROR LINE 2\n"
      // Limits no timer can hold keep the default.
      "REM LIMIT inf\nREM LIMIT nan\nREM LIMIT 1e300\nREM LIMIT 0\n");
  EXPECT_EQ(e.problems.size(), 8u);
  EXPECT_DOUBLE_EQ(e.limitSeconds, kDefaultLimitSeconds);
}

TEST(Expectations, ReadsTheScreenLines) {
  const Expectations e = ReadExpectations(
      "REM DISPLAY 800,600,32\nREM WINDOWED\nREM INPUT \"a\\b\\r\\e\\\\\"\nREM FRAMES 7\n"
      "REM EXPECT PIXEL 3,4 = RGB(255,0,16)\nREM EXPECT PIXEL 1, 2 BITMAP 5 = RGB(1,2,3)\n"
      "REM EXPECT PRINTED 2 = \"two words\"\nREM EXPECT PRINTED LINES = 4\n");
  EXPECT_TRUE(e.problems.empty()) << e.problems.front();
  EXPECT_EQ(e.screen.width, 800);
  EXPECT_EQ(e.screen.height, 600);
  EXPECT_EQ(e.screen.depth, 32);
  EXPECT_TRUE(e.screen.windowed);
  std::string typed;
  for (const TypedInput& input : e.screen.typed) typed.push_back(static_cast<char>(input.character));
  EXPECT_EQ(typed, std::string("a\b\r\x1b\\"));
  EXPECT_FALSE(e.screen.namedKeys);
  EXPECT_EQ(e.screen.frames, 7);
  ASSERT_EQ(e.screen.pixels.size(), 2u);
  EXPECT_EQ(e.screen.pixels[0].colour, 0xFF0010);
  EXPECT_EQ(e.screen.pixels[0].bitmap, -1);
  EXPECT_EQ(e.screen.pixels[1].bitmap, 5);
  ASSERT_EQ(e.screen.printed.size(), 1u);
  EXPECT_EQ(e.screen.printed[0].number, 2);
  EXPECT_EQ(e.screen.printed[0].text, "two words");
  EXPECT_EQ(e.screen.printedLines, 4);
  const Expectations bad = ReadExpectations(
      "REM DISPLAY 640,480,12\nREM INPUT \"\\q\"\nREM FRAMES 0\nREM EXPECT PIXEL 1,1 = RGB(256,0,0)\n"
      "REM EXPECT PRINTED 0 = \"x\"\nREM EXPECT PRINTED LINES = many\n");
  EXPECT_EQ(bad.problems.size(), 6u);
}

TEST(Expectations, OnlyTheUpperCaseDirectivesAreDirectives) {
  const Expectations e = ReadExpectations(
      "REM limit is re-evaluated\n"
      "rem expect a = 1\n"
      "Rem EXPECT a = 2\n"
      "REM Expect a = 3\n"
      "REM EXPECT runtime error 102 line 9\n"
      "REM EXPECT COMPILE ERROR line 3\n");
  EXPECT_TRUE(e.variables.empty());
  EXPECT_FALSE(e.stop.has_value());
  EXPECT_FALSE(e.compileError.has_value());
  EXPECT_DOUBLE_EQ(e.limitSeconds, kDefaultLimitSeconds);
  // A line that starts as a directive and goes on in another spelling cannot be read.
  EXPECT_EQ(e.problems.size(), 2u);
}

TEST(Expectations, FloatsMatchWithinTheirTolerance) {
  EXPECT_TRUE(FloatsMatch(1.000001, 1.0));
  EXPECT_FALSE(FloatsMatch(1.0001, 1.0));
  EXPECT_TRUE(FloatsMatch(0.0000005, 0.0));
  EXPECT_FALSE(FloatsMatch(0.00001, 0.0));
}

TEST(Expectations, InfinitiesAndNanMatchOnlyThemselves) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double actual;
    double expected;
    bool match;
  };
  const Case cases[] = {{inf, 12345.0, false}, {12345.0, inf, false}, {-inf, inf, false},
                        {inf, inf, true},      {-inf, -inf, true},    {nan, 0.0, false},
                        {0.0, nan, false},     {nan, inf, false},     {nan, nan, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(FloatsMatch(c.actual, c.expected), c.match) << c.actual << " against " << c.expected;
  }
  const Expectations e = ReadExpectations("REM EXPECT a# = inf\nREM EXPECT b# = -inf\nREM EXPECT c# = nan\n");
  ASSERT_EQ(e.variables.size(), 3u);
  EXPECT_EQ(e.variables[0].value.number, inf);
  EXPECT_EQ(e.variables[1].value.number, -inf);
  EXPECT_TRUE(std::isnan(e.variables[2].value.number));
}

// Programs checked as qmtest checks them: the system's subsystems and its language words.
class VerdictTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("qmtest-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    InstallSubsystems(SystemSubsystems());
    gSettings.programFolder = std::string(QM_SOURCE_DIR) + "/resources/";
    int highestErrorsKey = 0;
    ASSERT_TRUE(LoadLanguageWords(highestErrorsKey));
  }
  void TearDown() override {
    FreeLanguageWords();
    gSettings = Settings{};
    InstallSubsystems({});
    std::filesystem::remove_all(folder_);
  }
  std::string Verdict(const std::string& program) {
    const std::filesystem::path path = folder_ / "program.qma";
    std::ofstream(path, std::ios::binary) << program;
    return CheckProgram(path.string());
  }
  std::filesystem::path folder_;
};

TEST_F(VerdictTest, SaysWhatDiffered) {
  EXPECT_EQ(Verdict("x = 1\nREM EXPECT x = 1\n"), "PASS");
  EXPECT_EQ(Verdict("x = 1\nREM EXPECT x = 2\n"), "x is 1, expected 2");
  EXPECT_EQ(Verdict("REM EXPECT nothere = 2\n"), "the program has no variable nothere");
  EXPECT_EQ(Verdict("x = 1\nREM EXPECT COMPILE ERROR LINE 1\n"),
            "expected a compile error on line 1, but the program compiled");
  EXPECT_NE(Verdict("x = (\n").find("compile error on line 1"), std::string::npos);
  EXPECT_NE(Verdict("dim a(1)\nx = a(5)\nREM EXPECT RUNTIME ERROR 102 LINE 3\n")
                .find("expected runtime error 102 on line 3, got runtime error 102"),
            std::string::npos);
  EXPECT_NE(Verdict("dim a(1)\nx = a(5)\n").find("runtime error 102"), std::string::npos);
}

TEST_F(VerdictTest, SaysWhichPixelsAndPrintedLinesDiffered) {
  EXPECT_EQ(Verdict("print \"a\"\nREM EXPECT PRINTED 1 = \"a\"\nREM EXPECT PRINTED LINES = 1\n"), "PASS");
  EXPECT_EQ(Verdict("print \"a\"\nREM EXPECT PRINTED 1 = \"b\"\n"),
            "printed line 1 is \"a\", expected \"b\"");
  EXPECT_EQ(Verdict("print \"a\"\nREM EXPECT PRINTED 2 = \"b\"\n"),
            "printed line 2 is missing (1 lines printed)");
  EXPECT_EQ(Verdict("sync on\ndot 3,3\nsync\nREM EXPECT PIXEL 3,3 = RGB(255,255,255)\n"), "PASS");
  EXPECT_EQ(Verdict("sync on\ndot 3,3\nsync\nREM EXPECT PIXEL 3,3 = RGB(255,0,0)\n"),
            "pixel 3,3 is 0xFFFF, expected 0xF800");
  EXPECT_EQ(Verdict("do\nloop\nREM FRAMES 3\n"), "PASS");
}

TEST_F(VerdictTest, MessagesAreTheOnesTheUserSees) {
  // The language file's compile error texts, and runtime errors with their code and their text.
  EXPECT_EQ(Verdict("x = 1\nfoo bar baz\n"), "compile error on line 2: Command not understood");
  EXPECT_EQ(Verdict("dim a(1)\nx = a(5)\n"), "runtime error 102 (Array subscript out of bounds) on line 2");
  // A command the compiler knows but this build cannot run fails, naming the command and its line.
  EXPECT_EQ(Verdict("x = 1\nplay sound 1\nx = 2\n"),
            "The command PLAY SOUND is not part of this build yet (command id 3003) on line 2");
}

// A display that records the frame steps: BeginFrame ends with ProcessDrawRequests, SyncFrame
// with TakePendingScreenCapture.
class FrameRecorder : public DisplayServices {
 public:
  void ProcessDrawRequests() override { steps.push_back("BeginFrame"); }
  void TakePendingScreenCapture() override { steps.push_back("SyncFrame"); }
  std::vector<std::string> steps;
};

TEST_F(VerdictTest, ProgramsRunThroughTheFrameSteps) {
  FrameRecorder recorder;
  Subsystem display;
  display.services.display = &recorder;
  std::vector<const Subsystem*> list(SystemSubsystems().begin(), SystemSubsystems().end());
  list.push_back(&display);
  InstallSubsystems(list);
  // A loop long enough for several slices (each ends after 33 ms of SYNC OFF interpretation).
  EXPECT_EQ(Verdict("for i = 1 to 3000000\nx = x + 1\nnext i\nREM EXPECT x = 3000000\n"), "PASS");
  ASSERT_GE(recorder.steps.size(), 6u);
  for (std::size_t i = 0; i < recorder.steps.size(); ++i) {
    EXPECT_EQ(recorder.steps[i], i % 2 == 0 ? "BeginFrame" : "SyncFrame") << "step " << i;
  }
}

TEST_F(VerdictTest, AFileThatCannotBeReadFailsWithItsReason) {
  // Reading /proc/self/mem from its start fails with an I/O error.
  bool told = false;
  EXPECT_EQ(CheckProgram("/proc/self/mem", [&](double) { told = true; }),
            "cannot read the file (Input/output error)");
  EXPECT_FALSE(told);
  EXPECT_EQ(Verdict("#include \"/proc/self/mem\"\nx = 1\n"),
            "compile error on line 1: Cannot open file /proc/self/mem (Input/output error)");
}

TEST_F(VerdictTest, TheLimitIsToldBeforeTheRun) {
  const std::filesystem::path path = folder_ / "limit.qma";
  std::ofstream(path, std::ios::binary) << "REM LIMIT 2.5\nx = 1\n";
  double limit = 0;
  EXPECT_EQ(CheckProgram(path.string(), [&](double seconds) { limit = seconds; }), "PASS");
  EXPECT_DOUBLE_EQ(limit, 2.5);
}

TEST_F(VerdictTest, AProgramThatDoesNotEndMeetsItsLimit) {
  EXPECT_EQ(Verdict("REM LIMIT 0.2\ndo\nx = x + 1\nloop\n"), "still running after 0.2 s");
}

TEST_F(VerdictTest, IncludeNamesResolveInTheProgramsFolder) {
  std::ofstream(folder_ / "lib.inc", std::ios::binary) << "function seven()\nendfunction 7\n";
  EXPECT_EQ(Verdict("#include \"lib.inc\"\nx = seven()\nREM EXPECT x = 7\n"), "PASS");
}

}  // namespace
}  // namespace qm::qmtest
