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
inline constexpr int kLastCompilerKey = 62;
inline constexpr int kLastErrorsKey = 255;

// A word file whose highest ERRORS key is below this lacks texts the runtime needs: too old.
inline constexpr int kNewestErrorsKey = 237;

// Reads the word file of SETUP.INI's TEXTLANGUAGE (default "English", its folder named in upper
// case; SETUP.INI as the settings document holds it). False when the file does not exist, or
// cannot be read or is larger than an INI file may be (then `error` names it and says why);
// otherwise true with the highest ERRORS key that has a text (0 when none) in `highestErrorsKey`.
// The help folder and the character-set and font-size numbers are set in every case.
bool LoadLanguageWords(int& highestErrorsKey, std::string* error = nullptr);
// Takes the built-in English words as the loaded words (the stand-alone runtime carries no
// language file).
void UseBuiltInEnglishWords();
// Forgets every word.
void FreeLanguageWords();

// The word of a section and key. A word the loaded file lacks (a key missing or present with an
// empty value) is the built-in English word, so a damaged file never loses a message; "" when no
// file is loaded or English has no such word either.
const std::string& GetWord(WordSection section, int key);

// "\HELP\" for the help language English (in any case), else "\LANG\<LANGUAGE>\HELP\";
// relative to the program folder.
const std::string& HelpFolder();
int32_t TextCharset();   // TEXTLANGUAGE-CHARSET, 0 when empty
int32_t HelpCharset();   // HELPLANGUAGE-CHARSET, 0 when empty
int32_t HelpFontSize();  // HELPFONTSIZE, 0 when empty

}  // namespace qm
