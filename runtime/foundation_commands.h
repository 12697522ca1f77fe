// The foundation command families: control flow and user functions, operators and assignment,
// arrays, DATA and READ, string functions, maths functions. Each file defines its family (rows
// and fused pairs) and the steps its state needs in a run's life cycle; the runtime's record
// (runtime_subsystem.cpp) lists them.
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const CommandFamily kControlFlowFamily;
extern const CommandFamily kOperatorFamily;
extern const CommandFamily kArrayFamily;
extern const CommandFamily kDataFamily;
extern const CommandFamily kStringFamily;
extern const CommandFamily kMathsFamily;

// Control flow: the return stack and the running scope emptied (run start and after the run),
// and every frame unwound at the run's end.
void ResetControlFlow();
void UnwindReturnStack();
// Arrays: every array freed.
void FreeAllArrays();
// DATA: the next READ takes the first item.
void RewindData();

}  // namespace qm
