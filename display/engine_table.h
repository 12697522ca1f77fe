// The growable table behind every kind of run-time entity (sprites, images, 3D objects, meshes,
// textures, queued drawing requests, lights): fixed-size records in one array, a free list and a
// used list chained through the records' leading links. Everything outside a table names a
// record by its index, never by its address, because taking a record may move the array.
//
// Lists: the used list is doubly linked oldest first, -1 ending it both ways. The free list is
// chained through `next` in the order records will be taken; its last link is the index equal to
// the capacity, so the records added by a growth join its end without a walk. A released record
// goes to the head of the free list: the last released is the first taken.
//
// Growth: when fewer than `growthReserve` records are free before a take, the array doubles. A
// failed growth raises runtime error 101 and leaves the table as it was; the take still uses a
// free record when one is left, and otherwise returns kNoRecord.
//
// Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "runtime/error_codes.h"

namespace qm {

// "No record": what a take returns when it took none, and the index callers keep for "none".
inline constexpr int32_t kNoRecord = -1;

// The links every record begins with.
struct EngineRecordLinks {
  int32_t next = 0;
  int32_t prev = 0;
  // 1 while the record is on the used list. Releasing a record that is not taken (twice, or one
  // never taken) is refused with this mark, so it can never corrupt the lists.
  int32_t taken = 0;
};

// How a take leaves the record's own fields: zero-filled (every field at its default), or as the
// previous user left them, for kinds whose New writes every field it needs.
enum class RecordStart { ZeroFilled, AsLeft };

// A table without a parallel column.
struct NoColumn {};

namespace engine_table_detail {
// Runs before every growth allocation; false makes it fail as if memory were exhausted.
bool GrowthAllowed();
void RaiseGrowthFailure();
}  // namespace engine_table_detail

// Tests: the next `count` growths of any table fail as if memory were exhausted.
void InjectTableGrowthFailures(int count);

// `Column` is an optional array kept parallel to the records (the image table's surfaces): grown
// and copied with them, zero-filled where new, and left alone when the records are cleared.
template <typename Record, typename Column = NoColumn>
class EngineTable {
  static_assert(std::is_base_of_v<EngineRecordLinks, Record>, "records begin with the table links");

 public:
  static constexpr bool kHasColumn = !std::is_same_v<Column, NoColumn>;

  EngineTable(int32_t initialCapacity, int32_t growthReserve)
      : initialCapacity_(initialCapacity), growthReserve_(growthReserve) {}

  // Allocates the records (and the column) at the initial capacity and chains them as an empty
  // table. False when memory is exhausted (nothing is kept).
  bool Create() {
    auto records = AllocateRecords(initialCapacity_);
    auto column = AllocateColumn(initialCapacity_);
    if (!records || (kHasColumn && !column)) return false;
    records_ = std::move(records);
    column_ = std::move(column);
    capacity_ = initialCapacity_;
    Reset();
    return true;
  }

  // Frees the arrays; the table has no records until the next Create.
  void Destroy() {
    records_.reset();
    column_.reset();
    capacity_ = usedCount_ = 0;
    freeHead_ = 0;
    usedHead_ = usedTail_ = kNoRecord;
  }

  bool Exists() const { return records_ != nullptr; }

  // Every record of the capacity back to its zero-filled state (links included). The column is
  // not touched.
  void ClearRecords() {
    for (int32_t i = 0; i < capacity_; ++i) records_[i] = Record{};
  }

  // Empties both lists: every record free, chained in index order.
  void Reset() {
    usedCount_ = 0;
    usedHead_ = usedTail_ = kNoRecord;
    freeHead_ = 0;
    ChainFree(0, capacity_);
  }

  // Takes a record from the free head (growing first when the reserve is short), starts it as
  // `start` says and appends it at the used tail. kNoRecord when none could be taken.
  int32_t Take(RecordStart start) {
    if (usedCount_ > capacity_ - growthReserve_) Grow();
    if (freeHead_ >= capacity_) return kNoRecord;
    const int32_t index = freeHead_;
    freeHead_ = records_[index].next;
    if (start == RecordStart::ZeroFilled) records_[index] = Record{};
    Append(index);
    return index;
  }

  // Returns a taken record to the head of the free list: 1, or 0 when `index` names no taken
  // record (out of range, free, or already released), in which case nothing changes.
  int32_t Release(int32_t index) {
    if (!IsTaken(index)) return 0;
    Unlink(index);
    PushFree(index);
    --usedCount_;
    return 1;
  }

  bool IsTaken(int32_t index) const { return index >= 0 && index < capacity_ && records_[index].taken; }
  // The record `index` while it is taken; null for any other index.
  Record* Taken(int32_t index) { return IsTaken(index) ? &records_[index] : nullptr; }

  Record& operator[](int32_t index) { return records_[index]; }
  const Record& operator[](int32_t index) const { return records_[index]; }
  Column& ColumnAt(int32_t index) { return column_[index]; }

  int32_t Capacity() const { return capacity_; }
  int32_t UsedCount() const { return usedCount_; }
  int32_t UsedHead() const { return usedHead_; }
  int32_t UsedTail() const { return usedTail_; }
  int32_t FreeHead() const { return freeHead_; }

  // Visits the used records oldest first. `visit` may release the record it is given.
  template <typename Visit>
  void ForEachUsed(Visit&& visit) {
    for (int32_t i = usedHead_; i != kNoRecord;) {
      const int32_t next = records_[i].next;
      visit(i);
      i = next;
    }
  }

 private:
  static std::unique_ptr<Record[]> AllocateRecords(int32_t count) {
    return std::unique_ptr<Record[]>(new (std::nothrow) Record[static_cast<std::size_t>(count)]());
  }
  static std::unique_ptr<Column[]> AllocateColumn(int32_t count) {
    if constexpr (!kHasColumn) {
      return nullptr;
    } else {
      return std::unique_ptr<Column[]>(new (std::nothrow) Column[static_cast<std::size_t>(count)]());
    }
  }

  // Records first..last-1 free, each linked to its neighbours by index.
  void ChainFree(int32_t first, int32_t last) {
    for (int32_t i = first; i < last; ++i) {
      records_[i].next = i + 1;
      records_[i].prev = i - 1;
      records_[i].taken = 0;
    }
  }

  // Doubles the arrays; on failure raises 101 and keeps the table as it was.
  void Grow() {
    const int32_t grown = capacity_ > INT32_MAX / 2 ? 0 : capacity_ * 2;
    std::unique_ptr<Record[]> records;
    std::unique_ptr<Column[]> column;
    if (grown > 0 && engine_table_detail::GrowthAllowed()) {
      records = AllocateRecords(grown);
      column = AllocateColumn(grown);
    }
    if (!records || (kHasColumn && !column)) {
      engine_table_detail::RaiseGrowthFailure();
      return;
    }
    for (int32_t i = 0; i < capacity_; ++i) records[i] = std::move(records_[i]);
    if constexpr (kHasColumn) {
      for (int32_t i = 0; i < capacity_; ++i) column[i] = std::move(column_[i]);
    }
    records_ = std::move(records);
    column_ = std::move(column);
    ChainFree(capacity_, grown);
    capacity_ = grown;
  }

  void Append(int32_t index) {
    Record& record = records_[index];
    record.next = kNoRecord;
    record.prev = usedTail_;
    record.taken = 1;
    if (usedTail_ != kNoRecord) records_[usedTail_].next = index;
    if (usedHead_ == kNoRecord) usedHead_ = index;
    usedTail_ = index;
    ++usedCount_;
  }

  void Unlink(int32_t index) {
    const int32_t prev = records_[index].prev;
    const int32_t next = records_[index].next;
    if (prev != kNoRecord) records_[prev].next = next;
    if (next != kNoRecord) records_[next].prev = prev;
    if (usedHead_ == index) usedHead_ = next;
    if (usedTail_ == index) usedTail_ = prev;
  }

  void PushFree(int32_t index) {
    Record& record = records_[index];
    record.prev = kNoRecord;
    record.next = freeHead_;
    record.taken = 0;
    if (freeHead_ < capacity_) records_[freeHead_].prev = index;
    freeHead_ = index;
  }

  int32_t initialCapacity_;
  int32_t growthReserve_;
  std::unique_ptr<Record[]> records_;
  std::unique_ptr<Column[]> column_;
  int32_t capacity_ = 0;
  int32_t usedCount_ = 0;
  int32_t freeHead_ = 0;
  int32_t usedHead_ = kNoRecord;
  int32_t usedTail_ = kNoRecord;
};

}  // namespace qm
