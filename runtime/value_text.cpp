// Owned texts of string cells.
#include "runtime/value_text.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace qm {

char* NewText(std::string_view text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) throw std::bad_alloc();
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void FreeText(char*& text) {
  std::free(text);
  text = nullptr;
}

void StoreStringResult(ValueCell& cell, std::string_view text) {
  char* copy = NewText(text);
  std::free(cell.s);
  cell.s = copy;
}

}  // namespace qm
