// The io subsystem's command families; its record (io_subsystem.cpp) lists them.
#pragma once
#include <cstdint>

#include "runtime/subsystem.h"

namespace qm {

extern const CommandFamily kInputQueryFamily;  // cmd_input_queries.cpp

// SUSPEND FOR MOUSE saw a button down and now waits for its release; cleared at every run start.
extern uint8_t WaitButtonSeen;

}  // namespace qm
