// libFuzzer target for the pack reader: the input is a whole executable file (runtime bytes,
// entries, trailer). The trailer and every entry are checked; an accepted pack must hold entries
// whose data lie inside it, and the lookups of every entry's own name must find an entry with that
// name. No input may crash or trip a sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "runtime/packed_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  uint32_t runtimeSize = 0;
  std::string error;
  if (size < qm::kPackTrailerBytes ||
      !qm::ReadPackTrailer(file.substr(size - qm::kPackTrailerBytes), size, runtimeSize, &error)) {
    return 0;
  }
  auto table = qm::PackedFileTable::FromPack(std::string(file.substr(runtimeSize)), runtimeSize, &error);
  if (!table) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const std::size_t packSize = size - runtimeSize;
  for (const qm::PackedFileEntry& entry : table->Entries()) {
    if (entry.name.size() > qm::kMaxPackedNameLength || entry.offset > packSize ||
        entry.size > packSize - entry.offset) {
      std::abort();
    }
    const int found = table->FindEntry(entry.name);
    if (found < 0 || table->Entries()[static_cast<std::size_t>(found)].name != entry.name) std::abort();
  }
  return 0;
}
