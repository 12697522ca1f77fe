// The packed-file table: reading and checking a pack, the name lookups and the extracted copies.
#include "runtime/packed_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/byte_reader.h"
#include "platform/files.h"
#include "runtime/settings.h"

namespace qm {
namespace {

std::unique_ptr<PackedFileTable> gTable;

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

char LowerLetter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = LowerLetter(c);
  return lowered;
}

// A requested name as entry names are stored: lower-case, "\" between folders.
std::string PackedNameOf(const std::string& name) {
  std::string packed = Lowered(name);
  for (char& c : packed) {
    if (c == '/') c = '\\';
  }
  return packed;
}

// The part of an entry name after its last "\"; a "\" at the very start does not count, so a name
// whose only "\" is its first character stays whole.
std::string_view LastPart(std::string_view name) {
  const size_t slash = name.rfind('\\');
  if (slash == std::string_view::npos || slash == 0) return name;
  return name.substr(slash + 1);
}

// An ending fit for a file name: letters and digits only, at most 8 of them ("dat" otherwise).
std::string SafeEnding(const std::string& ending) {
  std::string safe;
  for (char c : ending) {
    const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letterOrDigit || safe.size() == 8) return "dat";
    safe += LowerLetter(c);
  }
  return safe.empty() ? "dat" : safe;
}

// Writes `data` as a new file at `path` (anything there first removed; a link is never followed),
// readable by this user only. False, with no file left, when it cannot.
bool WriteBufferToFile(const std::string& path, std::string_view data) {
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && !data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) data.remove_prefix(static_cast<size_t>(written));
  }
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

bool FileHasSize(const std::string& path, uint32_t size) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         static_cast<uint64_t>(info.st_size) == size;
}

std::string ExtractionFolder() {
  std::string folder = TempFolder();
  if (folder.empty()) folder = platform::PrivateTempFolder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::unique_ptr<PackedFileTable> PackedFileTable::FromPack(std::string pack, uint32_t runtimeSize,
                                                           std::string* error) {
  std::unique_ptr<PackedFileTable> table(new PackedFileTable());
  table->block_ = std::move(pack);
  const std::string& block = table->block_;
  if (block.size() < kPackTrailerBytes) {
    SetError(error, "the pack has no trailer");
    return nullptr;
  }
  const size_t trailerAt = block.size() - kPackTrailerBytes;
  platform::ByteReader reader(block);
  while (reader.Position() < trailerAt) {
    const size_t entryAt = reader.Position();
    const uint32_t nameBytes = reader.U32();
    if (nameBytes == 0) break;  // a trailer before the end: refused below
    if (nameBytes > kMaxPackedNameLength + 1) {
      SetError(error, "the name of the entry at byte " + std::to_string(entryAt) + " is too long");
      return nullptr;
    }
    std::string_view name = reader.Bytes(nameBytes);
    if (reader.Failed() || reader.Position() > trailerAt) break;
    if (name.find('\0') != name.size() - 1) {
      SetError(error, "the name of the entry at byte " + std::to_string(entryAt) + " is not one text");
      return nullptr;
    }
    const uint32_t size = reader.U32();
    if (reader.Failed() || reader.Position() > trailerAt || size > trailerAt - reader.Position()) {
      SetError(error, "the data of the entry at byte " + std::to_string(entryAt) + " reach past the pack");
      return nullptr;
    }
    // Stored as lookups compare: lower-case, and "/" (which a builder never writes) as "\".
    table->entries_.push_back(
        {PackedNameOf(std::string(name.substr(0, name.size() - 1))), reader.Position(), size});
    reader.Skip(size);
  }
  platform::ByteReader trailer(std::string_view(block).substr(trailerAt));
  const uint32_t end = trailer.U32();
  const uint32_t recordedSize = trailer.U32();
  if (reader.Position() != trailerAt || end != 0 || recordedSize != runtimeSize) {
    SetError(error, "the entries do not end at the pack's trailer");
    return nullptr;
  }
  if (table->entries_.empty()) {
    SetError(error, "the pack holds no program");
    return nullptr;
  }
  return table;
}

PackedFileTable::~PackedFileTable() {
  for (const auto& [key, path] : extracted_) ::unlink(path.c_str());
}

int PackedFileTable::FindEntry(const std::string& name) const {
  const std::string wanted = PackedNameOf(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == wanted) return static_cast<int>(i);
  }
  return -1;
}

int PackedFileTable::FindEntryByBareName(const std::string& name) const {
  const std::string wanted = Lowered(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (LastPart(entries_[i].name) == wanted) return static_cast<int>(i);
  }
  return -1;
}

bool PackedFileTable::ExtractEntry(int index, const std::string& ending, const std::string& folder,
                                   std::string& path) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size() || folder.empty()) return false;
  const PackedFileEntry& entry = entries_[static_cast<size_t>(index)];
  const std::string safeEnding = SafeEnding(ending);
  const auto key = std::make_pair(index, safeEnding);
  if (auto known = extracted_.find(key);
      known != extracted_.end() && FileHasSize(known->second, entry.size)) {
    path = known->second;
    return true;
  }
  std::string file = folder;
  if (file.back() != '/') file += '/';
  file += "_virtual" + std::to_string(index) + "." + safeEnding;
  if (!WriteBufferToFile(file, Data(entry))) return false;
  extracted_[key] = file;
  path = file;
  return true;
}

bool ReadPackTrailer(std::string_view trailer, uint64_t fileSize, uint32_t& runtimeSize, std::string* error) {
  if (fileSize < kPackTrailerBytes || trailer.size() != kPackTrailerBytes) {
    SetError(error, "the file is too short to hold a pack");
    return false;
  }
  platform::ByteReader reader(trailer);
  const uint32_t end = reader.U32();
  runtimeSize = reader.U32();
  if (end != 0 || runtimeSize > fileSize - kPackTrailerBytes) {
    SetError(error, "the file ends in no pack trailer");
    return false;
  }
  return true;
}

PackedFileTable* PackedFileTableInstance() { return gTable.get(); }

bool LoadPackedFileTable(const std::string& path, std::string* error) {
  ClosePackedFileTable();
  std::error_code failure;
  const uint64_t fileSize = std::filesystem::file_size(path, failure);
  if (failure) {
    SetError(error, path + ": " + failure.message());
    return false;
  }
  if (fileSize < kPackTrailerBytes) {
    SetError(error, "the file is too short to hold a pack");
    return false;
  }
  platform::FileBytes tail = platform::ReadFileRange(path, fileSize - kPackTrailerBytes, kPackTrailerBytes);
  if (!tail.Ok()) {
    SetError(error, path + ": " + platform::DescribeReadFailure(tail));
    return false;
  }
  uint32_t runtimeSize = 0;
  if (!ReadPackTrailer(tail.bytes, fileSize, runtimeSize, error)) return false;
  platform::FileBytes pack =
      platform::ReadFileRange(path, runtimeSize, static_cast<size_t>(fileSize - runtimeSize));
  if (!pack.Ok()) {
    SetError(error, path + ": " + platform::DescribeReadFailure(pack));
    return false;
  }
  gTable = PackedFileTable::FromPack(std::move(pack.bytes), runtimeSize, error);
  return gTable != nullptr;
}

void InstallPackedFileTable(std::unique_ptr<PackedFileTable> table) {
  ClosePackedFileTable();
  gTable = std::move(table);
}

void ClosePackedFileTable() { gTable.reset(); }

namespace {

// Extracts the first matching entry whose copy can be written.
bool ResolveWith(std::string& name, const std::string& ending, bool bareName) {
  if (!gTable) return false;
  const std::string folder = ExtractionFolder();
  const std::string wanted = bareName ? Lowered(name) : PackedNameOf(name);
  const auto& entries = gTable->Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if ((bareName ? LastPart(entries[i].name) : std::string_view(entries[i].name)) != wanted) continue;
    std::string path;
    if (gTable->ExtractEntry(static_cast<int>(i), ending, folder, path)) {
      name = path;
      return true;
    }
  }
  return false;
}

}  // namespace

bool ResolvePackedFileName(std::string& name, const std::string& ending) {
  return ResolveWith(name, ending, false);
}

bool ResolvePackedFileNameByBareName(std::string& name, const std::string& ending) {
  return ResolveWith(name, ending, true);
}

std::optional<std::string> PackedCopyOf(const std::string& name, const std::string& ending) {
  std::string resolved = name;
  if (ResolvePackedFileName(resolved, ending)) return resolved;
  return std::nullopt;
}

std::string ResolveMediaPath(const std::string& name, const std::string& ending) {
  std::string resolved = name;
  if (ResolvePackedFileName(resolved, ending)) return resolved;
  return platform::ResolvePath(name);
}

}  // namespace qm
