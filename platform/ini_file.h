// INI files with the semantics programs and settings expect of profile strings: sections and
// keys compared case-insensitively, blanks around keys and values trimmed, one pair of
// surrounding quotes stripped, defaults for what is missing, results cut to the caller's buffer,
// writes made in place (section or file created when missing), the first of duplicate keys wins.
//
// Reading accepts lines ended by CR LF or LF alone. Files written here end every line in CR LF.
// A line "[name]" opens a section, "key=value" is an entry, lines starting with ";" and lines
// without "=" are kept but never match. Of two sections with one name, the first is used.
// A write replaces the value of the first matching entry (keeping the key's spelling in the file),
// or adds "key=value" after the last non-blank line of the section, or adds the section at the end
// of the file. Every other line stays as it was. Files are replaced through a temporary file and a
// rename, so a failed write never loses the old file.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qm::platform {

// The largest INI file read: settings, words and program INI files are small; a file beyond this
// is refused rather than parsed at a cost that grows with it.
inline constexpr std::size_t kMaxIniFileBytes = std::size_t{4} << 20;

// Reads a value; `bufferSize` counts the terminating zero, so at most bufferSize-1 characters come back.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize = 256);
// Writes a value in place, keeping the rest of the file; false when the file cannot be written
// (its folder is missing, it cannot be replaced) or when the section, key or value would break the
// file (an empty section or key, a line break anywhere, "=" in the key or a key starting with "["
// or ";", "]" in the section).
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// The text of the INI file at `path` (a program's name of a file) as IniDocument::Load reads it:
// a missing file reads as empty. False when the file exists but cannot be read or is larger than
// kMaxIniFileBytes; `error` then gets the file's path and the reason.
bool ReadIniText(const std::string& path, std::string& text, std::string* error = nullptr);
// Calls `visit` with every entry of INI text in file order: the number of the section header it
// follows (0 before the first header, counting every header, so two sections of one name differ),
// the section's name and the entry's key as they stand (trimmed), and its value as a read returns
// it, before the cut to a buffer. For readers of a whole file that keep no document of it; they
// apply the rules a read follows (names compared case-insensitively, the first section of a name
// and the first entry of a key count).
using IniEntryVisitor = std::function<void(int section, std::string_view sectionName, std::string_view key,
                                           std::string_view value)>;
void ScanIniEntries(std::string_view text, const IniEntryVisitor& visit);

// An INI file held in memory: loaded once, read and written many times, written back by Flush.
// Gives the same file as the same writes through WriteProfileString, at a cost per write that does
// not grow with the file (for logs that write thousands of entries).
class IniDocument {
 public:
  IniDocument();
  ~IniDocument();
  IniDocument(IniDocument&& other);
  IniDocument& operator=(IniDocument&& other) noexcept;

  // Binds the document to `path` (a program's name of a file) and loads it; a missing file loads
  // as empty. False when the file exists but cannot be read or is larger than kMaxIniFileBytes;
  // `error` then gets the file's path and the reason.
  bool Load(const std::string& path, std::string* error = nullptr);
  // Parses INI text (CR LF or LF line ends); the document is not bound to a file.
  void Parse(const std::string& text);

  // The value of section/key (quotes stripped), or nothing when missing.
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  // As ReadProfileString.
  std::string Read(const std::string& section, const std::string& key, const std::string& defaultValue,
                   std::size_t bufferSize = 256) const;
  // As WriteProfileString, in memory only; false for the same bad input.
  bool Write(const std::string& section, const std::string& key, const std::string& value);

  // The file's text as Flush writes it.
  std::string Text() const;
  bool HasUnsavedChanges() const;
  // Writes the file when something changed since the last load or flush; false when that failed
  // (the changes stay in memory and a later Flush tries again).
  bool Flush();
  const std::string& Path() const;

 private:
  struct Model;
  std::unique_ptr<Model> model_;
};

}  // namespace qm::platform
