// The executable builder: the compile into a program file, the runtime's bytes, the entries of the
// program and the media walk, the trailer.
#include "app/executable_builder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "compiler/compile.h"
#include "editor/editor_services.h"
#include "platform/byte_reader.h"
#include "platform/current_folder.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/packed_files.h"
#include "runtime/settings.h"

namespace qm {
namespace {

// The longest folder path the walk enters.
constexpr size_t kMaxFolderPathLength = 255;
// An entry's size is a 32-bit number.
constexpr size_t kMaxEntryBytes = 0xffffffffu;

constexpr const char* kMediaEndings[] = {"bmp", "rle", "dib", "dds", "jpg", "pcx", "png", "psd", "tga", "tif",
                                         "wav", "wma", "mp2", "mp3", "avi", "mpg", "mid", "mod", "rmi", "s3m",
                                         "sgt", "arr", "dat", "ini", "txt", "3ds", "xm",  "it",  "x"};

char LowerLetter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoringCase(std::string_view name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  const std::string_view last = name.substr(name.size() - ending.size());
  return std::equal(last.begin(), last.end(), ending.begin(),
                    [](char a, char b) { return LowerLetter(a) == b; });
}

// Names compared without regard to case, then byte by byte, so a pack's order does not depend
// on the file system's listing order.
bool WalkOrder(const std::string& a, const std::string& b) {
  std::string la = a, lb = b;
  for (char& c : la) c = LowerLetter(c);
  for (char& c : lb) c = LowerLetter(c);
  return la != lb ? la < lb : a < b;
}

std::string U32(uint32_t value) {
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
  return bytes;
}

std::string HostPath(const std::string& name) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(platform::ResolvePath(name), error);
  return error ? platform::ResolvePath(name) : path.lexically_normal().string();
}

// The names in the current folder, without "." and "..", in walk order.
bool ListFolder(std::vector<std::string>& names) {
  DIR* folder = ::opendir(".");
  if (!folder) return false;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(folder);
  std::sort(names.begin(), names.end(), WalkOrder);
  return true;
}

// A folder the walk enters: a real folder, never a link to one.
bool IsRealFolder(const std::string& name) {
  struct stat info {};
  return ::lstat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsLinkToFolder(const std::string& name) {
  struct stat link {
  }, target{};
  return ::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && ::stat(name.c_str(), &target) == 0 &&
         S_ISDIR(target.st_mode);
}

}  // namespace

bool IsMediaFileName(std::string_view name) {
  for (const char* ending : kMediaEndings) {
    if (EndsWithIgnoringCase(name, ending)) return true;
  }
  return false;
}

ExeBuilder::ExeBuilder(std::string_view runtimeImage) : runtimeImage_(runtimeImage) {
  escapePressed = [] { return platform::GetAsyncKeyState(platform::kVkEscape) != 0; };
  showProgress = [](const std::string& text) { ShowProgressMessage(text); };
}

ExeBuilder::~ExeBuilder() { CloseTarget(); }

bool ExeBuilder::Fail(std::string text) {
  if (errorText_.empty()) errorText_ = std::move(text);
  return false;
}

bool ExeBuilder::BuildExecutable(const std::string& target, const std::string& source,
                                 const std::string& mediaFolder) {
  errorText_.clear();
  report_.clear();
  errorLine_ = 0;
  compileError_ = false;
  if (escapePressed) escapePressed();  // an earlier press must not cancel this build
  const std::string program = HostPath(programFile.empty() ? TempFolder() + "_exefile.dat" : programFile);
  const std::string hostTarget = HostPath(target);
  const std::string hostSource = HostPath(source);
  const std::string media = mediaFolder.empty() ? std::string() : HostPath(mediaFolder);
  {
    platform::CurrentFolderScope includesResolveThere(media);
    if (!includesResolveThere.ok()) return Fail("Cannot open the media folder " + media);
    Parser parser;
    const CompileOutcome compiled = Compile(parser, CompileOptions{hostSource, {}}, program);
    parser.Close();
    if (!compiled.Compiled()) {
      errorText_ = compiled.errorText;
      errorLine_ = compiled.line;
      report_ = compiled.report;
      compileError_ = compiled.result == CompileResult::CompileError;
      return false;
    }
  }
  bool built = WriteRuntimeExecutable(hostTarget) && AddPackEntry(program, program);
  if (built && !media.empty()) built = AddMediaFolder(media);
  if (built) built = WritePackTrailer();
  if (!built) DeleteTarget();
  return built;
}

bool ExeBuilder::WriteRuntimeExecutable(const std::string& target) {
  DeleteTarget();
  targetPath_ = target;
  if (runtimeImage_.empty() || runtimeImage_.size() > kMaxEntryBytes) {
    return Fail("The stand-alone runtime is missing from this build: no executable can be made");
  }
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return Fail("Cannot create the executable " + target + " (it is a folder)");
    earlierTarget_ = {info.st_dev, info.st_ino};
  }
  // The executable is written under a new name beside the target and takes the target's name
  // only once it is whole, so a failed build leaves an earlier executable as it was.
  writingPath_ = target + ".XXXXXX";
  target_ = ::mkstemp(writingPath_.data());
  if (target_ < 0) {
    writingPath_.clear();
    return Fail("Cannot create the executable " + target + " (" + std::strerror(errno) + ")");
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(target_, 0777 & ~mask) != 0 || ::fstat(target_, &info) != 0) {
    return Fail("Cannot create the executable " + target + " (" + std::strerror(errno) + ")");
  }
  writing_ = {info.st_dev, info.st_ino};
  return WriteBytes(runtimeImage_);
}

bool ExeBuilder::WriteBytes(std::string_view bytes) {
  if (target_ < 0) return false;
  while (!bytes.empty()) {
    const ssize_t written = ::write(target_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      return Fail("Cannot write the executable " + targetPath_ + " (" +
                  std::strerror(written < 0 ? errno : ENOSPC) + ")");
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool ExeBuilder::AddPackEntry(const std::string& filePath, const std::string& entryName) {
  if (target_ < 0) return false;
  if (entryName.empty() || entryName.size() > kMaxPackedNameLength) {
    return Fail("Cannot pack " + filePath + ": its name is longer than " +
                std::to_string(kMaxPackedNameLength) + " characters");
  }
  if (filePath.empty() || filePath[0] != '/') showProgress("Adding " + filePath + "...");
  const platform::FileBytes file = platform::ReadWholeFile(filePath, kMaxEntryBytes);
  if (!file.Ok()) {
    return Fail("Cannot read the media file " + filePath + " (" +
                platform::DescribeReadFailure(file, kMaxEntryBytes) + ")");
  }
  return WriteBytes(U32(static_cast<uint32_t>(entryName.size() + 1)) + entryName + '\0' +
                    U32(static_cast<uint32_t>(file.bytes.size()))) &&
         WriteBytes(file.bytes);
}

bool ExeBuilder::AddPrefixedPackEntry(const std::string& fileName, const std::string& prefix) {
  return AddPackEntry(fileName, prefix + fileName);
}

bool ExeBuilder::AddMediaFolder(const std::string& folder) {
  const std::string remembered = platform::CurrentFolder();
  const bool added = AddMediaFolderEntries(folder, "");
  platform::ChangeFolder(remembered);
  return added;
}

bool ExeBuilder::AddMediaFolderEntries(const std::string& folder, const std::string& prefix) {
  platform::CurrentFolderScope inFolder(folder);
  if (!inFolder.ok()) return Fail("Cannot open the media folder " + folder);
  std::vector<std::string> names;
  if (!ListFolder(names)) return Fail("Cannot list the media folder " + folder);
  for (const std::string& name : names) {
    if (escapePressed && escapePressed()) return Fail("The build was cancelled (Escape)");
    if (IsRealFolder(name)) {
      const std::string sub = folder + "/" + name;
      if (sub.size() <= kMaxFolderPathLength && !AddMediaFolderEntries(sub, prefix + name + "\\"))
        return false;
      continue;
    }
    if (!IsMediaFileName(name) || IsLinkToFolder(name) || IsTarget(name)) continue;
    if (prefix.size() + name.size() > kMaxPackedNameLength) {
      skippedNames.push_back(prefix + name);
      showProgress("Skipping " + prefix + name + " (a packed name has at most " +
                   std::to_string(kMaxPackedNameLength) + " characters)");
      continue;
    }
    if (!AddPrefixedPackEntry(name, prefix)) return false;
  }
  return true;
}

bool ExeBuilder::WritePackTrailer() {
  const bool written = WriteBytes(U32(0) + U32(static_cast<uint32_t>(runtimeImage_.size())));
  const bool closed = target_ >= 0 && ::close(target_) == 0;
  target_ = -1;
  if (!written || !closed || ::rename(writingPath_.c_str(), targetPath_.c_str()) != 0) {
    return Fail("Cannot write the executable " + targetPath_ +
                (closed ? "" : " (" + std::string(std::strerror(errno)) + ")"));
  }
  writingPath_.clear();
  return true;
}

// Neither the file being written nor the executable it replaces is ever packed into the new one
// (a target inside the media folder whose name has a media ending).
bool ExeBuilder::IsTarget(const std::string& path) const {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  const FileId id{info.st_dev, info.st_ino};
  return (target_ >= 0 && id == writing_) || id == earlierTarget_;
}

void ExeBuilder::CloseTarget() {
  if (target_ >= 0) ::close(target_);
  target_ = -1;
}

void ExeBuilder::DeleteTarget() {
  CloseTarget();
  if (!writingPath_.empty()) ::unlink(writingPath_.c_str());
  writingPath_.clear();
  writing_ = earlierTarget_ = FileId{};
}

}  // namespace qm
