// What the fuzz targets share: an input cut into parts, and a private scratch folder to work in.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qm::fuzz {

// Parts of one input are separated by this line (the dictionaries carry it, so mutations find it).
inline constexpr std::string_view kPartSeparator = "\n@@\n";

// The input cut at each separator; at most `maxParts` parts (the last keeps the rest).
inline std::vector<std::string_view> SplitParts(const uint8_t* data, std::size_t size, std::size_t maxParts) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < maxParts) {
    const std::size_t at = rest.find(kPartSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(rest.substr(0, at));
    rest.remove_prefix(at + kPartSeparator.size());
  }
  parts.push_back(rest);
  return parts;
}

// The first line of a part (up to a CR or LF) and what follows that line.
inline std::string_view FirstLine(std::string_view part) {
  return part.substr(0, part.find_first_of("\r\n"));
}
inline std::string_view AfterFirstLine(std::string_view part) {
  const std::size_t end = part.find('\n');
  return end == std::string_view::npos ? std::string_view() : part.substr(end + 1);
}

// The lines of a part, without their CR LF or LF.
inline std::vector<std::string_view> Lines(std::string_view part) {
  std::vector<std::string_view> lines;
  while (!part.empty()) {
    std::size_t end = part.find('\n');
    std::string_view line = part.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    part.remove_prefix(end + 1);
  }
  return lines;
}

// A private folder under the system's temporary folder, made on first use and removed when the
// process ends.
inline const std::filesystem::path& ScratchFolder() {
  // Never destroyed: the clean-up at exit still needs it.
  static const std::filesystem::path* folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmoor-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    auto* made = new std::filesystem::path(pattern);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*folder, ignored);
    });
    return made;
  }();
  return *folder;
}

// While it lives, a folder in the scratch folder is the current folder: whatever the code under
// test writes (work files, program files) lands there. The current folder comes back for
// libFuzzer, which writes its corpus and findings by the paths it was given.
class InScratchFolder {
 public:
  explicit InScratchFolder(const std::string& subfolder = "") : saved_(std::filesystem::current_path()) {
    const std::filesystem::path folder = subfolder.empty() ? ScratchFolder() : ScratchFolder() / subfolder;
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
  }
  ~InScratchFolder() { std::filesystem::current_path(saved_); }
  InScratchFolder(const InScratchFolder&) = delete;
  InScratchFolder& operator=(const InScratchFolder&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace qm::fuzz
