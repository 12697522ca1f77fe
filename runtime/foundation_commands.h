// Registration of the foundation command families: control flow and user functions, operators
// and assignment, arrays, DATA and READ, string functions, maths functions. Each adds its
// handlers to the dispatch table and its steps to the run's life cycle.
#pragma once

namespace qm {

void RegisterControlFlowCommands();
void RegisterOperatorCommands();
void RegisterArrayCommands();
void RegisterDataCommands();
void RegisterStringCommands();
void RegisterMathsCommands();

}  // namespace qm
