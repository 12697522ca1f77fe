// Registration of the runtime core's command families (control flow, operators, arrays, DATA,
// strings, maths, ...). Each family's table lives in its own file; this adds them all.
#pragma once

namespace qm {

void RegisterRuntimeCommands();

}  // namespace qm
