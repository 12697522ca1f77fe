// Maths functions, RANDOMIZE, INC and DEC. Functions are [result][arguments...]; every
// computation runs in double and a float result is stored as the nearest single. Angles are
// degrees, converted with the factors 0.01745 and 57.306590257879655 (reciprocal to each other,
// not exactly pi/180 and 180/pi: programs rely on COS(90) being 0.000296..., not 0).
#include <cmath>

#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/foundation_commands.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/random.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

constexpr double kDegreesToRadians = 0.01745;
constexpr double kRadiansToDegrees = 57.306590257879655;

enum class Num { L, F };

template <Num kind>
double NextArgument() {
  if constexpr (kind == Num::L) {
    return NextIntCell();
  } else {
    return NextFloatCell();
  }
}

// ---- Functions of one argument ----

double Cosine(double degrees) { return std::cos(degrees * kDegreesToRadians); }
double Sine(double degrees) { return std::sin(degrees * kDegreesToRadians); }
double Tangent(double degrees) { return std::tan(degrees * kDegreesToRadians); }
double HyperbolicCosine(double degrees) { return std::cosh(degrees * kDegreesToRadians); }
double HyperbolicSine(double degrees) { return std::sinh(degrees * kDegreesToRadians); }
double HyperbolicTangent(double degrees) { return std::tanh(degrees * kDegreesToRadians); }
double ArcCosine(double x) { return std::acos(x) * kRadiansToDegrees; }
double ArcSine(double x) { return std::asin(x) * kRadiansToDegrees; }
double ArcTangent(double x) { return std::atan(x) * kRadiansToDegrees; }
double SquareRoot(double x) { return std::sqrt(x); }
double Absolute(double x) { return std::fabs(x); }
double Exponential(double x) { return std::exp(x); }

template <Num argument, double (*function)(double)>
void FloatFunction() {
  float& result = NextFloatCell();
  result = NearestSingle(function(NextArgument<argument>()));
}

template <Num argument, double (*function)(double)>
void IntegerFunction() {
  int32_t& result = NextIntCell();
  result = TruncateToInt32(function(NextArgument<argument>()));
}

void CmdAbsLF() { IntegerFunction<Num::F, Absolute>(); }
void CmdAbsFF() { FloatFunction<Num::F, Absolute>(); }
void CmdAcosFF() { FloatFunction<Num::F, ArcCosine>(); }
void CmdAcosFL() { FloatFunction<Num::L, ArcCosine>(); }
void CmdAsinFF() { FloatFunction<Num::F, ArcSine>(); }
void CmdAsinFL() { FloatFunction<Num::L, ArcSine>(); }
void CmdAtanFF() { FloatFunction<Num::F, ArcTangent>(); }
void CmdAtanFL() { FloatFunction<Num::L, ArcTangent>(); }
void CmdCosFF() { FloatFunction<Num::F, Cosine>(); }
void CmdCosFL() { FloatFunction<Num::L, Cosine>(); }
void CmdSinFF() { FloatFunction<Num::F, Sine>(); }
void CmdSinFL() { FloatFunction<Num::L, Sine>(); }
void CmdTanFF() { FloatFunction<Num::F, Tangent>(); }
void CmdTanFL() { FloatFunction<Num::L, Tangent>(); }
void CmdHcosFF() { FloatFunction<Num::F, HyperbolicCosine>(); }
void CmdHcosFL() { FloatFunction<Num::L, HyperbolicCosine>(); }
void CmdHsinFF() { FloatFunction<Num::F, HyperbolicSine>(); }
void CmdHsinFL() { FloatFunction<Num::L, HyperbolicSine>(); }
void CmdHtanFF() { FloatFunction<Num::F, HyperbolicTangent>(); }
void CmdHtanFL() { FloatFunction<Num::L, HyperbolicTangent>(); }
void CmdSqrtFF() { FloatFunction<Num::F, SquareRoot>(); }
void CmdSqrtFL() { FloatFunction<Num::L, SquareRoot>(); }

// EXP: e to the power of the integer, truncated; past the 32-bit range -2147483648.
void CmdExp() { IntegerFunction<Num::L, Exponential>(); }

// ATANFULL(y, x): the angle of the point (x, y), y given first.
template <Num y, Num x>
void FullArcTangent() {
  float& result = NextFloatCell();
  const double yValue = NextArgument<y>();
  const double xValue = NextArgument<x>();
  result = NearestSingle(std::atan2(yValue, xValue) * kRadiansToDegrees);
}

void CmdAtanfullFFF() { FullArcTangent<Num::F, Num::F>(); }
void CmdAtanfullFLF() { FullArcTangent<Num::L, Num::F>(); }
void CmdAtanfullFFL() { FullArcTangent<Num::F, Num::L>(); }
void CmdAtanfullFLL() { FullArcTangent<Num::L, Num::L>(); }

// ---- Random numbers ----

// RND(n): a draw modulo n + 1, so 0 to n but never above 32767. n + 1 must be positive in 32-bit
// arithmetic: a negative n or 2147483647 raises 113 and leaves the result as it was.
template <typename Store>
void DrawRandom(Store store) {
  const int32_t n = NextIntCell();
  if (n < 0 || n == INT32_MAX) {
    RaiseRuntimeError(kErrorRandomRange);
    return;
  }
  store(ThreadRandom().Next() % (n + 1));
}

void CmdRndLL() {
  int32_t& result = NextIntCell();
  DrawRandom([&result](int32_t draw) { result = draw; });
}

void CmdRndFL() {
  float& result = NextFloatCell();
  DrawRandom([&result](int32_t draw) { result = NearestSingle(draw); });
}

void CmdRandomize() { ThreadRandom().Seed(static_cast<uint32_t>(NextIntCell())); }

// ---- INC and DEC ----

// The operand of INC or DEC must be a variable of the form's type: an array element (a
// temporary), a literal or a variable of the other type raises `error` and changes nothing.
ValueCell* NextVariableOf(OperandNumber variables, RuntimeErrorCode error) {
  const int32_t word = NextPlainWord();
  CellKind kind;
  ValueCell* cell = OperandCell(word, kind);
  if (cell == nullptr || word < variables || word >= variables + kVariablesPerType) {
    RaiseRuntimeError(error);
    return nullptr;
  }
  return cell;
}

// Adds `sign` x the amount: integers wrap at 32 bits, a float amount for an integer variable is
// truncated first.
void StepInteger(int32_t sign, bool withAmount, RuntimeErrorCode error) {
  ValueCell* variable = NextVariableOf(kIntVariables, error);
  const int32_t amount = withAmount ? TruncateToInt32(NextFloatCell()) : 1;
  if (variable == nullptr) return;
  variable->i = sign > 0 ? WrapAdd(variable->i, amount) : WrapSubtract(variable->i, amount);
}

void StepFloat(int32_t sign, bool withAmount, RuntimeErrorCode error) {
  ValueCell* variable = NextVariableOf(kFloatVariables, error);
  const double amount = withAmount ? static_cast<double>(NextFloatCell()) : 1.0;
  if (variable == nullptr) return;
  variable->f = NearestSingle(static_cast<double>(variable->f) + sign * amount);
}

void CmdIncL() { StepInteger(+1, false, kErrorIncrementOperand); }
void CmdIncLF() { StepInteger(+1, true, kErrorIncrementOperand); }
void CmdIncF() { StepFloat(+1, false, kErrorIncrementOperand); }
void CmdIncFF() { StepFloat(+1, true, kErrorIncrementOperand); }
void CmdDecL() { StepInteger(-1, false, kErrorDecrementOperand); }
void CmdDecLF() { StepInteger(-1, true, kErrorDecrementOperand); }
void CmdDecF() { StepFloat(-1, false, kErrorDecrementOperand); }
void CmdDecFF() { StepFloat(-1, true, kErrorDecrementOperand); }

constexpr CommandRegistration kMathsCommands[] = {
    {kCmdAbsLF, "abs[", "LF", CmdAbsLF},
    {kCmdAcosFF, "acos[", "FF", CmdAcosFF},
    {kCmdAsinFF, "asin[", "FF", CmdAsinFF},
    {kCmdAtanFF, "atan[", "FF", CmdAtanFF},
    {kCmdExp, "exp[", "LL", CmdExp},
    {kCmdHcosFF, "hcos[", "FF", CmdHcosFF},
    {kCmdHsinFF, "hsin[", "FF", CmdHsinFF},
    {kCmdHtanFF, "htan[", "FF", CmdHtanFF},
    {kCmdRandomize, "randomize", "L", CmdRandomize},
    {kCmdRndFL, "rnd[", "FL", CmdRndFL},
    {kCmdSqrtFF, "sqrt[", "FF", CmdSqrtFF},
    {kCmdSqrtFL, "sqrt[", "FL", CmdSqrtFL},
    {kCmdCosFF, "cos[", "FF", CmdCosFF},
    {kCmdCosFL, "cos[", "FL", CmdCosFL},
    {kCmdSinFF, "sin[", "FF", CmdSinFF},
    {kCmdSinFL, "sin[", "FL", CmdSinFL},
    {kCmdAcosFL, "acos[", "FL", CmdAcosFL},
    {kCmdAsinFL, "asin[", "FL", CmdAsinFL},
    {kCmdAtanFL, "atan[", "FL", CmdAtanFL},
    {kCmdAtanfullFFF, "atanfull[", "FFF", CmdAtanfullFFF},
    {kCmdAtanfullFLF, "atanfull[", "FLF", CmdAtanfullFLF},
    {kCmdAtanfullFFL, "atanfull[", "FFL", CmdAtanfullFFL},
    {kCmdAtanfullFLL, "atanfull[", "FLL", CmdAtanfullFLL},
    {kCmdAbsFF, "abs[", "FF", CmdAbsFF},
    {kCmdHcosFL, "hcos[", "FL", CmdHcosFL},
    {kCmdHsinFL, "hsin[", "FL", CmdHsinFL},
    {kCmdHtanFL, "htan[", "FL", CmdHtanFL},
    {kCmdTanFF, "tan[", "FF", CmdTanFF},
    {kCmdTanFL, "tan[", "FL", CmdTanFL},
    {kCmdRndLL, "rnd[", "LL", CmdRndLL},
    {kCmdIncF, "inc", "F", CmdIncF},
    {kCmdIncL, "inc", "L", CmdIncL},
    {kCmdIncFF, "inc", "FF", CmdIncFF},
    {kCmdIncLF, "inc", "LF", CmdIncLF},
    {kCmdDecF, "dec", "F", CmdDecF},
    {kCmdDecL, "dec", "L", CmdDecL},
    {kCmdDecFF, "dec", "FF", CmdDecFF},
    {kCmdDecLF, "dec", "LF", CmdDecLF},
};

}  // namespace

void RegisterMathsCommands() { RegisterCommands(kMathsCommands); }

}  // namespace qm
