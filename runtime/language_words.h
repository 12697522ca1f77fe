// The interface language words: "\LANG\<language>\WORDS.TXT" under the program folder, an INI
// file with decimal keys in sections GENERAL, MENU, TITLE, DESC, COMPILER and ERRORS.
// Loaded once at start-up (the language and help keys come from SETUP.INI section SETTINGS in
// the program folder) and freed at shut-down.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

enum class WordSection { General, Menu, Title, Desc, Compiler, Errors };

// The highest key of each section (keys run from 0).
inline constexpr int kLastGeneralKey = 29;
inline constexpr int kLastMenuKey = 99;
inline constexpr int kLastTitleKey = 19;
inline constexpr int kLastDescKey = 79;
inline constexpr int kLastCompilerKey = 59;
inline constexpr int kLastErrorsKey = 255;

// A word file whose highest ERRORS key is below this lacks texts the runtime needs: too old.
inline constexpr int kNewestErrorsKey = 237;

// Reads the word file of SETUP.INI's TEXTLANGUAGE (default "English", its folder named in upper
// case). False when the file does not exist; otherwise true with the highest ERRORS key that has
// a text (0 when none) in `highestErrorsKey`. The help folder and the character-set and font-size
// numbers are set in both cases.
bool LoadLanguageWords(int& highestErrorsKey);
// Forgets every word.
void FreeLanguageWords();

// The word of a section and key, or "" when the loaded file has none (or none is loaded).
// A key present with an empty value counts as missing.
const std::string& GetWord(WordSection section, int key);

// "\HELP\" for the help language English (in any case), else "\LANG\<LANGUAGE>\HELP\";
// relative to the program folder.
const std::string& HelpFolder();
int32_t TextCharset();   // TEXTLANGUAGE-CHARSET, 0 when empty
int32_t HelpCharset();   // HELPLANGUAGE-CHARSET, 0 when empty
int32_t HelpFontSize();  // HELPFONTSIZE, 0 when empty

}  // namespace qm
