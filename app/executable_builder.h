// The executable builder: turns a program into one stand-alone executable. It compiles the
// program into a compiled program file, writes the stand-alone runtime's bytes, appends the
// compiled program and (on request) every media file of a folder tree as named entries, and
// closes the file with the trailer (runtime/packed_files.h gives the layout). The result runs on
// its own: the runtime reads the entries behind its own bytes.
//
// Entry names are paths relative to the media folder with "\" between folder names, as the pack
// format has them. Folders are walked in a fixed order (names compared without regard to case,
// then byte by byte), and symbolic links to folders are not followed.
//
// Keep a built executable away from `strip`, `objcopy` and `install -s`: they cut off what
// follows the runtime's own bytes, and with it the program.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The name endings that are packed, compared without regard to case with the last characters of
// a file name (no dot needed before them).
bool IsMediaFileName(std::string_view name);

class ExeBuilder {
 public:
  // `runtimeImage`: the bytes every built executable starts with (the stand-alone runtime).
  explicit ExeBuilder(std::string_view runtimeImage);
  ~ExeBuilder();
  ExeBuilder(const ExeBuilder&) = delete;
  ExeBuilder& operator=(const ExeBuilder&) = delete;

  // Compiles `source` (the media folder is the current folder meanwhile, so includes resolve
  // there) and writes `target` with the program and, when `mediaFolder` is not empty, the media
  // files under it. True when the whole executable was written; otherwise nothing of it is left
  // behind (an earlier file of the target's name stays as it was) and ErrorText says why (for a
  // compile error with ErrorLine).
  bool BuildExecutable(const std::string& target, const std::string& source, const std::string& mediaFolder);

  // The steps, as BuildExecutable takes them.
  // Starts the new executable with the runtime's bytes; it stays open, and replaces `target`
  // only when WritePackTrailer completes it.
  bool WriteRuntimeExecutable(const std::string& target);
  // Appends the file `filePath` as the entry `entryName`. Shows "Adding <path>..." for a relative
  // path (the media files).
  bool AddPackEntry(const std::string& filePath, const std::string& entryName);
  bool AddPrefixedPackEntry(const std::string& fileName, const std::string& prefix);
  // Appends every media file under `folder` (a host path) and its subfolders.
  bool AddMediaFolder(const std::string& folder);
  bool AddMediaFolderEntries(const std::string& folder, const std::string& prefix);
  // Appends the trailer and closes the new executable, which then replaces the target.
  bool WritePackTrailer();

  const std::string& ErrorText() const { return errorText_; }
  int32_t ErrorLine() const { return errorLine_; }
  // The failure as the command line reports it (a compile error with its line once).
  const std::string& ReportText() const { return report_.empty() ? errorText_ : report_; }
  // True when the build failed because the program has a compile error.
  bool CompileError() const { return compileError_; }

  // Where the compiled program goes: "_exefile.dat" in the work-file folder unless set.
  std::string programFile;
  // True when the Escape key is down or was pressed since the previous call (cancels a media
  // walk). The default asks the platform's asynchronous key state.
  std::function<bool()> escapePressed;
  // The progress lines ("Adding gfx/ship.bmp..."); the default shows them in the editor's
  // progress box, which draws nothing in a command-line build.
  std::function<void(const std::string&)> showProgress;

  // Media files passed over because their packed name would be longer than a pack allows.
  std::vector<std::string> skippedNames;

 private:
  struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
  };

  bool Fail(std::string text);
  bool WriteBytes(std::string_view bytes);
  bool IsTarget(const std::string& path) const;
  void CloseTarget();
  // Closes and removes the file being written (the target's name is untouched).
  void DeleteTarget();

  std::string_view runtimeImage_;
  int target_ = -1;
  std::string targetPath_;   // the executable's name
  std::string writingPath_;  // the file being written, renamed to targetPath_ when whole
  FileId writing_, earlierTarget_;
  std::string errorText_;
  std::string report_;
  int32_t errorLine_ = 0;
  bool compileError_ = false;
};

}  // namespace qm
