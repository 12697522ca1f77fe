// Array storage of a running program. Every integer, float and string variable can be an array of
// one to five dimensions; its storage is a separate zero-filled block found through the
// ArrayTable, indexed by the variable's OperandNumber - 13000 (0-1999 integer, 2000-3999 float,
// 4000-5999 string). Numeric elements are 4 bytes (int32 or single float), as array files and
// memory blocks expose them; string elements are pointers to texts the array owns, null for an
// element never assigned (it reads as the empty text).
//
// The ElementAddressTable remembers, for each temporary cell, the element slot that the last
// array fetch into it read, so READ (and the file READ commands) can write a value back into
// "read a(3)". An entry is cleared when the fetch found no element and when the array it points
// into is re-dimensioned or freed, so nothing ever writes through a stale address.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "runtime/command_dispatch.h"
#include "runtime/operand_numbers.h"

namespace qm {

inline constexpr int32_t kMaxArrayDimensions = 5;
inline constexpr int32_t kArrayTableEntries = 3 * kVariablesPerType;      // 6,000
inline constexpr int32_t kFirstFloatArrayEntry = kVariablesPerType;       // 2000
inline constexpr int32_t kFirstStringArrayEntry = 2 * kVariablesPerType;  // 4000
// Storage is refused above this many bytes: sizes must fit the 32-bit fields of array files.
inline constexpr int64_t kMaxArrayBytes = INT64_C(0x7FFFFFFF);

// Extents (DIM bound + 1) and element count of one array. A DIM of n dimensions sets extent[0]
// to extent[n-1] (for one dimension only elementCount matters); later fields keep older values
// and are not read for that array.
struct ArrayHeader {
  std::array<int32_t, kMaxArrayDimensions> extent{};
  int32_t elementCount = 0;
};

enum class ArrayElementKind : uint8_t { Integer, Float, String };

struct ArrayEntry {
  ArrayHeader header;
  void* storage = nullptr;  // int32_t / float elements, or char* elements for a string array
  // The element count while dimensioned, 0 while not: one unsigned compare of an offset against
  // it tells an element that exists (the fast path of the element commands).
  uint32_t liveCount = 0;

  bool IsDimensioned() const { return storage != nullptr; }
  int32_t* Integers() const { return static_cast<int32_t*>(storage); }
  float* Floats() const { return static_cast<float*>(storage); }
  char** Texts() const { return static_cast<char**>(storage); }
};

// The table entry index of an array variable's OperandNumber (13000-18999).
constexpr int32_t ArrayIndexOf(OperandNumber variable) { return variable - kIntVariables; }

constexpr ArrayElementKind ArrayKindOf(int32_t index) {
  return index >= kFirstStringArrayEntry  ? ArrayElementKind::String
         : index >= kFirstFloatArrayEntry ? ArrayElementKind::Float
                                          : ArrayElementKind::Integer;
}

constexpr std::size_t ElementSizeOf(ArrayElementKind kind) {
  return kind == ArrayElementKind::String ? sizeof(char*) : sizeof(int32_t);
}

// One element address per temporary cell (OperandNumbers 10000-12999).
class ElementAddressTable {
 public:
  static constexpr int32_t kEntries = 3 * kTemporariesPerType;

  // The slot recorded for a temporary OperandNumber, or nullptr (none recorded, or not a
  // temporary).
  void* Find(OperandNumber temporary) const {
    int32_t index = temporary - kIntTemporaries;
    return index >= 0 && index < kEntries ? slots_[index] : nullptr;
  }
  void Record(OperandNumber temporary, void* slot) {
    int32_t index = temporary - kIntTemporaries;
    if (index >= 0 && index < kEntries) {
      slots_[index] = slot;
      recorded_ = true;
    }
  }
  // Forgets every address inside [begin, begin + bytes): the storage is about to be freed.
  void ForgetRange(const void* begin, std::size_t bytes);
  void Clear() {
    if (!recorded_) return;
    slots_.fill(nullptr);
    recorded_ = false;
  }

 private:
  // Until a first record, no page of the slots is touched: runs that record none (most) neither
  // clear nor search them.
  std::array<void*, kEntries> slots_{};
  bool recorded_ = false;
};

// Every array of the program, with the element addresses recorded by fetches. Owns its storage
// and, for string arrays, the element texts (malloc'ed, as every text of a ValueCell).
class ArrayTable {
 public:
  ArrayTable() = default;
  ~ArrayTable() { FreeAll(); }
  ArrayTable(const ArrayTable&) = delete;
  ArrayTable& operator=(const ArrayTable&) = delete;

  // nullptr for an index outside 0-5999.
  ArrayEntry* Find(int32_t index) {
    return index >= 0 && index < kArrayTableEntries ? &entries_[index] : nullptr;
  }
  const ArrayEntry* Find(int32_t index) const {
    return index >= 0 && index < kArrayTableEntries ? &entries_[index] : nullptr;
  }
  bool IsDimensioned(int32_t index) const {
    const ArrayEntry* entry = Find(index);
    return entry != nullptr && entry->IsDimensioned();
  }

  // Gives an array (its earlier storage freed) the storage of `count` elements.
  void Attach(ArrayEntry& entry, void* storage, int32_t count) {
    entry.header.elementCount = count;
    entry.storage = storage;
    entry.liveCount = static_cast<uint32_t>(count);
    ++dimensioned_;
  }
  // Frees one array's storage (and element texts) and forgets the element addresses that point
  // into it; the header keeps its values.
  void Free(int32_t index);
  // How many arrays are dimensioned now (a call saves variables without looking for arrays when
  // none is).
  int32_t DimensionedCount() const { return dimensioned_; }
  // Frees every array (end of a run).
  void FreeAll();

  ElementAddressTable& ElementAddresses() { return elementAddresses_; }
  const ElementAddressTable& ElementAddresses() const { return elementAddresses_; }

 private:
  std::array<ArrayEntry, kArrayTableEntries> entries_{};
  ElementAddressTable elementAddresses_;
  int32_t dimensioned_ = 0;
};

// The commands that write through the element addresses fetches record (READ and its kind): a
// fetch needs to record its element only where such a command can read its result temporary.
void RegisterElementAddressReaders(std::span<const CommandHandler> readers);
bool IsElementAddressReader(CommandHandler handler);
// Forgets them (InstallSubsystems, before it registers the installed families).
void ClearElementAddressReaders();

// The running program's arrays. The array commands reach them here; a run's end frees them all
// (FreeRuntimeData run hook).
extern ArrayTable ProgramArrays;

}  // namespace qm
