// Operators and assignment at the edges of the value ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation_program.h"
#include "resources/command_ids.h"
#include "runtime/float_text.h"

namespace qm::test {
namespace {

// An operand of a case: an integer, a float or a text literal.
struct Operand {
  enum Kind { L, F, S } kind;
  int32_t i = 0;
  float f = 0;
  std::string s;
};
Operand L(int32_t value) { return {Operand::L, value, 0, {}}; }
Operand F(float value) { return {Operand::F, 0, value, {}}; }
Operand S(std::string value) { return {Operand::S, 0, 0, std::move(value)}; }

int32_t Literal(ImageBuilder& b, const Operand& operand) {
  switch (operand.kind) {
    case Operand::L:
      return b.IntLiteral(operand.i);
    case Operand::F:
      return b.FloatLiteral(operand.f);
    case Operand::S:
      return b.StringLiteral(operand.s);
  }
  return 0;
}

int32_t ResultVariable(ImageBuilder& b, char type) {
  return type == 'l' ? b.IntVariable() : type == 'f' ? b.FloatVariable() : b.StringVariable();
}

class OperatorTest : public FoundationProgramTest {
 protected:
  // Runs "result = left <op> right" (or "result = source" for one operand) and returns the
  // result as PRINT would show it: integers in decimal, floats in the "%g" form, texts as they are.
  std::string Evaluate(int32_t id, char resultType, std::vector<Operand> operands,
                       int32_t expectedError = 0) {
    ImageBuilder b;
    const int32_t result = ResultVariable(b, resultType);
    b.Emit(id);
    b.Emit(result);
    for (const Operand& operand : operands) b.Emit(Literal(b, operand));
    EmitEnd(b);
    EXPECT_EQ(Run(b), expectedError);
    if (resultType == 'l') return std::to_string(Int(result));
    if (resultType == 'f') return FormatFloatG(Float(result));
    return Text(result);
  }
};

struct OperatorCase {
  const char* expression;
  int32_t id;
  char resultType;
  std::vector<Operand> operands;
  const char* shown;
};

class OperatorTableTest : public OperatorTest, public ::testing::WithParamInterface<OperatorCase> {};

TEST_P(OperatorTableTest, GivesTheValueOfTheRules) {
  const OperatorCase& c = GetParam();
  EXPECT_EQ(Evaluate(c.id, c.resultType, c.operands), c.shown) << c.expression;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OperatorTableTest,
    ::testing::Values(
        OperatorCase{"2147483647 + 1", kOpAddLLL, 'l', {L(2147483647), L(1)}, "-2147483648"},
        OperatorCase{"-2147483648 - 1", kOpSubLLL, 'l', {L(-2147483647 - 1), L(1)}, "2147483647"},
        OperatorCase{"65536 * 65536", kOpMulLLL, 'l', {L(65536), L(65536)}, "0"},
        OperatorCase{"-7 / 2", kOpDivLLL, 'l', {L(-7), L(2)}, "-3"},
        OperatorCase{"-2147483648 / -1", kOpDivLLL, 'l', {L(-2147483647 - 1), L(-1)}, "-2147483648"},
        OperatorCase{"2 ^ 31", kOpPowLLL, 'l', {L(2), L(31)}, "-2147483648"},
        OperatorCase{"2 ^ -1", kOpPowLLL, 'l', {L(2), L(-1)}, "0"},
        OperatorCase{"10 ^ 2", kOpPowLLL, 'l', {L(10), L(2)}, "100"},
        OperatorCase{"2.0 ^ 0.5", kOpPowFFF, 'f', {F(2), F(0.5f)}, "1.41421"},
        OperatorCase{"INT(-2.5)", kCmdInt, 'l', {F(-2.5f)}, "-2"},
        OperatorCase{"INT(2.9)", kCmdInt, 'l', {F(2.9f)}, "2"},
        OperatorCase{"integer = 3e9", kOpAssignLF, 'l', {F(3e9f)}, "-2147483648"},
        OperatorCase{"integer = -3e9", kOpAssignLF, 'l', {F(-3e9f)}, "-2147483648"},
        OperatorCase{"float = 16777217", kOpAssignFL, 'f', {L(16777217)}, "1.67772e+007"},
        OperatorCase{"16777217 + 0.0", kOpAddFLF, 'f', {L(16777217), F(0)}, "1.67772e+007"},
        OperatorCase{"1 / 3.0", kOpDivFLF, 'f', {L(1), F(3)}, "0.333333"},
        OperatorCase{"1e38 * 10.0", kOpMulFFF, 'f', {F(1e38f), F(10)}, "inf"},
        OperatorCase{"16777217 = 16777216.0", kOpEqualLLF, 'l', {L(16777217), F(16777216.0f)}, "0"},
        OperatorCase{"16777216.0 = 16777216", kOpEqualLFL, 'l', {F(16777216.0f), L(16777216)}, "1"},
        OperatorCase{"3 > 2.5", kOpGreaterLLF, 'l', {L(3), F(2.5f)}, "1"},
        OperatorCase{"2.5 < 3", kOpLessLFL, 'l', {F(2.5f), L(3)}, "1"},
        OperatorCase{"1 and 2", kOpAndLLL, 'l', {L(1), L(2)}, "0"},
        OperatorCase{"5 and 3", kOpAndLLL, 'l', {L(5), L(3)}, "1"},
        OperatorCase{"5 or 3", kOpOrLLL, 'l', {L(5), L(3)}, "7"},
        OperatorCase{"\"abc\" = \"abc\"", kOpEqualLSS, 'l', {S("abc"), S("abc")}, "1"},
        OperatorCase{"\"abc\" = \"ABC\"", kOpEqualLSS, 'l', {S("abc"), S("ABC")}, "0"},
        OperatorCase{"\"abc\" < \"abd\"", kOpLessLSS, 'l', {S("abc"), S("abd")}, "1"},
        OperatorCase{"\"\" < \"a\"", kOpLessLSS, 'l', {S(""), S("a")}, "1"},
        OperatorCase{"\"ab\" > \"a\"", kOpGreaterLSS, 'l', {S("ab"), S("a")}, "1"},
        OperatorCase{"\"B\" < \"a\"", kOpLessLSS, 'l', {S("B"), S("a")}, "1"},
        OperatorCase{"chr$(200) > \"a\"", kOpGreaterLSS, 'l', {S("\xC8"), S("a")}, "1"},
        OperatorCase{"\"a\" ! \"b\"", kOpNotEqualLSS, 'l', {S("a"), S("b")}, "1"},
        OperatorCase{"\"banana\" - \"an\"", kOpSubSSS, 's', {S("banana"), S("an")}, "bana"},
        OperatorCase{"\"banana\" - \"x\"", kOpSubSSS, 's', {S("banana"), S("x")}, "banana"},
        OperatorCase{"\"ab\" - \"abc\"", kOpSubSSS, 's', {S("ab"), S("abc")}, "ab"},
        OperatorCase{"\"abc\" - \"\"", kOpSubSSS, 's', {S("abc"), S("")}, "abc"},
        OperatorCase{"\"abc\" - \"abc\"", kOpSubSSS, 's', {S("abc"), S("abc")}, ""},
        OperatorCase{"\"hello world\" - \"o\"", kOpSubSSS, 's', {S("hello world"), S("o")}, "hell world"},
        OperatorCase{"\"ab\" + \"cd\"", kOpAddSSS, 's', {S("ab"), S("cd")}, "abcd"}));

struct DivisionByZeroCase {
  int32_t id;
  char resultType;
  std::vector<Operand> operands;
};

class DivisionByZeroTest : public OperatorTest, public ::testing::WithParamInterface<DivisionByZeroCase> {};

TEST_P(DivisionByZeroTest, StoresZeroAndWarns) {
  const DivisionByZeroCase& c = GetParam();
  EXPECT_EQ(Evaluate(c.id, c.resultType, c.operands, 111), "0");
  EXPECT_EQ(PendingErrorIsWarning, 1);
  EXPECT_EQ(ProgramEndedFlag, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DivisionByZeroTest,
    ::testing::Values(DivisionByZeroCase{kOpDivLLL, 'l', {L(7), L(0)}},
                      DivisionByZeroCase{kOpDivFFF, 'f', {F(7), F(0)}},
                      DivisionByZeroCase{kOpDivFFL, 'f', {F(7), L(0)}},
                      DivisionByZeroCase{kOpDivFLF, 'f', {L(7), F(-0.0f)}},
                      DivisionByZeroCase{
                          kOpDivFFF, 'f', {F(7), F(std::numeric_limits<float>::quiet_NaN())}}));

TEST_F(OperatorTest, ProgramGoesOnAfterTheDivisionWarning) {
  ImageBuilder b;
  const int32_t q = b.IntVariable();
  const int32_t r = b.IntVariable();
  b.Command(kOpDivLLL, {q, b.IntLiteral(7), b.IntLiteral(0)});
  b.Command(kOpAssignLL, {r, b.IntLiteral(1)});
  EmitEnd(b);
  EXPECT_EQ(Run(b), 111);
  EXPECT_EQ(Int(r), 0);
  EXPECT_EQ(Resume(), 0);
  EXPECT_EQ(Int(q), 0);
  EXPECT_EQ(Int(r), 1);
}

TEST_F(OperatorTest, ConcatenationUpTo255Characters) {
  const std::string left(200, 'a');
  EXPECT_EQ(Evaluate(kOpAddSSS, 's', {S(left), S(std::string(55, 'b'))}), left + std::string(55, 'b'));
}

TEST_F(OperatorTest, ConcatenationPast255CharactersRaises107AndKeepsTheResult) {
  ImageBuilder b;
  const int32_t result = b.StringVariable();
  b.Command(kOpAssignSS, {result, b.StringLiteral("before")});
  b.Command(kOpAddSSS,
            {result, b.StringLiteral(std::string(200, 'a')), b.StringLiteral(std::string(56, 'b'))});
  EmitEnd(b);
  EXPECT_EQ(Run(b), 107);
  EXPECT_EQ(PendingErrorIsWarning, 0);
  EXPECT_EQ(Text(result), "before");
}

TEST_F(OperatorTest, TextsLongerThan255CharactersAreCopiedAndCutWhole) {
  // A 300-character text (ENTRY$ can make one) through assignment and removal.
  const std::string longText = std::string(150, 'x') + "cut" + std::string(147, 'y');
  ImageBuilder b;
  const int32_t copy = b.StringVariable();
  const int32_t removed = b.StringVariable();
  b.Command(kOpAssignSS, {copy, b.StringLiteral(longText)});
  b.Command(kOpSubSSS, {removed, copy, b.StringLiteral("cut")});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(copy), longText);
  EXPECT_EQ(Text(removed), std::string(150, 'x') + std::string(147, 'y'));
}

TEST_F(OperatorTest, ResultCellMayBeAnOperand) {
  // a$ = a$ ; a$ = a$ + a$ ; a$ = a$ - "b"
  ImageBuilder b;
  const int32_t a = b.StringVariable();
  b.Command(kOpAssignSS, {a, b.StringLiteral("ab")});
  b.Command(kOpAssignSS, {a, a});
  b.Command(kOpAddSSS, {a, a, a});
  b.Command(kOpSubSSS, {a, a, b.StringLiteral("b")});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(a), "aab");
}

TEST_F(OperatorTest, IntegerToFloatTakesTheNearestSingle) {
  ImageBuilder b;
  const int32_t assigned = b.FloatVariable();
  const int32_t sum = b.FloatVariable();
  b.Command(kOpAssignFL, {assigned, b.IntLiteral(16777217)});
  b.Command(kOpAddFLF, {sum, b.IntLiteral(16777219), b.FloatLiteral(0)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Float(assigned), 16777216.0f);
  EXPECT_EQ(Float(sum), 16777220.0f);
}

TEST_F(OperatorTest, AssignmentCopiesTheBitsOfIntegersAndFloats) {
  ImageBuilder b;
  const int32_t i = b.IntVariable();
  const int32_t f = b.FloatVariable();
  b.Command(kOpAssignLL, {i, b.IntLiteral(-5)});
  b.Command(kOpAssignFF, {f, b.FloatLiteral(2.5f)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(i), -5);
  EXPECT_EQ(Float(f), 2.5f);
}

}  // namespace
}  // namespace qm::test
