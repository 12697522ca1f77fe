// The checklist shared by the PERFORM CHECKLIST commands.
#include "io/checklist.h"

namespace qm {

// Made by the compiler, not at start-up, and reset only where a run wrote: a program that uses
// no checklist never writes its pages.
constinit ChecklistState Checklist;

void ResetChecklist() {
  for (ChecklistEntry& entry : Checklist.entries) {
    if (entry.a != -1 || entry.b != -1 || entry.c != -1 || entry.d != -1 || !entry.text.empty()) {
      entry = ChecklistEntry{};
    }
  }
  Checklist.count = 0;
  Checklist.exists = 0;
  Checklist.hasValues = 0;
  Checklist.hasStrings = 0;
}

bool SetChecklistText(int32_t entry, std::string_view text) {
  if (entry < 0 || entry >= kChecklistEntries) return false;
  Checklist.entries[static_cast<size_t>(entry)].text = std::string(text.substr(0, kChecklistTextLimit));
  return true;
}

}  // namespace qm
