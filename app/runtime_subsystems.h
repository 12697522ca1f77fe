// The subsystems of the stand-alone runtime (quillmoor-run): no compiler, no editor.
#pragma once
#include <span>

#include "runtime/subsystem.h"

namespace qm {

std::span<const Subsystem* const> RuntimeSubsystems();

}  // namespace qm
