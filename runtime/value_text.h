// Texts held by cells: every string cell owns its text in an allocation of its own, and a text is
// replaced, never edited in place. These helpers are the one way handlers store string results.
#pragma once
#include <string_view>

#include "runtime/value_cell.h"

namespace qm {

// A new owned copy of `text` (std::malloc; an empty text is a one-byte allocation). Throws
// std::bad_alloc when memory runs out, which the interpreter reports as system error 10010.
char* NewText(std::string_view text);

// Frees an owned text and clears the pointer (nullptr is fine).
void FreeText(char*& text);

// Frees the text the cell held and stores a fresh copy of `text`. `text` may point into the old
// text: the copy is made before the old one is freed.
void StoreStringResult(ValueCell& cell, std::string_view text);

// The text of a string cell, or "" when the cell holds none (a cell never seen by the loader).
inline const char* CellText(const ValueCell& cell) { return cell.s != nullptr ? cell.s : ""; }

}  // namespace qm
