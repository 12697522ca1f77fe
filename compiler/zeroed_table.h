// A fixed-size table of plain values that starts as all zero bytes. Its memory comes from calloc,
// so a large table whose entries a compile never writes costs no page of memory: fresh pages are
// already zero and the kernel maps them only when an entry is written.
#pragma once
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace qm {

template <typename T>
class ZeroedTable {
  static_assert(std::is_trivially_copyable_v<T>, "entries are made by zeroing bytes");

 public:
  ZeroedTable() = default;

  // Replaces the table by `count` zeroed entries.
  void Reset(std::size_t count) {
    entries_.reset();
    size_ = 0;
    if (count == 0) return;
    entries_.reset(static_cast<T*>(std::calloc(count, sizeof(T))));
    if (!entries_) throw std::bad_alloc();
    size_ = count;
  }
  // Frees the entries; the table is empty.
  void Free() { Reset(0); }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return entries_.get(); }
  const T* data() const { return entries_.get(); }
  T& operator[](std::size_t index) { return entries_.get()[index]; }
  const T& operator[](std::size_t index) const { return entries_.get()[index]; }

 private:
  struct FreeEntries {
    void operator()(T* entries) const { std::free(entries); }
  };
  std::unique_ptr<T, FreeEntries> entries_;
  std::size_t size_ = 0;
};

}  // namespace qm
