// The registered command pairs and variants.
#include "runtime/command_fusion.h"

#include <vector>

namespace qm {
namespace {

std::vector<CommandFusion>& Fusions() {
  static std::vector<CommandFusion> fusions;
  return fusions;
}

std::vector<CommandVariant>& Variants() {
  static std::vector<CommandVariant> variants;
  return variants;
}

}  // namespace

void RegisterCommandFusions(std::span<const CommandFusion> fusions) {
  for (const CommandFusion& fusion : fusions) {
    if (FindCommandFusion(fusion.first, fusion.second) == nullptr) Fusions().push_back(fusion);
  }
}

void ClearCommandFusions() { Fusions().clear(); }

const CommandFusion* FindCommandFusion(CommandHandler first, CommandHandler second) {
  for (const CommandFusion& fusion : Fusions()) {
    if (fusion.first == first && fusion.second == second) return &fusion;
  }
  return nullptr;
}

void RegisterCommandVariants(std::span<const CommandVariant> variants) {
  for (const CommandVariant& variant : variants) {
    if (ChooseCommandVariant(variant.plain, nullptr) == variant.plain) Variants().push_back(variant);
  }
}

void ClearCommandVariants() { Variants().clear(); }

CommandHandler ChooseCommandVariant(CommandHandler plain, DecodedWord* at) {
  for (const CommandVariant& variant : Variants()) {
    if (variant.plain == plain) return at != nullptr ? variant.choose(at) : nullptr;
  }
  return plain;
}

}  // namespace qm
