// Statement identification and parameter splitting.
#include "compiler/statement_identification.h"

#include <algorithm>
#include <iterator>

namespace qm {

namespace {

bool IsCallNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '$' || c == '#';
}

bool IsLabelCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

// Reads one word starting at `position` (blanks already skipped) and returns the position after
// it. A colon outside quotes ends a word that has begun and is left to begin the next one.
// Control characters inside quotes are no part of the word.
std::size_t ReadWord(std::string_view text, std::size_t position, std::string& word) {
  const std::size_t start = position;
  // The first character belongs to the word whatever it is (a colon too).
  bool inQuotes = text[position] == '"';
  bool hasControl = false;
  for (++position; position < text.size(); ++position) {
    const char c = text[position];
    const auto code = static_cast<unsigned char>(c);
    if (c == '"') {
      inQuotes = !inQuotes;
    } else if (code < 33 || c == ':') {
      if (!inQuotes) break;
      if (code < 32) hasControl = true;
    }
  }
  const std::string_view read = text.substr(start, position - start);
  if (hasControl) {
    std::copy_if(read.begin(), read.end(), std::back_inserter(word),
                 [](char c) { return static_cast<unsigned char>(c) >= 32; });
  } else {
    word.append(read);
  }
  if (position < text.size() && text[position] != ':') ++position;
  while (!word.empty() && word.back() == ' ') word.pop_back();
  return position;
}

// Appends the next word at or after `position`, if there is one, and returns the position after
// it.
std::size_t ReadNextWord(std::string_view text, std::size_t position, std::vector<std::string>& words) {
  while (position < text.size() && static_cast<unsigned char>(text[position]) <= 32) {
    ++position;  // blanks and control characters never begin a word
  }
  if (position >= text.size()) return position;
  position = ReadWord(text, position, words.emplace_back());
  if (words.back().empty()) words.pop_back();
  return position;
}

// Whether a first word decides on its own that the text names no statement: it begins no
// statement name and no form that IdentifyStatement recognises.
bool NamesNoStatement(const CompileContext& context, const std::string& first) {
  static constexpr std::string_view kRecognisedForms[] = {"if",   "for",     "dim",       "undim", "select",
                                                          "case", "endcase", "endselect", "rem"};
  if (first[0] == '`' || first.find(' ') != std::string::npos) return false;
  if (std::find(std::begin(kRecognisedForms), std::end(kRecognisedForms), first) !=
      std::end(kRecognisedForms)) {
    return false;
  }
  return context.commands.LongestStatementNameStartingWith(first) == 0;
}

// The separator that ends a statement's parameter text, or npos.
std::size_t FindSeparator(std::string_view parameters, const StatementEntry& entry) {
  const bool restOfLine = !entry.signature.empty() && entry.signature[0] == kSignatureRestOfLine;
  const bool commaSeparates = std::string_view(entry.name) == "input" && !restOfLine;
  bool inQuotes = false;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const char c = parameters[i];
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == ':' || (c == ';' && !restOfLine) || (c == ',' && commaSeparates)) return i;
  }
  return std::string_view::npos;
}

// A rest of the line that begins with a colon loses it; any other becomes `prefix` + rest (also
// an empty one when `evenWhenEmpty`).
void ApplyListRule(std::string& remainder, std::string_view prefix, bool evenWhenEmpty) {
  if (!remainder.empty() && remainder[0] == ':') {
    remainder[0] = ' ';
  } else if (!remainder.empty() || evenWhenEmpty) {
    remainder = std::string(prefix) + remainder;
  }
}

int32_t FirstEntryAtOrAfter(const std::vector<int32_t>& entries, int32_t index) {
  const auto found = std::lower_bound(entries.begin(), entries.end(), index);
  return found == entries.end() ? -1 : *found;
}

// "dim a(10)": the second word holds a bracket after the array name.
bool HasArrayBracket(std::string_view word) {
  bool inQuotes = false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '"') inQuotes = !inQuotes;
    if (!inQuotes && word[i] == '(' && i > 0 && IsCallNameCharacter(word[i - 1])) return true;
  }
  return false;
}

bool SomeWordFromThirdIs(const std::vector<std::string>& words, std::string_view wanted) {
  return std::find(words.begin() + std::min<std::size_t>(2, words.size()), words.end(), wanted) !=
         words.end();
}

// UNDIM names only its array: the second word is cut after the name, and the words that follow
// it up to the statement's end (a word beginning with a colon) are dropped.
void KeepOnlyArrayName(std::vector<std::string>& words) {
  if (words.size() < 2) return;
  std::string& name = words[1];
  const auto end = std::find_if(name.begin(), name.end(),
                                [](char c) { return !(IsLabelCharacter(c) || c == '$' || c == '#'); });
  name.erase(end, name.end());
  const auto statementEnd = std::find_if(words.begin() + 2, words.end(),
                                         [](const std::string& w) { return !w.empty() && w[0] == ':'; });
  words.erase(words.begin() + 2, statementEnd);
}

}  // namespace

bool IsIntegerVariableName(std::string_view text) {
  return IsVariableNameText(text) && !IsIntegerLiteralText(text) && VariableTypeOfName(text) == kTypeInteger;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view SkipControlAndBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  return text;
}

std::size_t FindOutsideQuotes(std::string_view text, char wanted, std::size_t from) {
  // Most texts do not hold the character at all: nothing to track quotes for.
  if (text.find(wanted, from) == std::string_view::npos) return std::string_view::npos;
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') inQuotes = !inQuotes;
    if (!inQuotes && i >= from && text[i] == wanted) return i;
  }
  return std::string_view::npos;
}

void SplitStatementWords(std::string_view text, std::vector<std::string>& words) {
  std::size_t position = 0;
  while (position < text.size()) position = ReadNextWord(text, position, words);
}

std::string JoinWords(const std::vector<std::string>& words, std::size_t first, std::size_t end) {
  end = std::min(end, words.size());
  std::size_t length = 0;
  for (std::size_t i = first; i < end; ++i) length += words[i].size() + 1;
  std::string joined;
  joined.reserve(length);
  for (std::size_t i = first; i < end && i < words.size(); ++i) {
    if (i > first) joined.push_back(' ');
    joined += words[i];
  }
  return joined;
}

int32_t SplitParameters(Parser& parser, std::string_view text, ParameterViews& out) {
  out.Clear();
  if (text.empty()) return 0;
  bool inQuotes = false;
  int32_t depth = 0;
  std::size_t start = 0;
  // A parameter is the text from its first non-blank character up to its comma; `trim` drops
  // the blanks before the comma. False for a parameter past the last one a list may have.
  auto finish = [&](std::size_t end, bool trim) {
    while (start < end && text[start] == ' ') ++start;
    std::string_view parameter = text.substr(start, end - start);
    if (trim) {
      while (!parameter.empty() && parameter.back() == ' ') parameter.remove_suffix(1);
    }
    start = end + 1;
    return out.Add(parameter);
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth == 0 && c == ',' && !finish(i, true)) {
      SetCompilerError(parser, kMsgTooManyParameters);
      return -1;
    }
  }
  if (!finish(text.size(), false)) {
    SetCompilerError(parser, kMsgTooManyParameters);
    return -1;
  }
  return static_cast<int32_t>(out.size());
}

int32_t SplitParameters(Parser& parser, std::string_view text, std::vector<std::string>& out) {
  out.clear();
  ParameterViews views;
  const int32_t count = SplitParameters(parser, text, views);
  if (count < 0) return count;
  out.reserve(views.size());
  for (std::size_t k = 0; k < views.size(); ++k) out.emplace_back(views[k]);
  return count;
}

void ConvertPrintCommas(std::string& text) {
  bool inQuotes = false;
  int32_t depth = 0;
  for (char& c : text) {
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth != 0) continue;
    if (c == ':') return;
    if (c == ',') c = ';';
  }
}

std::string CutWordsAtColon(std::vector<std::string>& words) {
  const auto colon = std::find(words.begin(), words.end(), ":");
  if (colon == words.end()) return "";
  const auto index = static_cast<std::size_t>(colon - words.begin());
  std::string rest = JoinWords(words, index + 1, words.size());
  words.resize(index);
  return rest;
}

bool ParseLabelDefinition(std::string_view text, std::string& name) {
  std::size_t length = 0;
  while (length < text.size() && IsLabelCharacter(text[length])) ++length;
  if (length == 0 || length >= text.size() || text[length] != ':') return false;
  for (std::size_t i = length + 1; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 32) return false;
  }
  name.assign(text.substr(0, length));
  return true;
}

int32_t IdentifyStatement(CompileContext& context, std::string_view text, std::string& parameters,
                          std::string& remainder) {
  std::vector<std::string>& words = context.parser.statementWords;
  words.clear();
  remainder.clear();
  // The first word alone often says that no statement is named (an assignment, a call): the
  // rest is then not split.
  const std::size_t afterFirst = ReadNextWord(text, 0, words);
  if (words.empty()) return kCommentStatement;  // nothing but control characters
  if (NamesNoStatement(context, words[0])) return kNoStatementName;
  for (std::size_t position = afterFirst; position < text.size();) {
    position = ReadNextWord(text, position, words);
  }
  if (words[0][0] == '`') words[0] = "`";
  const std::string_view first = words[0];
  if (first == "if" && SomeWordFromThirdIs(words, "then")) return kIfThenLine;
  if (first == "for" && SomeWordFromThirdIs(words, "to")) return kForToStatement;
  if (first == "dim" && words.size() > 1 && HasArrayBracket(words[1])) return kDimArray;
  if (first == "undim") {
    context.parser.arrayLookupFlag = true;
    KeepOnlyArrayName(words);
  }
  if (first == "select") return kSelectStatement;
  if (first == "case") return kCaseStatement;
  if (first == "endcase") return kEndCaseStatement;
  if (first == "endselect") return kEndSelectStatement;
  if (first == "rem" || first == "`") return kCommentStatement;
  return FindStatementEntry(context, parameters, remainder);
}

int32_t FindStatementEntry(CompileContext& context, std::string& parameters, std::string& remainder) {
  const std::vector<std::string>& words = context.parser.statementWords;
  const ParserDatabase& database = context.Database();
  remainder.clear();
  int32_t entry = -1;
  std::size_t nameWords = 0;
  // A name of n words begins with the first word and a blank: only names that begin with it
  // are tried (a first word holding a blank itself, inside quotes, may begin any of them).
  const std::string_view firstWord = words[0];
  const int32_t longest = firstWord.find(' ') == std::string_view::npos
                              ? context.commands.LongestStatementNameStartingWith(firstWord)
                              : context.commands.LongestStatementName();
  const std::size_t tried = std::min(words.size(), static_cast<std::size_t>(longest));
  // The leading words joined once; each shorter name is a prefix of that text.
  const std::string joined = JoinWords(words, 0, tried);
  std::size_t length = joined.size();
  for (std::size_t n = tried; n >= 1 && entry < 0; --n) {
    const std::vector<int32_t>& entries =
        context.commands.StatementEntries(std::string_view(joined).substr(0, length));
    if (!entries.empty()) {
      entry = entries.front();
      nameWords = n;
    }
    length -= words[n - 1].size() + (n > 1 ? 1 : 0);
  }
  if (entry < 0) return kNoStatementName;

  parameters = JoinWords(words, nameWords, words.size());
  const StatementEntry& found = database.statements[entry];
  const std::string_view foundName = found.name;
  if (foundName == "print" || foundName == "read") ConvertPrintCommas(parameters);

  const std::size_t separator = FindSeparator(parameters, found);
  if (separator == std::string::npos) return entry;
  const char separatorCharacter = parameters[separator];
  remainder = std::string(SkipControlAndBlanks(std::string_view(parameters).substr(separator + 1)));
  parameters.resize(separator);
  if (separatorCharacter == ':') return entry;

  const std::vector<int32_t>& printc = context.commands.StatementEntries("printc");
  if (firstWord == "print" && separatorCharacter == ';') {
    const int32_t printcEntry = FirstEntryAtOrAfter(printc, entry);
    if (printcEntry >= 0) entry = printcEntry;
    ApplyListRule(remainder, "print ", false);
  } else if (firstWord == "input") {
    if (!printc.empty()) entry = printc.front();
    ApplyListRule(remainder, "input ", true);
  } else if (firstWord == "read" && separatorCharacter == ';') {
    ApplyListRule(remainder, "read ", true);
  }
  return entry;
}

}  // namespace qm
