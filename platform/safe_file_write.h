// Writing a whole file safely: the bytes go to a new temporary file beside the target, which then
// replaces the target in one rename. A write that fails leaves the old file as it was and no
// temporary file behind.
#pragma once
#include <string>
#include <string_view>

namespace qm::platform {

// `path` is a host path (already resolved). The new file keeps the old one's permissions; a new
// target gets the default ones. False when anything failed.
bool WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace qm::platform
