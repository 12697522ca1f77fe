// The dispatch table: command id -> handler, filled by each family's registration rows.
#include "runtime/command_dispatch.h"


namespace qm {

namespace {

constexpr std::array<CommandHandler, kMaxCommandId + 1> EmptyDispatchTable() {
  std::array<CommandHandler, kMaxCommandId + 1> table{};
  for (CommandHandler& handler : table) handler = &StopOnUnknownCommand;
  return table;
}

}  // namespace

std::array<CommandHandler, kMaxCommandId + 1> CommandHandlerTable = EmptyDispatchTable();

namespace {

std::vector<CommandRegistration> gRegistrations;

}  // namespace

void RegisterCommands(std::span<const CommandRegistration> rows) {
  for (const CommandRegistration& row : rows) {
    if (row.id < 1 || row.id > kMaxCommandId) continue;
    CommandHandlerTable[row.id] = row.handler != nullptr ? row.handler : &StopOnUnknownCommand;
    gRegistrations.push_back(row);
  }
}

CommandHandler FindCommandHandler(int32_t id) {
  if (id < 1 || id > kMaxCommandId) return nullptr;
  const CommandHandler handler = CommandHandlerTable[id];
  return handler == &StopOnUnknownCommand ? nullptr : handler;
}

const std::vector<CommandRegistration>& RegisteredCommands() { return gRegistrations; }

void ClearCommandRegistrations() {
  CommandHandlerTable = EmptyDispatchTable();
  gRegistrations.clear();
}

}  // namespace qm
