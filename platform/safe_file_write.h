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

// Overwrites an existing regular file in place, for when the folder refuses the new file of
// WriteFileReplacing (a reader must not find the old text there). A symbolic link is refused,
// never written through, and nothing is created. False when anything failed.
bool OverwriteFileInPlace(const std::string& path, std::string_view bytes);

}  // namespace qm::platform
