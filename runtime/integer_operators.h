// The integer operators and the 32-bit assignment: [result][left][right] and [target][source].
// Inline, so that the fused pairs of other families (an operation into a temporary, then an
// array store of it; an array fetch, then an add and its assignment) run them without a call.
#pragma once
#include <cstdint>

#include "runtime/command_dispatch.h"
#include "runtime/command_fusion.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"

namespace qm {

template <int32_t (*operation)(int32_t, int32_t)>
inline Pc IntegerArithmetic(Pc at) {
  const auto [result, left, right] = OperandCells<3>(at);
  result->i = operation(left->i, right->i);
  return at + 4;
}

inline Pc OpAddLLL(Pc at) { return IntegerArithmetic<WrapAdd>(at); }
inline Pc OpSubLLL(Pc at) { return IntegerArithmetic<WrapSubtract>(at); }
inline Pc OpMulLLL(Pc at) { return IntegerArithmetic<WrapMultiply>(at); }

// Integer to integer and float to float: the 32 bits as they are.
inline Pc OpAssignLL(Pc at) {
  const auto [target, source] = OperandCells<2>(at);
  target->i = source->i;
  return at + 3;
}

template <>
inline constexpr bool kOnlyComputes<OpAddLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpSubLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpMulLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpAssignLL> = true;

// An integer operation into a temporary, then the assignment of that temporary, with no
// bookkeeping between them. The assignment takes the value from where the operation worked it
// out, not from the cell it was just stored in, so it does not wait on that store: in a loop such
// as sum = sum + i the sum passes through memory once per pass instead of twice. Any other source
// is read as the assignment reads it.
template <int32_t (*operation)(int32_t, int32_t)>
[[gnu::always_inline]] inline Pc ArithmeticThenAssignment(Pc at) {
  const auto [result, left, right] = OperandCells<3>(at);
  const int32_t value = operation(left->i, right->i);
  result->i = value;
  const auto [target, source] = OperandCells<2>(at + 4);
  target->i = source == result ? value : source->i;
  return at + 7;
}

// The two as a fused pair (command_fusion.h): both only compute, so they are counted at once.
template <int32_t (*operation)(int32_t, int32_t)>
[[gnu::flatten]] Pc IntegerArithmeticThenAssignment(Pc at) {
  if (TakeCommands(2)) [[likely]]
    return RunCounted(ArithmeticThenAssignment<operation>(at));
  const Pc next = IntegerArithmetic<operation>(at);
  if (!StartSecondHalf(next)) return next;
  return ContinueAt(OpAssignLL(next));
}

// An assignment, then such a pair (a = t : r = a + b): three commands counted at once.
template <int32_t (*operation)(int32_t, int32_t)>
[[gnu::flatten]] Pc AssignmentThenArithmeticThenAssignment(Pc at) {
  if (TakeCommands(3)) [[likely]]
    return RunCounted(ArithmeticThenAssignment<operation>(OpAssignLL(at)));
  const Pc next = OpAssignLL(at);
  if (!StartSecondHalf(next)) return next;
  return IntegerArithmeticThenAssignment<operation>(next);
}

inline constexpr CommandHandler OpAddThenAssign = IntegerArithmeticThenAssignment<WrapAdd>;
inline constexpr CommandHandler OpSubThenAssign = IntegerArithmeticThenAssignment<WrapSubtract>;
inline constexpr CommandHandler OpMulThenAssign = IntegerArithmeticThenAssignment<WrapMultiply>;

}  // namespace qm
