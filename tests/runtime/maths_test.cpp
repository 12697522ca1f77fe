// Maths functions (as PRINT shows their results), RND and RANDOMIZE, INC and DEC.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "foundation_program.h"
#include "runtime/float_text.h"
#include "runtime/random.h"

namespace qm::test {
namespace {

enum MathsId : int32_t {
  kAbsLF = 201,
  kAcosFF = 202,
  kAsinFF = 204,
  kAtanFF = 205,
  kExp = 218,
  kHcosFF = 222,
  kRandomize = 245,
  kRndFL = 249,
  kSqrtFF = 257,
  kSqrtFL = 258,
  kCosFL = 332,
  kSinFL = 342,
  kAcosFL = 361,
  kAtanfullFFF = 364,
  kAtanfullFLL = 367,
  kAbsFF = 368,
  kTanFL = 382,
  kRndLL = 390,
  kIncF = 411,
  kIncL = 412,
  kIncFF = 413,
  kIncLF = 414,
  kDecF = 421,
  kDecL = 422,
  kDecFF = 423,
  kDecLF = 424,
};

struct Argument {
  bool isFloat;
  int32_t i;
  float f;
};
Argument I(int32_t value) { return {false, value, 0}; }
Argument Fl(float value) { return {true, 0, value}; }

class MathsTest : public FoundationProgramTest {
 protected:
  std::string Call(int32_t id, char resultType, std::vector<Argument> arguments) {
    ImageBuilder b;
    const int32_t result = resultType == 'f' ? b.FloatVariable() : b.IntVariable();
    b.Emit(id);
    b.Emit(result);
    for (const Argument& a : arguments) b.Emit(a.isFloat ? b.FloatLiteral(a.f) : b.IntLiteral(a.i));
    EmitEnd(b);
    EXPECT_EQ(Run(b), 0);
    return resultType == 'f' ? FormatFloatG(Float(result)) : std::to_string(Int(result));
  }
};

struct FunctionCase {
  const char* expression;
  int32_t id;
  char resultType;
  std::vector<Argument> arguments;
  const char* shown;
};

class MathsFunctionTest : public MathsTest, public ::testing::WithParamInterface<FunctionCase> {};

TEST_P(MathsFunctionTest, ShowsTheValueOfTheDegreeFactors) {
  const FunctionCase& c = GetParam();
  EXPECT_EQ(Call(c.id, c.resultType, c.arguments), c.shown) << c.expression;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MathsFunctionTest,
    ::testing::Values(FunctionCase{"COS(90)", kCosFL, 'f', {I(90)}, "0.000296327"},
                      FunctionCase{"SIN(180)", kSinFL, 'f', {I(180)}, "0.000592654"},
                      FunctionCase{"TAN(90)", kTanFL, 'f', {I(90)}, "3374.65"},
                      FunctionCase{"TAN(45)", kTanFL, 'f', {I(45)}, "0.999704"},
                      FunctionCase{"ATAN(1)", kAtanFF, 'f', {Fl(1)}, "45.0085"},
                      FunctionCase{"ACOS(-1)", kAcosFL, 'f', {I(-1)}, "180.034"},
                      FunctionCase{"ASIN(1)", kAsinFF, 'f', {Fl(1)}, "90.017"},
                      FunctionCase{"ATANFULL(1, 0)", kAtanfullFLL, 'f', {I(1), I(0)}, "90.017"},
                      FunctionCase{"ATANFULL(0, -1)", kAtanfullFFF, 'f', {Fl(0), Fl(-1)}, "180.034"},
                      FunctionCase{"ATANFULL(0, 1)", kAtanfullFLL, 'f', {I(0), I(1)}, "0"},
                      FunctionCase{"EXP(21)", kExp, 'l', {I(21)}, "1318815734"},
                      FunctionCase{"EXP(22)", kExp, 'l', {I(22)}, "-2147483648"},
                      FunctionCase{"EXP(-100)", kExp, 'l', {I(-100)}, "0"},
                      FunctionCase{"ABS(-2.7) integer", kAbsLF, 'l', {Fl(-2.7f)}, "2"},
                      FunctionCase{"ABS(-3e9) integer", kAbsLF, 'l', {Fl(-3e9f)}, "-2147483648"},
                      FunctionCase{"ABS(-2.5)", kAbsFF, 'f', {Fl(-2.5f)}, "2.5"},
                      FunctionCase{"SQRT(2)", kSqrtFL, 'f', {I(2)}, "1.41421"},
                      FunctionCase{"SQRT(-1)", kSqrtFF, 'f', {Fl(-1)}, "nan"},
                      FunctionCase{"ACOS(2)", kAcosFF, 'f', {Fl(2)}, "nan"},
                      FunctionCase{"HCOS(0)", kHcosFF, 'f', {Fl(0)}, "1"}));

TEST_F(MathsTest, RandomizeOneThenRndRepeatsTheKnownSequence) {
  ImageBuilder b;
  const int32_t first = b.IntVariable();
  const int32_t again = b.IntVariable();
  const int32_t zero = b.IntVariable();
  const int32_t asFloat = b.FloatVariable();
  b.Command(kRandomize, {b.IntLiteral(1)});
  b.Command(kRndLL, {first, b.IntLiteral(32767)});
  b.Command(kRandomize, {b.IntLiteral(1)});
  b.Command(kRndLL, {again, b.IntLiteral(32767)});
  b.Command(kRndLL, {zero, b.IntLiteral(0)});
  b.Command(kRndFL, {asFloat, b.IntLiteral(32767)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(first), 41);
  EXPECT_EQ(Int(again), 41);
  EXPECT_EQ(Int(zero), 0);
  RandomGenerator reference(1);
  reference.Next();
  reference.Next();
  EXPECT_EQ(Float(asFloat), static_cast<float>(reference.Next()));
}

TEST_F(MathsTest, RndNeverExceedsTheDrawRange) {
  ImageBuilder b;
  const int32_t value = b.IntVariable();
  const int32_t highest = b.IntVariable();
  const int32_t i = b.IntVariable();
  const int32_t loop =
      EmitFor(b, i, b.IntLiteral(1), b.IntLiteral(2000), b.IntLiteral(1), ImageBuilder::IntTemp(0));
  b.Command(kRndLL, {value, b.IntLiteral(100000)});
  b.Command(kGreaterLLL, {ImageBuilder::IntTemp(0), value, highest});
  const int32_t test = b.Command(kIf, {ImageBuilder::IntTemp(0), 0});
  b.Command(kAssignLL, {highest, value});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  EmitNext(b, i, loop);
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_LE(Int(highest), 32767);
  EXPECT_GT(Int(highest), 30000);
}

TEST_F(MathsTest, RndOfANegativeRangeOrTheLargestIntegerRaises113) {
  for (int32_t n : {-1, 2147483647}) {
    ImageBuilder b;
    const int32_t r = b.IntVariable();
    b.Command(kAssignLL, {r, b.IntLiteral(-7)});
    b.Command(kRndLL, {r, b.IntLiteral(n)});
    EmitEnd(b);
    EXPECT_EQ(Run(b), 113) << n;
    EXPECT_EQ(Int(r), -7) << n;
  }
}

TEST_F(MathsTest, EachThreadHasItsOwnGenerator) {
  ThreadRandom().Seed(1);
  ThreadRandom().Next();
  int32_t otherFirst = -1;
  std::thread other([&otherFirst] {
    otherFirst = ThreadRandom().Next();
    for (int k = 0; k < 100; ++k) ThreadRandom().Next();
  });
  other.join();
  EXPECT_EQ(otherFirst, 41);  // a new thread starts from the state 1
  RandomGenerator reference(1);
  reference.Next();
  EXPECT_EQ(ThreadRandom().Next(), reference.Next());
}

TEST_F(MathsTest, IncAndDecChangeVariablesInPlace) {
  ImageBuilder b;
  const int32_t big = b.IntVariable();
  const int32_t down = b.IntVariable();
  const int32_t f = b.FloatVariable();
  b.Command(kAssignLL, {big, b.IntLiteral(2147483647)});
  b.Command(kIncL, {big});
  b.Command(kAssignLL, {down, b.IntLiteral(10)});
  b.Command(kDecLF, {down, b.FloatLiteral(2.9f)});
  b.Command(kDecL, {down});
  b.Command(kIncLF, {down, b.FloatLiteral(-1.5f)});
  b.Command(kIncF, {f});
  b.Command(kIncFF, {f, b.FloatLiteral(0.5f)});
  b.Command(kDecFF, {f, b.FloatLiteral(0.25f)});
  b.Command(kDecF, {f});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(big), -2147483647 - 1);
  EXPECT_EQ(Int(down), 6);
  EXPECT_EQ(Float(f), 0.25f);
}

struct RefusedOperandCase {
  int32_t id;
  int32_t expectedError;
};

class IncDecOperandTest : public MathsTest, public ::testing::WithParamInterface<RefusedOperandCase> {};

TEST_P(IncDecOperandTest, AnythingButAVariableOfTheFormsTypeIsRefused) {
  const RefusedOperandCase c = GetParam();
  const bool floatForm = c.id == kIncF || c.id == kIncFF || c.id == kDecF || c.id == kDecFF;
  const bool withAmount = c.id == kIncFF || c.id == kIncLF || c.id == kDecFF || c.id == kDecLF;
  ImageBuilder b;
  const int32_t wrongType = floatForm ? b.IntVariable() : b.FloatVariable();
  const int32_t literal = floatForm ? b.FloatLiteral(1) : b.IntLiteral(1);
  const int32_t temporary = floatForm ? ImageBuilder::FloatTemp(0) : ImageBuilder::IntTemp(0);
  for (int32_t operand : {wrongType, literal, temporary}) {
    b.Emit(c.id);
    b.Emit(operand);
    if (withAmount) b.Emit(b.FloatLiteral(1));
  }
  EmitEnd(b);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(k == 0 ? Run(b) : Resume(), c.expectedError) << c.id << " operand " << k;
  }
  if (floatForm) {
    EXPECT_EQ(Float(literal), 1.0f);
  } else {
    EXPECT_EQ(Int(literal), 1);
  }
  EXPECT_EQ(Int(wrongType), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, IncDecOperandTest,
                         ::testing::Values(RefusedOperandCase{kIncL, 114}, RefusedOperandCase{kIncLF, 114},
                                           RefusedOperandCase{kIncF, 114}, RefusedOperandCase{kIncFF, 114},
                                           RefusedOperandCase{kDecL, 115}, RefusedOperandCase{kDecLF, 115},
                                           RefusedOperandCase{kDecF, 115}, RefusedOperandCase{kDecFF, 115}));

}  // namespace
}  // namespace qm::test
