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
double NextArgument(Operands& in) {
  if constexpr (kind == Num::L) {
    return in.Int();
  } else {
    return in.Float();
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
Pc FloatFunction(Pc at) {
  Operands in(at);
  float& result = in.Float();
  result = NearestSingle(function(NextArgument<argument>(in)));
  return in.Next();
}

template <Num argument, double (*function)(double)>
Pc IntegerFunction(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  result = TruncateToInt32(function(NextArgument<argument>(in)));
  return in.Next();
}

Pc CmdAbsLF(Pc at) { return IntegerFunction<Num::F, Absolute>(at); }
Pc CmdAbsFF(Pc at) { return FloatFunction<Num::F, Absolute>(at); }
Pc CmdAcosFF(Pc at) { return FloatFunction<Num::F, ArcCosine>(at); }
Pc CmdAcosFL(Pc at) { return FloatFunction<Num::L, ArcCosine>(at); }
Pc CmdAsinFF(Pc at) { return FloatFunction<Num::F, ArcSine>(at); }
Pc CmdAsinFL(Pc at) { return FloatFunction<Num::L, ArcSine>(at); }
Pc CmdAtanFF(Pc at) { return FloatFunction<Num::F, ArcTangent>(at); }
Pc CmdAtanFL(Pc at) { return FloatFunction<Num::L, ArcTangent>(at); }
Pc CmdCosFF(Pc at) { return FloatFunction<Num::F, Cosine>(at); }
Pc CmdCosFL(Pc at) { return FloatFunction<Num::L, Cosine>(at); }
Pc CmdSinFF(Pc at) { return FloatFunction<Num::F, Sine>(at); }
Pc CmdSinFL(Pc at) { return FloatFunction<Num::L, Sine>(at); }
Pc CmdTanFF(Pc at) { return FloatFunction<Num::F, Tangent>(at); }
Pc CmdTanFL(Pc at) { return FloatFunction<Num::L, Tangent>(at); }
Pc CmdHcosFF(Pc at) { return FloatFunction<Num::F, HyperbolicCosine>(at); }
Pc CmdHcosFL(Pc at) { return FloatFunction<Num::L, HyperbolicCosine>(at); }
Pc CmdHsinFF(Pc at) { return FloatFunction<Num::F, HyperbolicSine>(at); }
Pc CmdHsinFL(Pc at) { return FloatFunction<Num::L, HyperbolicSine>(at); }
Pc CmdHtanFF(Pc at) { return FloatFunction<Num::F, HyperbolicTangent>(at); }
Pc CmdHtanFL(Pc at) { return FloatFunction<Num::L, HyperbolicTangent>(at); }
Pc CmdSqrtFF(Pc at) { return FloatFunction<Num::F, SquareRoot>(at); }
Pc CmdSqrtFL(Pc at) { return FloatFunction<Num::L, SquareRoot>(at); }

// EXP: e to the power of the integer, truncated; past the 32-bit range -2147483648.
Pc CmdExp(Pc at) { return IntegerFunction<Num::L, Exponential>(at); }

// ATANFULL(y, x): the angle of the point (x, y), y given first.
template <Num y, Num x>
Pc FullArcTangent(Pc at) {
  Operands in(at);
  float& result = in.Float();
  const double yValue = NextArgument<y>(in);
  const double xValue = NextArgument<x>(in);
  result = NearestSingle(std::atan2(yValue, xValue) * kRadiansToDegrees);
  return in.Next();
}

Pc CmdAtanfullFFF(Pc at) { return FullArcTangent<Num::F, Num::F>(at); }
Pc CmdAtanfullFLF(Pc at) { return FullArcTangent<Num::L, Num::F>(at); }
Pc CmdAtanfullFFL(Pc at) { return FullArcTangent<Num::F, Num::L>(at); }
Pc CmdAtanfullFLL(Pc at) { return FullArcTangent<Num::L, Num::L>(at); }

// ---- Random numbers ----

// RND(n): a draw modulo n + 1, so 0 to n but never above 32767. n + 1 must be positive in 32-bit
// arithmetic: a negative n or 2147483647 raises 113 and leaves the result as it was.
template <typename Store>
void DrawRandom(Operands& in, Store store) {
  const int32_t n = in.Int();
  if (n < 0 || n == INT32_MAX) {
    RaiseRuntimeError(kErrorRandomRange);
    return;
  }
  store(ThreadRandom().Next() % (n + 1));
}

Pc CmdRndLL(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  DrawRandom(in, [&result](int32_t draw) { result = draw; });
  return in.Next();
}

Pc CmdRndFL(Pc at) {
  Operands in(at);
  float& result = in.Float();
  DrawRandom(in, [&result](int32_t draw) { result = NearestSingle(draw); });
  return in.Next();
}

Pc CmdRandomize(Pc at) {
  ThreadRandom().Seed(static_cast<uint32_t>(at[1].cell->i));
  return at + 2;
}

// ---- INC and DEC ----

// The operand of INC or DEC must be a variable of the form's type: an array element (a
// temporary), a literal or a variable of the other type raises `error` and changes nothing.
ValueCell* NextVariableOf(Operands& in, OperandNumber variables, RuntimeErrorCode error) {
  const int32_t word = in.Plain();
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
Pc StepInteger(Pc at, int32_t sign, bool withAmount, RuntimeErrorCode error) {
  Operands in(at);
  ValueCell* variable = NextVariableOf(in, kIntVariables, error);
  const int32_t amount = withAmount ? TruncateToInt32(in.Float()) : 1;
  if (variable == nullptr) return in.Next();
  variable->i = sign > 0 ? WrapAdd(variable->i, amount) : WrapSubtract(variable->i, amount);
  return in.Next();
}

Pc StepFloat(Pc at, int32_t sign, bool withAmount, RuntimeErrorCode error) {
  Operands in(at);
  ValueCell* variable = NextVariableOf(in, kFloatVariables, error);
  const double amount = withAmount ? static_cast<double>(in.Float()) : 1.0;
  if (variable == nullptr) return in.Next();
  variable->f = NearestSingle(static_cast<double>(variable->f) + sign * amount);
  return in.Next();
}

Pc CmdIncL(Pc at) { return StepInteger(at, +1, false, kErrorIncrementOperand); }
Pc CmdIncLF(Pc at) { return StepInteger(at, +1, true, kErrorIncrementOperand); }
Pc CmdIncF(Pc at) { return StepFloat(at, +1, false, kErrorIncrementOperand); }
Pc CmdIncFF(Pc at) { return StepFloat(at, +1, true, kErrorIncrementOperand); }
Pc CmdDecL(Pc at) { return StepInteger(at, -1, false, kErrorDecrementOperand); }
Pc CmdDecLF(Pc at) { return StepInteger(at, -1, true, kErrorDecrementOperand); }
Pc CmdDecF(Pc at) { return StepFloat(at, -1, false, kErrorDecrementOperand); }
Pc CmdDecFF(Pc at) { return StepFloat(at, -1, true, kErrorDecrementOperand); }

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

constexpr auto kMathsThreading = ThreadedForms<kMathsCommands>();

}  // namespace

constinit const CommandFamily kMathsFamily{kMathsCommands, {}, {}, {}, kMathsThreading};

}  // namespace qm
