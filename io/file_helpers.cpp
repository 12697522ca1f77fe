// File tests and copies (see file_helpers.h).
#include "io/file_helpers.h"

#include "platform/byte_reader.h"
#include "platform/files.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

PackedNameResolver gPackedResolver = nullptr;

std::string EndingOf(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot + 1);
}

// The host path to open for a program's file name.
std::string HostFileName(const std::string& name) {
  if (gPackedResolver != nullptr) {
    std::string unpacked = gPackedResolver(name, EndingOf(name));
    if (!unpacked.empty()) return unpacked;
  }
  return platform::ResolvePath(name);
}

}  // namespace

void SetPackedNameResolver(PackedNameResolver resolver) { gPackedResolver = resolver; }

bool FileExists(const std::string& name) {
  if (name.empty()) return false;
  // Opened for reading through the byte reader, nothing read: folders, FIFOs and devices are no
  // file, and a file this user may not read does not count.
  return platform::ReadFileRange(HostFileName(name), 0, 0).Ok();
}

bool CopyFileChecked(const std::string& source, const std::string& target) {
  if (!FileExists(source)) {
    RaiseRuntimeWarning(kWarningFileMissing);
    return true;
  }
  return platform::CopyFileNoOverwrite(HostFileName(source), target);
}

bool DeleteFileIfExists(const std::string& name) {
  if (!FileExists(name)) return false;
  return platform::DeleteFileIfExists(platform::ResolvePath(name));
}

bool PathExists(const std::string& path) {
  return !path.empty() && (platform::FolderExists(path) || platform::FileExists(path));
}

}  // namespace qm
