// Statement identification: what a statement text is (which statement of the command database it
// names by its leading words, a form compiled by rewriting, a comment), where its parameter text
// and the next statement of the line begin, and how a parameter text splits into parameters.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_context.h"

namespace qm {

// What IdentifyStatement found: a statement entry index (0 and up) or one of these.
inline constexpr int32_t kNoStatementName = -1;
inline constexpr int32_t kIfThenLine = -2;
inline constexpr int32_t kForToStatement = -3;
inline constexpr int32_t kDimArray = -4;
inline constexpr int32_t kSelectStatement = -5;
inline constexpr int32_t kCaseStatement = -6;
inline constexpr int32_t kEndCaseStatement = -7;
inline constexpr int32_t kEndSelectStatement = -8;
inline constexpr int32_t kCommentStatement = -99;

// A statement has at most this many parameters.
inline constexpr int32_t kMaxParameters = 32;

// Appends the words of a text: blanks separate words, and outside double quotes a colon begins a
// new word ("a:b" gives "a" and ":b"). Characters below a blank never become part of a word.
void SplitStatementWords(std::string_view text, std::vector<std::string>& words);

// The words joined with single blanks, from word `first` up to (not including) word `end`.
std::string JoinWords(const std::vector<std::string>& words, std::size_t first, std::size_t end);

// Splits a parameter text at the commas outside double quotes and brackets (brackets inside
// quotes are text, not brackets). Leading blanks of a parameter are dropped, inner blanks kept.
// Returns the number of parameters (0 for an empty text), or -1 with CompilerMessage 25 in the
// Parser's errorMessage for a 33rd parameter.
int32_t SplitParameters(Parser& parser, std::string_view text, std::vector<std::string>& out);

// The parameters of a list as views of the text split, for a caller that compiles them while
// the text lives: no copies.
class ParameterViews {
 public:
  std::size_t size() const { return count_; }
  std::string_view operator[](std::size_t k) const { return {items_[k].data, items_[k].size}; }
  // False, nothing added, when the list already holds kMaxParameters.
  bool Add(std::string_view item) {
    if (count_ == kMaxParameters) return false;
    items_[count_++] = Item{item.data(), item.size()};
    return true;
  }
  void Clear() { count_ = 0; }

 private:
  // Plain pairs, left unset until added: a list is made for every statement and call.
  struct Item {
    const char* data;
    std::size_t size;
  };
  std::array<Item, kMaxParameters> items_;
  std::size_t count_ = 0;
};
int32_t SplitParameters(Parser& parser, std::string_view text, ParameterViews& out);

// PRINT and READ lists: a comma outside quotes and brackets becomes a semicolon, up to the first
// colon outside quotes and brackets.
void ConvertPrintCommas(std::string& text);

// The first word that is exactly ":" ends the statement: the words after it, joined, are
// returned as the rest of the line, and the word count stops before the colon.
std::string CutWordsAtColon(std::vector<std::string>& words);

// A label definition: a run of a-z, 0-9 and "_" followed by a colon and nothing but control
// characters. Gives the label's name.
bool ParseLabelDefinition(std::string_view text, std::string& name);

// Identifies a statement text (not empty, not starting with a blank). Fills the Parser's
// statementWords (only the first word when that word names no statement). For an entry index, `parameters`
// and `remainder` are set; for -1 the remainder is empty; for the rewritten forms (-2 to -8) the caller takes
// both from the words.
int32_t IdentifyStatement(CompileContext& context, std::string_view text, std::string& parameters,
                          std::string& remainder);

// Looks the statement up by the longest run of leading words that names an entry, on the words
// IdentifyStatement filled, and applies the separator and list rules.
int32_t FindStatementEntry(CompileContext& context, std::string& parameters, std::string& remainder);

// The index of the first character of `text` at or after `from` that is `wanted` and lies
// outside double quotes, or npos.
std::size_t FindOutsideQuotes(std::string_view text, char wanted, std::size_t from = 0);

// A plain integer variable's name: a variable name of integer type that is not a number (digits
// alone are a literal).
bool IsIntegerVariableName(std::string_view text);

// Text without its leading and trailing blanks.
std::string_view TrimBlanks(std::string_view text);
// Text without the characters of code 32 and below at its start.
std::string_view SkipControlAndBlanks(std::string_view text);

}  // namespace qm
