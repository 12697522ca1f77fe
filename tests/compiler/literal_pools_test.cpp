// Literal pools and DATA items: recognition, values, sharing of equal numbers, and the limits.
#include "compiler/literal_pools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "compiler/parser.h"

namespace qm {
namespace {

class LiteralPoolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parser.Open();
    parser.ResetCompileCounters();
  }
  OperandNumber Literal(const std::string& text) { return parser.CompileLiteral(text).number; }
  Parser parser;
};

TEST(LiteralTextTest, RecognitionByCharacterClasses) {
  struct Case {
    const char* text;
    bool integer, floating, string;
  };
  const Case cases[] = {
      {"5", true, false, false},    {"-5", true, false, false},   {"+-5", true, false, false},
      {"1-2", true, false, false},  {"-", true, false, false},    {"", true, false, false},
      {"1.5", false, true, false},  {".5", false, true, false},   {"5.", false, true, false},
      {"1e5", false, false, false}, {"\"\"", false, false, true}, {"\"a\"", false, false, true},
      {"\"", false, false, false},  {"a", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsIntegerLiteralText(c.text), c.integer) << c.text;
    EXPECT_EQ(IsFloatLiteralText(c.text), c.floating) << c.text;
    EXPECT_EQ(IsStringLiteralText(c.text), c.string) << c.text;
  }
}

TEST(LiteralTextTest, IntegerValuesMustFitIn32Bits) {
  const std::pair<const char*, int32_t> fitting[] = {
      {"5", 5},
      {" 05", 5},
      {"-5", -5},
      {"1-2", 1},
      {"-", 0},
      {"", 0},
      {"2147483647", std::numeric_limits<int32_t>::max()},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
  };
  for (const auto& [text, expected] : fitting) {
    int32_t value = 99;
    EXPECT_TRUE(ReadIntegerLiteralValue(text, value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999"}) {
    int32_t value = 0;
    EXPECT_FALSE(ReadIntegerLiteralValue(text, value)) << text;
  }
  EXPECT_EQ(ReadFloatLiteralValue(".5"), 0.5f);
  EXPECT_EQ(ReadFloatLiteralValue("5."), 5.0f);
  EXPECT_EQ(ReadFloatLiteralValue("1.5-2"), 1.5f);
  EXPECT_EQ(ReadFloatLiteralValue("-2.25"), -2.25f);
  EXPECT_EQ(ReadFloatLiteralValue("."), 0.0f);
}

TEST_F(LiteralPoolsTest, EqualNumbersShareOneLiteral) {
  EXPECT_EQ(Literal("5"), 19000);
  EXPECT_EQ(Literal("+5"), 19000);
  EXPECT_EQ(Literal("05"), 19000);
  EXPECT_EQ(Literal("-5"), 19001);
  EXPECT_EQ(Literal("1.5"), 21000);
  EXPECT_EQ(Literal("1.50"), 21000);
  EXPECT_EQ(Literal("0.0"), 21001);
  EXPECT_EQ(Literal("-0.0"), 21001);
  EXPECT_EQ(parser.LiteralValue(19001).i, -5);
  EXPECT_EQ(parser.LiteralValue(21000).f, 1.5f);
  EXPECT_EQ(parser.CompileLiteral("1.5").type, 'f');
  EXPECT_EQ(parser.CompileLiteral("abc").type, 0);  // no literal: a variable name perhaps
}

TEST_F(LiteralPoolsTest, EveryStringLiteralIsANewOne) {
  EXPECT_EQ(Literal("\"hi\""), 23000);
  EXPECT_EQ(Literal("\"hi\""), 23001);
  EXPECT_EQ(Literal("\"\""), 23002);
  EXPECT_EQ(Literal("\"a\"\"b\""), 23003);
  EXPECT_EQ(parser.LiteralText(23001), "hi");
  EXPECT_EQ(parser.LiteralText(23003), "a\"\"b");
  ASSERT_NE(parser.LiteralValue(23002).s, nullptr);
  EXPECT_STREQ(parser.LiteralValue(23002).s, "");
  EXPECT_STREQ(parser.LiteralValue(23000).s, "hi");
}

TEST_F(LiteralPoolsTest, TooLargeIntegerLiteralIsAnError) {
  EXPECT_EQ(parser.CompileLiteral("2147483648").type, 'x');
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgIntegerTooLarge));
  EXPECT_EQ(Literal("-2147483648"), 19000);
  EXPECT_EQ(parser.counters.nextIntLiteral, 19001);
}

TEST_F(LiteralPoolsTest, PoolsHold1999LiteralsEach) {
  struct Case {
    std::string (*text)(int);
    OperandNumber last;
    int32_t message;
  };
  const Case cases[] = {
      {[](int i) { return std::to_string(i); }, 20998, kMsgTooManyIntegerLiterals},
      {[](int i) { return std::to_string(i) + ".5"; }, 22998, kMsgTooManyFloatLiterals},
      {[](int) { return std::string("\"same\""); }, 24998, kMsgTooManyStringLiterals},
  };
  for (const Case& c : cases) {
    OperandNumber last = 0;
    for (int i = 0; i < 1999; ++i) last = Literal(c.text(i));
    EXPECT_EQ(last, c.last);
    parser.errorMessage.clear();
    const OperandPair refused = parser.CompileLiteral(c.text(5000));
    EXPECT_EQ(refused.type, 'x');
    EXPECT_EQ(refused.number, -1);
    EXPECT_EQ(parser.errorMessage, CompilerMessage(c.message));
  }
  EXPECT_EQ(Literal("17"), 19017);  // an existing value is still found
}

TEST_F(LiteralPoolsTest, StringLiteralsHoldAt255Characters) {
  const std::string longest = "\"" + std::string(253, 'a') + "\"";
  EXPECT_EQ(Literal(longest), 23000);
  EXPECT_EQ(parser.CompileLiteral("\"" + std::string(254, 'a') + "\"").type, 'x');
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgStringLiteralTooLong));
}

TEST_F(LiteralPoolsTest, ThePrescanTakesNoNumbers) {
  parser.emissionSuppressed = true;
  EXPECT_EQ(parser.CompileLiteral("5").type, 'l');
  EXPECT_EQ(parser.CompileLiteral("5.5").type, 'f');
  EXPECT_EQ(parser.CompileLiteral("\"x\"").type, 's');
  EXPECT_EQ(parser.counters.nextIntLiteral, 19000);
  EXPECT_EQ(parser.counters.nextFloatLiteral, 21000);
  EXPECT_EQ(parser.counters.nextStringLiteral, 23000);
}

TEST_F(LiteralPoolsTest, DataItemsTakeTheirTypeAndValue) {
  for (const char* item : {"1", "2.5", "\"x\"", "-3", "", "1-2"}) {
    ASSERT_TRUE(parser.AddDataItem(item)) << item;
  }
  EXPECT_EQ(parser.DataItemCount(), 6);
  const char letters[] = {'l', 'f', 's', 'l', 'l', 'l'};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(parser.DataTypeLetter(i), letters[i]) << i;
  EXPECT_EQ(parser.LiteralValue(25000).i, 1);
  EXPECT_EQ(parser.LiteralValue(25001).f, 2.5f);
  EXPECT_STREQ(parser.LiteralValue(25002).s, "x");
  EXPECT_EQ(parser.LiteralValue(25003).i, -3);
  EXPECT_EQ(parser.LiteralValue(25004).i, 0);
  EXPECT_EQ(parser.LiteralValue(25005).i, 1);

  EXPECT_FALSE(parser.AddDataItem("abc"));
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgBadDataItem));
  EXPECT_FALSE(parser.AddDataItem("99999999999"));
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgIntegerTooLarge));
  EXPECT_EQ(parser.DataItemCount(), 6);
}

TEST_F(LiteralPoolsTest, AtMost9999DataItems) {
  parser.counters.nextData = kDataItems + 9998;
  ASSERT_TRUE(parser.AddDataItem("1"));  // item 9998, number 34998
  EXPECT_FALSE(parser.AddDataItem("2"));
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyDataItems));
  EXPECT_EQ(parser.DataItemCount(), 9999);
}

}  // namespace
}  // namespace qm
