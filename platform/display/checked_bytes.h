// Reads little-endian values at offsets of a byte span, each read checked against the span's end.
// A failed read returns false and leaves the value untouched. (The display layer's readers use this
// until the platform's shared byte reader takes its place.)
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace qm::platform {

class CheckedBytes {
 public:
  explicit CheckedBytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  std::size_t Size() const { return bytes_.size(); }
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  bool U8(std::size_t offset, uint8_t& out) const {
    if (!Has(offset, 1)) return false;
    out = bytes_[offset];
    return true;
  }
  bool U16(std::size_t offset, uint16_t& out) const {
    if (!Has(offset, 2)) return false;
    out = static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    return true;
  }
  bool U32(std::size_t offset, uint32_t& out) const {
    if (!Has(offset, 4)) return false;
    out = static_cast<uint32_t>(bytes_[offset]) | static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
          static_cast<uint32_t>(bytes_[offset + 2]) << 16 | static_cast<uint32_t>(bytes_[offset + 3]) << 24;
    return true;
  }
  bool I32(std::size_t offset, int32_t& out) const {
    uint32_t v;
    if (!U32(offset, v)) return false;
    out = static_cast<int32_t>(v);
    return true;
  }
  // `count` bytes from `offset`, or an empty span when they are not all there.
  std::span<const uint8_t> Slice(std::size_t offset, std::size_t count) const {
    return Has(offset, count) ? bytes_.subspan(offset, count) : std::span<const uint8_t>{};
  }

 private:
  std::span<const uint8_t> bytes_;
};

}  // namespace qm::platform
