// The display subsystem's record: its services to the run loop (a run's set-up and close of the
// engine tables, the last engine error).
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const Subsystem kDisplaySubsystem;

}  // namespace qm
