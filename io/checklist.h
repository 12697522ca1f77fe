// The checklist: the shared result list of every PERFORM CHECKLIST command, read by the CHECKLIST
// queries. Reset before every run.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

inline constexpr int32_t kChecklistEntries = 512;
inline constexpr size_t kChecklistTextLimit = 255;  // the text field holds 255 characters

struct ChecklistEntry {
  int32_t a = -1, b = -1, c = -1, d = -1;
  std::string text;  // at most kChecklistTextLimit characters (SetChecklistText cuts)
};

// The entries, made at their first use: a run that keeps no checklist touches none of their memory.
class ChecklistEntries {
 public:
  using Table = std::array<ChecklistEntry, kChecklistEntries>;
  ChecklistEntry& operator[](std::size_t entry) { return Made()[entry]; }
  Table::iterator begin() { return Made().begin(); }
  Table::iterator end() { return Made().end(); }
  bool Exist() const { return table_ != nullptr; }

 private:
  Table& Made();
  std::unique_ptr<Table> table_;
};

struct ChecklistState {
  ChecklistEntries entries;
  int32_t count = 0;
  uint8_t exists = 0;
  uint8_t hasValues = 0;
  uint8_t hasStrings = 0;
};

extern ChecklistState Checklist;

// Every entry to the values -1 and the empty text, the count and the three flags to 0.
void ResetChecklist();
// Stores a text into an entry (0-511), cut to the field's 255 characters; false outside the list.
bool SetChecklistText(int32_t entry, std::string_view text);

}  // namespace qm
