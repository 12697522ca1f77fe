// The display's command families; the display's record (display_subsystem.cpp) lists them.
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const CommandFamily kDrawingFamily;  // cmd_drawing.cpp
extern const CommandFamily kTextFamily;     // cmd_text.cpp

}  // namespace qm
