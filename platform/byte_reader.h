// The one way into outside files: every reader of a file the system did not write itself (sources,
// INI and words files, images, sounds, models, packed data) takes its bytes from here.
//
// ReadWholeFile and ReadFileRange read a regular file (never a folder, a FIFO or a device) up to
// a limit the caller names; a read that fails, a file beyond the limit and a range outside the
// file each come back as a failure with its reason, never as an exception or a short success.
//
// ByteReader walks bytes already in memory: little-endian numbers, byte runs and text lines, each
// checked against the bytes left. The first read that does not fit sets a sticky failure; from
// then on every read gives 0 or nothing and moves nowhere, so a run of reads is checked once at
// its end. Declared counts are checked with Holds before anything is allocated for them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::platform {

enum class ReadFailure {
  None,
  Missing,     // no such file (or a folder on its path is missing)
  NotAFile,    // a folder, FIFO, device or socket
  ReadError,   // open or read failed (permissions, I/O error)
  TooLarge,    // more bytes than the caller's limit
  OutOfRange,  // a range that reaches outside the file
};

struct FileBytes {
  std::string bytes;
  ReadFailure failure = ReadFailure::None;
  int systemError = 0;  // errno of a ReadError

  bool Ok() const { return failure == ReadFailure::None; }
};

// Reads the whole regular file at host path `path`; more than `limit` bytes is TooLarge.
FileBytes ReadWholeFile(const std::string& path, std::size_t limit);
// Reads `length` bytes from `offset`; a range not wholly inside the file is OutOfRange.
FileBytes ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t length);

// Why a read failed, in words for a message that names the file: "no such file",
// "not a regular file", "Input/output error", "larger than 4 MB", "range outside the file".
// `limit` is the limit the read was given (used for TooLarge only).
std::string DescribeReadFailure(const FileBytes& result, std::size_t limit = 0);

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  std::uint8_t U8();
  std::uint16_t U16();  // little-endian
  std::uint32_t U32();  // little-endian
  std::int32_t I32();   // little-endian, two's complement
  // The next `count` bytes; empty (and failed) when fewer are left.
  std::string_view Bytes(std::size_t count);
  bool Skip(std::size_t count);
  // Moves to an absolute offset; past the end fails.
  bool Seek(std::size_t offset);

  // The next text line without its line end: LF, CR LF, or (for the last line) the end of the
  // bytes, a CR just before it dropped too. A CR inside a line stays. False at the end.
  bool NextLine(std::string_view& line);

  // True when `count` items of `itemSize` bytes each fit in the bytes left (no overflow).
  bool Holds(std::uint64_t count, std::size_t itemSize) const;
  std::size_t BytesLeft() const { return failed_ ? 0 : bytes_.size() - position_; }
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return bytes_.size(); }
  bool Failed() const { return failed_; }

 private:
  // The next `count` bytes, or nullptr (and the failure set) when they are not there.
  const unsigned char* Take(std::size_t count);

  std::string_view bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

// The bytes without a UTF-8 byte-order mark at their start.
std::string_view WithoutByteOrderMark(std::string_view bytes);

}  // namespace qm::platform
