// A program file's folder and name, and a folder made current for a while. Host paths.
#pragma once
#include <string>

namespace qm::platform {

// "games/space/ship.qma" gives the folder "games/space" and the name "ship.qma"; a name without
// a folder gives the folder "" (the current folder).
std::string FolderOfFile(const std::string& path);
std::string NameOfFile(const std::string& path);

// Makes a folder current for its own life and goes back to the previous one at its end.
class CurrentFolderScope {
 public:
  // An empty folder keeps the current one. `ok` tells whether the folder became current.
  explicit CurrentFolderScope(const std::string& folder);
  ~CurrentFolderScope();
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string previous_;
  bool ok_ = true;
};

}  // namespace qm::platform
