// The interface language words: the six tables of WORDS.TXT and the help folder and charset
// numbers derived from SETUP.INI.
#include "runtime/language_words.h"

#include <array>
#include <cctype>
#include <string>
#include <string_view>
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

// True when `name` is `upperName` in any case.
bool SameName(std::string_view name, std::string_view upperName) {
  if (name.size() != upperName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != upperName[i]) return false;
  }
  return true;
}

// The key as a word number: decimal digits as the number prints, without a sign or leading
// zeros (the spelling a read by number asks for); -1 for any other key.
int WordKeyOf(std::string_view key) {
  if (key.empty() || key.size() > 4 || (key.size() > 1 && key.front() == '0')) return -1;
  int number = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// Reads the words of every section from INI text into `tables`, as reads of each section's keys
// 0 to its last would find them: the first section of a name and the first entry of a key count,
// and a word is cut to kWordBufferSize - 1 characters. Returns the highest key of the errors
// section that has a word (0 when none). One pass over the text: no document of it is kept.
int ReadWords(std::string_view text, WordTables& tables) {
  std::array<int, kSections.size()> firstSection;
  firstSection.fill(-1);
  std::array<std::vector<bool>, kSections.size()> taken;
  for (std::size_t i = 0; i < kSections.size(); ++i) {
    const auto keys = static_cast<std::size_t>(kSections[i].lastKey) + 1;
    tables[static_cast<std::size_t>(kSections[i].section)].assign(keys, std::string());
    taken[i].assign(keys, false);
  }
  platform::ScanIniEntries(
      text, [&](int section, std::string_view sectionName, std::string_view key, std::string_view value) {
        std::size_t i = 0;
        while (i < kSections.size() && !SameName(sectionName, kSections[i].name)) ++i;
        if (i == kSections.size()) return;
        if (firstSection[i] < 0) firstSection[i] = section;
        const int number = WordKeyOf(key);
        if (section != firstSection[i] || number < 0 || number > kSections[i].lastKey) return;
        if (taken[i][static_cast<std::size_t>(number)]) return;
        taken[i][static_cast<std::size_t>(number)] = true;
        tables[static_cast<std::size_t>(kSections[i].section)][static_cast<std::size_t>(number)] =
            value.substr(0, kWordBufferSize - 1);
      });
  const std::vector<std::string>& errors = tables[static_cast<std::size_t>(WordSection::Errors)];
  int highestKey = 0;
  for (int key = 0; key < static_cast<int>(errors.size()); ++key) {
    if (!errors[static_cast<std::size_t>(key)].empty()) highestKey = key;
  }
  return highestKey;
}

const WordTables& BuiltInEnglishWords() {
  static const WordTables tables = [] {
    WordTables read;
    ReadWords(
        {reinterpret_cast<const char*>(qm_english_words), static_cast<std::size_t>(qm_english_words_size)},
        read);
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
  if (!platform::FileExists(wordFile)) return false;
  std::string text;
  if (!platform::ReadIniText(wordFile, text, error)) return false;
  highestErrorsKey = ReadWords(text, gWords.tables);
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
