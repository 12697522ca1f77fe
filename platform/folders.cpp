// The system's own folders: the "Windows folder" for WIN.INI and the registry store, the private
// temporary folder for work files (and its removal, even when a signal ends the process), the
// current folder, and the executable's path.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/files.h"

namespace qm::platform {
namespace {

struct FolderState {
  std::mutex mutex;
  std::string windowsOverride;
  std::string tempOverride;
  std::string createdTemp;  // the private folder this process made (removed at exit)
};

FolderState gFolders;

std::string EnvironmentFolder(const char* variable) {
  const char* value = std::getenv(variable);
  return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = EnvironmentFolder("HOME");
  if (!home.empty()) return home;
  if (passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/tmp";
}

std::string DataHome() {
  std::string data = EnvironmentFolder("XDG_DATA_HOME");
  return data.empty() ? HomeFolder() + "/.local/share" : data;
}

std::string EnsureFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder;
}

constexpr std::string_view kTempPrefix = "quillmoor-";
constexpr int kDeepestTempFolder = 16;  // levels below the work folder that removal descends
constexpr int kRemovalPasses = 64;      // rereads of a folder whose entries are being removed

// Removes `name` (a file, or a folder with everything in it) in the folder open as `parentFd`.
// Only system calls that are safe in a signal handler: the handler removes the work folder too.
// Symbolic links are removed, never followed.
void RemoveTreeAt(int parentFd, const char* name, int depth) {
  if (unlinkat(parentFd, name, 0) == 0 || errno == ENOENT) return;
  int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(8) char buffer[4096];
  // Removing entries while reading a folder may skip some: read it again until it is empty.
  for (int pass = 0; pass < kRemovalPasses && depth < kDeepestTempFolder; ++pass) {
    bool removedAny = false;
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got; (got = getdents64(fd, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        RemoveTreeAt(fd, entry->d_name, depth + 1);
        removedAny = true;
      }
    }
    if (!removedAny) break;
  }
  close(fd);
  unlinkat(parentFd, name, AT_REMOVEDIR);
}

// The created folder's path for the signal handler, which may not touch std::string.
char gCreatedTempPath[PATH_MAX];

void RemoveCreatedTempFolder() {
  if (gCreatedTempPath[0] != '\0') RemoveTreeAt(AT_FDCWD, gCreatedTempPath, 0);
}

// SIGINT, SIGTERM and SIGHUP end the process as they would, after removing the work folder.
void RemoveTempFolderAndDie(int signalNumber) {
  int savedErrno = errno;
  RemoveCreatedTempFolder();
  errno = savedErrno;
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// Handlers only where nobody set one: a window library's own handler turns these signals into a
// quit request, and the exit then removes the folder.
void RemoveTempFolderOnSignals() {
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction removal {};
    removal.sa_handler = RemoveTempFolderAndDie;
    sigemptyset(&removal.sa_mask);
    sigaction(signalNumber, &removal, nullptr);
  }
}

// The process id in a work-folder name "quillmoor-<pid>-XXXXXX", or 0 for any other name.
pid_t ProcessOfTempFolder(std::string_view name) {
  if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return 0;
  name.remove_prefix(kTempPrefix.size());
  long long pid = 0;
  std::size_t digits = 0;
  while (digits < name.size() && digits < 10 && name[digits] >= '0' && name[digits] <= '9') {
    pid = pid * 10 + (name[digits] - '0');
    ++digits;
  }
  if (digits == 0 || digits >= name.size() || name[digits] != '-' || pid <= 0 || pid > INT_MAX) return 0;
  return static_cast<pid_t>(pid);
}

bool ProcessHasEnded(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// mkdtemp makes the folder with mode 0700 under a fresh unpredictable name.
std::string MakePrivateFolder() {
  std::string base = EnvironmentFolder("TMPDIR");
  for (const std::string& parent : {base, std::string("/tmp")}) {
    if (parent.empty()) continue;
    RemoveStaleTempFolders(parent);
    std::string pattern = parent + "/" + std::string(kTempPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (mkdtemp(pattern.data())) return pattern;
  }
  return "";
}

}  // namespace

std::string WindowsFolder() {
  std::lock_guard<std::mutex> lock(gFolders.mutex);
  if (!gFolders.windowsOverride.empty()) return EnsureFolder(gFolders.windowsOverride);
  return EnsureFolder(DataHome() + "/quillmoor/windows");
}

std::string PrivateTempFolder() {
  std::lock_guard<std::mutex> lock(gFolders.mutex);
  if (!gFolders.tempOverride.empty()) return EnsureFolder(gFolders.tempOverride);
  if (gFolders.createdTemp.empty()) {
    gFolders.createdTemp = MakePrivateFolder();
    if (!gFolders.createdTemp.empty() && gFolders.createdTemp.size() < sizeof gCreatedTempPath) {
      std::memcpy(gCreatedTempPath, gFolders.createdTemp.c_str(), gFolders.createdTemp.size() + 1);
      std::atexit(RemoveCreatedTempFolder);
      RemoveTempFolderOnSignals();
    }
  }
  return gFolders.createdTemp;
}

void RemoveStaleTempFolders(const std::string& parent) {
  DIR* folder = opendir(parent.c_str());
  if (!folder) return;
  int parentFd = dirfd(folder);
  const uid_t user = getuid();
  while (dirent* entry = readdir(folder)) {
    pid_t owner = ProcessOfTempFolder(entry->d_name);
    if (owner == 0 || owner == getpid()) continue;
    struct stat info;
    if (fstatat(parentFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(info.st_mode) || info.st_uid != user || !ProcessHasEnded(owner)) continue;
    RemoveTreeAt(parentFd, entry->d_name, 0);
  }
  closedir(folder);
}

std::string CurrentFolder() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}

bool ChangeFolder(const std::string& hostPath) { return !hostPath.empty() && chdir(hostPath.c_str()) == 0; }

bool EnsurePrivateFolder(const std::string& hostPath) {
  if (hostPath.empty()) return false;
  if (mkdir(hostPath.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info;
  if (lstat(hostPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) return false;
  return (info.st_mode & 0777) == 0700 || chmod(hostPath.c_str(), 0700) == 0;
}

std::string ExecutablePath() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

void OverrideWindowsFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gFolders.mutex);
  gFolders.windowsOverride = folder;
}

void OverridePrivateTempFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gFolders.mutex);
  gFolders.tempOverride = folder;
}

}  // namespace qm::platform
