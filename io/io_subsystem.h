// The input and file subsystem's record: the keyboard and mouse state read every run-loop pass,
// and the checklist and mouse reset at every run start.
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const Subsystem kIoSubsystem;

}  // namespace qm
