// The system's start-up, editor loop and shut-down in this process: editor sessions scripted
// through the editor's stand-in, the trace of every step in QM.LOG (a clock that moves one
// millisecond per reading keeps every trace line under a key of its own), and the switches.
#include "app/start_up.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "editor/editor_stand_in.h"
#include "platform/clock.h"
#include "platform/headless/scripted_input.h"
#include "runtime/print_transcript.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// Every reading of the clock is one millisecond later than the one before.
class TickingClock : public platform::Clock {
 public:
  uint32_t Milliseconds() override { return static_cast<uint32_t>(++ms_); }
  platform::CalendarTime UtcNow() override {
    const uint64_t ms = ++ms_;
    return {2026,
            1,
            1,
            0,
            static_cast<int>(ms / 60000 % 60),
            static_cast<int>(ms / 1000 % 60),
            static_cast<int>(ms % 1000),
            4};
  }
  platform::CalendarTime LocalNow() override { return UtcNow(); }
  void SleepMs(uint32_t ms) override { ms_ += ms; }

 private:
  uint64_t ms_ = 0;
};

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::ResetHeadlessPlatform();
    previousClock_ = platform::InstallClock(&clock_);
    ResetEditorStandIn();
    root_ = fs::path(testing::TempDir()) / ("start_up_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "program");
    fs::create_directories(root_ / "temp");
    fs::create_directories(root_ / "work");
    fs::copy(fs::path(QM_SOURCE_DIR) / "resources" / "lang", root_ / "program" / "lang",
             fs::copy_options::recursive);
    paths_.programFolder = (root_ / "program").string() + "/";
    paths_.tempFolder = (root_ / "temp").string() + "/";
    previousFolder_ = fs::current_path();
    fs::current_path(root_ / "work");
  }
  void TearDown() override {
    fs::current_path(previousFolder_);
    SetFrameObserver(nullptr);
    platform::InstallClock(previousClock_);
    platform::headless::ResetHeadlessPlatform();
    ResetEditorStandIn();
    gSettings = Settings{};
    PendingErrorCode = 0;
    fs::remove_all(root_);
  }

  void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  void TraceOn() { Write(root_ / "program" / "SETUP.INI", "[SETTINGS]\r\nTRACEMODE=1\r\n"); }
  void WorkFile(const std::string& program) { Write(root_ / "temp" / "workfile.tmp", program); }

  // The values of section TRACELOG in QM.LOG, in the file's order.
  std::vector<std::string> TraceLines() {
    std::ifstream log(root_ / "program" / "QM.LOG");
    std::vector<std::string> lines;
    std::string line;
    bool inTrace = false;
    while (std::getline(log, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line.front() == '[') {
        inTrace = line == "[TRACELOG]";
        continue;
      }
      const auto equals = line.find('=');
      if (inTrace && equals != std::string::npos) lines.push_back(line.substr(equals + 1));
    }
    return lines;
  }
  // The trace lines of the start-up and the editor loop, without those the loader and the
  // display set-up write between them.
  std::vector<std::string> LoopTrace(const std::vector<std::string>& expected) {
    std::vector<std::string> lines;
    for (const std::string& line : TraceLines()) {
      if (std::find(expected.begin(), expected.end(), line) != expected.end()) lines.push_back(line);
    }
    return lines;
  }

  TickingClock clock_;
  platform::Clock* previousClock_ = nullptr;
  fs::path root_, previousFolder_;
  PathOptions paths_;
};

const std::vector<std::string> kEditorDisplaySetUp = {"QUILLMOOR: Check 3D Cards for use",
                                                      "QUILLMOOR: Initialise DirectX",
                                                      "QUILLMOOR: Set Display Mode",
                                                      "QUILLMOOR: Set Screen Areas and Surfaces",
                                                      "QUILLMOOR: Clear Surfaces",
                                                      "QUILLMOOR: Initialise Critical Game Data",
                                                      "QUILLMOOR: Make a mouse"};
const std::vector<std::string> kEditorDisplayClose = {
    "QUILLMOOR: Clear surfaces", "QUILLMOOR: Delete mouse and Free Memory", "QUILLMOOR: Close DirectX"};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(StartUpTest, ASessionAskingForARunCompilesAndRunsThenTheNextQuits) {
  TraceOn();
  WorkFile("print 7\r\n");
  QueueEditorSessionStates({EditorLoopState::CompileAndRun, EditorLoopState::Quit});
  ResetTranscript();
  EXPECT_EQ(RunQuillmoor("", paths_), kExitSuccess);
  EXPECT_EQ(EditorStandInActivity().sessionCount, 2);
  EXPECT_EQ(EditorStandInActivity().startCount, 1);
  EXPECT_EQ(TranscriptLines(), std::vector<std::string>{"7"});
  const std::vector<std::string> session = {"QUILLMOOR: Editor Command...(click)"};
  const std::vector<std::string> expected = Joined(
      {{"QUILLMOOR: Create Parser Object", "QUILLMOOR: Begin Editor Loop"},
       kEditorDisplaySetUp,
       session,
       kEditorDisplayClose,
       {"QUILLMOOR: Opening Parser", "QUILLMOOR: Creating Parser Database",
        "QUILLMOOR: Found filename of program to parse", "QUILLMOOR: Creating program from file",
        "QUILLMOOR: Creating QM block from parser", "QUILLMOOR: Initialising Game Core",
        "QUILLMOOR: Launching QM Run Handler", "QUILLMOOR: Closing Game Core", "QUILLMOOR: Closing Parser"},
       kEditorDisplaySetUp,
       session,
       kEditorDisplayClose,
       {"QUILLMOOR: End Editor Loop", "QUILLMOOR: Remove Parser Object"}});
  EXPECT_EQ(LoopTrace(expected), expected);
}

TEST_F(StartUpTest, LockEditorEndsTheLoopAfterTheRun) {
  WorkFile("do\r\nsync\r\nloop\r\n");
  QueueEditorSessionStates(
      {EditorLoopState::CompileAndRun, EditorLoopState::CompileAndRun, EditorLoopState::Quit});
  // The program sets LOCK EDITOR and then stops.
  SetFrameObserver([] {
    LockEditorFlag = 1;
    LeaveRunRequested = 1;
  });
  RunQuillmoor("", paths_);
  EXPECT_EQ(EditorStandInActivity().sessionCount, 1);
}

TEST_F(StartUpTest, ACompileErrorGoesBackToTheEditorAndCompileOnlyKeepsItsDisplay) {
  TraceOn();
  WorkFile("a = 1\r\nb = \"x\" +\r\n");
  QueueEditorSessionStates(
      {EditorLoopState::CompileAndRun, EditorLoopState::CompileOnly, EditorLoopState::Quit});
  ResetTranscript();
  EXPECT_EQ(RunQuillmoor("", paths_), kExitFailure);
  EXPECT_EQ(EditorStandInActivity().sessionCount, 3);
  const std::vector<std::string> session = {"QUILLMOOR: Editor Command...(click)"};
  const std::vector<std::string> compile = {"QUILLMOOR: Creating program from file"};
  const std::vector<std::string> expected =
      Joined({{"QUILLMOOR: Create Parser Object", "QUILLMOOR: Begin Editor Loop"},
              kEditorDisplaySetUp,
              session,
              kEditorDisplayClose,
              {"QUILLMOOR: Opening Parser", "QUILLMOOR: Creating Parser Database",
               "QUILLMOOR: Found filename of program to parse"},
              compile,
              kEditorDisplaySetUp,
              session,
              {"QUILLMOOR: Open Parser", "QUILLMOOR: Creating Parser Database"},
              compile,
              {"QUILLMOOR: Close Parser"},
              session,
              kEditorDisplayClose,
              {"QUILLMOOR: End Editor Loop", "QUILLMOOR: Remove Parser Object"}});
  EXPECT_EQ(LoopTrace(expected), expected);
}

TEST_F(StartUpTest, CompileOnlySwitchShowsNoDisplayAndLogsSuccess) {
  TraceOn();
  Write(root_ / "work" / "ok.qma", "x = 1\r\n");
  EXPECT_EQ(RunQuillmoor("-c ok.qma", paths_), kExitSuccess);
  std::ifstream log(root_ / "work" / "QMCompile.log", std::ios::binary);
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_EQ(text.str(), "Compilation Successful. ");
  const std::vector<std::string> expected = (std::vector<std::string>{
      "QUILLMOOR: Create Parser Object", "QUILLMOOR: Begin Editor Loop",
      "QUILLMOOR: Process filename passed for editing", "QUILLMOOR: Open Parser",
      "QUILLMOOR: Creating Parser Database", "QUILLMOOR: Creating program from file",
      "QUILLMOOR: Close Parser", "QUILLMOOR: End Editor Loop", "QUILLMOOR: Remove Parser Object"});
  EXPECT_EQ(LoopTrace(expected), expected);
}

// No editor session runs before or after a switch's run, so the editor's display is never set up:
// the trace holds the run's own display only.
TEST_F(StartUpTest, RunSwitchSetsUpNoEditorDisplay) {
  TraceOn();
  Write(root_ / "work" / "seven.qma", "print 7\r\n");
  ResetTranscript();
  EXPECT_EQ(RunQuillmoor("-x seven.qma", paths_), kExitSuccess);
  EXPECT_EQ(TranscriptLines(), std::vector<std::string>{"7"});
  const std::vector<std::string> expected =
      Joined({{"QUILLMOOR: Create Parser Object", "QUILLMOOR: Begin Editor Loop",
               "QUILLMOOR: Process filename passed for editing", "QUILLMOOR: Opening Parser",
               "QUILLMOOR: Creating Parser Database", "QUILLMOOR: Creating program from file",
               "QUILLMOOR: Initialising Game Core", "QUILLMOOR: Launching QM Run Handler",
               "QUILLMOOR: Closing Game Core", "QUILLMOOR: Closing Parser", "QUILLMOOR: End Editor Loop",
               "QUILLMOOR: Remove Parser Object"}});
  const std::vector<std::string> watched = Joined({expected, kEditorDisplaySetUp, kEditorDisplayClose});
  EXPECT_EQ(LoopTrace(watched), expected);
}

TEST_F(StartUpTest, AMissingWorkFileBeforeARunIsSystemError10001) {
  QueueEditorSessionStates({EditorLoopState::CompileAndRun, EditorLoopState::Quit});
  EXPECT_EQ(RunQuillmoor("", paths_), kExitSystemFailure);
  EXPECT_EQ(EditorStandInActivity().sessionCount, 1);
  ASSERT_FALSE(platform::headless::ShownMessageBoxes().empty());
  EXPECT_EQ(platform::headless::ShownMessageBoxes().back().title, "Error In Program");
}

}  // namespace
}  // namespace qm
