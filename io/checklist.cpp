// The checklist shared by the PERFORM CHECKLIST commands.
#include "io/checklist.h"

namespace qm {

ChecklistState Checklist;

void ResetChecklist() {
  for (ChecklistEntry& entry : Checklist.entries) entry = ChecklistEntry{};
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
