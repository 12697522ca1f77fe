// String functions, and the "%g" form of floats shown as text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation_program.h"
#include "platform/files.h"
#include "runtime/command_line_text.h"
#include "runtime/float_text.h"

namespace qm::test {
namespace {

enum StringFunctionId : int32_t {
  kAsc = 203,
  kBinStr = 206,
  kChrStr = 209,
  kClStr = 211,
  kHexStr = 223,
  kLeftStr = 233,
  kLen = 234,
  kLowerStr = 236,
  kMidStr = 237,
  kRightStr = 248,
  kSpaceStr = 256,
  kUpperStr = 261,
  kStrStrSF = 311,
  kStrStrSL = 312,
  kVal = 321,
  kValInt = 322,
};

class StringFunctionTest : public FoundationProgramTest {
 protected:
  // Runs one function with literal arguments (an integer for each int, a text for each
  // string) into a fresh variable, and returns the result as text.
  struct Argument {
    bool isText;
    int32_t number;
    std::string text;
  };
  std::string Call(int32_t id, char resultType, std::vector<Argument> arguments, int32_t expectedError = 0) {
    ImageBuilder b;
    const int32_t result = resultType == 's'   ? b.StringVariable()
                           : resultType == 'f' ? b.FloatVariable()
                                               : b.IntVariable();
    if (resultType == 's') b.Command(kAssignSS, {result, b.StringLiteral("unchanged")});
    b.Emit(id);
    b.Emit(result);
    for (const Argument& argument : arguments) {
      b.Emit(argument.isText ? b.StringLiteral(argument.text) : b.IntLiteral(argument.number));
    }
    EmitEnd(b);
    EXPECT_EQ(Run(b), expectedError);
    if (resultType == 's') return Text(result);
    if (resultType == 'f') return FormatFloatG(Float(result));
    return std::to_string(Int(result));
  }
  static Argument T(std::string text) { return {true, 0, std::move(text)}; }
  static Argument N(int32_t number) { return {false, number, {}}; }
};

struct CutCase {
  int32_t id;
  int32_t n;
  const char* expected;
};

class CutTest : public StringFunctionTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(CutTest, PositionsOutsideTheTextGiveEmptyOrWhole) {
  const CutCase& c = GetParam();
  EXPECT_EQ(Call(c.id, 's', {T("hello"), N(c.n)}), c.expected) << c.id << " " << c.n;
}

INSTANTIATE_TEST_SUITE_P(Cases, CutTest,
                         ::testing::Values(CutCase{kLeftStr, 2, "he"}, CutCase{kLeftStr, 0, ""},
                                           CutCase{kLeftStr, -1, ""}, CutCase{kLeftStr, 9, "hello"},
                                           CutCase{kRightStr, 2, "lo"}, CutCase{kRightStr, 0, ""},
                                           CutCase{kRightStr, -3, ""}, CutCase{kRightStr, 9, "hello"},
                                           CutCase{kMidStr, 1, "h"}, CutCase{kMidStr, 5, "o"},
                                           CutCase{kMidStr, 0, ""}, CutCase{kMidStr, 6, ""},
                                           CutCase{kMidStr, -1, ""}, CutCase{kMidStr, -2147483647 - 1, ""}));

struct NumberToTextCase {
  int32_t id;
  int32_t n;
  std::string expected;
};

class NumberToTextTest : public StringFunctionTest, public ::testing::WithParamInterface<NumberToTextCase> {};

TEST_P(NumberToTextTest, MakesTheText) {
  const NumberToTextCase& c = GetParam();
  EXPECT_EQ(Call(c.id, 's', {N(c.n)}), c.expected) << c.id << " " << c.n;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberToTextTest,
    ::testing::Values(NumberToTextCase{kChrStr, 65, "A"}, NumberToTextCase{kChrStr, 321, "A"},
                      NumberToTextCase{kChrStr, 0, ""}, NumberToTextCase{kChrStr, 256, ""},
                      NumberToTextCase{kChrStr, 200, "\xC8"}, NumberToTextCase{kHexStr, 255, "FF"},
                      NumberToTextCase{kHexStr, 0, "0"}, NumberToTextCase{kHexStr, -1, "FFFFFFFF"},
                      NumberToTextCase{kBinStr, 5, "%" + std::string(29, '0') + "101"},
                      NumberToTextCase{kBinStr, -1, "%" + std::string(32, '1')},
                      NumberToTextCase{kStrStrSL, -42, "-42"}, NumberToTextCase{kSpaceStr, 3, "   "},
                      NumberToTextCase{kSpaceStr, 0, ""}, NumberToTextCase{kSpaceStr, -5, ""},
                      NumberToTextCase{kSpaceStr, 255, std::string(255, ' ')}));

TEST_F(StringFunctionTest, SpaceOfMoreThan255Raises107AndKeepsTheResult) {
  EXPECT_EQ(Call(kSpaceStr, 's', {N(256)}, 107), "unchanged");
}

struct TextFunctionCase {
  int32_t id;
  char resultType;
  std::string argument;
  std::string expected;
};

class TextFunctionTest : public StringFunctionTest, public ::testing::WithParamInterface<TextFunctionCase> {};

TEST_P(TextFunctionTest, ReadsTheText) {
  const TextFunctionCase& c = GetParam();
  EXPECT_EQ(Call(c.id, c.resultType, {T(c.argument)}), c.expected) << c.id << " " << c.argument;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFunctionTest,
    ::testing::Values(
        TextFunctionCase{kAsc, 'l', "", "0"}, TextFunctionCase{kAsc, 'l', "\xC8xyz", "200"},
        TextFunctionCase{kLen, 'l', "hello", "5"}, TextFunctionCase{kLen, 'l', std::string(300, 'a'), "300"},
        TextFunctionCase{kUpperStr, 's', "Abc\xE9z", "ABC\xE9Z"},
        TextFunctionCase{kLowerStr, 's', "AbC\xC9Z", "abc\xC9z"}, TextFunctionCase{kVal, 'f', "12abc", "12"},
        TextFunctionCase{kVal, 'f', "  -3.5e2", "-350"}, TextFunctionCase{kVal, 'f', "abc", "0"},
        TextFunctionCase{kVal, 'f', ".5", "0.5"}, TextFunctionCase{kVal, 'f', "1e", "1"},
        TextFunctionCase{kVal, 'f', "0x10", "0"}, TextFunctionCase{kVal, 'f', "inf", "0"},
        TextFunctionCase{kValInt, 'l', "3.9", "3"}, TextFunctionCase{kValInt, 'l', " +17x", "17"},
        TextFunctionCase{kValInt, 'l', "-", "0"}, TextFunctionCase{kValInt, 'l', "99999999999", "2147483647"},
        TextFunctionCase{kValInt, 'l', "-99999999999", "-2147483648"}));

TEST_F(StringFunctionTest, LongTextsAreCutWithoutALimit) {
  const std::string longText = std::string(280, 'a') + "bc";
  EXPECT_EQ(Call(kLeftStr, 's', {T(longText), N(281)}), std::string(280, 'a') + "b");
  EXPECT_EQ(Call(kRightStr, 's', {T(longText), N(2)}), "bc");
  EXPECT_EQ(Call(kMidStr, 's', {T(longText), N(282)}), "c");
}

TEST_F(StringFunctionTest, ClReturnsTheCommandLineText) {
  CommandLineText() = "\"game.qma\" -level 3";
  EXPECT_EQ(Call(kClStr, 's', {}), "\"game.qma\" -level 3");
  CommandLineText().clear();
  EXPECT_EQ(Call(kClStr, 's', {}), "");
}

TEST_F(StringFunctionTest, AppnameAndWindirGiveHostPathsWithoutATrailingSeparator) {
  constexpr int32_t kAppnameStr = 426, kWindirStr = 427;
  const std::string windows = ::testing::TempDir() + "qm_windows_folder";
  platform::OverrideWindowsFolder(windows + "/");
  EXPECT_EQ(Call(kWindirStr, 's', {}), windows);
  platform::OverrideWindowsFolder("");
  const std::string executable = Call(kAppnameStr, 's', {});
  EXPECT_EQ(executable, platform::ExecutablePath().substr(0, 255));
  EXPECT_FALSE(executable.empty());
}

TEST_F(StringFunctionTest, StrOfAFloatUsesTheGForm) {
  ImageBuilder b;
  const int32_t s = b.StringVariable();
  b.Command(kStrStrSF, {s, b.FloatLiteral(1e6f)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(s), "1e+006");
}

struct FloatTextCase {
  double value;
  const char* text;
};

class FloatTextTest : public ::testing::TestWithParam<FloatTextCase> {};

TEST_P(FloatTextTest, SixDigitsAndAThreeDigitExponent) {
  EXPECT_EQ(FormatFloatG(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatTextTest,
                         ::testing::Values(FloatTextCase{1.5, "1.5"}, FloatTextCase{100000.0, "100000"},
                                           FloatTextCase{1000000.0, "1e+006"}, FloatTextCase{1e-5, "1e-005"},
                                           FloatTextCase{0.1, "0.1"}, FloatTextCase{3.0, "3"},
                                           FloatTextCase{static_cast<float>(1.0 / 3.0), "0.333333"},
                                           FloatTextCase{-2.5e-10, "-2.5e-010"},
                                           FloatTextCase{1e300, "1e+300"}, FloatTextCase{0.0, "0"},
                                           FloatTextCase{std::numeric_limits<double>::infinity(), "inf"},
                                           FloatTextCase{-std::numeric_limits<double>::infinity(), "-inf"},
                                           FloatTextCase{-std::numeric_limits<double>::quiet_NaN(), "nan"}));

}  // namespace
}  // namespace qm::test
