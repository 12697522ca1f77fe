// String functions, and the "%g" form of floats shown as text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation_program.h"
#include "platform/files.h"
#include "resources/command_ids.h"
#include "runtime/command_line_text.h"
#include "runtime/float_text.h"

namespace qm::test {
namespace {

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
    if (resultType == 's') b.Command(kOpAssignSS, {result, b.StringLiteral("unchanged")});
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
                         ::testing::Values(CutCase{kCmdLeftStr, 2, "he"}, CutCase{kCmdLeftStr, 0, ""},
                                           CutCase{kCmdLeftStr, -1, ""}, CutCase{kCmdLeftStr, 9, "hello"},
                                           CutCase{kCmdRightStr, 2, "lo"}, CutCase{kCmdRightStr, 0, ""},
                                           CutCase{kCmdRightStr, -3, ""}, CutCase{kCmdRightStr, 9, "hello"},
                                           CutCase{kCmdMidStr, 1, "h"}, CutCase{kCmdMidStr, 5, "o"},
                                           CutCase{kCmdMidStr, 0, ""}, CutCase{kCmdMidStr, 6, ""},
                                           CutCase{kCmdMidStr, -1, ""},
                                           CutCase{kCmdMidStr, -2147483647 - 1, ""}));

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
    ::testing::Values(NumberToTextCase{kCmdChrStr, 65, "A"}, NumberToTextCase{kCmdChrStr, 321, "A"},
                      NumberToTextCase{kCmdChrStr, 0, ""}, NumberToTextCase{kCmdChrStr, 256, ""},
                      NumberToTextCase{kCmdChrStr, 200, "\xC8"}, NumberToTextCase{kCmdHexStr, 255, "FF"},
                      NumberToTextCase{kCmdHexStr, 0, "0"}, NumberToTextCase{kCmdHexStr, -1, "FFFFFFFF"},
                      NumberToTextCase{kCmdBinStr, 5, "%" + std::string(29, '0') + "101"},
                      NumberToTextCase{kCmdBinStr, -1, "%" + std::string(32, '1')},
                      NumberToTextCase{kCmdStrStrSL, -42, "-42"}, NumberToTextCase{kCmdSpaceStr, 3, "   "},
                      NumberToTextCase{kCmdSpaceStr, 0, ""}, NumberToTextCase{kCmdSpaceStr, -5, ""},
                      NumberToTextCase{kCmdSpaceStr, 255, std::string(255, ' ')}));

TEST_F(StringFunctionTest, SpaceOfMoreThan255Raises107AndKeepsTheResult) {
  EXPECT_EQ(Call(kCmdSpaceStr, 's', {N(256)}, 107), "unchanged");
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
        TextFunctionCase{kCmdAsc, 'l', "", "0"}, TextFunctionCase{kCmdAsc, 'l', "\xC8xyz", "200"},
        TextFunctionCase{kCmdLen, 'l', "hello", "5"},
        TextFunctionCase{kCmdLen, 'l', std::string(300, 'a'), "300"},
        TextFunctionCase{kCmdUpperStr, 's', "Abc\xE9z", "ABC\xE9Z"},
        TextFunctionCase{kCmdLowerStr, 's', "AbC\xC9Z", "abc\xC9z"},
        TextFunctionCase{kCmdValFS, 'f', "12abc", "12"}, TextFunctionCase{kCmdValFS, 'f', "  -3.5e2", "-350"},
        TextFunctionCase{kCmdValFS, 'f', "abc", "0"}, TextFunctionCase{kCmdValFS, 'f', ".5", "0.5"},
        TextFunctionCase{kCmdValFS, 'f', "1e", "1"}, TextFunctionCase{kCmdValFS, 'f', "0x10", "0"},
        TextFunctionCase{kCmdValFS, 'f', "inf", "0"}, TextFunctionCase{kCmdValLS, 'l', "3.9", "3"},
        TextFunctionCase{kCmdValLS, 'l', " +17x", "17"}, TextFunctionCase{kCmdValLS, 'l', "-", "0"},
        TextFunctionCase{kCmdValLS, 'l', "99999999999", "2147483647"},
        TextFunctionCase{kCmdValLS, 'l', "-99999999999", "-2147483648"}));

TEST_F(StringFunctionTest, LongTextsAreCutWithoutALimit) {
  const std::string longText = std::string(280, 'a') + "bc";
  EXPECT_EQ(Call(kCmdLeftStr, 's', {T(longText), N(281)}), std::string(280, 'a') + "b");
  EXPECT_EQ(Call(kCmdRightStr, 's', {T(longText), N(2)}), "bc");
  EXPECT_EQ(Call(kCmdMidStr, 's', {T(longText), N(282)}), "c");
}

TEST_F(StringFunctionTest, ClReturnsTheCommandLineText) {
  CommandLineText() = "\"game.qma\" -level 3";
  EXPECT_EQ(Call(kCmdClStr, 's', {}), "\"game.qma\" -level 3");
  CommandLineText().clear();
  EXPECT_EQ(Call(kCmdClStr, 's', {}), "");
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
  b.Command(kCmdStrStrSF, {s, b.FloatLiteral(1e6f)});
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
