// Building string results (see text_building.h).
#include "runtime/text_building.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/value_text.h"

namespace qm {

char* NewTextOfLength(std::size_t length) {
  char* text = static_cast<char*>(std::malloc(length + 1));
  if (text == nullptr) throw std::bad_alloc();
  text[length] = '\0';
  return text;
}

char* NewJoinedText(std::string_view first, std::string_view second) {
  char* text = NewTextOfLength(first.size() + second.size());
  if (!first.empty()) std::memcpy(text, first.data(), first.size());
  if (!second.empty()) std::memcpy(text + first.size(), second.data(), second.size());
  return text;
}

void ReplaceCellText(ValueCell& cell, char* owned) {
  FreeText(cell.s);
  cell.s = owned;
}

}  // namespace qm
