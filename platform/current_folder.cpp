// A folder made current for a while.
#include "platform/current_folder.h"

#include "platform/files.h"

namespace qm::platform {

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
  ok_ = !previous_.empty() && ChangeFolder(folder);
  if (!ok_) previous_.clear();
}

CurrentFolderScope::~CurrentFolderScope() {
  if (!previous_.empty()) ChangeFolder(previous_);
}

}  // namespace qm::platform
