// The registered command pairs, variants and threaded forms.
#include "runtime/command_fusion.h"

#include <unordered_map>
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

// Looked up for every command of every piece loaded, so a hash map rather than a list.
std::unordered_map<CommandHandler, CommandHandler>& ThreadedForms() {
  static std::unordered_map<CommandHandler, CommandHandler> forms;
  return forms;
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

void RegisterThreadedForms(std::span<const CommandThreading> forms) {
  for (const CommandThreading& form : forms) ThreadedForms().emplace(form.handler, form.threaded);
}

void ClearThreadedForms() { ThreadedForms().clear(); }

CommandHandler ThreadedFormOf(CommandHandler handler) {
  const auto found = ThreadedForms().find(handler);
  return found != ThreadedForms().end() ? found->second : handler;
}

}  // namespace qm
