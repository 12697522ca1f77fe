// Compiling and running one conformance program headless, and reading its variables afterwards.
#pragma once
#include <cstdint>
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
  NotLoaded,       // the program image could not be built
};

struct RunOutcome {
  StopKind stop = StopKind::Ended;
  std::string compileErrorText;
  int32_t line = 0;  // the compile error's line, or the line of the command that stopped the run
  int32_t code = 0;  // runtime error or warning code, or the unknown command's id
};

// One program: compiled with its own folder as the current folder, then run until it stops or
// `limitSeconds` of run time have passed. The Parser and the program image stay for reading.
class ProgramRun {
 public:
  ProgramRun();
  ~ProgramRun();

  RunOutcome Run(const std::string& path, double limitSeconds);

  // The value of a main-program variable or array element after the run, as an expectation
  // writes it; nullopt when there is no such variable (or element), with `why` saying so.
  std::optional<ExpectedValue> ReadVariable(const VariableExpectation& expectation, std::string& why) const;

 private:
  std::unique_ptr<Parser> parser_;
};

// "PASS" when the outcome and the values meet the expectations, else what differed.
std::string CheckProgram(const std::string& path);

}  // namespace qm::qmtest
