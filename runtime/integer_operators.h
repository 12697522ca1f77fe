// The integer operators and the 32-bit assignment: [result][left][right] and [target][source].
// Inline, so that the fused pairs of other families (an operation into a temporary, then an
// array store of it; an array fetch, then an add and its assignment) run them without a call.
#pragma once
#include <cstdint>

#include "runtime/command_dispatch.h"
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

}  // namespace qm
