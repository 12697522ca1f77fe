// The engine table container: growth by doubling, the order of both lists, refused releases and
// a growth that fails.
#include "display/engine_table.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "runtime/core_fixture.h"
#include "table_checks.h"

namespace qm::test {
namespace {

struct TestRecord : EngineRecordLinks {
  int32_t value;
};

using TestTable = EngineTable<TestRecord>;

class EngineTableTest : public CoreTest {
 protected:
  void TearDown() override {
    InjectTableGrowthFailures(0);
    CoreTest::TearDown();
  }
};

// The take counts at which the capacity changed, with the capacity reached.
std::map<int, int32_t> CapacityChanges(int32_t initial, int32_t reserve, int takes) {
  TestTable table(initial, reserve);
  EXPECT_TRUE(table.Create());
  std::map<int, int32_t> changes;
  int32_t capacity = table.Capacity();
  for (int take = 1; take <= takes; ++take) {
    EXPECT_NE(table.Take(RecordStart::ZeroFilled), kNoRecord);
    if (table.Capacity() != capacity) changes[take] = capacity = table.Capacity();
  }
  ExpectListsWhole(table);
  return changes;
}

TEST_F(EngineTableTest, TablesDoubleWhenTheirReserveOfFreeRecordsRunsShort) {
  EXPECT_EQ(CapacityChanges(2, 4, 40), (std::map<int, int32_t>{{1, 4}, {2, 8}, {6, 16}, {14, 32}, {30, 64}}));
  EXPECT_EQ(CapacityChanges(16, 12, 60), (std::map<int, int32_t>{{6, 32}, {22, 64}, {54, 128}}));
  EXPECT_EQ(PendingErrorCode, 0);
}

TEST_F(EngineTableTest, TheFirstRecordIsHeadAndTailWithoutLinks) {
  TestTable table(2, 4);
  ASSERT_TRUE(table.Create());
  const int32_t first = table.Take(RecordStart::ZeroFilled);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(table[first].prev, kNoRecord);
  EXPECT_EQ(table[first].next, kNoRecord);
  EXPECT_EQ(table.UsedHead(), first);
  EXPECT_EQ(table.UsedTail(), first);
}

TEST_F(EngineTableTest, ReleasingTheHeadOrTheOnlyRecordKeepsTheUsedListWhole) {
  TestTable table(2, 4);
  ASSERT_TRUE(table.Create());
  for (int i = 0; i < 3; ++i) table.Take(RecordStart::ZeroFilled);
  EXPECT_EQ(table.Release(0), 1);
  EXPECT_EQ(table.UsedHead(), 1);
  EXPECT_EQ(table[1].prev, kNoRecord);
  ExpectListsWhole(table);
  EXPECT_EQ(table.Release(2), 1);
  EXPECT_EQ(table.Release(1), 1);
  EXPECT_EQ(table.UsedHead(), kNoRecord);
  EXPECT_EQ(table.UsedTail(), kNoRecord);
  ExpectListsWhole(table);
}

TEST_F(EngineTableTest, TheLastRecordReleasedIsTheFirstTakenAndTakesAppendInOrder) {
  TestTable table(2, 4);
  ASSERT_TRUE(table.Create());
  for (int i = 0; i < 5; ++i) table.Take(RecordStart::ZeroFilled);
  table.Release(1);
  table.Release(3);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 3);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 1);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 5);
  EXPECT_EQ(UsedIndices(table), (std::vector<int32_t>{0, 2, 4, 3, 1, 5}));
  ExpectListsWhole(table);
}

TEST_F(EngineTableTest, ReleasingARecordNotInUseReturnsZeroAndChangesNothing) {
  TestTable table(2, 4);
  ASSERT_TRUE(table.Create());
  for (int i = 0; i < 4; ++i) table.Take(RecordStart::ZeroFilled);
  ASSERT_EQ(table.Release(2), 1);
  const std::vector<int32_t> usedBefore = UsedIndices(table);
  const int32_t freeHeadBefore = table.FreeHead();
  for (int32_t index : {2, 6, kNoRecord, table.Capacity(), 1 << 30}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(table.Release(index), 0);
    EXPECT_EQ(UsedIndices(table), usedBefore);
    EXPECT_EQ(table.FreeHead(), freeHeadBefore);
    ExpectListsWhole(table);
  }
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 2) << "the record released once is taken once";
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 4);
}

TEST_F(EngineTableTest, AFailedGrowthRaises101KeepsTheTableAndTakesWhatIsStillFree) {
  TestTable table(2, 4);
  ASSERT_TRUE(table.Create());
  InjectTableGrowthFailures(1000);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 0);
  EXPECT_EQ(PendingErrorCode, kErrorOutOfMemory);
  EXPECT_EQ(table.Capacity(), 2);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 1);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), kNoRecord) << "no record was free";
  EXPECT_EQ(table.Capacity(), 2);
  EXPECT_EQ(table.UsedCount(), 2);
  ExpectListsWhole(table);

  InjectTableGrowthFailures(0);
  EXPECT_EQ(table.Take(RecordStart::ZeroFilled), 2);
  EXPECT_EQ(table.Capacity(), 4);
  EXPECT_EQ(UsedIndices(table), (std::vector<int32_t>{0, 1, 2}));
  ExpectListsWhole(table);
}

TEST_F(EngineTableTest, GrowthKeepsRecordsAndTheirColumnAndZeroFillsTheNewOnes) {
  EngineTable<TestRecord, void*> table(2, 4);
  ASSERT_TRUE(table.Create());
  int marker = 0;
  const int32_t first = table.Take(RecordStart::ZeroFilled);  // grows to 4
  table[first].value = 41;
  table.ColumnAt(first) = &marker;
  table.Take(RecordStart::ZeroFilled);  // grows to 8
  ASSERT_EQ(table.Capacity(), 8);
  EXPECT_EQ(table[first].value, 41);
  EXPECT_EQ(table.ColumnAt(first), &marker);
  for (int32_t i = 2; i < 8; ++i) {
    EXPECT_EQ(table[i].value, 0);
    EXPECT_EQ(table.ColumnAt(i), nullptr);
  }
  table.ClearRecords();
  EXPECT_EQ(table[first].value, 0);
  EXPECT_EQ(table.ColumnAt(first), &marker) << "clearing the records leaves the column";
}

TEST_F(EngineTableTest, ARecordStartsZeroFilledOrAsItsLastUserLeftIt) {
  TestTable table(2, 4);
  ASSERT_TRUE(table.Create());
  const int32_t index = table.Take(RecordStart::ZeroFilled);
  table[index].value = 7;
  table.Release(index);
  EXPECT_EQ(table[table.Take(RecordStart::AsLeft)].value, 7);
  table.Release(index);
  EXPECT_EQ(table[table.Take(RecordStart::ZeroFilled)].value, 0);
}

}  // namespace
}  // namespace qm::test
