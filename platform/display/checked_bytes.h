// Reads little-endian values at offsets of a byte span, each read checked against the span's end
// by the platform's byte reader (platform/byte_reader.h). A failed read returns false and leaves
// the value untouched.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/byte_reader.h"

namespace qm::platform {

class CheckedBytes {
 public:
  explicit CheckedBytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  std::size_t Size() const { return bytes_.size(); }
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  bool U8(std::size_t offset, uint8_t& out) const { return Read(offset, &ByteReader::U8, out); }
  bool U16(std::size_t offset, uint16_t& out) const { return Read(offset, &ByteReader::U16, out); }
  bool U32(std::size_t offset, uint32_t& out) const { return Read(offset, &ByteReader::U32, out); }
  bool I32(std::size_t offset, int32_t& out) const { return Read(offset, &ByteReader::I32, out); }
  // `count` bytes from `offset`, or an empty span when they are not all there.
  std::span<const uint8_t> Slice(std::size_t offset, std::size_t count) const {
    return Has(offset, count) ? bytes_.subspan(offset, count) : std::span<const uint8_t>{};
  }

 private:
  template <typename T>
  bool Read(std::size_t offset, T (ByteReader::*read)(), T& out) const {
    ByteReader reader(std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()));
    reader.Seek(offset);
    T value = (reader.*read)();
    if (reader.Failed()) return false;
    out = value;
    return true;
  }

  std::span<const uint8_t> bytes_;
};

}  // namespace qm::platform
