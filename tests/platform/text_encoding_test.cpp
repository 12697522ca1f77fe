#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qm::platform {
namespace {

struct EncodingCase {
  const char* name;
  std::string cp1252;
  std::string utf8;
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }

class EncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingTest, ConvertsBothWays) {
  EXPECT_EQ(Cp1252ToUtf8(GetParam().cp1252), GetParam().utf8);
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(Cases, EncodingTest,
                         ::testing::Values(EncodingCase{"ascii", "Hello\r\n", "Hello\r\n"},
                                           EncodingCase{"latin1", "Caf\xE9 \xFF", "Caf\xC3\xA9 \xC3\xBF"},
                                           EncodingCase{"euro", "\x80", "\xE2\x82\xAC"},
                                           EncodingCase{"quotesAndDashes", "\x93x\x94\x96",
                                                        "\xE2\x80\x9Cx\xE2\x80\x9D\xE2\x80\x93"},
                                           EncodingCase{"undefinedBytesSurvive", "\x81\x8D\x8F\x90\x9D",
                                                        "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Encoding, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Encoding, WhatCp1252CannotHoldBecomesTheReplacement) {
  EXPECT_EQ(Utf8ToCp1252("a\xE6\x97\xA5"
                         "b"),
            "a?b");                                       // a CJK character
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80", '_'), "_");  // outside the basic plane
  EXPECT_EQ(Utf8ToCp1252("x\xC3"), "x?");                 // cut short
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");              // overlong
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");         // a surrogate
  EXPECT_EQ(Utf8ToCp1252("\xFF"
                         "ok"),
            "?ok");
}

}  // namespace
}  // namespace qm::platform
