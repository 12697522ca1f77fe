// Reading several operands of a command at once: one bounds check for all the words and one
// update of the ProgramCounter, instead of one of each per operand. The operators, FOR and the
// other commands that run most often use these; the checks and fault paths are those of the
// one-by-one accessors (interpreter.h), which the batch falls back on near the end of the block.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "runtime/interpreter.h"

namespace qm {

// The cell an operand word names when it is an integer or float cell; otherwise the zeroed
// scratch cell, with the fault noted.
[[gnu::always_inline]] inline ValueCell* NumericCellOf(int32_t word, ValueCell* block) {
  const uint32_t index = static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand);
  if (index < kOperandCells && kOperandCellKind[index] != CellKind::String) [[likely]] {
    return block + index;
  }
  return &operand_faults::BadNumericOperand();
}

// The cells of the next `count` operands, each an integer or float cell; a word that names none
// gives the zeroed scratch cell and notes the fault, as NextNumericCell does.
template <std::size_t count>
[[gnu::always_inline]] inline std::array<ValueCell*, count> NextNumericCells() {
  const uint32_t pc = static_cast<uint32_t>(Interpreter.programCounter);
  if (pc < Interpreter.wordCount && Interpreter.wordCount - pc >= count) [[likely]] {
    const int32_t* words = Interpreter.words + pc;
    ValueCell* block = Interpreter.cells;
    Interpreter.programCounter = static_cast<int32_t>(pc + count);
    return [&]<std::size_t... k>(std::index_sequence<k...>) {
      return std::array<ValueCell*, count>{NumericCellOf(words[k], block)...};
    }(std::make_index_sequence<count>());
  }
  std::array<ValueCell*, count> cells;
  for (ValueCell*& cell : cells) cell = &NextNumericCell();
  return cells;
}

}  // namespace qm
