// quillmoor-run's subsystems: add a subsystem's record here and in system_subsystems.cpp.
#include "app/runtime_subsystems.h"

#include "display/display_subsystem.h"
#include "io/io_subsystem.h"
#include "runtime/runtime_subsystem.h"

namespace qm {
namespace {

constexpr const Subsystem* kRuntimeSubsystems[] = {
    &kRuntimeSubsystem,
    &kIoSubsystem,
    &kDisplaySubsystem,
};

}  // namespace

std::span<const Subsystem* const> RuntimeSubsystems() { return kRuntimeSubsystems; }

}  // namespace qm
