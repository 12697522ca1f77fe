// The runtime core's record.
#include "runtime/runtime_subsystem.h"

#include "runtime/foundation_commands.h"
#include "runtime/print_input.h"
#include "runtime/sync_timing.h"

namespace qm {
namespace {

constexpr const CommandFamily* kFoundationFamilies[] = {
    &kControlFlowFamily, &kOperatorFamily, &kArrayFamily,      &kDataFamily,
    &kStringFamily,      &kMathsFamily,    &kPrintInputFamily, &kSyncTimingFamily,
};

// Every run starts with no call frames, the print cursor at the top left, nothing typed and no
// wait pending.
void ResetFoundationForRun() {
  ResetControlFlow();
  ResetPrintInputForRun();
  ResetSleepDeadline();
  ResetWaitKey();
}

// A run's tables start empty: no arrays, READ from the first DATA item, no BREAK text.
void ResetFoundationTables() {
  FreeAllArrays();
  RewindData();
  ClearBreakMessage();
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
  runtime.runStart = ResetFoundationForRun;
  runtime.resetTables = ResetFoundationTables;
  runtime.runEnd = UnwindReturnStack;
  runtime.freeRunData = FreeFoundationRunData;
  return runtime;
}

}  // namespace

constinit const Subsystem kRuntimeSubsystem = RuntimeSubsystem();

}  // namespace qm
