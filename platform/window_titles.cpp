// Window titles held by the running instances: each title is a lock file in the user's Windows
// folder, locked (flock) by the process that claimed it. The lock ends with the process, so a
// crashed instance never keeps its title.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/files.h"
#include "platform/window.h"

namespace qm::platform {
namespace {

std::mutex gTitlesMutex;
std::map<std::string, int> gClaimedTitles;  // title -> open, locked descriptor

// A file name for any title: letters and digits kept, every other byte written as %XX.
std::string LockFileNameFor(const std::string& title) {
  std::string name;
  for (unsigned char c : title) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      name += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      name += escaped;
    }
  }
  return name + ".lock";
}

}  // namespace

bool ClaimWindowTitle(const std::string& title) {
  std::lock_guard<std::mutex> lock(gTitlesMutex);
  if (gClaimedTitles.count(title)) return true;
  std::string folder = WindowsFolder() + "/window-titles";
  CreateFolder(folder);
  std::string path = folder + "/" + LockFileNameFor(title);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no way to know: claiming never stops start-up
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  gClaimedTitles[title] = fd;
  return true;
}

}  // namespace qm::platform
