// Fused command pairs: a handler that runs two commands the compiler always emits one after the
// other (an operation into a temporary, then the assignment of that temporary; a comparison, then
// the IF, WHILE or UNTIL that tests it; NEXT, then the FOR it jumps back to) in one dispatch.
//
// The program image keeps two handler tables (program_image.h): the plain one, one handler per
// command, and the fused one, where the first word of each pair holds the fused handler and every
// other word keeps its plain handler. A jump that lands on the second command of a pair therefore
// runs that command alone, and DEBUGMODE, which traces every command, dispatches the plain table.
//
// A fused pair behaves exactly as its two commands dispatched one by one, and counts as two:
// after the first half the second runs only when the dispatch would run it right away, that is
// when the first half raised nothing (the StopFlag is clear) and the slice check is not due
// between the two (the countdown is not at its last command). Otherwise the fused handler returns
// after the first half and the dispatch goes on from the second command's word as usual.
#pragma once
#include <cstdint>
#include <span>

#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"

namespace qm {

// Where a pair's second command stands.
enum class FusedSecond : uint8_t {
  // Right after the first command's operands: the first is a command that never jumps.
  FollowsOperands,
  // At the first command's last operand, a jump target the first command always takes (NEXT).
  AtJumpTarget,
};

struct CommandFusion {
  CommandHandler first;
  CommandHandler second;
  CommandHandler fused;
  FusedSecond where = FusedSecond::FollowsOperands;
};

// Adds a family's pairs. Pairs are matched by their handlers, so a command whose handler was
// replaced by a later registration is no longer fused.
void RegisterCommandFusions(std::span<const CommandFusion> fusions);

// The fusion of the pair, or nullptr.
const CommandFusion* FindCommandFusion(CommandHandler first, CommandHandler second);

// Between the halves of a fused pair: true, with the dispatch's per-command bookkeeping done for
// the second command, when the dispatch would run the second command right now.
[[gnu::always_inline]] inline bool StartSecondHalf() {
  InterpreterState& state = Interpreter;
  if (state.stopFlag != 0 || state.checkCountdown == 1) return false;
  --state.checkCountdown;
  const int32_t pc = state.programCounter;
  state.commandWord = pc;
  state.programCounter = pc + 1;
  return true;
}

// The fused handler of two handlers whose definitions the compiler sees: both are inlined, with
// everything they call that the compiler can inline.
template <CommandHandler first, CommandHandler second>
[[gnu::flatten]] void FusedPair() {
  first();
  if (StartSecondHalf()) second();
}

}  // namespace qm
