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
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/operand_batches.h"
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

template <int32_t (*operation)(int32_t, int32_t)>
void IntegerArithmetic() {
  const auto [result, left, right] = NextNumericCells<3>();
  result->i = operation(left->i, right->i);
}

void OpAddLLL() { IntegerArithmetic<WrapAdd>(); }
void OpSubLLL() { IntegerArithmetic<WrapSubtract>(); }
void OpMulLLL() { IntegerArithmetic<WrapMultiply>(); }

// A divisor of 0 stores 0 and raises warning 111; -2147483648 / -1 wraps to -2147483648.
void OpDivLLL() {
  const auto [result, left, right] = NextNumericCells<3>();
  if (right->i == 0) {
    result->i = 0;
    RaiseRuntimeWarning(kWarningDivisionByZero);
    return;
  }
  result->i = WrapDivide(left->i, right->i);
}

// ---- Float arithmetic ----

template <Num left, Num right, typename Operation>
void FloatArithmetic(Operation operation) {
  const auto [result, a, b] = NextNumericCells<3>();
  result->f = NearestSingle(
      operation(static_cast<double>(ValueOf<left>(*a)), static_cast<double>(ValueOf<right>(*b))));
}

void OpAddFLF() { FloatArithmetic<Num::L, Num::F>(std::plus<double>()); }
void OpAddFFL() { FloatArithmetic<Num::F, Num::L>(std::plus<double>()); }
void OpAddFFF() { FloatArithmetic<Num::F, Num::F>(std::plus<double>()); }
void OpSubFLF() { FloatArithmetic<Num::L, Num::F>(std::minus<double>()); }
void OpSubFFL() { FloatArithmetic<Num::F, Num::L>(std::minus<double>()); }
void OpSubFFF() { FloatArithmetic<Num::F, Num::F>(std::minus<double>()); }
void OpMulFLF() { FloatArithmetic<Num::L, Num::F>(std::multiplies<double>()); }
void OpMulFFL() { FloatArithmetic<Num::F, Num::L>(std::multiplies<double>()); }
void OpMulFFF() { FloatArithmetic<Num::F, Num::F>(std::multiplies<double>()); }

// A divisor equal to zero (-0.0 too) or not a number stores +0.0 and raises warning 111. An
// integer divisor is first taken to the nearest single, then tested and used.
template <Num left, Num right>
void FloatDivision() {
  const auto [result, a, b] = NextNumericCells<3>();
  const double dividend = ValueOf<left>(*a);
  double divisor = ValueOf<right>(*b);
  if constexpr (right == Num::L) divisor = NearestSingle(divisor);
  if (divisor == 0.0 || std::isnan(divisor)) {
    result->f = 0.0f;
    RaiseRuntimeWarning(kWarningDivisionByZero);
    return;
  }
  result->f = NearestSingle(dividend / divisor);
}

void OpDivFLF() { FloatDivision<Num::L, Num::F>(); }
void OpDivFFL() { FloatDivision<Num::F, Num::L>(); }
void OpDivFFF() { FloatDivision<Num::F, Num::F>(); }

// ---- Power ----

// The integer form truncates the double result; out of range gives -2147483648.
void OpPowLLL() {
  const auto [result, base, exponent] = NextNumericCells<3>();
  result->i = TruncateToInt32(std::pow(static_cast<double>(base->i), static_cast<double>(exponent->i)));
}

template <Num left, Num right>
void FloatPower() {
  const auto [result, base, exponent] = NextNumericCells<3>();
  result->f = NearestSingle(
      std::pow(static_cast<double>(ValueOf<left>(*base)), static_cast<double>(ValueOf<right>(*exponent))));
}

void OpPowFFF() { FloatPower<Num::F, Num::F>(); }
void OpPowFLF() { FloatPower<Num::L, Num::F>(); }
void OpPowFFL() { FloatPower<Num::F, Num::L>(); }

// ---- Comparisons and logic ----

// Mixed comparisons compare the integer's exact value with the float's (16777217 is not
// 16777216.0): the integer is widened to double, never narrowed to single.
template <Num left, Num right, typename Comparison>
void Compare(Comparison comparison) {
  const auto [result, a, b] = NextNumericCells<3>();
  result->i = comparison(ValueOf<left>(*a), ValueOf<right>(*b)) ? 1 : 0;
}

// Texts compare byte by byte as unsigned codes; a text that ends first is the smaller.
template <typename Comparison>
void CompareTexts(Comparison comparison) {
  int32_t& result = NextIntCell();
  const char* a = CellText(NextStringCell());
  const char* b = CellText(NextStringCell());
  result = comparison(std::strcmp(a, b), 0) ? 1 : 0;
}

void OpEqualLLL() { Compare<Num::L, Num::L>(std::equal_to<>()); }
void OpEqualLFF() { Compare<Num::F, Num::F>(std::equal_to<>()); }
void OpEqualLLF() { Compare<Num::L, Num::F>(std::equal_to<>()); }
void OpEqualLFL() { Compare<Num::F, Num::L>(std::equal_to<>()); }
void OpEqualLSS() { CompareTexts(std::equal_to<>()); }
void OpNotEqualLLL() { Compare<Num::L, Num::L>(std::not_equal_to<>()); }
void OpNotEqualLFF() { Compare<Num::F, Num::F>(std::not_equal_to<>()); }
void OpNotEqualLLF() { Compare<Num::L, Num::F>(std::not_equal_to<>()); }
void OpNotEqualLFL() { Compare<Num::F, Num::L>(std::not_equal_to<>()); }
void OpNotEqualLSS() { CompareTexts(std::not_equal_to<>()); }
void OpGreaterLLL() { Compare<Num::L, Num::L>(std::greater<>()); }
void OpGreaterLFF() { Compare<Num::F, Num::F>(std::greater<>()); }
void OpGreaterLLF() { Compare<Num::L, Num::F>(std::greater<>()); }
void OpGreaterLFL() { Compare<Num::F, Num::L>(std::greater<>()); }
void OpGreaterLSS() { CompareTexts(std::greater<>()); }
void OpGreaterEqualLLL() { Compare<Num::L, Num::L>(std::greater_equal<>()); }
void OpGreaterEqualLFF() { Compare<Num::F, Num::F>(std::greater_equal<>()); }
void OpGreaterEqualLLF() { Compare<Num::L, Num::F>(std::greater_equal<>()); }
void OpGreaterEqualLFL() { Compare<Num::F, Num::L>(std::greater_equal<>()); }
void OpLessLLL() { Compare<Num::L, Num::L>(std::less<>()); }
void OpLessLFF() { Compare<Num::F, Num::F>(std::less<>()); }
void OpLessLLF() { Compare<Num::L, Num::F>(std::less<>()); }
void OpLessLFL() { Compare<Num::F, Num::L>(std::less<>()); }
void OpLessLSS() { CompareTexts(std::less<>()); }
void OpLessEqualLLL() { Compare<Num::L, Num::L>(std::less_equal<>()); }
void OpLessEqualLFF() { Compare<Num::F, Num::F>(std::less_equal<>()); }
void OpLessEqualLLF() { Compare<Num::L, Num::F>(std::less_equal<>()); }
void OpLessEqualLFL() { Compare<Num::F, Num::L>(std::less_equal<>()); }

// AND and OR are bitwise: with comparison results (1 or 0) they act as logical operators.
constexpr int32_t BitwiseAnd(int32_t a, int32_t b) { return a & b; }
constexpr int32_t BitwiseOr(int32_t a, int32_t b) { return a | b; }

void OpAndLLL() { IntegerArithmetic<BitwiseAnd>(); }
void OpOrLLL() { IntegerArithmetic<BitwiseOr>(); }

// ---- Texts ----

// Concatenation: above 255 characters together, error 107 and the result is left as it was.
void OpAddSSS() {
  ValueCell& result = NextStringCell();
  const std::string_view left = CellText(NextStringCell());
  const std::string_view right = CellText(NextStringCell());
  if (left.size() + right.size() > kMaxTextLength) {
    RaiseRuntimeError(kErrorTextTooLong);
    return;
  }
  ReplaceCellText(result, NewJoinedText(left, right));
}

// Removal: the left text without the first occurrence of the right text ("banana" - "an" is
// "bana"); no occurrence, or an empty right text, leaves the left text.
void OpSubSSS() {
  ValueCell& result = NextStringCell();
  const std::string_view left = CellText(NextStringCell());
  const std::string_view right = CellText(NextStringCell());
  const std::size_t at = right.empty() ? std::string_view::npos : left.find(right);
  if (at == std::string_view::npos) {
    StoreStringResult(result, left);
    return;
  }
  ReplaceCellText(result, NewJoinedText(left.substr(0, at), left.substr(at + right.size())));
}

// ---- Assignment ----

// Integer to integer and float to float: the 32 bits as they are.
void OpAssignLL() {
  const auto [target, source] = NextNumericCells<2>();
  target->i = source->i;
}

// Float to integer, and INT: truncation toward zero; out of range, infinite or not a number
// gives -2147483648.
void OpAssignLF() {
  const auto [target, source] = NextNumericCells<2>();
  target->i = TruncateToInt32(source->f);
}

// Integer to float: the nearest single (a tie goes to the even value).
void OpAssignFL() {
  const auto [target, source] = NextNumericCells<2>();
  target->f = NearestSingle(source->i);
}

// The copy is made before the target's old text is freed, so a$ = a$ keeps the text.
void OpAssignSS() {
  ValueCell& target = NextStringCell();
  StoreStringResult(target, CellText(NextStringCell()));
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
template <CommandHandler first, CommandHandler second>
constexpr CommandFusion Fusion() {
  return {first, second, FusedPair<first, second>};
}

constexpr CommandFusion kOperatorFusions[] = {
    Fusion<OpAddLLL, OpAssignLL>(),     Fusion<OpSubLLL, OpAssignLL>(),
    Fusion<OpMulLLL, OpAssignLL>(),     Fusion<OpDivLLL, OpAssignLL>(),
    Fusion<OpAndLLL, OpAssignLL>(),     Fusion<OpOrLLL, OpAssignLL>(),
    Fusion<OpAddFLF, OpAssignLL>(),     Fusion<OpAddFFL, OpAssignLL>(),
    Fusion<OpAddFFF, OpAssignLL>(),     Fusion<OpSubFLF, OpAssignLL>(),
    Fusion<OpSubFFL, OpAssignLL>(),     Fusion<OpSubFFF, OpAssignLL>(),
    Fusion<OpMulFLF, OpAssignLL>(),     Fusion<OpMulFFL, OpAssignLL>(),
    Fusion<OpMulFFF, OpAssignLL>(),     Fusion<OpDivFLF, OpAssignLL>(),
    Fusion<OpDivFFL, OpAssignLL>(),     Fusion<OpDivFFF, OpAssignLL>(),
    Fusion<OpEqualLLL, CmdIf>(),        Fusion<OpEqualLFF, CmdIf>(),
    Fusion<OpEqualLLF, CmdIf>(),        Fusion<OpEqualLFL, CmdIf>(),
    Fusion<OpNotEqualLLL, CmdIf>(),     Fusion<OpNotEqualLFF, CmdIf>(),
    Fusion<OpNotEqualLLF, CmdIf>(),     Fusion<OpNotEqualLFL, CmdIf>(),
    Fusion<OpGreaterLLL, CmdIf>(),      Fusion<OpGreaterLFF, CmdIf>(),
    Fusion<OpGreaterLLF, CmdIf>(),      Fusion<OpGreaterLFL, CmdIf>(),
    Fusion<OpGreaterEqualLLL, CmdIf>(), Fusion<OpGreaterEqualLFF, CmdIf>(),
    Fusion<OpGreaterEqualLLF, CmdIf>(), Fusion<OpGreaterEqualLFL, CmdIf>(),
    Fusion<OpLessLLL, CmdIf>(),         Fusion<OpLessLFF, CmdIf>(),
    Fusion<OpLessLLF, CmdIf>(),         Fusion<OpLessLFL, CmdIf>(),
    Fusion<OpLessEqualLLL, CmdIf>(),    Fusion<OpLessEqualLFF, CmdIf>(),
    Fusion<OpLessEqualLLF, CmdIf>(),    Fusion<OpLessEqualLFL, CmdIf>(),
    Fusion<OpAndLLL, CmdIf>(),          Fusion<OpOrLLL, CmdIf>(),
};

}  // namespace

void RegisterOperatorCommands() {
  RegisterCommandFusions(kOperatorFusions);
  RegisterCommands(kOperatorCommands);
}

}  // namespace qm
