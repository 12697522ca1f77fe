// Operators and assignment at the edges of the value ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation_program.h"
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
        OperatorCase{"2147483647 + 1", kAddLLL, 'l', {L(2147483647), L(1)}, "-2147483648"},
        OperatorCase{"-2147483648 - 1", kSubLLL, 'l', {L(-2147483647 - 1), L(1)}, "2147483647"},
        OperatorCase{"65536 * 65536", kMulLLL, 'l', {L(65536), L(65536)}, "0"},
        OperatorCase{"-7 / 2", kDivLLL, 'l', {L(-7), L(2)}, "-3"},
        OperatorCase{"-2147483648 / -1", kDivLLL, 'l', {L(-2147483647 - 1), L(-1)}, "-2147483648"},
        OperatorCase{"2 ^ 31", kPowLLL, 'l', {L(2), L(31)}, "-2147483648"},
        OperatorCase{"2 ^ -1", kPowLLL, 'l', {L(2), L(-1)}, "0"},
        OperatorCase{"10 ^ 2", kPowLLL, 'l', {L(10), L(2)}, "100"},
        OperatorCase{"2.0 ^ 0.5", kPowFFF, 'f', {F(2), F(0.5f)}, "1.41421"},
        OperatorCase{"INT(-2.5)", kInt, 'l', {F(-2.5f)}, "-2"},
        OperatorCase{"INT(2.9)", kInt, 'l', {F(2.9f)}, "2"},
        OperatorCase{"integer = 3e9", kAssignLF, 'l', {F(3e9f)}, "-2147483648"},
        OperatorCase{"integer = -3e9", kAssignLF, 'l', {F(-3e9f)}, "-2147483648"},
        OperatorCase{"float = 16777217", kAssignFL, 'f', {L(16777217)}, "1.67772e+007"},
        OperatorCase{"16777217 + 0.0", kAddFLF, 'f', {L(16777217), F(0)}, "1.67772e+007"},
        OperatorCase{"1 / 3.0", kDivFLF, 'f', {L(1), F(3)}, "0.333333"},
        OperatorCase{"1e38 * 10.0", kMulFFF, 'f', {F(1e38f), F(10)}, "inf"},
        OperatorCase{"16777217 = 16777216.0", kEqualLLF, 'l', {L(16777217), F(16777216.0f)}, "0"},
        OperatorCase{"16777216.0 = 16777216", kEqualLFL, 'l', {F(16777216.0f), L(16777216)}, "1"},
        OperatorCase{"3 > 2.5", kGreaterLLF, 'l', {L(3), F(2.5f)}, "1"},
        OperatorCase{"2.5 < 3", kLessLFL, 'l', {F(2.5f), L(3)}, "1"},
        OperatorCase{"1 and 2", kAndLLL, 'l', {L(1), L(2)}, "0"},
        OperatorCase{"5 and 3", kAndLLL, 'l', {L(5), L(3)}, "1"},
        OperatorCase{"5 or 3", kOrLLL, 'l', {L(5), L(3)}, "7"},
        OperatorCase{"\"abc\" = \"abc\"", kEqualLSS, 'l', {S("abc"), S("abc")}, "1"},
        OperatorCase{"\"abc\" = \"ABC\"", kEqualLSS, 'l', {S("abc"), S("ABC")}, "0"},
        OperatorCase{"\"abc\" < \"abd\"", kLessLSS, 'l', {S("abc"), S("abd")}, "1"},
        OperatorCase{"\"\" < \"a\"", kLessLSS, 'l', {S(""), S("a")}, "1"},
        OperatorCase{"\"ab\" > \"a\"", kGreaterLSS, 'l', {S("ab"), S("a")}, "1"},
        OperatorCase{"\"B\" < \"a\"", kLessLSS, 'l', {S("B"), S("a")}, "1"},
        OperatorCase{"chr$(200) > \"a\"", kGreaterLSS, 'l', {S("\xC8"), S("a")}, "1"},
        OperatorCase{"\"a\" ! \"b\"", kNotEqualLSS, 'l', {S("a"), S("b")}, "1"},
        OperatorCase{"\"banana\" - \"an\"", kSubSSS, 's', {S("banana"), S("an")}, "bana"},
        OperatorCase{"\"banana\" - \"x\"", kSubSSS, 's', {S("banana"), S("x")}, "banana"},
        OperatorCase{"\"ab\" - \"abc\"", kSubSSS, 's', {S("ab"), S("abc")}, "ab"},
        OperatorCase{"\"abc\" - \"\"", kSubSSS, 's', {S("abc"), S("")}, "abc"},
        OperatorCase{"\"abc\" - \"abc\"", kSubSSS, 's', {S("abc"), S("abc")}, ""},
        OperatorCase{"\"hello world\" - \"o\"", kSubSSS, 's', {S("hello world"), S("o")}, "hell world"},
        OperatorCase{"\"ab\" + \"cd\"", kAddSSS, 's', {S("ab"), S("cd")}, "abcd"}));

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
    ::testing::Values(DivisionByZeroCase{kDivLLL, 'l', {L(7), L(0)}},
                      DivisionByZeroCase{kDivFFF, 'f', {F(7), F(0)}},
                      DivisionByZeroCase{kDivFFL, 'f', {F(7), L(0)}},
                      DivisionByZeroCase{kDivFLF, 'f', {L(7), F(-0.0f)}},
                      DivisionByZeroCase{kDivFFF, 'f', {F(7), F(std::numeric_limits<float>::quiet_NaN())}}));

TEST_F(OperatorTest, ProgramGoesOnAfterTheDivisionWarning) {
  ImageBuilder b;
  const int32_t q = b.IntVariable();
  const int32_t r = b.IntVariable();
  b.Command(kDivLLL, {q, b.IntLiteral(7), b.IntLiteral(0)});
  b.Command(kAssignLL, {r, b.IntLiteral(1)});
  EmitEnd(b);
  EXPECT_EQ(Run(b), 111);
  EXPECT_EQ(Int(r), 0);
  EXPECT_EQ(Resume(), 0);
  EXPECT_EQ(Int(q), 0);
  EXPECT_EQ(Int(r), 1);
}

TEST_F(OperatorTest, ConcatenationUpTo255Characters) {
  const std::string left(200, 'a');
  EXPECT_EQ(Evaluate(kAddSSS, 's', {S(left), S(std::string(55, 'b'))}), left + std::string(55, 'b'));
}

TEST_F(OperatorTest, ConcatenationPast255CharactersRaises107AndKeepsTheResult) {
  ImageBuilder b;
  const int32_t result = b.StringVariable();
  b.Command(kAssignSS, {result, b.StringLiteral("before")});
  b.Command(kAddSSS, {result, b.StringLiteral(std::string(200, 'a')), b.StringLiteral(std::string(56, 'b'))});
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
  b.Command(kAssignSS, {copy, b.StringLiteral(longText)});
  b.Command(kSubSSS, {removed, copy, b.StringLiteral("cut")});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(copy), longText);
  EXPECT_EQ(Text(removed), std::string(150, 'x') + std::string(147, 'y'));
}

TEST_F(OperatorTest, ResultCellMayBeAnOperand) {
  // a$ = a$ ; a$ = a$ + a$ ; a$ = a$ - "b"
  ImageBuilder b;
  const int32_t a = b.StringVariable();
  b.Command(kAssignSS, {a, b.StringLiteral("ab")});
  b.Command(kAssignSS, {a, a});
  b.Command(kAddSSS, {a, a, a});
  b.Command(kSubSSS, {a, a, b.StringLiteral("b")});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(a), "aab");
}

TEST_F(OperatorTest, IntegerToFloatTakesTheNearestSingle) {
  ImageBuilder b;
  const int32_t assigned = b.FloatVariable();
  const int32_t sum = b.FloatVariable();
  b.Command(kAssignFL, {assigned, b.IntLiteral(16777217)});
  b.Command(kAddFLF, {sum, b.IntLiteral(16777219), b.FloatLiteral(0)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Float(assigned), 16777216.0f);
  EXPECT_EQ(Float(sum), 16777220.0f);
}

TEST_F(OperatorTest, AssignmentCopiesTheBitsOfIntegersAndFloats) {
  ImageBuilder b;
  const int32_t i = b.IntVariable();
  const int32_t f = b.FloatVariable();
  b.Command(kAssignLL, {i, b.IntLiteral(-5)});
  b.Command(kAssignFF, {f, b.FloatLiteral(2.5f)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(i), -5);
  EXPECT_EQ(Float(f), 2.5f);
}

}  // namespace
}  // namespace qm::test
