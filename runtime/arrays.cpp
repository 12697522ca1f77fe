// Array storage: freeing arrays and forgetting the element addresses that pointed into them.
#include "runtime/arrays.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace qm {

ArrayTable ProgramArrays;

namespace {

std::vector<CommandHandler>& ElementAddressReaders() {
  static std::vector<CommandHandler> readers;
  return readers;
}

}  // namespace

void RegisterElementAddressReaders(std::span<const CommandHandler> readers) {
  for (const CommandHandler reader : readers) {
    if (!IsElementAddressReader(reader)) ElementAddressReaders().push_back(reader);
  }
}

void ClearElementAddressReaders() { ElementAddressReaders().clear(); }

bool IsElementAddressReader(CommandHandler handler) {
  return std::find(ElementAddressReaders().begin(), ElementAddressReaders().end(), handler) !=
         ElementAddressReaders().end();
}

void ElementAddressTable::ForgetRange(const void* begin, std::size_t bytes) {
  if (!recorded_) return;
  auto first = reinterpret_cast<std::uintptr_t>(begin);
  for (void*& slot : slots_) {
    auto address = reinterpret_cast<std::uintptr_t>(slot);
    if (address >= first && address - first < bytes) slot = nullptr;
  }
}

void ArrayTable::Free(int32_t index) {
  ArrayEntry* entry = Find(index);
  if (entry == nullptr || !entry->IsDimensioned()) return;
  ArrayElementKind kind = ArrayKindOf(index);
  std::size_t count = static_cast<std::size_t>(entry->header.elementCount);
  if (kind == ArrayElementKind::String) {
    for (std::size_t i = 0; i < count; ++i) std::free(entry->Texts()[i]);
  }
  elementAddresses_.ForgetRange(entry->storage, count * ElementSizeOf(kind));
  std::free(entry->storage);
  entry->storage = nullptr;
  entry->liveCount = 0;
  --dimensioned_;
}

void ArrayTable::FreeAll() {
  // Stops at the last dimensioned array: a run without arrays reads none of the table.
  for (int32_t index = 0; index < kArrayTableEntries && dimensioned_ > 0; ++index) Free(index);
  elementAddresses_.Clear();
}

}  // namespace qm
