// The checklist shared by the PERFORM CHECKLIST commands.
#include "io/checklist.h"

namespace qm {

// Reset only where a run wrote: a program that uses no checklist never writes its pages. (The
// compiler makes it in the data of the executable where it can construct every text at compile
// time; not every compiler's library can, so it is not required.)
ChecklistState Checklist;

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
