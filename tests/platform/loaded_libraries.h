// Whether a shared library is mapped into this process, read from /proc/self/maps: how the tests
// see that SDL2 is loaded only when a window opens.
#pragma once
#include <fstream>
#include <string>

namespace qm::platform {

inline bool LibraryMapped(const std::string& fileNamePart) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(fileNamePart) != std::string::npos) return true;
  }
  return false;
}

}  // namespace qm::platform
