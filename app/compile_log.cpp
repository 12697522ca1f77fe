// QMCompile.log.
#include "app/compile_log.h"

#include "platform/safe_file_write.h"

namespace qm {

bool WriteCompileLog(const std::string& path, const std::string& text) {
  return platform::WriteFileReplacing(path, text) || platform::OverwriteFileInPlace(path, text);
}

}  // namespace qm
