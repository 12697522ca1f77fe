// The registered command pairs.
#include "runtime/command_fusion.h"

#include <vector>

namespace qm {
namespace {

std::vector<CommandFusion>& Fusions() {
  static std::vector<CommandFusion> fusions;
  return fusions;
}

}  // namespace

void RegisterCommandFusions(std::span<const CommandFusion> fusions) {
  for (const CommandFusion& fusion : fusions) {
    if (FindCommandFusion(fusion.first, fusion.second) == nullptr) Fusions().push_back(fusion);
  }
}

const CommandFusion* FindCommandFusion(CommandHandler first, CommandHandler second) {
  for (const CommandFusion& fusion : Fusions()) {
    if (fusion.first == first && fusion.second == second) return &fusion;
  }
  return nullptr;
}

}  // namespace qm
