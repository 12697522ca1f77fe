// Whole-file writes through a temporary file and a rename.
#include "platform/safe_file_write.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qm::platform {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t written = write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// The permissions the new file gets: the old file's, or what a plain create would give.
mode_t ModeForReplacement(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  std::string temporary = path + ".tmp-XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  bool written = WriteAll(fd, bytes) && fchmod(fd, ModeForReplacement(path)) == 0;
  if (close(fd) != 0) written = false;
  if (written && rename(temporary.c_str(), path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

bool OverwriteFileInPlace(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool written =
      fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ftruncate(fd, 0) == 0 && WriteAll(fd, bytes);
  if (close(fd) != 0) written = false;
  return written;
}

}  // namespace qm::platform
