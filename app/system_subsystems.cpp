// quillmoor's subsystems: add a subsystem's record here and in runtime_subsystems.cpp.
#include "app/system_subsystems.h"

#include "compiler/compiler_subsystem.h"
#include "display/display_subsystem.h"
#include "io/io_subsystem.h"
#include "runtime/cli/cli_subsystem.h"
#include "runtime/runtime_subsystem.h"

namespace qm {
namespace {

constexpr const Subsystem* kSystemSubsystems[] = {
    &kRuntimeSubsystem, &kIoSubsystem, &kDisplaySubsystem, &kCompilerSubsystem, &kCommandLineSubsystem,
};

}  // namespace

std::span<const Subsystem* const> SystemSubsystems() { return kSystemSubsystems; }

}  // namespace qm
