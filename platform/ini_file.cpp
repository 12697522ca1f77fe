// The INI file model: sections of lines kept as they stand, with indexes by lower-case name so
// that reads and writes cost the same whatever the file's size.
#include "platform/ini_file.h"

#include <cctype>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/files.h"
#include "platform/safe_file_write.h"

namespace qm::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string_view WithoutOneQuotePair(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string StripOneQuotePair(std::string_view value) { return std::string(WithoutOneQuotePair(value)); }

std::string CutToBuffer(std::string text, std::size_t bufferSize) {
  if (bufferSize == 0) return "";
  if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
  return text;
}

// One line of the file. Entries remember their key (as spelled in the file) and value.
struct Line {
  std::string raw;
  bool isEntry = false;
  std::string key;
  std::string value;
};

struct Section {
  bool hasHeader = false;  // false only for the lines before the first section
  std::string header;      // the header line as it stands
  std::vector<Line> lines;
  std::unordered_map<std::string, std::size_t> firstEntryByKey;  // lower-case key -> line index
};

// The key and value of an entry line "key=value" (both trimmed), or false for a plain line.
bool EntryOf(std::string_view raw, bool firstLineOfFile, std::string_view& key, std::string_view& value) {
  std::string_view text = raw;
  if (firstLineOfFile && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  text = Trim(text);
  std::size_t equals = text.find('=');
  if (text.empty() || text.front() == ';' || equals == std::string_view::npos) return false;
  key = Trim(text.substr(0, equals));
  value = Trim(text.substr(equals + 1));
  return !key.empty();
}

// Splits a line into an entry, or leaves it a plain line.
Line ReadLine(std::string raw, bool firstLineOfFile) {
  Line line;
  std::string_view key, value;
  if (EntryOf(raw, firstLineOfFile, key, value)) {
    line.isEntry = true;
    line.key = std::string(key);
    line.value = std::string(value);
  }
  line.raw = std::move(raw);
  return line;
}

// The section name of a header line "[name]", or false.
bool SectionNameOf(std::string_view raw, bool firstLineOfFile, std::string_view& name) {
  if (firstLineOfFile && raw.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    raw.remove_prefix(kByteOrderMark.size());
  }
  std::string_view text = Trim(raw);
  if (text.empty() || text.front() != '[') return false;
  text.remove_prefix(1);
  std::size_t close = text.find(']');
  if (close != std::string_view::npos) text = text.substr(0, close);
  name = Trim(text);
  return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool IsWritable(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return false;
  // A key line starting with "[" would read back as a section, one starting with ";" as a comment.
  if (key.front() == '[' || key.front() == ';') return false;
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  return key.find('=') == std::string_view::npos && section.find(']') == std::string_view::npos;
}

// The file's bytes; a missing file reads as empty. False (with the reason in `error`) when it
// exists and cannot be read or is larger than an INI file may be.
bool ReadIniBytes(const std::string& path, std::string& text, bool& missing, std::string* error) {
  FileBytes read = ReadWholeFile(path, kMaxIniFileBytes);
  missing = read.failure == ReadFailure::Missing;
  if (missing) {
    text.clear();
    return true;
  }
  if (!read.Ok()) {
    if (error) *error = path + ": " + DescribeReadFailure(read, kMaxIniFileBytes);
    return false;
  }
  text = std::move(read.bytes);
  return true;
}

}  // namespace

struct IniDocument::Model {
  std::string path;
  std::vector<Section> sections;
  std::unordered_map<std::string, std::size_t> firstSectionByName;  // lower-case name -> index
  bool changed = false;

  void Clear() {
    sections.clear();
    firstSectionByName.clear();
    sections.push_back(Section{});  // the lines before the first section
    changed = false;
  }

  void AddLine(Line line) {
    Section& section = sections.back();
    if (line.isEntry) section.firstEntryByKey.emplace(Lower(line.key), section.lines.size());
    section.lines.push_back(std::move(line));
  }

  void AddSection(const std::string& name, std::string header) {
    Section section;
    section.hasHeader = true;
    section.header = std::move(header);
    firstSectionByName.emplace(Lower(name), sections.size());
    sections.push_back(std::move(section));
  }

  const Line* FindEntry(std::string_view sectionName, std::string_view key) const {
    auto section = firstSectionByName.find(Lower(Trim(sectionName)));
    if (section == firstSectionByName.end()) return nullptr;
    const Section& found = sections[section->second];
    auto entry = found.firstEntryByKey.find(Lower(Trim(key)));
    return entry == found.firstEntryByKey.end() ? nullptr : &found.lines[entry->second];
  }

  Section& SectionForWrite(const std::string& name) {
    auto existing = firstSectionByName.find(Lower(name));
    if (existing != firstSectionByName.end()) return sections[existing->second];
    Section& last = sections.back();
    bool fileHasText = sections.size() > 1 || !last.lines.empty();
    if (fileHasText && (last.lines.empty() ? last.hasHeader : !Trim(last.lines.back().raw).empty())) {
      last.lines.push_back(Line{});  // a blank line before the new section
    }
    AddSection(name, "[" + name + "]");
    return sections.back();
  }

  // New entries go after the section's last non-blank line, before the blank lines that part it
  // from the next section. Only blank lines move, so the entry indexes stay valid.
  void AppendEntry(Section& section, const std::string& key, const std::string& value) {
    // `value` is written as given; reading trims it.
    std::size_t at = section.lines.size();
    while (at > 0 && !section.lines[at - 1].isEntry && Trim(section.lines[at - 1].raw).empty()) --at;
    Line line;
    line.isEntry = true;
    line.key = key;
    line.value = std::string(Trim(value));
    line.raw = key + "=" + value;
    section.firstEntryByKey.emplace(Lower(key), at);
    section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  }
};

IniDocument::IniDocument() : model_(std::make_unique<Model>()) { model_->Clear(); }
IniDocument::~IniDocument() = default;
// A document moved from stays a valid empty (or swapped) document.
IniDocument::IniDocument(IniDocument&& other) : IniDocument() { model_.swap(other.model_); }
IniDocument& IniDocument::operator=(IniDocument&& other) noexcept {
  model_.swap(other.model_);
  return *this;
}

bool IniDocument::Load(const std::string& path, std::string* error) {
  model_->path = ResolvePath(path);
  std::string text;
  bool missing = false;
  if (!ReadIniBytes(model_->path, text, missing, error)) {
    model_->Clear();
    return false;
  }
  Parse(text);
  return true;
}

bool ReadIniText(const std::string& path, std::string& text, std::string* error) {
  bool missing = false;
  return ReadIniBytes(ResolvePath(path), text, missing, error);
}

void IniDocument::Parse(const std::string& text) {
  model_->Clear();
  ByteReader reader(text);
  std::string_view line;
  bool first = true;
  while (reader.NextLine(line)) {
    std::string raw(line);
    if (std::string_view name; SectionNameOf(raw, first, name)) {
      model_->AddSection(std::string(name), std::move(raw));
    } else {
      model_->AddLine(ReadLine(std::move(raw), first));
    }
    first = false;
  }
}

void ScanIniEntries(std::string_view text, const IniEntryVisitor& visit) {
  ByteReader reader(text);
  std::string_view line, sectionName;
  int section = 0;
  bool first = true;
  while (reader.NextLine(line)) {
    std::string_view key, value;
    if (std::string_view name; SectionNameOf(line, first, name)) {
      ++section;
      sectionName = name;
    } else if (EntryOf(line, first, key, value)) {
      visit(section, sectionName, key, WithoutOneQuotePair(value));
    }
    first = false;
  }
}

std::optional<std::string> IniDocument::Find(const std::string& section, const std::string& key) const {
  const Line* line = model_->FindEntry(section, key);
  if (!line) return std::nullopt;
  return StripOneQuotePair(line->value);
}

std::string IniDocument::Read(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize) const {
  std::optional<std::string> value = Find(section, key);
  if (!value) {
    // A default loses its trailing blanks, as a value read from the file does.
    std::string_view fallback = defaultValue;
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
    value = std::string(fallback);
  }
  return CutToBuffer(std::move(*value), bufferSize);
}

bool IniDocument::Write(const std::string& section, const std::string& key, const std::string& value) {
  if (!IsWritable(section, key, value)) return false;
  std::string sectionName(Trim(section));
  std::string keyName(Trim(key));
  Section& target = model_->SectionForWrite(sectionName);
  auto entry = target.firstEntryByKey.find(Lower(keyName));
  if (entry != target.firstEntryByKey.end()) {
    Line& line = target.lines[entry->second];
    if (line.value == Trim(value) && line.raw == line.key + "=" + value) return true;
    line.value = std::string(Trim(value));
    line.raw = line.key + "=" + value;
  } else {
    model_->AppendEntry(target, keyName, value);
  }
  model_->changed = true;
  return true;
}

std::string IniDocument::Text() const {
  std::string text;
  for (const Section& section : model_->sections) {
    if (section.hasHeader) text += section.header + "\r\n";
    for (const Line& line : section.lines) text += line.raw + "\r\n";
  }
  return text;
}

bool IniDocument::HasUnsavedChanges() const { return model_->changed; }

bool IniDocument::Flush() {
  if (!model_->changed) return true;
  if (!WriteFileReplacing(model_->path, Text())) return false;
  model_->changed = false;
  return true;
}

const std::string& IniDocument::Path() const { return model_->path; }

namespace {

// The last file ReadProfileString parsed, with its bytes: settings and language files are read key
// by key, and parsing the whole file again for each key is what costs. The file is still read
// every time, so a change is always seen, however quickly it follows.
struct ReadCache {
  std::mutex mutex;
  std::string path;
  std::string text;
  IniDocument document;
};

ReadCache gReadCache;

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize) {
  std::string resolved = ResolvePath(path);
  std::string text;
  bool missing = false;
  if (resolved.empty() || !ReadIniBytes(resolved, text, missing, nullptr) || missing) {
    return IniDocument().Read(section, key, defaultValue, bufferSize);
  }
  std::lock_guard<std::mutex> lock(gReadCache.mutex);
  if (gReadCache.path != resolved || gReadCache.text != text) {
    gReadCache.document.Parse(text);
    gReadCache.path = resolved;
    gReadCache.text = std::move(text);
  }
  return gReadCache.document.Read(section, key, defaultValue, bufferSize);
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  IniDocument document;
  if (!document.Load(path)) return false;
  if (!document.Write(section, key, value)) return false;
  return document.Flush();
}

}  // namespace qm::platform
