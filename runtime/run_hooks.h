// Steps that command families add to the run's life cycle, so the run loop needs to know no
// family's state: a family that keeps state across commands (return stack, INPUT, SLEEP, arrays)
// registers how to reset it at the start of a run and how to wind it down at the end.
#pragma once

namespace qm {

enum class RunHook {
  ResetRunner,       // start of every run, after the interpreter's own reset
  EndRun,            // end of every run (pop return frames, restore locals)
  FreeRuntimeData,   // end of every run, before the program image is freed
  ResetSystemTables  // run set-up (InitGameCore)
};

using RunHookStep = void (*)();

// Adds a step; adding the same step twice keeps one. Steps run in the order they were added.
void AddRunHook(RunHook point, RunHookStep step);
// Runs the steps of one point.
void RunHooks(RunHook point);
// Removes every step (tests).
void ClearRunHooks();

}  // namespace qm
