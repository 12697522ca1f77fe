// The whole system's start-up, editor loop and shut-down: the command line, the window title
// among the running instances, paths, settings and language words, the subsystems, then either
// the command-line switch or editor sessions (compile, run, compile only, the command line
// without a program), and the shut-down that reports a system error and, for a switch, writes
// QMCompile.log.
#pragma once
#include <string>

#include "runtime/settings.h"

namespace qm {

// Exit status of the system: 0 success, 1 a compile or runtime error, 2 a system error, a
// refused switch or a usage error.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitSystemFailure = 2;

// "Quillmoor Editor" when no other running instance of this user holds it, else
// "Quillmoor Editor %d" with the first free number from 2. The title stays this process's.
std::string ChooseWindowTitle();

// The system from its command line (the arguments joined as JoinStartArguments joins them) to
// its exit status. `paths` replaces the program and temporary folders (tests).
int RunQuillmoor(const std::string& commandLine, const PathOptions& paths = {});

}  // namespace qm
