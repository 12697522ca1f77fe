// The runtime core's record.
#include "runtime/runtime_subsystem.h"

#include "runtime/foundation_commands.h"

namespace qm {
namespace {

constexpr const CommandFamily* kFoundationFamilies[] = {
    &kControlFlowFamily, &kOperatorFamily, &kArrayFamily, &kDataFamily, &kStringFamily, &kMathsFamily,
};

// A run's tables start empty: no arrays, READ from the first DATA item.
void ResetFoundationTables() {
  FreeAllArrays();
  RewindData();
}

// After the run: no call frames, no arrays.
void FreeFoundationRunData() {
  ResetControlFlow();
  FreeAllArrays();
}

constexpr Subsystem RuntimeSubsystem() {
  Subsystem runtime;
  runtime.name = "runtime";
  runtime.families = kFoundationFamilies;
  runtime.runStart = ResetControlFlow;
  runtime.resetTables = ResetFoundationTables;
  runtime.runEnd = UnwindReturnStack;
  runtime.freeRunData = FreeFoundationRunData;
  return runtime;
}

}  // namespace

constinit const Subsystem kRuntimeSubsystem = RuntimeSubsystem();

}  // namespace qm
