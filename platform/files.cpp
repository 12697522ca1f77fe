// File and folder helpers on program names (resolved through ResolvePath).
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qm::platform {
namespace {

bool StatResolved(const std::string& name, struct stat& info) {
  return !name.empty() && stat(ResolvePath(name).c_str(), &info) == 0;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CopyContent(int from, int to) {
  char buffer[65536];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(to, buffer, static_cast<std::size_t>(got))) return false;
  }
}

}  // namespace

bool FileExists(const std::string& name) {
  struct stat info;
  return StatResolved(name, info) && S_ISREG(info.st_mode);
}

bool FolderExists(const std::string& name) {
  struct stat info;
  return StatResolved(name, info) && S_ISDIR(info.st_mode);
}

// The target is created exclusively, so an existing file is never overwritten, even by a race;
// a copy that fails half-way is removed.
bool CopyFileNoOverwrite(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  std::string source = ResolvePath(from);
  std::string target = ResolvePath(to);
  int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info;
  if (fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(in);
    return false;
  }
  int out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777);
  if (out < 0) {
    close(in);
    return false;
  }
  bool copied = CopyContent(in, out);
  close(in);
  if (close(out) != 0) copied = false;
  if (!copied) unlink(target.c_str());
  return copied;
}

bool DeleteFileIfExists(const std::string& name) {
  if (name.empty()) return false;
  std::string path = ResolvePath(name);
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR;
  if (S_ISDIR(info.st_mode)) return false;
  return unlink(path.c_str()) == 0;
}

bool CreateFolder(const std::string& name) {
  if (name.empty()) return false;
  std::string path = ResolvePath(name);
  if (mkdir(path.c_str(), 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace qm::platform
