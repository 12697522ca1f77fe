// The dispatch table: command id -> handler, filled by each family's registration rows.
#include "runtime/command_dispatch.h"

#include <memory>

namespace qm {

namespace {

// Per id, the handler and the row it came from (nullptr: none registered). Made at the first
// registration, on the heap: a start touches only the pages it writes, and no table of handler
// addresses is relocated at every start.
struct IdTables {
  std::array<CommandHandler, kMaxCommandId + 1> handlers{};
  std::array<const CommandRegistration*, kMaxCommandId + 1> rows{};
};
std::unique_ptr<IdTables> gIdTables;

// The rows stay where their families keep them (static tables): the dispatch keeps spans of them,
// so registering copies no row.
std::vector<std::span<const CommandRegistration>> gRegisteredRows;
uint32_t gGeneration = 1;

}  // namespace

void RegisterCommands(std::span<const CommandRegistration> rows) {
  if (!gIdTables) gIdTables = std::make_unique<IdTables>();
  for (const CommandRegistration& row : rows) {
    if (row.id < 1 || row.id > kMaxCommandId) continue;
    gIdTables->handlers[static_cast<size_t>(row.id)] = row.handler;
    gIdTables->rows[static_cast<size_t>(row.id)] = &row;
  }
  gRegisteredRows.push_back(rows);
  ++gGeneration;
}

CommandHandler FindCommandHandler(int32_t id) {
  if (id < 1 || id > kMaxCommandId || !gIdTables) return nullptr;
  return gIdTables->handlers[static_cast<size_t>(id)];
}

CommandOperands RegisteredOperands(int32_t id) {
  if (id < 1 || id > kMaxCommandId || !gIdTables) return {};
  const CommandRegistration* row = gIdTables->rows[static_cast<size_t>(id)];
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
  gIdTables.reset();
  gRegisteredRows.clear();
  ++gGeneration;
}

}  // namespace qm
