// The maps from a user's number to the index of its record in an engine table, one per kind of
// numbered entity. A flat array per map, so a number resolves with one index operation; 0 means
// that the number has no record (the tables keep record 0 from ever serving a number).
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace qm {

inline constexpr int32_t kNumberMapEntries = 65536;

class NumberMap {
 public:
  // The numbers a program may use: `first` to `last`. The entries come zeroed from calloc, and
  // only the entries a run set are cleared, so a map costs no memory until numbers are used.
  NumberMap(int32_t first, int32_t last)
      : first_(first),
        last_(last),
        entries_(static_cast<int32_t*>(std::calloc(kNumberMapEntries, sizeof(int32_t))), Free{true}) {
    if (entries_ == nullptr) throw std::bad_alloc();
  }
  // The same over `zeroedEntries` (kNumberMapEntries of them, all 0), which the map uses but
  // does not own: the six maps of the system keep theirs in the executable's zeroed data, which
  // takes no memory, system call or page fault before a number is set.
  NumberMap(int32_t first, int32_t last, int32_t* zeroedEntries)
      : first_(first), last_(last), entries_(zeroedEntries, Free{false}) {}

  bool IsValidNumber(int32_t number) const { return number >= first_ && number <= last_; }
  // The record index of `number`, 0 when it has none or is outside the map's numbers.
  int32_t Find(int32_t number) const { return IsValidNumber(number) ? entries_[Slot(number)] : 0; }
  // Maps `number` to `index` (0 unmaps it). False, changing nothing, outside the map's numbers.
  bool Set(int32_t number, int32_t index) {
    if (!IsValidNumber(number)) return false;
    entries_[Slot(number)] = index;
    setFrom_ = std::min(setFrom_, Slot(number));
    setTo_ = std::max(setTo_, Slot(number) + 1);
    return true;
  }
  // Unmaps every number: the entries between the lowest and highest ever set.
  void Clear() {
    if (setFrom_ < setTo_) std::fill(entries_.get() + setFrom_, entries_.get() + setTo_, 0);
    setFrom_ = kNumberMapEntries;
    setTo_ = 0;
  }
  int32_t First() const { return first_; }
  int32_t Last() const { return last_; }

 private:
  static std::size_t Slot(int32_t number) { return static_cast<std::size_t>(number); }
  struct Free {
    bool owned;
    void operator()(int32_t* entries) const {
      if (owned) std::free(entries);
    }
  };

  int32_t first_, last_;
  std::unique_ptr<int32_t[], Free> entries_;
  std::size_t setFrom_ = kNumberMapEntries, setTo_ = 0;  // the entries Set wrote since Clear
};

extern NumberMap SpriteNumberMap;  // sprites 1-65535 to display entities
extern NumberMap ImageNumberMap;   // images 1-65535
extern NumberMap ObjectNumberMap;  // 3D objects 1-65535 to object records
extern NumberMap MatrixNumberMap;  // matrices 1-65535 to object records
extern NumberMap MeshNumberMap;    // meshes 1-65534
extern NumberMap LightNumberMap;   // lights 0-65535 (light 0 is the default light, record 0)

// Unmaps every number of the six maps.
void ClearNumberMaps();

}  // namespace qm
