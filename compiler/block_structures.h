// Block structures: IF/ELSE/ENDIF, DO/LOOP, WHILE/ENDWHILE, REPEAT/UNTIL and FOR/NEXT with EXIT
// compile into ordinary commands whose last operand is a jump target (37000 + word index). When a
// block opens, the word its jump must reach still lies ahead: the open blocks wait on the Parser's
// block stack, and their jump words are written when the block closes.
#pragma once
#include <cstdint>

#include "compiler/compile_context.h"

namespace qm {

// Block keyword indexes (rows of the BlockKeywordTable).
enum BlockKeywordIndex : int32_t {
  kBlockIf = 0,
  kBlockElse,
  kBlockEndif,
  kBlockDo,
  kBlockExit,
  kBlockLoop,
  kBlockFor,
  kBlockNext,
  kBlockWhile,
  kBlockEndwhile,
  kBlockRepeat,
  kBlockUntil
};

// Blocks nest at most this deep (records 1 to 1,023 of the stack).
inline constexpr int32_t kMaxBlockDepth = kBlockStackCapacity - 1;

// Called for every statement after its parameters are compiled and before its command is
// emitted, with the statement's n parameters in `operands`. For a block keyword it appends the
// jump operand (every keyword but ENDIF), opens, continues or closes the block and writes the
// jump words that become known, and sets `marker` for ENDIF, DO and REPEAT, which emit no word.
// False for a block-structure error, with its message set (CompilerMessage 34, or 60 and 61 for
// the nesting and EXIT limits). Any other command id: nothing, true.
[[nodiscard]] bool HandleBlockStructure(CompileContext& context, int32_t commandId, OperandList& operands,
                                        int32_t parameterCount, bool& marker);

}  // namespace qm
