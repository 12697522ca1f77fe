// Checks that an engine table's lists are whole: the used list runs from head to tail through
// taken records with matching back links, and the free list runs through the records not taken
// to the index equal to the capacity.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "display/engine_table.h"

namespace qm::test {

template <typename Table>
std::vector<int32_t> UsedIndices(Table& table) {
  std::vector<int32_t> used;
  table.ForEachUsed([&](int32_t i) { used.push_back(i); });
  return used;
}

template <typename Table>
void ExpectListsWhole(const Table& table) {
  int32_t previous = kNoRecord;
  int32_t count = 0;
  for (int32_t i = table.UsedHead(); i != kNoRecord; i = table[i].next) {
    ASSERT_TRUE(i >= 0 && i < table.Capacity()) << "used link " << i;
    ASSERT_TRUE(table.IsTaken(i)) << "record " << i << " on the used list";
    ASSERT_EQ(table[i].prev, previous) << "back link of " << i;
    ASSERT_LE(++count, table.UsedCount()) << "the used list runs longer than its count";
    previous = i;
  }
  EXPECT_EQ(count, table.UsedCount());
  EXPECT_EQ(table.UsedTail(), previous);

  int32_t free = 0;
  for (int32_t i = table.FreeHead(); i != table.Capacity(); i = table[i].next) {
    ASSERT_TRUE(i >= 0 && i < table.Capacity()) << "free link " << i;
    ASSERT_FALSE(table.IsTaken(i)) << "record " << i << " on the free list";
    ASSERT_LE(++free, table.Capacity() - table.UsedCount())
        << "the free list runs longer than the free records";
  }
  EXPECT_EQ(free, table.Capacity() - table.UsedCount());
}

}  // namespace qm::test
