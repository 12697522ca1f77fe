// QMCompile.log.
#include "app/compile_log.h"

#include <fstream>

#include "platform/safe_file_write.h"

namespace qm {
namespace {

bool OverwriteInPlace(const std::string& path, const std::string& text) {
  std::ofstream log(path, std::ios::binary | std::ios::in | std::ios::trunc);
  if (!log) return false;
  log << text;
  log.flush();
  return static_cast<bool>(log);
}

}  // namespace

bool WriteCompileLog(const std::string& path, const std::string& text) {
  return platform::WriteFileReplacing(path, text) || OverwriteInPlace(path, text);
}

}  // namespace qm
