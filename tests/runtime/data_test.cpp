// DATA, READ and RESTORE.
#include <gtest/gtest.h>

#include "foundation_program.h"
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
  b.Command(kAssignLL, {d, b.IntLiteral(7)});
  b.Command(kAssignSS, {e, b.StringLiteral("old")});
  b.Command(kReadL, {a});
  b.Command(kReadF, {f});
  b.Command(kReadS, {c});
  b.Command(kReadL, {d});
  b.Command(kReadS, {e});
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
  const int32_t target = c.readId == kReadL   ? b.IntVariable()
                         : c.readId == kReadF ? b.FloatVariable()
                                              : b.StringVariable();
  const int32_t next = b.IntVariable();
  b.Command(c.readId, {target});
  b.Command(kReadL, {next});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  const std::string value = c.readId == kReadL   ? std::to_string(Int(target))
                            : c.readId == kReadF ? std::to_string(Float(target))
                                                 : Text(target);
  EXPECT_EQ(value, c.expected) << c.what;
  EXPECT_EQ(Int(next), 99) << c.what << ": the item is consumed";
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadConversionTest,
                         ::testing::Values(ConversionCase{"integer into float", 'l', kReadF, "7.000000"},
                                           ConversionCase{"float into integer", 'f', kReadL, "-2"},
                                           ConversionCase{"text into integer", 's', kReadL, "0"},
                                           ConversionCase{"text into float", 's', kReadF, "0.000000"},
                                           ConversionCase{"integer into text", 'l', kReadS, ""},
                                           ConversionCase{"float into text", 'f', kReadS, ""}));

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
  b.Command(kReadL, {a});
  b.Command(kRestoreLabel, {label});
  b.Command(kReadL, {second});
  b.Command(kRestore);
  b.Command(kReadL, {c});
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
  b.Command(kReadS, {a});
  b.Command(kAddSSS, {a, a, b.StringLiteral("d")});
  b.Command(kRestore);
  b.Command(kReadS, {second});
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
  b.Command(kDimL, {a, lit3});
  b.Command(kDimF, {f, lit3});
  b.Command(kDimS, {s, lit3});
  b.Command(kArrayGetL, {ImageBuilder::IntTemp(0), a, b.IntLiteral(2)});
  b.Command(kReadL, {ImageBuilder::IntTemp(0)});
  b.Command(kArrayGetF, {ImageBuilder::FloatTemp(0), f, b.IntLiteral(1)});
  b.Command(kReadF, {ImageBuilder::FloatTemp(0)});
  b.Command(kArrayGetS, {ImageBuilder::StringTemp(0), s, lit3});
  b.Command(kReadS, {ImageBuilder::StringTemp(0)});
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
  b.Command(kDimL, {a, b.IntLiteral(3)});
  b.Command(kArrayGetL, {t, a, b.IntLiteral(1)});
  b.Command(kArrayGetL, {t, never, b.IntLiteral(1)});
  b.Command(kReadL, {t});
  b.Command(kDimL, {c, b.IntLiteral(3)});
  b.Command(kArrayGetL, {u, c, b.IntLiteral(2)});
  b.Command(kUndimL, {c});
  b.Command(kReadL, {u});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramArrays.Find(0)->Integers()[1], 0);
  EXPECT_FALSE(ProgramArrays.IsDimensioned(1));
  EXPECT_EQ(ProgramImage.readPosition, 2);
}

}  // namespace
}  // namespace qm::test
