// Building string results without a fixed scratch buffer: the new text is complete in an
// allocation of its own before the result cell is touched, so a result cell may also be one of
// the operands, and a text of any length is handled.
#pragma once
#include <string_view>

#include "runtime/value_cell.h"

namespace qm {

// The longest text the string operators and functions make where a limit is checked.
inline constexpr std::size_t kMaxTextLength = 255;

// A new owned text (std::malloc, as every cell text) of `length` characters, terminated; the
// characters are the caller's to fill. Throws std::bad_alloc when memory runs out.
char* NewTextOfLength(std::size_t length);
// A new owned text holding `first` followed by `second`.
char* NewJoinedText(std::string_view first, std::string_view second);
// Frees the cell's text and gives it `owned`.
void ReplaceCellText(ValueCell& cell, char* owned);

}  // namespace qm
