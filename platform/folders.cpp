// The system's own folders: the "Windows folder" for WIN.INI and the registry store, the private
// temporary folder for work files, and the executable's path.
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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

void RemoveCreatedTempFolder() {
  std::error_code error;
  if (!gFolders.createdTemp.empty()) std::filesystem::remove_all(gFolders.createdTemp, error);
}

// mkdtemp makes the folder with mode 0700 under a fresh unpredictable name.
std::string MakePrivateFolder() {
  std::string base = EnvironmentFolder("TMPDIR");
  for (const std::string& parent : {base, std::string("/tmp")}) {
    if (parent.empty()) continue;
    std::string pattern = parent + "/quillmoor-XXXXXX";
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
    if (!gFolders.createdTemp.empty()) std::atexit(RemoveCreatedTempFolder);
  }
  return gFolders.createdTemp;
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
