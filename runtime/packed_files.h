// The packed-file table: the media files a stand-alone executable carries behind its runtime
// bytes, as named entries. Every media loader asks it first (ResolveMediaPath): on a hit the
// entry's bytes are written to a file of the process's private work folder and the loader opens
// that file, so loaders need no second way of reading. The development system never fills the
// table; then every name resolves to the real file.
//
// A pack is what the executable builder appends to the runtime's R bytes:
//   entry, repeated: u32 L (name length + 1); the name and its zero; u32 S; S bytes of data
//   trailer:         u32 0; u32 R
// all numbers little-endian. Entry names use "\" between folders; the first entry is always the
// compiled program, whatever its name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

// The longest entry name (the name field of an entry holds 256 characters with its zero).
inline constexpr size_t kMaxPackedNameLength = 255;
// The trailer: u32 0, then u32 R.
inline constexpr size_t kPackTrailerBytes = 8;

struct PackedFileEntry {
  std::string name;   // lower-case, "\" between folders
  size_t offset = 0;  // of the data inside the table's block
  uint32_t size = 0;
};

class PackedFileTable {
 public:
  // Checks the bytes from the end of the runtime image to the end of the file (every entry, then
  // the trailer, which must end them exactly and name `runtimeSize`) and takes them as the
  // table's block. Null, with `error` saying why, for anything else; a pack without entries is
  // refused, since its first entry must be the program.
  static std::unique_ptr<PackedFileTable> FromPack(std::string pack, uint32_t runtimeSize,
                                                   std::string* error);
  // Removes every file it extracted.
  ~PackedFileTable();
  PackedFileTable(const PackedFileTable&) = delete;
  PackedFileTable& operator=(const PackedFileTable&) = delete;

  const std::vector<PackedFileEntry>& Entries() const { return entries_; }
  std::string_view Data(const PackedFileEntry& entry) const {
    return std::string_view(block_).substr(entry.offset, entry.size);
  }

  // The index of the first entry named `name` (compared whole, after lower-casing it and turning
  // "/" into "\"); -1 when none is.
  int FindEntry(const std::string& name) const;
  // The index of the first entry whose last part (after its last "\", a "\" at the very start not
  // counting) equals the lower-cased `name`; -1 when none does.
  int FindEntryByBareName(const std::string& name) const;

  // The host path of a file holding entry `index`'s bytes, its name ending in "." + `ending`.
  // Each entry and ending gets a file of its own in `folder`, written on the first request and
  // kept for later ones (written again when it was removed), so a file in use is never
  // overwritten by another hit. False when the file cannot be written.
  bool ExtractEntry(int index, const std::string& ending, const std::string& folder, std::string& path);

 private:
  PackedFileTable() = default;

  std::string block_;
  std::vector<PackedFileEntry> entries_;
  std::map<std::pair<int, std::string>, std::string> extracted_;
};

// Checks the last 8 bytes of a file of `fileSize` bytes (u32 0, u32 R with R at most the size
// less the trailer) and gives R. False, with `error` saying why, otherwise.
bool ReadPackTrailer(std::string_view trailer, uint64_t fileSize, uint32_t& runtimeSize, std::string* error);

// The table of this process, or null (always null in the development system).
PackedFileTable* PackedFileTableInstance();

// Reads the pack behind the executable at `path` (the running one, "/proc/self/exe", unless a
// test names another) and makes it this process's table. False, with no table and `error` saying
// why, when the file holds no valid pack.
bool LoadPackedFileTable(const std::string& path, std::string* error);
// Installs a table directly (tests), replacing and closing any earlier one.
void InstallPackedFileTable(std::unique_ptr<PackedFileTable> table);
// Removes the files extracted so far and frees the table.
void ClosePackedFileTable();

// When a table exists and holds an entry of `name`: replaces `name` by the host path of a copy of
// the entry ending in "." + `ending`, and gives true. Otherwise false, `name` unchanged.
bool ResolvePackedFileName(std::string& name, const std::string& ending);
// The same, matching `name` against the entries' last parts (texture names found inside models).
bool ResolvePackedFileNameByBareName(std::string& name, const std::string& ending);

// ResolvePackedFileName as a lookup that gives the copy's path, or nothing.
std::optional<std::string> PackedCopyOf(const std::string& name, const std::string& ending);

// What a media loader opens for a program's file name: the packed copy when the table holds the
// name, else the host path of the real file (platform::ResolvePath).
std::string ResolveMediaPath(const std::string& name, const std::string& ending);

}  // namespace qm
