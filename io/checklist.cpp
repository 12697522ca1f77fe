// The checklist shared by the PERFORM CHECKLIST commands.
#include "io/checklist.h"

namespace qm {

constinit ChecklistState Checklist;

ChecklistEntries::Table& ChecklistEntries::Made() {
  if (!table_) table_ = std::make_unique<Table>();
  return *table_;
}

void ResetChecklist() {
  // Only where a run wrote; entries never made are as a reset leaves them.
  if (Checklist.entries.Exist()) {
    for (ChecklistEntry& entry : Checklist.entries) {
      if (entry.a != -1 || entry.b != -1 || entry.c != -1 || entry.d != -1 || !entry.text.empty()) {
        entry = ChecklistEntry{};
      }
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
