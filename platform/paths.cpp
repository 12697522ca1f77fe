// ResolvePath: Windows-style names of files to host paths, matching existing components
// case-insensitively (the rules are in files.h).
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"

namespace qm::platform {
namespace {

std::mutex gDriveRootMutex;
std::string gDriveRoot = "/";

std::string DriveRoot() {
  std::lock_guard<std::mutex> lock(gDriveRootMutex);
  return gDriveRoot;
}

bool StartsWithDriveLetter(const std::string& name) {
  return name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> SplitComponents(const std::string& name, std::size_t from) {
  std::vector<std::string> components;
  std::string current;
  for (std::size_t i = from; i <= name.size(); ++i) {
    if (i == name.size() || IsSeparator(name[i])) {
      if (!current.empty() && current != ".") components.push_back(current);
      current.clear();
    } else {
      current += name[i];
    }
  }
  return components;
}

std::string Join(const std::string& base, const std::vector<std::string>& components) {
  std::string path = base;
  for (const std::string& component : components) {
    if (!path.empty() && path.back() != '/') path += '/';
    path += component;
  }
  return path;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// The name under which `component` exists in `folder`, or "" when it does not.
std::string FindInFolder(const std::string& folder, const std::string& component) {
  std::string folderPath = folder.empty() ? "." : folder;
  if (component == "..") return component;
  if (Exists(folderPath + "/" + component)) return component;
  DIR* dir = opendir(folderPath.c_str());
  if (!dir) return "";
  std::string best;
  while (dirent* entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (!EqualIgnoringAsciiCase(candidate, component)) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  closedir(dir);
  return best;
}

}  // namespace

void SetDriveRoot(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gDriveRootMutex);
  gDriveRoot = folder.empty() ? "/" : folder;
}

std::string ResolvePath(const std::string& name) {
  if (name.empty()) return "";
  bool drive = StartsWithDriveLetter(name);
  std::string base = drive ? DriveRoot() : std::string(IsSeparator(name[0]) ? 1 : 0, '/');
  std::size_t start = drive ? 2 : 0;
  bool absolute = !base.empty();

  std::vector<std::string> resolved;
  std::size_t firstMissing = std::string::npos;  // index in `resolved` of the first missing component
  for (const std::string& component : SplitComponents(name, start)) {
    if (component == "..") {
      if (!resolved.empty() && resolved.back() != "..") {
        resolved.pop_back();
        if (firstMissing != std::string::npos && resolved.size() <= firstMissing)
          firstMissing = std::string::npos;
      } else if (!absolute) {
        resolved.push_back(component);
      }
      continue;
    }
    std::string found;
    if (firstMissing == std::string::npos) found = FindInFolder(Join(base, resolved), component);
    if (found.empty()) {
      if (firstMissing == std::string::npos) firstMissing = resolved.size();
      found = component;
    }
    resolved.push_back(found);
  }
  std::string path = Join(base, resolved);
  return path.empty() ? "." : path;
}

}  // namespace qm::platform
