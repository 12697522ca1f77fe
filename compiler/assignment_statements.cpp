// Assignment statements: the rewrite into "=" and "@=".
#include "compiler/assignment_statements.h"

#include <string_view>

namespace qm {

namespace {

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '$' || c == '#';
}

// The target before the "=" is one word: no blank outside quotes and brackets.
bool TargetIsOneWord(std::string_view target) {
  bool inQuotes = false;
  int32_t depth = 0;
  for (std::size_t i = target.size(); i-- > 0;) {
    const char c = target[i];
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == ')') --depth;
    if (c == '(') ++depth;
    if (depth == 0 && IsControlOrBlank(c)) return false;
  }
  return true;
}

// The bracket of an array element target: a "(" after the array's name, before the "=".
std::size_t ArrayBracket(std::string_view text, std::size_t equals) {
  bool inQuotes = false;
  for (std::size_t i = 0; i < equals; ++i) {
    if (text[i] == '"') inQuotes = !inQuotes;
    if (!inQuotes && text[i] == '(' && i > 0 && IsNameCharacter(text[i - 1])) return i;
  }
  return std::string_view::npos;
}

// The ")" that closes the bracket opened at `open`; npos when none does.
std::size_t ClosingBracket(std::string_view text, std::size_t open) {
  bool inQuotes = false;
  int32_t depth = 0;
  for (std::size_t i = open + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == '(') ++depth;
    if (c == ')' && depth-- == 0) return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool RewriteAssignment(std::string& text, bool& arrayElement) {
  arrayElement = false;
  std::size_t first = 0;
  while (first < text.size() && IsControlOrBlank(text[first])) ++first;
  std::string body = text.substr(first);

  const std::size_t equals = body.find('=');
  if (equals == std::string::npos) return false;
  std::size_t targetEnd = equals;
  while (targetEnd > 0 && IsControlOrBlank(body[targetEnd - 1])) --targetEnd;
  if (targetEnd == 0 || !TargetIsOneWord(std::string_view(body).substr(0, targetEnd))) return false;
  std::size_t value = equals + 1;
  while (value < body.size() && IsControlOrBlank(body[value])) ++value;
  if (value >= body.size()) return false;

  std::string prefix = "= ";
  const std::size_t bracket = ArrayBracket(body, equals);
  if (bracket != std::string::npos) {
    prefix = "@= ";
    arrayElement = true;
    body[bracket] = ',';
    const std::size_t close = ClosingBracket(body, bracket);
    if (close != std::string::npos) body[close] = ' ';
  }
  body[equals] = ',';
  text = prefix + body;
  return true;
}

}  // namespace qm
