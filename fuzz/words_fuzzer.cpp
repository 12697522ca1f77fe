// libFuzzer target for the language words file: the input is WORDS.TXT, then (after a "@@" line)
// SETUP.INI, both written to a program folder of their own. Start-up's steps read them (the
// settings, then the words of the language SETUP.INI names); every word of every section is then
// asked for. A word is never longer than its 255-character buffer, a key outside a section has
// none, a word the file gives is the one a read of the file as an INI document finds, and after
// the words are freed none is left. No input may crash or trip a sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/ini_file.h"
#include "runtime/language_words.h"
#include "runtime/settings.h"

namespace {

using qm::WordSection;

struct SectionRange {
  WordSection section;
  int lastKey;
  const char* name;
};
constexpr SectionRange kSections[] = {{WordSection::General, qm::kLastGeneralKey, "GENERAL"},
                                      {WordSection::Menu, qm::kLastMenuKey, "MENU"},
                                      {WordSection::Title, qm::kLastTitleKey, "TITLE"},
                                      {WordSection::Desc, qm::kLastDescKey, "DESC"},
                                      {WordSection::Compiler, qm::kLastCompilerKey, "COMPILER"},
                                      {WordSection::Errors, qm::kLastErrorsKey, "ERRORS"}};

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) std::abort();
}

const std::filesystem::path& ProgramFolder() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path scratch = qm::fuzz::ScratchFolder();
    std::filesystem::create_directories(scratch / "LANG" / "ENGLISH");
    qm::PathOptions paths;
    paths.programFolder = scratch.string();
    paths.tempFolder = (scratch / "work").string();
    if (!qm::SetUpPaths(paths)) std::abort();
    return scratch;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::filesystem::path& folder = ProgramFolder();
  const std::vector<std::string_view> parts = qm::fuzz::SplitParts(data, size, 2);
  WriteFile(folder / "LANG" / "ENGLISH" / "WORDS.TXT", parts[0]);
  std::error_code ignored;
  std::filesystem::remove(folder / "SETUP.INI", ignored);
  if (parts.size() > 1) WriteFile(folder / "SETUP.INI", parts[1]);

  int32_t fullScreen = 1, windowMode = 0;
  if (!qm::ReadSetupSettings(fullScreen, windowMode)) std::abort();  // a small file always reads
  int highestErrorsKey = -1;
  std::string error;
  const bool loaded = qm::LoadLanguageWords(highestErrorsKey, &error);
  if (loaded && (highestErrorsKey < 0 || highestErrorsKey > qm::kLastErrorsKey)) std::abort();
  qm::platform::IniDocument document;
  if (loaded && qm::SetupDocument().Read("SETTINGS", "TEXTLANGUAGE", "English") == "English") {
    document.Parse(std::string(parts[0]));
  }
  for (const SectionRange& range : kSections) {
    for (int key = -1; key <= range.lastKey + 1; ++key) {
      const std::string& word = qm::GetWord(range.section, key);
      if (word.size() > 255) std::abort();
      if ((key < 0 || key > range.lastKey || !loaded) && !word.empty()) std::abort();
      const std::string read = document.Read(range.name, std::to_string(key), "");
      if (key >= 0 && key <= range.lastKey && !read.empty() && word != read) std::abort();
    }
  }
  qm::HelpFolder();
  qm::FreeLanguageWords();
  if (!qm::GetWord(WordSection::Errors, 1).empty()) std::abort();
  return 0;
}
