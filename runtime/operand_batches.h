// Reading several operands of a command at once: one read and one update of the ProgramCounter
// for all the words, instead of one of each per operand. The operators, FOR and the other
// commands that run most often use these. Like the one-by-one accessors (interpreter.h) they
// rely on the program verifier's checks, with the same mask into the data block.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "runtime/interpreter.h"

namespace qm {

// The cells of the next `count` operands, each an integer or float cell.
template <std::size_t count>
[[gnu::always_inline]] inline std::array<ValueCell*, count> NextNumericCells() {
  const uint32_t pc = static_cast<uint32_t>(Interpreter.programCounter);
  const int32_t* words = Interpreter.words + pc;
  ValueCell* block = Interpreter.cells;
  Interpreter.programCounter = static_cast<int32_t>(pc + count);
  return [&]<std::size_t... k>(std::index_sequence<k...>) {
    return std::array<ValueCell*, count>{&CellOfOperand(words[k], block)...};
  }
  (std::make_index_sequence<count>());
}

}  // namespace qm
