// Reading the words of a REM directive: shared by the expectation readers of variables and of the
// screen, so that both take a directive word the same way.
#pragma once
#include <cctype>
#include <string_view>

namespace qm::qmtest {

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// Consumes the directive word `word`, written exactly so (upper case), and the blanks after it.
// Any other spelling is no directive: "REM limit is re-evaluated" is a comment.
inline bool TakeWord(std::string_view& text, std::string_view word) {
  if (text.substr(0, word.size()) != word) return false;
  if (text.size() > word.size() && !std::isspace(static_cast<unsigned char>(text[word.size()]))) {
    return false;
  }
  text = Trim(text.substr(word.size()));
  return true;
}

}  // namespace qm::qmtest
