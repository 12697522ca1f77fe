// Program emission: the compiler's output is a sequence of 32-bit program words and, word for
// word, the source line each came from. A command is its id followed by one operand word per
// entry of its OperandList. The Parser's EmitWord and EmitCommand write them.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/operand_numbers.h"

namespace qm {

// One operand of a command: its type letter ('l', 'f', 's', 'z', 'a', 'j', ' ' for the source
// of a conversion, 'x' for an operand that failed) and its OperandNumber.
struct OperandPair {
  char type = 0;
  OperandNumber number = 0;
};

// The operands of one command, in emission order (a value-returning command's result first).
// It has room for 31 operands; a list that is full refuses more, and the caller reports the
// statement as having too many parameters.
class OperandList {
 public:
  static constexpr int32_t kCapacity = 31;

  [[nodiscard]] bool Append(char type, OperandNumber number) {
    if (count_ >= kCapacity) return false;
    pairs_[count_++] = OperandPair{type, number};
    return true;
  }
  // Reserves a slot to fill later (the result temporary of a value-returning command).
  [[nodiscard]] OperandPair* AppendSlot() {
    if (count_ >= kCapacity) return nullptr;
    pairs_[count_] = OperandPair{};
    return &pairs_[count_++];
  }
  void Clear() { count_ = 0; }
  int32_t Size() const { return count_; }
  bool Full() const { return count_ >= kCapacity; }
  OperandPair& operator[](int32_t index) { return pairs_[index]; }
  const OperandPair& operator[](int32_t index) const { return pairs_[index]; }
  const OperandPair* begin() const { return pairs_.data(); }
  const OperandPair* end() const { return pairs_.data() + count_; }

 private:
  std::array<OperandPair, kCapacity> pairs_{};
  int32_t count_ = 0;
};

// The word that ends every compiled program and every command-line piece.
inline constexpr int32_t kEndOfPieceWord = 0;

// A jump target or label value naming program word `wordIndex`.
constexpr int32_t WordAddressOperand(int32_t wordIndex) { return kWordAddresses + wordIndex; }

}  // namespace qm
