// The dispatch table: command id -> handler, filled by each family's registration rows.
#include "runtime/command_dispatch.h"

namespace qm {

// All null until registered: zero-initialised, the table takes no page of memory that no
// registration writes (a table of handler addresses would be relocated, page by page, at every
// start).
std::array<CommandHandler, kMaxCommandId + 1> CommandHandlerTable{};

namespace {

std::vector<CommandRegistration> gRegistrations;
std::array<CommandOperands, kMaxCommandId + 1> gOperands{};
uint32_t gGeneration = 1;

}  // namespace

void RegisterCommands(std::span<const CommandRegistration> rows) {
  for (const CommandRegistration& row : rows) {
    if (row.id < 1 || row.id > kMaxCommandId) continue;
    CommandHandlerTable[row.id] = row.handler;
    gOperands[row.id] = row.handler != nullptr && row.signature != nullptr
                            ? CommandOperands{row.signature, row.layout}
                            : CommandOperands{};
    gRegistrations.push_back(row);
  }
  ++gGeneration;
}

CommandHandler FindCommandHandler(int32_t id) {
  if (id < 1 || id > kMaxCommandId) return nullptr;
  return CommandHandlerTable[id];
}

CommandOperands RegisteredOperands(int32_t id) {
  if (id < 1 || id > kMaxCommandId) return {};
  return gOperands[id];
}

uint32_t CommandRegistrationGeneration() { return gGeneration; }

const std::vector<CommandRegistration>& RegisteredCommands() { return gRegistrations; }

void ClearCommandRegistrations() {
  // Every change to the tables is a registered row: with none, they are still as the program
  // started, and the first installation at start-up writes none of their pages.
  if (!gRegistrations.empty()) {
    CommandHandlerTable.fill(nullptr);
    gOperands.fill(CommandOperands{});
    gRegistrations.clear();
  }
  ++gGeneration;
}

}  // namespace qm
