// File tests and copies (see file_helpers.h).
#include "io/file_helpers.h"

#include <cstdio>

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
  const std::string host = HostFileName(name);
  if (!platform::FileExists(host)) return false;  // folders open too; they are no file
  std::FILE* file = std::fopen(host.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
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
