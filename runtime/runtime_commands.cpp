// Registration of the runtime core's command families. Each family registers its table of
// {id, name, signature, handler} rows and its run hooks from its own file; this calls them all.
#include "runtime/runtime_commands.h"

#include "runtime/foundation_commands.h"

namespace qm {

void RegisterRuntimeCommands() {
  // The foundation command families add their Register...Commands() calls here.
  RegisterControlFlowCommands();
  RegisterOperatorCommands();
  RegisterArrayCommands();
  RegisterDataCommands();
  RegisterStringCommands();
  RegisterMathsCommands();
}

}  // namespace qm
