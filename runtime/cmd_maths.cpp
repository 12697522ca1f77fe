// Maths functions, RANDOMIZE, INC and DEC. Functions are [result][arguments...]; every
// computation runs in double and a float result is stored as the nearest single. Angles are
// degrees, converted with the factors 0.01745 and 57.306590257879655 (reciprocal to each other,
// not exactly pi/180 and 180/pi: programs rely on COS(90) being 0.000296..., not 0).
#include <cmath>

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

constexpr RuntimeErrorCode kErrorRandomRange = 113;
constexpr RuntimeErrorCode kErrorIncrementOperand = 114;
constexpr RuntimeErrorCode kErrorDecrementOperand = 115;

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
    {201, "abs[", "LF", CmdAbsLF},
    {202, "acos[", "FF", CmdAcosFF},
    {204, "asin[", "FF", CmdAsinFF},
    {205, "atan[", "FF", CmdAtanFF},
    {218, "exp[", "LL", CmdExp},
    {222, "hcos[", "FF", CmdHcosFF},
    {225, "hsin[", "FF", CmdHsinFF},
    {226, "htan[", "FF", CmdHtanFF},
    {245, "randomize", "L", CmdRandomize},
    {249, "rnd[", "FL", CmdRndFL},
    {257, "sqrt[", "FF", CmdSqrtFF},
    {258, "sqrt[", "FL", CmdSqrtFL},
    {331, "cos[", "FF", CmdCosFF},
    {332, "cos[", "FL", CmdCosFL},
    {341, "sin[", "FF", CmdSinFF},
    {342, "sin[", "FL", CmdSinFL},
    {361, "acos[", "FL", CmdAcosFL},
    {362, "asin[", "FL", CmdAsinFL},
    {363, "atan[", "FL", CmdAtanFL},
    {364, "atanfull[", "FFF", CmdAtanfullFFF},
    {365, "atanfull[", "FLF", CmdAtanfullFLF},
    {366, "atanfull[", "FFL", CmdAtanfullFFL},
    {367, "atanfull[", "FLL", CmdAtanfullFLL},
    {368, "abs[", "FF", CmdAbsFF},
    {371, "hcos[", "FL", CmdHcosFL},
    {372, "hsin[", "FL", CmdHsinFL},
    {373, "htan[", "FL", CmdHtanFL},
    {381, "tan[", "FF", CmdTanFF},
    {382, "tan[", "FL", CmdTanFL},
    {390, "rnd[", "LL", CmdRndLL},
    {411, "inc", "F", CmdIncF},
    {412, "inc", "L", CmdIncL},
    {413, "inc", "FF", CmdIncFF},
    {414, "inc", "LF", CmdIncLF},
    {421, "dec", "F", CmdDecF},
    {422, "dec", "L", CmdDecL},
    {423, "dec", "FF", CmdDecFF},
    {424, "dec", "LF", CmdDecLF},
};

}  // namespace

void RegisterMathsCommands() { RegisterCommands(kMathsCommands); }

}  // namespace qm
