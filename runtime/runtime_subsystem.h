// The runtime core's record: the foundation command families and their life-cycle steps.
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const Subsystem kRuntimeSubsystem;

}  // namespace qm
