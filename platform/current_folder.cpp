// The current folder.
#include "platform/current_folder.h"

#include <unistd.h>

#include <climits>

namespace qm::platform {

std::string CurrentFolder() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

bool SetCurrentFolder(const std::string& folder) { return chdir(folder.c_str()) == 0; }

std::string FolderOfFile(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOfFile(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

CurrentFolderScope::CurrentFolderScope(const std::string& folder) {
  if (folder.empty()) return;
  previous_ = CurrentFolder();
  ok_ = !previous_.empty() && SetCurrentFolder(folder);
  if (!ok_) previous_.clear();
}

CurrentFolderScope::~CurrentFolderScope() {
  if (!previous_.empty()) SetCurrentFolder(previous_);
}

}  // namespace qm::platform
