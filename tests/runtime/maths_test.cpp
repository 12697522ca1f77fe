// Maths functions (as PRINT shows their results), RND and RANDOMIZE, INC and DEC.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "foundation_program.h"
#include "resources/command_ids.h"
#include "runtime/float_text.h"
#include "runtime/random.h"

namespace qm::test {
namespace {

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
    ::testing::Values(FunctionCase{"COS(90)", kCmdCosFL, 'f', {I(90)}, "0.000296327"},
                      FunctionCase{"SIN(180)", kCmdSinFL, 'f', {I(180)}, "0.000592654"},
                      FunctionCase{"TAN(90)", kCmdTanFL, 'f', {I(90)}, "3374.65"},
                      FunctionCase{"TAN(45)", kCmdTanFL, 'f', {I(45)}, "0.999704"},
                      FunctionCase{"ATAN(1)", kCmdAtanFF, 'f', {Fl(1)}, "45.0085"},
                      FunctionCase{"ACOS(-1)", kCmdAcosFL, 'f', {I(-1)}, "180.034"},
                      FunctionCase{"ASIN(1)", kCmdAsinFF, 'f', {Fl(1)}, "90.017"},
                      FunctionCase{"ATANFULL(1, 0)", kCmdAtanfullFLL, 'f', {I(1), I(0)}, "90.017"},
                      FunctionCase{"ATANFULL(0, -1)", kCmdAtanfullFFF, 'f', {Fl(0), Fl(-1)}, "180.034"},
                      FunctionCase{"ATANFULL(0, 1)", kCmdAtanfullFLL, 'f', {I(0), I(1)}, "0"},
                      FunctionCase{"EXP(21)", kCmdExp, 'l', {I(21)}, "1318815734"},
                      FunctionCase{"EXP(22)", kCmdExp, 'l', {I(22)}, "-2147483648"},
                      FunctionCase{"EXP(-100)", kCmdExp, 'l', {I(-100)}, "0"},
                      FunctionCase{"ABS(-2.7) integer", kCmdAbsLF, 'l', {Fl(-2.7f)}, "2"},
                      FunctionCase{"ABS(-3e9) integer", kCmdAbsLF, 'l', {Fl(-3e9f)}, "-2147483648"},
                      FunctionCase{"ABS(-2.5)", kCmdAbsFF, 'f', {Fl(-2.5f)}, "2.5"},
                      FunctionCase{"SQRT(2)", kCmdSqrtFL, 'f', {I(2)}, "1.41421"},
                      FunctionCase{"SQRT(-1)", kCmdSqrtFF, 'f', {Fl(-1)}, "nan"},
                      FunctionCase{"ACOS(2)", kCmdAcosFF, 'f', {Fl(2)}, "nan"},
                      FunctionCase{"HCOS(0)", kCmdHcosFF, 'f', {Fl(0)}, "1"}));

TEST_F(MathsTest, RandomizeOneThenRndRepeatsTheKnownSequence) {
  ImageBuilder b;
  const int32_t first = b.IntVariable();
  const int32_t again = b.IntVariable();
  const int32_t zero = b.IntVariable();
  const int32_t asFloat = b.FloatVariable();
  b.Command(kCmdRandomize, {b.IntLiteral(1)});
  b.Command(kCmdRndLL, {first, b.IntLiteral(32767)});
  b.Command(kCmdRandomize, {b.IntLiteral(1)});
  b.Command(kCmdRndLL, {again, b.IntLiteral(32767)});
  b.Command(kCmdRndLL, {zero, b.IntLiteral(0)});
  b.Command(kCmdRndFL, {asFloat, b.IntLiteral(32767)});
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
  b.Command(kCmdRndLL, {value, b.IntLiteral(100000)});
  b.Command(kOpGreaterLLL, {ImageBuilder::IntTemp(0), value, highest});
  const int32_t test = b.Command(kCmdIf, {ImageBuilder::IntTemp(0), 0});
  b.Command(kOpAssignLL, {highest, value});
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
    b.Command(kOpAssignLL, {r, b.IntLiteral(-7)});
    b.Command(kCmdRndLL, {r, b.IntLiteral(n)});
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
  b.Command(kOpAssignLL, {big, b.IntLiteral(2147483647)});
  b.Command(kCmdIncL, {big});
  b.Command(kOpAssignLL, {down, b.IntLiteral(10)});
  b.Command(kCmdDecLF, {down, b.FloatLiteral(2.9f)});
  b.Command(kCmdDecL, {down});
  b.Command(kCmdIncLF, {down, b.FloatLiteral(-1.5f)});
  b.Command(kCmdIncF, {f});
  b.Command(kCmdIncFF, {f, b.FloatLiteral(0.5f)});
  b.Command(kCmdDecFF, {f, b.FloatLiteral(0.25f)});
  b.Command(kCmdDecF, {f});
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
  const bool floatForm = c.id == kCmdIncF || c.id == kCmdIncFF || c.id == kCmdDecF || c.id == kCmdDecFF;
  const bool withAmount = c.id == kCmdIncFF || c.id == kCmdIncLF || c.id == kCmdDecFF || c.id == kCmdDecLF;
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

INSTANTIATE_TEST_SUITE_P(
    Cases, IncDecOperandTest,
    ::testing::Values(RefusedOperandCase{kCmdIncL, 114}, RefusedOperandCase{kCmdIncLF, 114},
                      RefusedOperandCase{kCmdIncF, 114}, RefusedOperandCase{kCmdIncFF, 114},
                      RefusedOperandCase{kCmdDecL, 115}, RefusedOperandCase{kCmdDecLF, 115},
                      RefusedOperandCase{kCmdDecF, 115}, RefusedOperandCase{kCmdDecFF, 115}));

}  // namespace
}  // namespace qm::test
