// The dispatch table: command id -> handler, filled by each family's registration rows.
#include "runtime/command_dispatch.h"

#include <algorithm>
#include <iterator>

namespace qm {

CommandHandler CommandHandlerTable[kMaxCommandId + 1] = {};

namespace {

std::vector<CommandRegistration> gRegistrations;

}  // namespace

void RegisterCommands(std::span<const CommandRegistration> rows) {
  for (const CommandRegistration& row : rows) {
    if (row.id < 1 || row.id > kMaxCommandId) continue;
    CommandHandlerTable[row.id] = row.handler;
    gRegistrations.push_back(row);
  }
}

CommandHandler FindCommandHandler(int32_t id) {
  if (id < 1 || id > kMaxCommandId) return nullptr;
  return CommandHandlerTable[id];
}

const std::vector<CommandRegistration>& RegisteredCommands() { return gRegistrations; }

void ClearCommandRegistrations() {
  std::fill(std::begin(CommandHandlerTable), std::end(CommandHandlerTable), nullptr);
  gRegistrations.clear();
}

}  // namespace qm
