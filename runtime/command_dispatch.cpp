// The dispatch table: command id -> handler, filled by each family's registration rows.
#include "runtime/command_dispatch.h"

#include <memory>

namespace qm {

namespace {

// Per id, the row registered last (nullptr: none). Made at the first registration, on the heap:
// a start touches only the pages it writes, and no table of handler addresses is relocated at
// every start. Only the loader and the verifier look here; the running program has its handlers
// in its decoded form.
using RowTable = std::array<const CommandRegistration*, kMaxCommandId + 1>;
std::unique_ptr<RowTable> gRowOfId;

const CommandRegistration* RowOf(int32_t id) {
  if (id < 1 || id > kMaxCommandId || !gRowOfId) return nullptr;
  return (*gRowOfId)[static_cast<size_t>(id)];
}

// The rows stay where their families keep them (static tables): the dispatch keeps spans of them,
// so registering copies no row.
std::vector<std::span<const CommandRegistration>> gRegisteredRows;
uint32_t gGeneration = 1;

}  // namespace

void RegisterCommands(std::span<const CommandRegistration> rows) {
  if (!gRowOfId) gRowOfId = std::make_unique<RowTable>();
  for (const CommandRegistration& row : rows) {
    if (row.id >= 1 && row.id <= kMaxCommandId) (*gRowOfId)[static_cast<size_t>(row.id)] = &row;
  }
  gRegisteredRows.push_back(rows);
  ++gGeneration;
}

CommandHandler FindCommandHandler(int32_t id) {
  const CommandRegistration* row = RowOf(id);
  return row != nullptr ? row->handler : nullptr;
}

CommandOperands RegisteredOperands(int32_t id) {
  const CommandRegistration* row = RowOf(id);
  if (row == nullptr || row->handler == nullptr || row->signature == nullptr) return {};
  return CommandOperands{row->signature, row->layout};
}

uint32_t CommandRegistrationGeneration() { return gGeneration; }

std::vector<CommandRegistration> RegisteredCommands() {
  std::vector<CommandRegistration> rows;
  for (std::span<const CommandRegistration> family : gRegisteredRows)
    rows.insert(rows.end(), family.begin(), family.end());
  return rows;
}

void ClearCommandRegistrations() {
  gRowOfId.reset();
  gRegisteredRows.clear();
  ++gGeneration;
}

}  // namespace qm
