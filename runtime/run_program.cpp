// The run entry.
#include "runtime/run_program.h"

#include <sys/time.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>

#include "platform/window.h"
#include "runtime/compiler_services.h"
#include "runtime/interpreter.h"
#include "runtime/main_window_proc.h"
#include "runtime/program_image.h"
#include "runtime/program_verifier.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

constexpr int kRunWindowWidth = 640;
constexpr int kRunWindowHeight = 480;
constexpr double kLongestRunLimitSeconds = 1e9;  // about 31 years

// The limit ends the slice at its next slice check (the StopFlag is looked at then) and the running
// phase at its next pass.
void OnRunLimit(int) {
  LeaveRunRequested = 1;
  Interpreter.stopFlag = 1;
}

int LimitTimer(const RunOptions& options) { return options.limitOnCpuTime ? ITIMER_VIRTUAL : ITIMER_REAL; }
int LimitSignal(const RunOptions& options) { return options.limitOnCpuTime ? SIGVTALRM : SIGALRM; }

// A limit is on when it is above 0 (a NaN is no limit).
bool HasRunLimit(const RunOptions& options) { return options.limitSeconds > 0; }

void StartRunLimit(const RunOptions& options) {
  LeaveRunRequested = 0;
  if (!HasRunLimit(options)) return;
  struct sigaction action {};
  action.sa_handler = OnRunLimit;
  sigaction(LimitSignal(options), &action, nullptr);
  // An infinite or huge limit is held to what the timer's seconds can carry.
  const double seconds = std::min(options.limitSeconds, kLongestRunLimitSeconds);
  itimerval timer{};
  timer.it_value.tv_sec = static_cast<time_t>(seconds);
  timer.it_value.tv_usec = static_cast<suseconds_t>((seconds - std::floor(seconds)) * 1e6);
  if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) timer.it_value.tv_usec = 1;
  setitimer(LimitTimer(options), &timer, nullptr);
}

void StopRunLimit(const RunOptions& options) {
  if (!HasRunLimit(options)) return;
  itimerval timer{};
  setitimer(LimitTimer(options), &timer, nullptr);
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(LimitSignal(options), &action, nullptr);
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// True when the program stopped on a command the compiler emits but no installed subsystem
// handles. Ids the compiler never emits (a zero word, a word past the program) stop quietly.
bool StoppedOnMissingCommand(RunOutcome& outcome) {
  const int32_t word = ProgramCounter;
  const int32_t id = ProgramWordAt(word);
  if (id <= 0 || CommandRunsAt(word)) return false;
  const auto at = static_cast<std::size_t>(word);
  if (at < ProgramImage.wordRoles.size() && (ProgramImage.wordRoles[at] & kWordIsOperand) != 0) return false;
  std::string name;
  if (!Compiler().CommandName(id, name)) return false;
  outcome.end = RunEnd::MissingCommand;
  outcome.code = id;
  outcome.text = "The command " + UpperCase(name) + " is not part of this build yet";
  outcome.line = SourceLineOfWord(word);
  return true;
}

// How the run ended, read before the run's data is freed.
RunOutcome OutcomeOfRun() {
  RunOutcome outcome;
  if (LeaveRunRequested != 0) {
    outcome.end = RunEnd::LimitReached;
    return outcome;
  }
  ShownError error = RunLoop.shownError;
  if (error.code == 0 && PendingErrorCode != 0) {  // stopped without a command line to show it
    error =
        ShownError{PendingErrorCode, PendingErrorIsWarning != 0,
                   SourceLineOfWord(RuntimeErrors.errorCommandWord), GetErrorMessageText(PendingErrorCode)};
  }
  if (error.code != 0) {
    outcome.end = error.code >= kFirstSystemError ? RunEnd::SystemError : RunEnd::RuntimeError;
    outcome.code = error.code;
    outcome.warning = error.warning;
    outcome.text = error.text;
    outcome.line = error.line;
    return outcome;
  }
  if (!ProgramEndedFlag) StoppedOnMissingCommand(outcome);
  return outcome;
}

RunOutcome SystemErrorOutcome(int32_t code, const std::string& text) {
  RunOutcome outcome;
  outcome.end = RunEnd::SystemError;
  outcome.code = code;
  outcome.text = text;
  return outcome;
}

}  // namespace

RunOutcome RunProgram(const RunOptions& options) {
  if (options.program == nullptr || !CreateQuillmoorBlocksFromParser(*options.program)) {
    return SystemErrorOutcome(0, "The program could not be loaded: " + ProgramVerificationError());
  }
  const bool ownWindow = !platform::MainWindowExists();
  if (ownWindow) platform::CreateMainWindow("Quillmoor", kRunWindowWidth, kRunWindowHeight, MainWindowProc);
  RunLoop.framesShown = platform::CurrentWindowBackend() != platform::WindowBackend::Headless ? 1 : 0;
  RunOutcome outcome;
  RunLoop.runDisplayWidth = options.displayWidth;
  RunLoop.runDisplayHeight = options.displayHeight;
  RunLoop.runDisplayDepth = options.displayDepth;
  if (!InitGameCore(options.fullScreen, options.windowMode, false)) {
    outcome = SystemErrorOutcome(PendingErrorCode, GetErrorMessageText(PendingErrorCode));
  } else {
    SetInputMode(InputMode::Program);
    StartRunLimit(options);
    RunHandler(options.cliOnly);
    StopRunLimit(options);
    outcome = OutcomeOfRun();
    LeaveRunRequested = 0;
    if (options.afterRun) options.afterRun();
  }
  CloseGameCore(false);
  if (ownWindow) platform::DestroyMainWindow();
  return outcome;
}

}  // namespace qm
