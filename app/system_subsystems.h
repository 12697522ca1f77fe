// The subsystems of the whole system (quillmoor), in installation order. Tools, tests, benchmarks
// and the fuzzer install the same list.
#pragma once
#include <span>

#include "runtime/subsystem.h"

namespace qm {

std::span<const Subsystem* const> SystemSubsystems();

}  // namespace qm
