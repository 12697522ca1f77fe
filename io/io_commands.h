// The io subsystem's command families; its record (io_subsystem.cpp) lists them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/subsystem.h"

namespace qm {

extern const CommandFamily kInputQueryFamily;     // cmd_input_queries.cpp
extern const CommandFamily kFontChecklistFamily;  // cmd_font_checklist.cpp

// The checklist of PERFORM CHECKLIST FOR FONTS from the families found: each name once (names
// compared exactly), at most 255; the entries' values are not touched.
void FillFontChecklist(const std::vector<std::string>& families);

// SUSPEND FOR MOUSE saw a button down and now waits for its release; cleared at every run start.
extern uint8_t WaitButtonSeen;

}  // namespace qm
