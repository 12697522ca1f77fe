// The interface language words: the six tables of WORDS.TXT and the help folder and charset
// numbers derived from SETUP.INI.
#include "runtime/language_words.h"

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "runtime/settings.h"

// The English word file, built in: the words a damaged or older language file lacks.
extern "C" const unsigned char qm_english_words[];
extern "C" const unsigned long long qm_english_words_size;

namespace qm {
namespace {

struct SectionInfo {
  WordSection section;
  const char* name;
  int lastKey;
};

// In the order the file is read.
constexpr std::array<SectionInfo, 6> kSections{{
    {WordSection::General, "GENERAL", kLastGeneralKey},
    {WordSection::Menu, "MENU", kLastMenuKey},
    {WordSection::Title, "TITLE", kLastTitleKey},
    {WordSection::Desc, "DESC", kLastDescKey},
    {WordSection::Compiler, "COMPILER", kLastCompilerKey},
    {WordSection::Errors, "ERRORS", kLastErrorsKey},
}};

constexpr std::size_t kWordBufferSize = 256;  // a word holds at most 255 characters

using WordTables = std::array<std::vector<std::string>, kSections.size()>;

struct LanguageWords {
  WordTables tables;  // "" where a key has no word
  bool loaded = false;
  std::string helpFolder;
  int32_t textCharset = 0;
  int32_t helpCharset = 0;
  int32_t helpFontSize = 0;
};

LanguageWords gWords;
const std::string kNoWord;

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void SetDerivedValues(const platform::IniDocument& setup) {
  auto setting = [&](const char* key, const char* defaultValue) {
    return setup.Read("SETTINGS", key, defaultValue);
  };
  std::string helpLanguage = UpperCase(setting("HELPLANGUAGE", "English"));
  gWords.helpFolder = helpLanguage == "ENGLISH" ? "\\HELP\\" : "\\LANG\\" + helpLanguage + "\\HELP\\";
  gWords.textCharset = SettingNumber(setting("TEXTLANGUAGE-CHARSET", ""));
  gWords.helpCharset = SettingNumber(setting("HELPLANGUAGE-CHARSET", ""));
  gWords.helpFontSize = SettingNumber(setting("HELPFONTSIZE", ""));
}

// Reads one section's words into `tables`; returns the highest key that has a word (0 when none).
int ReadSection(const platform::IniDocument& file, const SectionInfo& info, WordTables& tables) {
  std::vector<std::string>& table = tables[static_cast<std::size_t>(info.section)];
  table.assign(static_cast<std::size_t>(info.lastKey) + 1, std::string());
  int highestKey = 0;
  for (int key = 0; key <= info.lastKey; ++key) {
    std::string word = file.Read(info.name, std::to_string(key), "", kWordBufferSize);
    if (word.empty()) continue;
    table[static_cast<std::size_t>(key)] = std::move(word);
    highestKey = key;
  }
  return highestKey;
}

const WordTables& BuiltInEnglishWords() {
  static const WordTables tables = [] {
    platform::IniDocument file;
    file.Parse(std::string(reinterpret_cast<const char*>(qm_english_words),
                           static_cast<std::size_t>(qm_english_words_size)));
    WordTables read;
    for (const SectionInfo& info : kSections) ReadSection(file, info, read);
    return read;
  }();
  return tables;
}

const std::string& WordOf(const WordTables& tables, WordSection section, int key) {
  const std::vector<std::string>& table = tables[static_cast<std::size_t>(section)];
  if (key < 0 || static_cast<std::size_t>(key) >= table.size()) return kNoWord;
  return table[static_cast<std::size_t>(key)];
}

}  // namespace

bool LoadLanguageWords(int& highestErrorsKey, std::string* error) {
  FreeLanguageWords();
  const platform::IniDocument& setup = SetupDocument();
  std::string language = setup.Read("SETTINGS", "TEXTLANGUAGE", "English");
  SetDerivedValues(setup);

  std::string wordFile = ProgramFolderFile("LANG/" + UpperCase(language) + "/WORDS.TXT");
  platform::IniDocument file;
  if (!platform::FileExists(wordFile)) return false;
  if (!file.Load(wordFile, error)) return false;
  for (const SectionInfo& info : kSections) {
    int highestKey = ReadSection(file, info, gWords.tables);
    if (info.section == WordSection::Errors) highestErrorsKey = highestKey;
  }
  gWords.loaded = true;
  return true;
}

void UseBuiltInEnglishWords() {
  FreeLanguageWords();
  gWords.loaded = true;  // every word is missing from the (empty) tables, so English answers
}

void FreeLanguageWords() {
  for (std::vector<std::string>& table : gWords.tables) table.clear();
  gWords.loaded = false;
}

const std::string& GetWord(WordSection section, int key) {
  if (!gWords.loaded) return kNoWord;
  const std::string& word = WordOf(gWords.tables, section, key);
  return word.empty() ? WordOf(BuiltInEnglishWords(), section, key) : word;
}

const std::string& HelpFolder() { return gWords.helpFolder; }
int32_t TextCharset() { return gWords.textCharset; }
int32_t HelpCharset() { return gWords.helpCharset; }
int32_t HelpFontSize() { return gWords.helpFontSize; }

}  // namespace qm
