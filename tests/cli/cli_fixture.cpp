// The command-line test fixture (see cli_fixture.h).
#include "cli_fixture.h"

#include <deque>

#include "app/system_subsystems.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/command_line_overlay.h"
#include "runtime/input_mode.h"
#include "runtime/interpreter.h"
#include "runtime/language_words.h"
#include "runtime/main_window_proc.h"
#include "runtime/print_transcript.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"

namespace qm::test {
namespace {

constexpr int kFrameLimit = 3000;
constexpr int kIdleFramesBeforeLeaving = 3;

std::deque<CliStep> gSteps;
int gFrames = 0;
int gIdleFrames = 0;

void PlayStep() {
  if (++gFrames >= kFrameLimit) {
    if (gFrames == kFrameLimit) {
      ADD_FAILURE() << "the run went on for " << kFrameLimit << " frames; steps left: " << gSteps.size();
    }
    LeaveRunRequested = 1;
    Interpreter.stopFlag = 1;
    platform::headless::ScriptKeyPress(platform::kVkF12);
    return;
  }
  if (!gSteps.empty()) {
    CliStep& step = gSteps.front();
    if (step.ready && !step.ready()) return;
    const std::function<void()> act = step.act;
    gSteps.pop_front();
    if (act) act();
    return;
  }
  // Every step played: leave once the command line has been open and idle for a few frames.
  gIdleFrames = CliTest::CliIdleNow() ? gIdleFrames + 1 : 0;
  if (gIdleFrames == kIdleFramesBeforeLeaving) platform::headless::ScriptKeyPress(platform::kVkF12);
}

}  // namespace

void CliTest::SetUp() {
  platform::headless::ResetHeadlessPlatform();
  InstallSubsystems(SystemSubsystems());
  gSettings.programFolder = std::string(QM_SOURCE_DIR) + "/resources/";
  int highestErrorsKey = 0;
  ASSERT_TRUE(LoadLanguageWords(highestErrorsKey));
  ASSERT_TRUE(platform::CreateMainWindow("Quillmoor", 640, 480, MainWindowProc));
  ResetRuntimeErrorState();
  ResetRunLoopState();
}

void CliTest::TearDown() {
  platform::DestroyMainWindow();
  FreeLanguageWords();
  gSettings = Settings{};
  InstallSubsystems({});
  platform::headless::ResetHeadlessPlatform();
}

RunOutcome CliTest::Run(const std::string& source, std::vector<CliStep> steps, RunOptions options) {
  const CompileOutcome compiled = Compile(parser_, CompileOptions{"program.qma", source});
  EXPECT_TRUE(compiled.Compiled()) << compiled.report;
  if (!compiled.Compiled()) return {};
  gSteps.assign(steps.begin(), steps.end());
  gFrames = 0;
  gIdleFrames = 0;
  ResetTranscript();
  SetFrameObserver(PlayStep);
  CommandLineAttachment attachment(&parser_);
  options.program = &parser_;
  const RunOutcome outcome = RunProgram(options);
  SetFrameObserver(nullptr);
  EXPECT_TRUE(gSteps.empty()) << gSteps.size() << " steps were not played";
  gSteps.clear();
  return outcome;
}

bool CliTest::CliIdleNow() { return RunLoop.commandLinePhase != 0 && TheRuntimeCli().WaitsForKeys(); }

bool CliTest::ProgramRunsNow() { return RunLoop.commandLinePhase == 0; }

void CliTest::Type(const std::string& text) { platform::headless::ScriptTypeText(text); }

void CliTest::Press(int virtualKey) { platform::headless::ScriptKeyPress(virtualKey); }

}  // namespace qm::test
