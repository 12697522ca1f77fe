// The compiler's record: no commands of its own, but the naming service the runtime asks for
// command names and signature letters (runtime error reports, commands this build cannot run).
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const Subsystem kCompilerSubsystem;

}  // namespace qm
