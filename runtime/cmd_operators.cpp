// Operators and assignment: one handler per operator and operand types. An operator is
// [result][left][right]; an assignment (and INT) [target][source]. Integers wrap at 32 bits,
// floats are computed in double and stored as the nearest single, comparisons store 1 or 0.
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/command_fusion.h"
#include "runtime/control_flow.h"
#include "runtime/foundation_commands.h"
#include "runtime/integer_operators.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/runtime_errors.h"
#include "runtime/text_building.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

// Operand types in signatures: L integer, F float.
enum class Num { L, F };

// An integer operand as it is, a float operand widened exactly to double.
template <Num kind>
auto ValueOf(const ValueCell& cell) {
  if constexpr (kind == Num::L) {
    return cell.i;
  } else {
    return static_cast<double>(cell.f);
  }
}

// ---- Integer arithmetic ----

// Addition, subtraction and multiplication: integer_operators.h.

// A divisor of 0 stores 0 and raises warning 111; -2147483648 / -1 wraps to -2147483648.
Pc OpDivLLL(Pc at) {
  const auto [result, left, right] = OperandCells<3>(at);
  if (right->i == 0) {
    result->i = 0;
    RaiseRuntimeWarning(kWarningDivisionByZero);
    return at + 4;
  }
  result->i = WrapDivide(left->i, right->i);
  return at + 4;
}

// ---- Float arithmetic ----

template <Num left, Num right, typename Operation>
Pc FloatArithmetic(Pc at, Operation operation) {
  const auto [result, a, b] = OperandCells<3>(at);
  result->f = NearestSingle(
      operation(static_cast<double>(ValueOf<left>(*a)), static_cast<double>(ValueOf<right>(*b))));
  return at + 4;
}

Pc OpAddFLF(Pc at) { return FloatArithmetic<Num::L, Num::F>(at, std::plus<double>()); }
Pc OpAddFFL(Pc at) { return FloatArithmetic<Num::F, Num::L>(at, std::plus<double>()); }
Pc OpAddFFF(Pc at) { return FloatArithmetic<Num::F, Num::F>(at, std::plus<double>()); }
Pc OpSubFLF(Pc at) { return FloatArithmetic<Num::L, Num::F>(at, std::minus<double>()); }
Pc OpSubFFL(Pc at) { return FloatArithmetic<Num::F, Num::L>(at, std::minus<double>()); }
Pc OpSubFFF(Pc at) { return FloatArithmetic<Num::F, Num::F>(at, std::minus<double>()); }
Pc OpMulFLF(Pc at) { return FloatArithmetic<Num::L, Num::F>(at, std::multiplies<double>()); }
Pc OpMulFFL(Pc at) { return FloatArithmetic<Num::F, Num::L>(at, std::multiplies<double>()); }
Pc OpMulFFF(Pc at) { return FloatArithmetic<Num::F, Num::F>(at, std::multiplies<double>()); }

// A divisor equal to zero (-0.0 too) or not a number stores +0.0 and raises warning 111. An
// integer divisor is first taken to the nearest single, then tested and used.
template <Num left, Num right>
Pc FloatDivision(Pc at) {
  const auto [result, a, b] = OperandCells<3>(at);
  const double dividend = ValueOf<left>(*a);
  double divisor = ValueOf<right>(*b);
  if constexpr (right == Num::L) divisor = NearestSingle(divisor);
  if (divisor == 0.0 || std::isnan(divisor)) {
    result->f = 0.0f;
    RaiseRuntimeWarning(kWarningDivisionByZero);
    return at + 4;
  }
  result->f = NearestSingle(dividend / divisor);
  return at + 4;
}

Pc OpDivFLF(Pc at) { return FloatDivision<Num::L, Num::F>(at); }
Pc OpDivFFL(Pc at) { return FloatDivision<Num::F, Num::L>(at); }
Pc OpDivFFF(Pc at) { return FloatDivision<Num::F, Num::F>(at); }

// ---- Power ----

// The integer form truncates the double result; out of range gives -2147483648.
Pc OpPowLLL(Pc at) {
  const auto [result, base, exponent] = OperandCells<3>(at);
  result->i = TruncateToInt32(std::pow(static_cast<double>(base->i), static_cast<double>(exponent->i)));
  return at + 4;
}

template <Num left, Num right>
Pc FloatPower(Pc at) {
  const auto [result, base, exponent] = OperandCells<3>(at);
  result->f = NearestSingle(
      std::pow(static_cast<double>(ValueOf<left>(*base)), static_cast<double>(ValueOf<right>(*exponent))));
  return at + 4;
}

Pc OpPowFFF(Pc at) { return FloatPower<Num::F, Num::F>(at); }
Pc OpPowFLF(Pc at) { return FloatPower<Num::L, Num::F>(at); }
Pc OpPowFFL(Pc at) { return FloatPower<Num::F, Num::L>(at); }

// ---- Comparisons and logic ----

// Mixed comparisons compare the integer's exact value with the float's (16777217 is not
// 16777216.0): the integer is widened to double, never narrowed to single.
template <Num left, Num right, typename Comparison>
Pc Compare(Pc at, Comparison comparison) {
  const auto [result, a, b] = OperandCells<3>(at);
  result->i = comparison(ValueOf<left>(*a), ValueOf<right>(*b)) ? 1 : 0;
  return at + 4;
}

// Texts compare byte by byte as unsigned codes; a text that ends first is the smaller.
template <typename Comparison>
Pc CompareTexts(Pc at, Comparison comparison) {
  Operands in(at);
  int32_t& result = in.Int();
  const char* a = CellText(in.String());
  const char* b = CellText(in.String());
  result = comparison(std::strcmp(a, b), 0) ? 1 : 0;
  return in.Next();
}

Pc OpEqualLLL(Pc at) { return Compare<Num::L, Num::L>(at, std::equal_to<>()); }
Pc OpEqualLFF(Pc at) { return Compare<Num::F, Num::F>(at, std::equal_to<>()); }
Pc OpEqualLLF(Pc at) { return Compare<Num::L, Num::F>(at, std::equal_to<>()); }
Pc OpEqualLFL(Pc at) { return Compare<Num::F, Num::L>(at, std::equal_to<>()); }
Pc OpEqualLSS(Pc at) { return CompareTexts(at, std::equal_to<>()); }
Pc OpNotEqualLLL(Pc at) { return Compare<Num::L, Num::L>(at, std::not_equal_to<>()); }
Pc OpNotEqualLFF(Pc at) { return Compare<Num::F, Num::F>(at, std::not_equal_to<>()); }
Pc OpNotEqualLLF(Pc at) { return Compare<Num::L, Num::F>(at, std::not_equal_to<>()); }
Pc OpNotEqualLFL(Pc at) { return Compare<Num::F, Num::L>(at, std::not_equal_to<>()); }
Pc OpNotEqualLSS(Pc at) { return CompareTexts(at, std::not_equal_to<>()); }
Pc OpGreaterLLL(Pc at) { return Compare<Num::L, Num::L>(at, std::greater<>()); }
Pc OpGreaterLFF(Pc at) { return Compare<Num::F, Num::F>(at, std::greater<>()); }
Pc OpGreaterLLF(Pc at) { return Compare<Num::L, Num::F>(at, std::greater<>()); }
Pc OpGreaterLFL(Pc at) { return Compare<Num::F, Num::L>(at, std::greater<>()); }
Pc OpGreaterLSS(Pc at) { return CompareTexts(at, std::greater<>()); }
Pc OpGreaterEqualLLL(Pc at) { return Compare<Num::L, Num::L>(at, std::greater_equal<>()); }
Pc OpGreaterEqualLFF(Pc at) { return Compare<Num::F, Num::F>(at, std::greater_equal<>()); }
Pc OpGreaterEqualLLF(Pc at) { return Compare<Num::L, Num::F>(at, std::greater_equal<>()); }
Pc OpGreaterEqualLFL(Pc at) { return Compare<Num::F, Num::L>(at, std::greater_equal<>()); }
Pc OpLessLLL(Pc at) { return Compare<Num::L, Num::L>(at, std::less<>()); }
Pc OpLessLFF(Pc at) { return Compare<Num::F, Num::F>(at, std::less<>()); }
Pc OpLessLLF(Pc at) { return Compare<Num::L, Num::F>(at, std::less<>()); }
Pc OpLessLFL(Pc at) { return Compare<Num::F, Num::L>(at, std::less<>()); }
Pc OpLessLSS(Pc at) { return CompareTexts(at, std::less<>()); }
Pc OpLessEqualLLL(Pc at) { return Compare<Num::L, Num::L>(at, std::less_equal<>()); }
Pc OpLessEqualLFF(Pc at) { return Compare<Num::F, Num::F>(at, std::less_equal<>()); }
Pc OpLessEqualLLF(Pc at) { return Compare<Num::L, Num::F>(at, std::less_equal<>()); }
Pc OpLessEqualLFL(Pc at) { return Compare<Num::F, Num::L>(at, std::less_equal<>()); }

// AND and OR are bitwise: with comparison results (1 or 0) they act as logical operators.
constexpr int32_t BitwiseAnd(int32_t a, int32_t b) { return a & b; }
constexpr int32_t BitwiseOr(int32_t a, int32_t b) { return a | b; }

Pc OpAndLLL(Pc at) { return IntegerArithmetic<BitwiseAnd>(at); }
Pc OpOrLLL(Pc at) { return IntegerArithmetic<BitwiseOr>(at); }

}  // namespace

// Comparisons, AND, OR and the float additions, subtractions and multiplications only compute
// (command_fusion.h): fused with a test or an assignment, both are counted at once.
template <>
inline constexpr bool kOnlyComputes<OpEqualLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpEqualLFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpEqualLLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpEqualLFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpNotEqualLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpNotEqualLFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpNotEqualLLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpNotEqualLFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterLFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterLLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterLFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterEqualLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterEqualLFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterEqualLLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpGreaterEqualLFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessLFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessLLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessLFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessEqualLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessEqualLFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessEqualLLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpLessEqualLFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpAndLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpOrLLL> = true;
template <>
inline constexpr bool kOnlyComputes<OpAddFLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpAddFFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpAddFFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpSubFLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpSubFFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpSubFFF> = true;
template <>
inline constexpr bool kOnlyComputes<OpMulFLF> = true;
template <>
inline constexpr bool kOnlyComputes<OpMulFFL> = true;
template <>
inline constexpr bool kOnlyComputes<OpMulFFF> = true;

namespace {

// ---- Texts ----

// Concatenation: above 255 characters together, error 107 and the result is left as it was.
Pc OpAddSSS(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  const std::string_view left = CellText(in.String());
  const std::string_view right = CellText(in.String());
  if (left.size() + right.size() > kMaxTextLength) {
    RaiseRuntimeError(kErrorTextTooLong);
    return in.Next();
  }
  ReplaceCellText(result, NewJoinedText(left, right));
  return in.Next();
}

// Removal: the left text without the first occurrence of the right text ("banana" - "an" is
// "bana"); no occurrence, or an empty right text, leaves the left text.
Pc OpSubSSS(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  const std::string_view left = CellText(in.String());
  const std::string_view right = CellText(in.String());
  const std::size_t found = right.empty() ? std::string_view::npos : left.find(right);
  if (found == std::string_view::npos) {
    StoreStringResult(result, left);
    return in.Next();
  }
  ReplaceCellText(result, NewJoinedText(left.substr(0, found), left.substr(found + right.size())));
  return in.Next();
}

// ---- Assignment ----

// Integer to integer and float to float: OpAssignLL (integer_operators.h).

// Float to integer, and INT: truncation toward zero; out of range, infinite or not a number
// gives -2147483648.
Pc OpAssignLF(Pc at) {
  const auto [target, source] = OperandCells<2>(at);
  target->i = TruncateToInt32(source->f);
  return at + 3;
}

// Integer to float: the nearest single (a tie goes to the even value).
Pc OpAssignFL(Pc at) {
  const auto [target, source] = OperandCells<2>(at);
  target->f = NearestSingle(source->i);
  return at + 3;
}

// The copy is made before the target's old text is freed, so a$ = a$ keeps the text.
Pc OpAssignSS(Pc at) {
  Operands in(at);
  ValueCell& target = in.String();
  StoreStringResult(target, CellText(in.String()));
  return in.Next();
}

constexpr CommandRegistration kOperatorCommands[] = {
    {kOpPowLLL, "^[", "LLL", OpPowLLL},
    {kOpPowFFF, "^[", "FFF", OpPowFFF},
    {kOpPowFLF, "^[", "FLF", OpPowFLF},
    {kOpPowFFL, "^[", "FFL", OpPowFFL},
    {kOpDivLLL, "/[", "LLL", OpDivLLL},
    {kOpDivFLF, "/[", "FLF", OpDivFLF},
    {kOpDivFFL, "/[", "FFL", OpDivFFL},
    {kOpDivFFF, "/[", "FFF", OpDivFFF},
    {kOpMulLLL, "*[", "LLL", OpMulLLL},
    {kOpMulFLF, "*[", "FLF", OpMulFLF},
    {kOpMulFFL, "*[", "FFL", OpMulFFL},
    {kOpMulFFF, "*[", "FFF", OpMulFFF},
    {kOpAddLLL, "+[", "LLL", OpAddLLL},
    {kOpAddFLF, "+[", "FLF", OpAddFLF},
    {kOpAddFFL, "+[", "FFL", OpAddFFL},
    {kOpAddFFF, "+[", "FFF", OpAddFFF},
    {kOpAddSSS, "+[", "SSS", OpAddSSS},
    {kOpSubLLL, "-[", "LLL", OpSubLLL},
    {kOpSubFLF, "-[", "FLF", OpSubFLF},
    {kOpSubFFL, "-[", "FFL", OpSubFFL},
    {kOpSubFFF, "-[", "FFF", OpSubFFF},
    {kOpSubSSS, "-[", "SSS", OpSubSSS},
    {kOpEqualLLL, "==[", "LLL", OpEqualLLL},
    {kOpEqualLFF, "==[", "LFF", OpEqualLFF},
    {kOpEqualLSS, "==[", "LSS", OpEqualLSS},
    {kOpGreaterLLL, ">[", "LLL", OpGreaterLLL},
    {kOpGreaterLFF, ">[", "LFF", OpGreaterLFF},
    {kOpGreaterEqualLLL, ">=[", "LLL", OpGreaterEqualLLL},
    {kOpGreaterEqualLFF, ">=[", "LFF", OpGreaterEqualLFF},
    {kOpLessLLL, "<[", "LLL", OpLessLLL},
    {kOpLessLFF, "<[", "LFF", OpLessLFF},
    {kOpLessEqualLLL, "<=[", "LLL", OpLessEqualLLL},
    {kOpLessEqualLFF, "<=[", "LFF", OpLessEqualLFF},
    {kOpNotEqualLLL, "![", "LLL", OpNotEqualLLL},
    {kOpNotEqualLFF, "![", "LFF", OpNotEqualLFF},
    {kOpNotEqualLSS, "![", "LSS", OpNotEqualLSS},
    {kOpAndLLL, "&[", "LLL", OpAndLLL},
    {kOpOrLLL, "|[", "LLL", OpOrLLL},
    {kOpEqualLLF, "==[", "LLF", OpEqualLLF},
    {kOpEqualLFL, "==[", "LFL", OpEqualLFL},
    {kOpGreaterLLF, ">[", "LLF", OpGreaterLLF},
    {kOpGreaterLFL, ">[", "LFL", OpGreaterLFL},
    {kOpGreaterEqualLLF, ">=[", "LLF", OpGreaterEqualLLF},
    {kOpGreaterEqualLFL, ">=[", "LFL", OpGreaterEqualLFL},
    {kOpLessLLF, "<[", "LLF", OpLessLLF},
    {kOpLessLFL, "<[", "LFL", OpLessLFL},
    {kOpLessEqualLLF, "<=[", "LLF", OpLessEqualLLF},
    {kOpLessEqualLFL, "<=[", "LFL", OpLessEqualLFL},
    {kOpNotEqualLLF, "![", "LLF", OpNotEqualLLF},
    {kOpNotEqualLFL, "![", "LFL", OpNotEqualLFL},
    {kOpGreaterLSS, ">[", "LSS", OpGreaterLSS},
    {kOpLessLSS, "<[", "LSS", OpLessLSS},
    {kOpAssignLL, "=", "LL", OpAssignLL},
    {kOpAssignFF, "=", "FF", OpAssignLL},
    {kOpAssignSS, "=", "SS", OpAssignSS},
    {kOpAssignLF, "=", "LF", OpAssignLF},
    {kOpAssignFL, "=", "FL", OpAssignFL},
    {kCmdInt, "int[", "LF", OpAssignLF},
};

// The pairs the compiler emits for every expression statement and every test: an operation into
// a temporary, then the assignment of that temporary ("= LL" and "= FF" share a handler); a
// comparison (or AND, OR of comparisons) into a temporary, then the IF, WHILE or UNTIL on it.
// An assignment and the pair of the statement after it run as three in one dispatch where that
// pair is an addition and its assignment or an integer test (r = n : IF n > 1, a = t : r = a + b):
// a plain assignment's single jump would go to whatever statement follows each assignment.

constexpr CommandFusion kOperatorFusions[] = {
    {OpAssignLL, OpAddThenAssign, AssignmentThenArithmeticThenAssignment<WrapAdd>},
    FusionOfThree<OpAssignLL, OpGreaterLLL, CmdIf>(),
    {OpAddLLL, OpAssignLL, OpAddThenAssign},
    {OpSubLLL, OpAssignLL, OpSubThenAssign},
    {OpMulLLL, OpAssignLL, OpMulThenAssign},
    Fusion<OpDivLLL, OpAssignLL>(),
    Fusion<OpAndLLL, OpAssignLL>(),
    Fusion<OpOrLLL, OpAssignLL>(),
    Fusion<OpAddFLF, OpAssignLL>(),
    Fusion<OpAddFFL, OpAssignLL>(),
    Fusion<OpAddFFF, OpAssignLL>(),
    Fusion<OpSubFLF, OpAssignLL>(),
    Fusion<OpSubFFL, OpAssignLL>(),
    Fusion<OpSubFFF, OpAssignLL>(),
    Fusion<OpMulFLF, OpAssignLL>(),
    Fusion<OpMulFFL, OpAssignLL>(),
    Fusion<OpMulFFF, OpAssignLL>(),
    Fusion<OpDivFLF, OpAssignLL>(),
    Fusion<OpDivFFL, OpAssignLL>(),
    Fusion<OpDivFFF, OpAssignLL>(),
    Fusion<OpEqualLLL, CmdIf>(),
    Fusion<OpEqualLFF, CmdIf>(),
    Fusion<OpEqualLLF, CmdIf>(),
    Fusion<OpEqualLFL, CmdIf>(),
    Fusion<OpNotEqualLLL, CmdIf>(),
    Fusion<OpNotEqualLFF, CmdIf>(),
    Fusion<OpNotEqualLLF, CmdIf>(),
    Fusion<OpNotEqualLFL, CmdIf>(),
    Fusion<OpGreaterLLL, CmdIf>(),
    Fusion<OpGreaterLFF, CmdIf>(),
    Fusion<OpGreaterLLF, CmdIf>(),
    Fusion<OpGreaterLFL, CmdIf>(),
    Fusion<OpGreaterEqualLLL, CmdIf>(),
    Fusion<OpGreaterEqualLFF, CmdIf>(),
    Fusion<OpGreaterEqualLLF, CmdIf>(),
    Fusion<OpGreaterEqualLFL, CmdIf>(),
    Fusion<OpLessLLL, CmdIf>(),
    Fusion<OpLessLFF, CmdIf>(),
    Fusion<OpLessLLF, CmdIf>(),
    Fusion<OpLessLFL, CmdIf>(),
    Fusion<OpLessEqualLLL, CmdIf>(),
    Fusion<OpLessEqualLFF, CmdIf>(),
    Fusion<OpLessEqualLLF, CmdIf>(),
    Fusion<OpLessEqualLFL, CmdIf>(),
    Fusion<OpAndLLL, CmdIf>(),
    Fusion<OpOrLLL, CmdIf>(),
};

constexpr auto kOperatorThreading = ThreadedForms<kOperatorCommands>();

}  // namespace

constinit const CommandFamily kOperatorFamily{
    kOperatorCommands, kOperatorFusions, {}, {}, kOperatorThreading};

}  // namespace qm
