// Compiling and running one conformance program headless, and reading its variables afterwards.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tools/qmtest/expectations.h"

namespace qm {
class Parser;
}

namespace qm::qmtest {

enum class StopKind {
  CompileError,  // the compile failed
  Ended,         // END, or the program ran to its last line
  RuntimeError,
  Warning,
  TimeLimit,       // still running when the limit passed
  UnknownCommand,  // a command this build has no handler for
  NotLoaded,       // the program could not be loaded or set up (a system error)
};

struct RunOutcome {
  StopKind stop = StopKind::Ended;
  std::string text;  // the compile error's text, the runtime error's, or what was missing
  int32_t line = 0;  // the compile error's line, or the line of the command that stopped the run
  int32_t code = 0;  // runtime error or warning code, or the unknown command's id
};

// One program, compiled and run through the system's compile and run entries with its own folder
// as the current folder, until it stops or `limitSeconds` of run time have passed.
class ProgramRun {
 public:
  ProgramRun();
  ~ProgramRun();

  // `afterRun` is called once the run has ended, while ReadVariable can read the program's
  // variables (not called when the program did not compile or load).
  RunOutcome Run(const std::string& path, double limitSeconds, const std::function<void()>& afterRun = {});

  // The display of the next runs: its mode, and a window instead of full screen with a flip chain.
  void UseDisplay(const ScreenExpectations& screen) { display_ = screen; }

  // The value of a main-program variable or array element, as an expectation writes it (only
  // inside `afterRun`); nullopt when there is no such variable (or element), with `why` saying so.
  std::optional<ExpectedValue> ReadVariable(const VariableExpectation& expectation, std::string& why) const;

 private:
  std::unique_ptr<Parser> parser_;
  ScreenExpectations display_;
};

// Starts the system as quillmoor does (paths, settings, language words, subsystems); false with
// the system error's text when that fails.
bool StartRunner(std::string& error);

// "PASS" when the outcome and the values meet the expectations, else what differed. `onLimit`
// is told the program's run limit once its expectations are read, before it compiles.
std::string CheckProgram(const std::string& path, const std::function<void(double)>& onLimit = {});

}  // namespace qm::qmtest
