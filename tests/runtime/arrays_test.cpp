// Arrays: dimensioning, the combined-offset rule, undimensioned arrays, element types.
#include "runtime/arrays.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation_program.h"
#include "resources/command_ids.h"

namespace qm::test {
namespace {

using ArraysTest = FoundationProgramTest;

// The ids of the n-dimension forms follow the one-dimension id.
int32_t Dim(int32_t oneDimension, size_t dimensions) {
  return oneDimension + static_cast<int32_t>(dimensions) - 1;
}

// DIM with literal bounds: [array][bound1]...[boundn].
void EmitDim(ImageBuilder& b, int32_t id, int32_t array, const std::vector<int32_t>& bounds) {
  b.Emit(Dim(id, bounds.size()));
  b.Emit(array);
  for (int32_t bound : bounds) b.Emit(b.IntLiteral(bound));
}

// Store: [array][s1]...[sn][value].
void EmitStore(ImageBuilder& b, int32_t id, int32_t array, const std::vector<int32_t>& subscripts,
               int32_t value) {
  b.Emit(Dim(id, subscripts.size()));
  b.Emit(array);
  for (int32_t subscript : subscripts) b.Emit(b.IntLiteral(subscript));
  b.Emit(value);
}

// Fetch: [result][array][s1]...[sn].
void EmitFetch(ImageBuilder& b, int32_t id, int32_t result, int32_t array,
               const std::vector<int32_t>& subscripts) {
  b.Emit(Dim(id, subscripts.size()));
  b.Emit(result);
  b.Emit(array);
  for (int32_t subscript : subscripts) b.Emit(b.IntLiteral(subscript));
}

TEST_F(ArraysTest, OnlyTheCombinedOffsetIsChecked) {
  // dim a(2,2) : a(3,0) = 5 : r = a(0,1) : a(0,3) = 1
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  const int32_t r = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {2, 2});
  EmitStore(b, kOpArraySetLLL, a, {3, 0}, b.IntLiteral(5));
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(0), a, {0, 1});
  b.Command(kOpAssignLL, {r, ImageBuilder::IntTemp(0)});
  EmitStore(b, kOpArraySetLLL, a, {0, 3}, b.IntLiteral(1));
  EmitEnd(b);
  EXPECT_EQ(Run(b), 102);
  EXPECT_EQ(Int(r), 5);
  EXPECT_EQ(ProgramArrays.Find(0)->header.elementCount, 9);
}

struct BoundsCase {
  int32_t id;  // store or fetch
  int32_t subscript;
  int32_t expectedError;
};

class OneDimensionBoundsTest : public ArraysTest, public ::testing::WithParamInterface<BoundsCase> {};

TEST_P(OneDimensionBoundsTest, DimTenHasElevenElements) {
  const BoundsCase c = GetParam();
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {10});
  if (c.id == kOpArraySetLLL) {
    EmitStore(b, kOpArraySetLLL, a, {c.subscript}, b.IntLiteral(1));
  } else {
    EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(0), a, {c.subscript});
  }
  EmitEnd(b);
  EXPECT_EQ(Run(b), c.expectedError) << c.subscript;
  EXPECT_EQ(ProgramCounter, b.Here() - 1) << "the command steps past all its operands";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OneDimensionBoundsTest,
    ::testing::Values(BoundsCase{kOpArraySetLLL, 0, 0}, BoundsCase{kOpArraySetLLL, 10, 0},
                      BoundsCase{kOpArraySetLLL, 11, 102}, BoundsCase{kOpArraySetLLL, -1, 102},
                      BoundsCase{kOpArrayGetLLL, 10, 0}, BoundsCase{kOpArrayGetLLL, 11, 102},
                      BoundsCase{kOpArrayGetLLL, -1, 102}));

TEST_F(ArraysTest, FarSubscriptsNeverWrapIntoRange) {
  // dim a(3,3) : a(1, 2^30) would wrap to a small offset in 32-bit arithmetic.
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {3, 3, 3});
  EmitStore(b, kOpArraySetLLL, a, {0, 0, 1 << 30}, b.IntLiteral(1));
  EmitEnd(b);
  EXPECT_EQ(Run(b), 102);
}

TEST_F(ArraysTest, ADimensionAgainClearsTheContents) {
  // dim a(1) : a(1) = 7 : dim a(5) : r = a(1)
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  const int32_t r = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {1});
  EmitStore(b, kOpArraySetLLL, a, {1}, b.IntLiteral(7));
  EmitDim(b, kCmdDimLL, a, {5});
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(0), a, {1});
  b.Command(kOpAssignLL, {r, ImageBuilder::IntTemp(0)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(r), 0);
}

TEST_F(ArraysTest, ArrayNeverDimensionedReadsZeroAndIgnoresStores) {
  // b(3) = 5 : r = b(3) (after r = 9) : s$ = c$(2) (after s$ = "x")
  ImageBuilder b;
  const int32_t array = b.IntVariable();
  const int32_t texts = b.StringVariable();
  const int32_t r = b.IntVariable();
  const int32_t s = b.StringVariable();
  EmitStore(b, kOpArraySetLLL, array, {3}, b.IntLiteral(5));
  b.Command(kOpAssignLL, {ImageBuilder::IntTemp(0), b.IntLiteral(9)});
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(0), array, {3});
  b.Command(kOpAssignLL, {r, ImageBuilder::IntTemp(0)});
  b.Command(kOpAssignSS, {ImageBuilder::StringTemp(0), b.StringLiteral("x")});
  EmitFetch(b, kOpArrayGetSSL, ImageBuilder::StringTemp(0), texts, {2});
  b.Command(kOpAssignSS, {s, ImageBuilder::StringTemp(0)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(r), 0);
  EXPECT_EQ(Text(s), "");
  EXPECT_FALSE(ProgramArrays.IsDimensioned(0));
}

TEST_F(ArraysTest, UndimThenReadGivesZeroAndDimWorksAgain) {
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  const int32_t r = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {1});
  EmitStore(b, kOpArraySetLLL, a, {0}, b.IntLiteral(4));
  b.Command(kCmdUndimL, {a});
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(0), a, {0});
  b.Command(kOpAssignLL, {r, ImageBuilder::IntTemp(0)});
  EmitDim(b, kCmdDimLL, a, {1});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(r), 0);
  EXPECT_TRUE(ProgramArrays.IsDimensioned(0));
}

struct RefusedDimCase {
  std::vector<int32_t> bounds;
};

class RefusedDimTest : public ArraysTest, public ::testing::WithParamInterface<RefusedDimCase> {};

TEST_P(RefusedDimTest, Raises101AndLeavesTheArrayUndimensioned) {
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {4});  // an earlier array is replaced in any case
  EmitDim(b, kCmdDimLL, a, GetParam().bounds);
  EmitEnd(b);
  EXPECT_EQ(Run(b), 101);
  EXPECT_FALSE(ProgramArrays.IsDimensioned(0));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedDimTest,
                         ::testing::Values(RefusedDimCase{{-1}}, RefusedDimCase{{-2}},
                                           RefusedDimCase{{3, -1}}, RefusedDimCase{{2147483647}},
                                           RefusedDimCase{{65536, 65536}},
                                           RefusedDimCase{{1000, 1000, 1000}}));

TEST_F(ArraysTest, IntegerStoredIntoAFloatArrayBecomesAFloat) {
  ImageBuilder b;
  const int32_t a = b.FloatVariable();
  const int32_t r = b.FloatVariable();
  EmitDim(b, kCmdDimFL, a, {2});
  EmitStore(b, kOpArraySetFLL, a, {1}, b.IntLiteral(3));
  EmitStore(b, kOpArraySetFLF, a, {2}, b.FloatLiteral(1.5f));
  EmitFetch(b, kOpArrayGetFFL, ImageBuilder::FloatTemp(0), a, {1});
  EmitFetch(b, kOpArrayGetFFL, ImageBuilder::FloatTemp(1), a, {2});
  b.Command(kOpAddFFF, {r, ImageBuilder::FloatTemp(0), ImageBuilder::FloatTemp(1)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Float(r), 4.5f);
}

// Every type in one to five dimensions: the last element takes a value and reads it back, and a
// string element never assigned reads "".
class DimensionsTest : public ArraysTest, public ::testing::WithParamInterface<int> {};

TEST_P(DimensionsTest, LastElementOfEveryTypeHoldsItsValue) {
  const size_t dimensions = static_cast<size_t>(GetParam());
  const std::vector<int32_t> bounds = {2, 3, 1, 2, 1};
  const std::vector<int32_t> shape(bounds.begin(), bounds.begin() + dimensions);
  ImageBuilder b;
  const int32_t ints = b.IntVariable();
  const int32_t floats = b.FloatVariable();
  const int32_t texts = b.StringVariable();
  const int32_t i = b.IntVariable();
  const int32_t f = b.FloatVariable();
  const int32_t s = b.StringVariable();
  const int32_t unassigned = b.StringVariable();
  EmitDim(b, kCmdDimLL, ints, shape);
  EmitDim(b, kCmdDimFL, floats, shape);
  EmitDim(b, kCmdDimSL, texts, shape);
  EmitStore(b, kOpArraySetLLL, ints, shape, b.IntLiteral(-9));
  EmitStore(b, kOpArraySetFLF, floats, shape, b.FloatLiteral(0.25f));
  EmitStore(b, kOpArraySetSLS, texts, shape, b.StringLiteral("last"));
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(0), ints, shape);
  EmitFetch(b, kOpArrayGetFFL, ImageBuilder::FloatTemp(0), floats, shape);
  EmitFetch(b, kOpArrayGetSSL, ImageBuilder::StringTemp(0), texts, shape);
  EmitFetch(b, kOpArrayGetSSL, ImageBuilder::StringTemp(1), texts, std::vector<int32_t>(dimensions, 0));
  b.Command(kOpAssignLL, {i, ImageBuilder::IntTemp(0)});
  b.Command(kOpAssignFF, {f, ImageBuilder::FloatTemp(0)});
  b.Command(kOpAssignSS, {s, ImageBuilder::StringTemp(0)});
  b.Command(kOpAssignSS, {unassigned, ImageBuilder::StringTemp(1)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0) << dimensions;
  EXPECT_EQ(Int(i), -9);
  EXPECT_EQ(Float(f), 0.25f);
  EXPECT_EQ(Text(s), "last");
  EXPECT_EQ(Text(unassigned), "");
  int32_t count = 1;
  for (int32_t bound : shape) count *= bound + 1;
  EXPECT_EQ(ProgramArrays.Find(0)->header.elementCount, count);
}

INSTANTIATE_TEST_SUITE_P(OneToFive, DimensionsTest, ::testing::Range(1, 6));

TEST_F(ArraysTest, FetchRecordsTheElementAndForgetsItWhenTheArrayIsFreed) {
  // read a(2), as the compiler emits it: the fetch, then READ of its temporary.
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {3});
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(5), a, {2});
  b.Command(kCmdReadL, {ImageBuilder::IntTemp(5)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  ElementAddressTable& addresses = ProgramArrays.ElementAddresses();
  EXPECT_EQ(addresses.Find(ImageBuilder::IntTemp(5)), ProgramArrays.Find(0)->Integers() + 2);
  ProgramArrays.Free(0);
  EXPECT_EQ(addresses.Find(ImageBuilder::IntTemp(5)), nullptr);
}

TEST_F(ArraysTest, AFetchNoReadCanUseRecordsNothing) {
  ImageBuilder b;
  const int32_t a = b.IntVariable();
  EmitDim(b, kCmdDimLL, a, {3});
  b.Command(kOpArraySetLLL, {a, b.IntLiteral(2), b.IntLiteral(7)});
  EmitFetch(b, kOpArrayGetLLL, ImageBuilder::IntTemp(5), a, {2});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(ImageBuilder::IntTemp(5)), 7);
  EXPECT_EQ(ProgramArrays.ElementAddresses().Find(ImageBuilder::IntTemp(5)), nullptr);
}

}  // namespace
}  // namespace qm::test
