// File tests and copies used by the runtime core and the media commands. Names are the program's
// (Windows-style, any case); a name that a stand-alone program carries packed resolves to its
// unpacked copy first.
#pragma once
#include <string>

namespace qm {

// Maps a file name to the host file of its packed copy ("" when it is not packed). `ending` is
// the name's extension, as the packed lookup asks for it.
using PackedNameResolver = std::string (*)(const std::string& name, const std::string& ending);
// Installs the packed-file lookup (nullptr: no pack, every name is the real file).
void SetPackedNameResolver(PackedNameResolver resolver);

// True when the file (after the packed lookup) opens for reading.
bool FileExists(const std::string& name);
// Copies `source` to `target`, which must not exist yet. A missing source raises runtime
// warning 105 and counts as done (true); otherwise true when the copy was made.
bool CopyFileChecked(const std::string& source, const std::string& target);
// Deletes the file when FileExists finds it: true when it was there and is gone.
bool DeleteFileIfExists(const std::string& name);
// True when a file or folder of that name exists.
bool PathExists(const std::string& path);

}  // namespace qm
