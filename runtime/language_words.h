// The interface language words: "\LANG\<language>\WORDS.TXT" under the program folder, an INI
// file with decimal keys in sections GENERAL, MENU, TITLE, DESC, COMPILER and ERRORS.
#pragma once
#include <string>

namespace qm {

enum class WordSection { General, Menu, Title, Desc, Compiler, Errors };

// The word of a section and key, or "" when the loaded file has none (or none is loaded).
const std::string& GetWord(WordSection section, int key);

}  // namespace qm
