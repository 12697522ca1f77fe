// DATA, READ and RESTORE.
#include <gtest/gtest.h>

#include "foundation_program.h"
#include "resources/command_ids.h"
#include "runtime/arrays.h"

namespace qm::test {
namespace {

using DataTest = FoundationProgramTest;

TEST_F(DataTest, ReadsEachTypeAndGivesZeroPastTheEnd) {
  // data 1, 2.5, "x" : read a, b#, c$, d, e$
  ImageBuilder b;
  b.DataInt(1);
  b.DataFloat(2.5f);
  b.DataString("x");
  const int32_t a = b.IntVariable();
  const int32_t f = b.FloatVariable();
  const int32_t c = b.StringVariable();
  const int32_t d = b.IntVariable();
  const int32_t e = b.StringVariable();
  b.Command(kOpAssignLL, {d, b.IntLiteral(7)});
  b.Command(kOpAssignSS, {e, b.StringLiteral("old")});
  b.Command(kCmdReadL, {a});
  b.Command(kCmdReadF, {f});
  b.Command(kCmdReadS, {c});
  b.Command(kCmdReadL, {d});
  b.Command(kCmdReadS, {e});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(a), 1);
  EXPECT_EQ(Float(f), 2.5f);
  EXPECT_EQ(Text(c), "x");
  EXPECT_EQ(Int(d), 0);
  EXPECT_EQ(Text(e), "");
  EXPECT_EQ(ProgramImage.readPosition, 3);
}

struct ConversionCase {
  const char* what;
  char item;       // 'l', 'f' or 's'
  int32_t readId;  // READ L, F or S
  const char* expected;
};

class ReadConversionTest : public DataTest, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ReadConversionTest, ConvertsNumbersAndConsumesMismatches) {
  const ConversionCase& c = GetParam();
  ImageBuilder b;
  if (c.item == 'l') b.DataInt(7);
  if (c.item == 'f') b.DataFloat(-2.75f);
  if (c.item == 's') b.DataString("text");
  b.DataInt(99);
  const int32_t target = c.readId == kCmdReadL   ? b.IntVariable()
                         : c.readId == kCmdReadF ? b.FloatVariable()
                                                 : b.StringVariable();
  const int32_t next = b.IntVariable();
  b.Command(c.readId, {target});
  b.Command(kCmdReadL, {next});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  const std::string value = c.readId == kCmdReadL   ? std::to_string(Int(target))
                            : c.readId == kCmdReadF ? std::to_string(Float(target))
                                                    : Text(target);
  EXPECT_EQ(value, c.expected) << c.what;
  EXPECT_EQ(Int(next), 99) << c.what << ": the item is consumed";
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadConversionTest,
                         ::testing::Values(ConversionCase{"integer into float", 'l', kCmdReadF, "7.000000"},
                                           ConversionCase{"float into integer", 'f', kCmdReadL, "-2"},
                                           ConversionCase{"text into integer", 's', kCmdReadL, "0"},
                                           ConversionCase{"text into float", 's', kCmdReadF, "0.000000"},
                                           ConversionCase{"integer into text", 'l', kCmdReadS, ""},
                                           ConversionCase{"float into text", 'f', kCmdReadS, ""}));

TEST_F(DataTest, RestoreToALabelStartsAtTheFirstItemAfterIt) {
  // data 1, 2 : label: data 3, 4 : read a : restore label : read b : restore : read c
  ImageBuilder b;
  b.DataInt(1);
  b.DataInt(2);
  const int32_t label = b.DataInt(3);
  b.DataInt(4);
  const int32_t a = b.IntVariable();
  const int32_t second = b.IntVariable();
  const int32_t c = b.IntVariable();
  b.Command(kCmdReadL, {a});
  b.Command(kCmdRestoreA, {label});
  b.Command(kCmdReadL, {second});
  b.Command(kCmdRestore);
  b.Command(kCmdReadL, {c});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(a), 1);
  EXPECT_EQ(Int(second), 3);
  EXPECT_EQ(Int(c), 1);
}

TEST_F(DataTest, ReadCopiesTextsSoTheItemNeverChanges) {
  // data "abc" : read a$ : a$ = a$ + "d" : restore : read b$
  ImageBuilder b;
  b.DataString("abc");
  const int32_t a = b.StringVariable();
  const int32_t second = b.StringVariable();
  b.Command(kCmdReadS, {a});
  b.Command(kOpAddSSS, {a, a, b.StringLiteral("d")});
  b.Command(kCmdRestore);
  b.Command(kCmdReadS, {second});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(a), "abcd");
  EXPECT_EQ(Text(second), "abc");
}

TEST_F(DataTest, ReadIntoArrayElementsWritesTheElements) {
  // data 5, 1.5, "e" : dim a(3) : dim f#(3) : dim s$(3) : read a(2) : read f#(1) : read s$(3)
  ImageBuilder b;
  b.DataInt(5);
  b.DataFloat(1.5f);
  b.DataString("e");
  const int32_t a = b.IntVariable();
  const int32_t f = b.FloatVariable();
  const int32_t s = b.StringVariable();
  const int32_t lit3 = b.IntLiteral(3);
  b.Command(kCmdDimLL, {a, lit3});
  b.Command(kCmdDimFL, {f, lit3});
  b.Command(kCmdDimSL, {s, lit3});
  b.Command(kOpArrayGetLLL, {ImageBuilder::IntTemp(0), a, b.IntLiteral(2)});
  b.Command(kCmdReadL, {ImageBuilder::IntTemp(0)});
  b.Command(kOpArrayGetFFL, {ImageBuilder::FloatTemp(0), f, b.IntLiteral(1)});
  b.Command(kCmdReadF, {ImageBuilder::FloatTemp(0)});
  b.Command(kOpArrayGetSSL, {ImageBuilder::StringTemp(0), s, lit3});
  b.Command(kCmdReadS, {ImageBuilder::StringTemp(0)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramArrays.Find(0)->Integers()[2], 5);
  EXPECT_EQ(ProgramArrays.Find(2000)->Floats()[1], 1.5f);
  EXPECT_STREQ(ProgramArrays.Find(4000)->Texts()[3], "e");
}

TEST_F(DataTest, ReadThroughAFetchThatFoundNoElementStoresNothing) {
  // dim a(3) : t = a(1) : t = never(1) : read t   (never is not dimensioned)
  // dim c(3) : u = c(2) : undim c : read u
  // Both reads find no element: the first fetch forgot a(1), the UNDIM forgot c(2).
  ImageBuilder b;
  b.DataInt(5);
  b.DataInt(6);
  const int32_t a = b.IntVariable();
  const int32_t never = b.IntVariable();
  const int32_t c = b.IntVariable();
  const int32_t t = ImageBuilder::IntTemp(0);
  const int32_t u = ImageBuilder::IntTemp(1);
  b.Command(kCmdDimLL, {a, b.IntLiteral(3)});
  b.Command(kOpArrayGetLLL, {t, a, b.IntLiteral(1)});
  b.Command(kOpArrayGetLLL, {t, never, b.IntLiteral(1)});
  b.Command(kCmdReadL, {t});
  b.Command(kCmdDimLL, {c, b.IntLiteral(3)});
  b.Command(kOpArrayGetLLL, {u, c, b.IntLiteral(2)});
  b.Command(kCmdUndimL, {c});
  b.Command(kCmdReadL, {u});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramArrays.Find(0)->Integers()[1], 0);
  EXPECT_FALSE(ProgramArrays.IsDimensioned(1));
  EXPECT_EQ(ProgramImage.readPosition, 2);
}

}  // namespace
}  // namespace qm::test
