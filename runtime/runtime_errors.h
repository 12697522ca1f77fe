// Runtime errors: every failure inside a running program is a RuntimeErrorCode raised here.
#pragma once
#include <cstdint>

namespace qm {

using RuntimeErrorCode = int32_t;

// Records the code, sets the StopFlag and posts a quit so the run loop opens the command line.
// Codes on the warning list are raised as warnings. Outside the command line, an error also marks
// the program ended (it cannot be resumed).
void RaiseRuntimeError(RuntimeErrorCode code);
// The same, resumable with ESC.
void RaiseRuntimeWarning(RuntimeErrorCode code);

}  // namespace qm
