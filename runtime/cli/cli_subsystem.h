// The runtime command line's record: only the whole system installs it (the stand-alone runtime
// has no command line), after the runtime core so that it replaces the core's stand-in.
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const Subsystem kCommandLineSubsystem;

}  // namespace qm
