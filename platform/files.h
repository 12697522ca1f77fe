// Files and paths. Programs name files Windows-style: "\" or "/", drive letters (mapped to the
// file system root), and any case: each existing component is matched case-insensitively.
// Paths handed back to programs are host paths.
#pragma once
#include <string>

namespace qm::platform {

// The host path for a program's name of a file. Existing components resolve case-insensitively;
// components that do not exist keep the case given (so creating keeps it).
std::string ResolvePath(const std::string& name);

bool FileExists(const std::string& name);          // a regular file
bool FolderExists(const std::string& name);
bool CopyFileNoOverwrite(const std::string& from, const std::string& to);  // false when `to` exists
bool DeleteFileIfExists(const std::string& name);  // true when no file remains
bool CreateFolder(const std::string& name);        // true when the folder exists afterwards

// "$XDG_DATA_HOME/quillmoor/windows" (created when missing): WIN.INI and the registry store.
std::string WindowsFolder();
// A private folder for this user and process (mode 0700, created when missing): work files.
std::string PrivateTempFolder();

}  // namespace qm::platform
