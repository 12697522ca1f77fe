// Files and paths. Programs name files Windows-style: "\" or "/", drive letters (mapped to the
// file system root), and any case: each existing component is matched case-insensitively.
// Paths handed back to programs are host paths.
//
// How ResolvePath reads a name:
//  - "\" and "/" both separate components; repeated and trailing separators are dropped.
//  - "X:" (any drive letter) at the start stands for the drive root ("/" unless SetDriveRoot
//    changed it). A leading separator without a drive is the host root, so host paths handed
//    back to programs resolve to themselves. Anything else is relative to the current folder.
//  - "." is dropped; ".." removes the component before it (never above the root; leading ".." of
//    a relative name are kept).
//  - Each component is looked up in the folder resolved so far: a name that exists with exactly
//    the given case is taken; otherwise a name that matches ignoring ASCII case; when several
//    names differ only in case, the first in byte order wins. A component that does not exist,
//    and everything after it, keeps the case given, so creating a file keeps its name's case.
// Names are bytes: no character-set conversion is made.
#pragma once
#include <string>

namespace qm::platform {

// The host path for a program's name of a file. Existing components resolve case-insensitively;
// components that do not exist keep the case given (so creating keeps it).
std::string ResolvePath(const std::string& name);

bool FileExists(const std::string& name);  // a regular file
bool FolderExists(const std::string& name);
bool CopyFileNoOverwrite(const std::string& from, const std::string& to);  // false when `to` exists
bool DeleteFileIfExists(const std::string& name);                          // true when no file remains
bool CreateFolder(const std::string& name);  // true when the folder exists afterwards

// The current folder as a host path (no trailing separator); empty when it cannot be named.
std::string CurrentFolder();
// Makes a host path the current folder; false when it cannot.
bool ChangeFolder(const std::string& hostPath);
// Makes `hostPath` (created when missing) a folder that only this user can enter (mode 0700).
// A path that is a symbolic link or belongs to another user is refused: work files must not land
// there.
bool EnsurePrivateFolder(const std::string& hostPath);

// "$XDG_DATA_HOME/quillmoor/windows" (created when missing): WIN.INI and the registry store.
std::string WindowsFolder();
// A private folder for this user and process (mode 0700, created when missing): work files.
// It has a fresh unpredictable name holding the process id ("quillmoor-<pid>-XXXXXX" in $TMPDIR
// or /tmp) and is removed with its content when the process exits, and on SIGINT, SIGTERM and
// SIGHUP. Making it first removes the folders of this user's earlier instances that no longer run.
// Empty when no such folder can be made.
std::string PrivateTempFolder();
// Removes from `parent` the work folders of this user's instances that no longer run (the
// process id in their name is gone); links and other users' folders are never touched.
void RemoveStaleTempFolders(const std::string& parent);
// The host path of the running executable.
std::string ExecutablePath();

// For tests: the folder drive letters stand for, and replacements for the two folders above
// (created when missing, never removed). An empty string restores the default.
void SetDriveRoot(const std::string& folder);
void OverrideWindowsFolder(const std::string& folder);
void OverridePrivateTempFolder(const std::string& folder);

}  // namespace qm::platform
