// The dispatch table: command id -> handler, filled by each family's registration rows.
#include "runtime/command_dispatch.h"

#include <array>

namespace qm {
namespace {

std::array<CommandHandler, kMaxCommandId + 1> gHandlers{};
std::vector<CommandRegistration> gRegistrations;

}  // namespace

void RegisterCommands(std::span<const CommandRegistration> rows) {
  for (const CommandRegistration& row : rows) {
    if (row.id < 1 || row.id > kMaxCommandId) continue;
    gHandlers[row.id] = row.handler;
    gRegistrations.push_back(row);
  }
}

CommandHandler FindCommandHandler(int32_t id) {
  if (id < 1 || id > kMaxCommandId) return nullptr;
  return gHandlers[id];
}

const std::vector<CommandRegistration>& RegisteredCommands() { return gRegistrations; }

void ClearCommandRegistrations() {
  gHandlers.fill(nullptr);
  gRegistrations.clear();
}

}  // namespace qm
