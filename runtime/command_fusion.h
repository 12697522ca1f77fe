// Handlers chosen at load. The program image's decoded form (program_image.h) runs, at each
// command, either the command's own handler or one chosen for it when the program was loaded
// (and then, where a family registered one, that handler's threaded form: see ContinueAt):
//  - a fused pair: a handler that runs two commands the compiler always emits one after the other
//    (an operation into a temporary, then the assignment of that temporary; a comparison, then
//    the IF, WHILE or UNTIL that tests it; NEXT, then the FOR it jumps back to) in one dispatch.
//    The second command may itself be the first of a pair, so three commands can run as one.
//  - a variant: a handler for the command's operands as they are (a fetch whose element no READ
//    can use, a call whose arguments need no conversion).
// Every other word keeps its plain handler, so a jump that lands on the second command of a pair
// runs that command alone; DEBUGMODE, which traces every command, runs the plain handlers.
//
// A fused pair behaves exactly as its two commands dispatched one by one, and counts as two:
// after the first half the second runs only when the dispatch would run it right away, that is
// when the first half requested no stop and the slice check is not due between the two (the
// countdown is not at its last command; a stop request sets it there). Otherwise the fused
// handler returns after the first half and the dispatch goes on from the second command's word.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

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

// Forgets every pair (InstallSubsystems, before it registers the installed families).
void ClearCommandFusions();

// The fusion of the pair, or nullptr.
const CommandFusion* FindCommandFusion(CommandHandler first, CommandHandler second);

// Takes `commands` more commands off the countdown when the dispatch would run that many more
// one after the other right now (no stop was requested and no slice check falls before the last
// of them); otherwise changes nothing and returns false.
[[gnu::always_inline]] inline bool TakeCommands(int32_t commands) {
  InterpreterState& state = Interpreter;
  if (state.checkCountdown <= commands) return false;
  state.checkCountdown -= commands;
  return true;
}

// Between the halves of a fused pair: true, with the dispatch's per-command bookkeeping done for
// the second command at `second`, when the dispatch would run the second command right now.
[[gnu::always_inline]] inline bool StartSecondHalf(Pc second) {
  if (!TakeCommands(1)) return false;
  Interpreter.command = second;
  return true;
}

// Runs the command at `next`, already counted, as the dispatch would.
[[gnu::always_inline]] inline Pc RunCounted(Pc next) {
  Interpreter.command = next;
  return next->run(next);
}

// Runs the command at `next` from inside a handler, exactly as the dispatch loop would run it
// next (counted on the countdown, the running command), or returns `next` to the loop when the
// slice check is due. A handler that ends this way jumps straight to the next command's handler:
// each such handler has an indirect jump of its own, which the processor predicts far better than
// the loop's single one, and no return to the loop comes between two commands. Every command
// returns where the program goes on, so a chain of these ends wherever a handler returns.
[[gnu::always_inline]] inline Pc ContinueAt(Pc next) {
  return StartSecondHalf(next) ? next->run(next) : next;
}

// Handlers that only compute: they raise no error, request no stop and read neither the running
// command nor the countdown (arithmetic, comparisons, assignments of numbers, the tests and the
// loop commands). A family says so of its handlers next to their definitions. Such a handler
// cannot end a slice, so a fused handler whose commands only compute counts them all on the
// countdown at once, before the first, and records the running command only for the command
// after them: the same counts and slice ends as one by one, with one check instead of one each.
template <CommandHandler handler>
inline constexpr bool kOnlyComputes = false;

// The fused handler of two handlers whose definitions the compiler sees: both are inlined, with
// everything they call that the compiler can inline. It goes on to the next command itself, so it
// may stand second in another pair (FusedBeforePair) but never first (a first half must return
// the second's word).
template <CommandHandler first, CommandHandler second>
[[gnu::flatten]] Pc FusedPair(Pc at) {
  if constexpr (kOnlyComputes<first> && kOnlyComputes<second>) {
    if (TakeCommands(2)) [[likely]]
      return RunCounted(second(first(at)));
  }
  const Pc next = first(at);
  if (!StartSecondHalf(next)) return next;
  return ContinueAt(second(next));
}

// The pair of two commands of which the second follows the first's operands, fused.
template <CommandHandler first, CommandHandler second>
constexpr CommandFusion Fusion() {
  return {first, second, FusedPair<first, second>};
}

// A command, then a fused pair that follows it: three commands in one dispatch. The pair goes on
// to the next command itself, so it runs last, in the place of a jump: were the fused handler to
// go on after it as FusedPair does, every command up to the next slice check would run inside
// that call, one machine frame deeper each time.
template <CommandHandler first, CommandHandler pair>
[[gnu::flatten]] Pc FusedBeforePair(Pc at) {
  const Pc next = first(at);
  if (!StartSecondHalf(next)) return next;
  return pair(next);
}

template <CommandHandler first, CommandHandler pair>
constexpr CommandFusion FusionBeforePair() {
  return {first, pair, FusedBeforePair<first, pair>};
}

// A command, then the fused pair of the next two: the same three commands as
// FusedBeforePair<first, FusedPair<second, third>>, with the first two counted at once when they
// only compute.
template <CommandHandler first, CommandHandler second, CommandHandler third>
[[gnu::flatten]] Pc FusedThree(Pc at) {
  if constexpr (kOnlyComputes<first> && kOnlyComputes<second>) {
    if constexpr (kOnlyComputes<third>) {
      if (TakeCommands(3)) [[likely]]
        return RunCounted(third(second(first(at))));
    } else {
      if (TakeCommands(2)) [[likely]] {
        const Pc last = second(first(at));
        Interpreter.command = last;
        return ContinueAt(third(last));
      }
    }
  }
  const Pc next = first(at);
  if (!StartSecondHalf(next)) return next;
  return FusedPair<second, third>(next);
}

template <CommandHandler first, CommandHandler second, CommandHandler third>
constexpr CommandFusion FusionOfThree() {
  return {first, FusedPair<second, third>, FusedThree<first, second, third>};
}

// A handler that goes on to the next command itself. The decoded form runs it in place of
// `handler` once every choice of the program is made (pairs are matched on the handlers
// themselves, never on their threaded forms).
template <CommandHandler handler>
Pc Threaded(Pc at) {
  return ContinueAt(handler(at));
}

struct CommandThreading {
  CommandHandler handler;
  CommandHandler threaded;
};

// The threaded forms of every handler of a family's table (or of any array of handlers).
template <const auto& rows, std::size_t... i>
constexpr std::array<CommandThreading, sizeof...(i)> ThreadedFormsOf(std::index_sequence<i...>) {
  return {{{rows[i].handler, &Threaded<rows[i].handler>}...}};
}
template <const auto& rows>
constexpr auto ThreadedForms() {
  return ThreadedFormsOf<rows>(std::make_index_sequence<std::size(rows)>());
}
// Two lists of threaded forms as one (a family's table, and the handlers it chooses at load).
template <std::size_t n, std::size_t m>
constexpr std::array<CommandThreading, n + m> JoinedForms(const std::array<CommandThreading, n>& a,
                                                          const std::array<CommandThreading, m>& b) {
  std::array<CommandThreading, n + m> joined{};
  for (std::size_t i = 0; i < n; ++i) joined[i] = a[i];
  for (std::size_t i = 0; i < m; ++i) joined[n + i] = b[i];
  return joined;
}

// Adds a family's threaded forms; forgets them all (InstallSubsystems).
void RegisterThreadedForms(std::span<const CommandThreading> forms);
void ClearThreadedForms();
// The threaded form of `handler`, or `handler` itself when none is registered.
CommandHandler ThreadedFormOf(CommandHandler handler);

// A handler chosen for a command from its operands at load: `choose` gets the command's decoded
// word (its operands decoded, the rest of the program too; Interpreter.decoded is the form being
// built) and returns the handler to run there, `plain` when no variant fits. It may keep what it
// worked out in a plan (NewDecodedPlan, program_image.h) that an operand word's `plan` points to.
struct CommandVariant {
  CommandHandler plain;
  CommandHandler (*choose)(DecodedWord* at);
};

// Adds a family's variants.
void RegisterCommandVariants(std::span<const CommandVariant> variants);
// Forgets every variant (InstallSubsystems, before it registers the installed families).
void ClearCommandVariants();
// The handler chosen for the command `plain` at `at`.
CommandHandler ChooseCommandVariant(CommandHandler plain, DecodedWord* at);

}  // namespace qm
