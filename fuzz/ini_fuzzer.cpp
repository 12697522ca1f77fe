// libFuzzer target for the INI reader and writer. The input is INI text, then (after a "@@" line)
// writes, one "section|key|value" per line. The text is parsed from a file, the writes made and
// flushed, and the file read again: every write the document accepted must read back from the new
// file as it read back from the document, and the written text must read back to itself. Refused
// writes must leave the document unchanged. No input may crash or trip a sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/ini_file.h"

namespace {

using qm::platform::IniDocument;

constexpr std::size_t kMaxWrites = 32;

struct IniWrite {
  std::string section, key, value;
};

std::vector<IniWrite> WritesOf(std::string_view part) {
  std::vector<IniWrite> writes;
  for (std::string_view line : qm::fuzz::Lines(part)) {
    if (writes.size() == kMaxWrites) break;
    const std::size_t first = line.find('|');
    const std::size_t second = first == std::string_view::npos ? first : line.find('|', first + 1);
    IniWrite write;
    write.section = std::string(line.substr(0, first));
    if (first != std::string_view::npos) write.key = std::string(line.substr(first + 1, second - first - 1));
    if (second != std::string_view::npos) write.value = std::string(line.substr(second + 1));
    writes.push_back(std::move(write));
  }
  return writes;
}

// A value as a read gives it back: blanks around it trimmed, then one pair of quotes taken off.
std::string ValueAsRead(std::string_view value) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<std::string_view> parts = qm::fuzz::SplitParts(data, size, 2);
  static const std::string path = (qm::fuzz::ScratchFolder() / "fuzz.ini").string();
  WriteFile(path, parts[0]);

  IniDocument document;
  if (!document.Load(path)) std::abort();  // small regular files always load
  const std::vector<IniWrite> writes = parts.size() > 1 ? WritesOf(parts[1]) : std::vector<IniWrite>{};
  std::vector<const IniWrite*> accepted;
  for (const IniWrite& write : writes) {
    const std::string before = document.Text();
    if (document.Write(write.section, write.key, write.value)) {
      accepted.push_back(&write);
      // A value reads back trimmed, with one pair of surrounding quotes taken off.
      if (document.Find(write.section, write.key) != ValueAsRead(write.value)) std::abort();
    } else if (document.Text() != before) {
      std::abort();  // a refused write changed the document
    }
    // Reads cut to the caller's buffer never give more than it holds.
    if (document.Read(write.section, write.key, write.value, 4).size() > 3) std::abort();
  }
  if (!document.Flush()) std::abort();

  IniDocument reread;
  if (!reread.Load(path)) std::abort();
  for (const IniWrite* write : accepted) {
    if (reread.Find(write->section, write->key) != document.Find(write->section, write->key)) std::abort();
  }
  // What the document wrote is read back to the same text.
  if (reread.Text() != document.Text()) std::abort();

  // The one-call forms write and read the file as the document does.
  if (!writes.empty()) {
    const IniWrite& write = writes.front();
    const bool written = qm::platform::WriteProfileString(path, write.section, write.key, write.value);
    if (written != reread.Write(write.section, write.key, write.value)) std::abort();
    if (qm::platform::ReadProfileString(path, write.section, write.key, "x") !=
        reread.Read(write.section, write.key, "x"))
      std::abort();
  }
  return 0;
}
