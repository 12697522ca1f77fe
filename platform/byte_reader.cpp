// Reading outside files with every size checked, and the checked reader over their bytes.
#include "platform/byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace qm::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kReadChunk = 1 << 16;
constexpr std::size_t kMinReadChunk = 1 << 12;

FileBytes Failure(ReadFailure failure, int systemError = 0) {
  FileBytes result;
  result.failure = failure;
  result.systemError = systemError;
  return result;
}

// An open descriptor that closes itself.
class OpenFile {
 public:
  explicit OpenFile(const std::string& path)
      // O_NONBLOCK keeps a FIFO from blocking the open; it is refused right after.
      : fd_(path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)),
        openError_(fd_ >= 0       ? 0
                   : path.empty() ? ENOENT
                                  : errno) {}
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  // Why the file cannot be read as a regular file, or None with its size.
  FileBytes Check(off_t& size) const {
    if (fd_ < 0) {
      bool missing = openError_ == ENOENT || openError_ == ENOTDIR;
      return Failure(missing ? ReadFailure::Missing : ReadFailure::ReadError, openError_);
    }
    struct stat info;
    if (fstat(fd_, &info) != 0) return Failure(ReadFailure::ReadError, errno);
    if (!S_ISREG(info.st_mode)) return Failure(ReadFailure::NotAFile);
    size = info.st_size;
    return FileBytes{};
  }
  int Descriptor() const { return fd_; }

 private:
  int fd_;
  int openError_;
};

// Reads into `out` until the end of the file or `limit` + 1 bytes; false with errno on a failure.
bool ReadUpTo(int fd, std::string& out, std::size_t limit) {
  const std::size_t most = limit == std::numeric_limits<std::size_t>::max() ? limit : limit + 1;
  for (;;) {
    if (out.size() >= most) return true;
    std::size_t have = out.size();
    // Read into the room the buffer has (the caller reserved the size the file reports, plus a
    // byte to see its end), growing it geometrically only when that is full: a small file is
    // not read through a zero-filled chunk far larger than itself.
    std::size_t room = out.capacity() - have;
    if (room == 0) room = std::max(have, kMinReadChunk);
    std::size_t want = std::min({kReadChunk, most - have, room});
    out.resize(have + want);
    ssize_t got = read(fd, out.data() + have, want);
    if (got < 0 && errno == EINTR) {
      out.resize(have);
      continue;
    }
    if (got < 0) {
      int error = errno;
      out.resize(have);
      errno = error;
      return false;
    }
    out.resize(have + static_cast<std::size_t>(got));
    if (got == 0) return true;
  }
}

// Reads exactly `length` bytes at `offset`; false with errno, or with errno 0 when the file ended.
bool ReadAt(int fd, std::string& out, std::uint64_t offset, std::size_t length) {
  out.resize(length);
  std::size_t done = 0;
  while (done < length) {
    ssize_t got = pread(fd, out.data() + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = 0;
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

std::string MegabytesText(std::size_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

}  // namespace

FileBytes ReadWholeFile(const std::string& path, std::size_t limit) {
  OpenFile file(path);
  off_t size = 0;
  FileBytes result = file.Check(size);
  if (!result.Ok()) return result;
  // The size is only a hint: files under /proc report 0 and files may grow while read.
  if (static_cast<std::uint64_t>(size) > limit) return Failure(ReadFailure::TooLarge);
  result.bytes.reserve(static_cast<std::size_t>(size) + 1);
  if (!ReadUpTo(file.Descriptor(), result.bytes, limit)) return Failure(ReadFailure::ReadError, errno);
  if (result.bytes.size() > limit) return Failure(ReadFailure::TooLarge);
  return result;
}

FileBytes ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t length) {
  OpenFile file(path);
  off_t size = 0;
  FileBytes result = file.Check(size);
  if (!result.Ok()) return result;
  const auto fileSize = static_cast<std::uint64_t>(size);
  if (offset > fileSize || length > fileSize - offset) return Failure(ReadFailure::OutOfRange);
  if (!ReadAt(file.Descriptor(), result.bytes, offset, length)) {
    return errno == 0 ? Failure(ReadFailure::OutOfRange) : Failure(ReadFailure::ReadError, errno);
  }
  return result;
}

std::string DescribeReadFailure(const FileBytes& result, std::size_t limit) {
  switch (result.failure) {
    case ReadFailure::None:
      return "";
    case ReadFailure::Missing:
      return "no such file";
    case ReadFailure::NotAFile:
      return "not a regular file";
    case ReadFailure::ReadError:
      return result.systemError != 0 ? std::strerror(result.systemError) : "read error";
    case ReadFailure::TooLarge:
      return "larger than " + MegabytesText(limit);
    case ReadFailure::OutOfRange:
      return "range outside the file";
  }
  return "read error";
}

// ---- ByteReader ---------------------------------------------------------------------------------

const unsigned char* ByteReader::Take(std::size_t count) {
  if (failed_ || count > bytes_.size() - position_) {
    failed_ = true;
    return nullptr;
  }
  const auto* at = reinterpret_cast<const unsigned char*>(bytes_.data() + position_);
  position_ += count;
  return at;
}

std::uint8_t ByteReader::U8() {
  const unsigned char* at = Take(1);
  return at ? at[0] : 0;
}

std::uint16_t ByteReader::U16() {
  const unsigned char* at = Take(2);
  return at ? static_cast<std::uint16_t>(at[0] | (at[1] << 8)) : 0;
}

std::uint32_t ByteReader::U32() {
  const unsigned char* at = Take(4);
  if (!at) return 0;
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::int32_t ByteReader::I32() { return static_cast<std::int32_t>(U32()); }

std::string_view ByteReader::Bytes(std::size_t count) {
  const unsigned char* at = Take(count);
  return at ? std::string_view(reinterpret_cast<const char*>(at), count) : std::string_view();
}

bool ByteReader::Skip(std::size_t count) { return Take(count) != nullptr; }

bool ByteReader::Seek(std::size_t offset) {
  if (failed_ || offset > bytes_.size()) {
    failed_ = true;
    return false;
  }
  position_ = offset;
  return true;
}

bool ByteReader::NextLine(std::string_view& line) {
  if (failed_ || position_ >= bytes_.size()) return false;
  std::size_t end = bytes_.find('\n', position_);
  std::size_t next = end == std::string_view::npos ? bytes_.size() : end + 1;
  if (end == std::string_view::npos) end = bytes_.size();
  std::size_t cut = end;
  if (cut > position_ && bytes_[cut - 1] == '\r') --cut;
  line = bytes_.substr(position_, cut - position_);
  position_ = next;
  return true;
}

bool ByteReader::Holds(std::uint64_t count, std::size_t itemSize) const {
  if (itemSize == 0) return true;
  return count <= BytesLeft() / itemSize;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  return bytes;
}

}  // namespace qm::platform
