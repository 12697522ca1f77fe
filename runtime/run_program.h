// The one way to run a compiled program: the run's real start-up pieces (program image, display
// set-up, the run loop with its frame steps, close) with whatever window backend is in use, and
// the way the run ended.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "runtime/parsed_program.h"

namespace qm {

struct RunOptions {
  const ParsedProgram* program = nullptr;  // the compiled program (a Parser, a loaded program file)
  // The display settings read at start-up (SETUP.INI's WINDOWMODE); the run reads no settings.
  bool fullScreen = true;
  bool windowMode = false;
  // The run starts in the runtime command line, without a program to run.
  bool cliOnly = false;
  // The display mode of the run; depth 0 takes the best 3D depth (the system's own choice).
  int32_t displayWidth = 640, displayHeight = 480, displayDepth = 0;
  // With a limit above 0 the run ends once this many seconds have passed (limitOnCpuTime: of the
  // process's CPU time, for callers that keep the real-time alarm for themselves).
  double limitSeconds = 0;
  bool limitOnCpuTime = false;
  // Called once the run has ended, while the program's variables and arrays still exist.
  std::function<void()> afterRun;
};

enum class RunEnd {
  Ended,           // END, STOP-free end of the program, or the user left
  RuntimeError,    // a runtime error or warning stopped the program
  MissingCommand,  // the program reached a command this build has no handler for
  SystemError,     // the program could not be loaded or set up, or a command failed badly
  LimitReached,    // still running when the limit passed
};

struct RunOutcome {
  RunEnd end = RunEnd::Ended;
  int32_t code = 0;      // the runtime error's code, or the missing command's id
  bool warning = false;  // the runtime error was raised as a warning
  std::string text;      // the error's text, or what was missing
  int32_t line = 0;      // the source line of the command that stopped the run
};

RunOutcome RunProgram(const RunOptions& options);

}  // namespace qm
