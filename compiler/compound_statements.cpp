// Compound statements: one-line IF, FOR, DIM of an array and SELECT/CASE, by rewriting.
#include "compiler/compound_statements.h"

#include <vector>

#include "compiler/expression_compiler.h"
#include "compiler/statement_compiler.h"
#include "compiler/statement_identification.h"

namespace qm {

namespace {

// The variable that holds the value of the open SELECT's expression: one per value type, named
// so that no program names it by chance ("0case" reads as a name, never as a number).
std::string SelectValueVariable(char type) {
  if (type == kTypeFloat) return "0case#";
  if (type == kTypeString) return "0case$";
  return "0case";
}

// Compiles the texts in order; stops at the first that fails.
bool CompileEach(CompileContext& context, std::initializer_list<std::string> texts) {
  for (const std::string& text : texts) {
    if (!CompileStatementText(context, text)) return false;
  }
  return true;
}

// A failure without a message of its own gets the compound statement's message.
bool FailWith(CompileContext& context, int32_t message) {
  if (context.parser.errorMessage.empty()) SetCompilerError(context.parser, message);
  return false;
}

bool FailWithMessage(CompileContext& context, int32_t message) {
  SetCompilerError(context.parser, message);
  return false;
}

std::size_t FindWord(const std::vector<std::string>& words, std::string_view word, std::size_t from) {
  for (std::size_t i = from; i < words.size(); ++i) {
    if (words[i] == word) return i;
  }
  return words.size();
}

bool IsBlank(char c) { return c == ' '; }

// What may follow STEP: a blank, or the sign or first digit of a step written against it
// ("step-1"); a letter goes on with a name ("steps").
bool EndsStepKeyword(char c) { return c == ' ' || c == '-' || c == '+' || (c >= '0' && c <= '9'); }

// The position of `keyword` in `text` outside quotes, standing after a blank and before a
// character for which `endsKeyword` holds (or, when `atEndToo`, at the end of the text); npos
// when there is none.
std::size_t FindKeyword(std::string_view text, std::string_view keyword, bool (*endsKeyword)(char),
                        bool atEndToo) {
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') inQuotes = !inQuotes;
    if (inQuotes || i == 0 || text[i - 1] != ' ' || text.compare(i, keyword.size(), keyword) != 0) {
      continue;
    }
    const std::size_t after = i + keyword.size();
    if (after < text.size() ? endsKeyword(text[after]) : atEndToo) return i;
  }
  return std::string_view::npos;
}

// The type an expression would have, found without emitting or creating anything.
char TypeOfExpression(CompileContext& context, std::string_view text) {
  Parser& parser = context.parser;
  const bool suppressed = parser.emissionSuppressed;
  parser.emissionSuppressed = true;
  OperandPair value;
  const bool compiled = CompileExpression(context, text, value);
  parser.emissionSuppressed = suppressed;
  parser.arrayLookupFlag = false;
  parser.errorMessage.clear();
  return compiled ? value.type : kTypeFailed;
}

// Splits at every `separator` outside double quotes and brackets.
std::vector<std::string_view> SplitOutsideQuotesAndBrackets(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  bool inQuotes = false;
  int32_t depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth == 0 && c == separator) {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// The values of a CASE, separated by commas or blanks: "case 1,2", "case 1 2" and "case 1, 2"
// all list 1 and 2. False when there is none, or a comma has no value on one side.
bool SplitCaseValues(std::string_view text, std::vector<std::string>& values) {
  values.clear();
  if (TrimBlanks(text).empty()) return false;
  for (const std::string_view piece : SplitOutsideQuotesAndBrackets(text, ',')) {
    std::size_t found = 0;
    for (const std::string_view word : SplitOutsideQuotesAndBrackets(piece, ' ')) {
      if (word.empty()) continue;
      values.emplace_back(word);
      ++found;
    }
    if (found == 0) return false;
  }
  return true;
}

// The condition a CASE stands for is "if " and, joined by " or ", the SELECT expression as
// written, "=" and a value; it may grow past 240 characters only with its last value.
bool CaseConditionHoldsEveryValue(std::string_view selectText, const std::vector<std::string>& values) {
  constexpr std::size_t kConditionLimit = 240;
  std::size_t length = 3;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) length += 4;
    length += selectText.size() + 1 + values[i].size();
    if (length > kConditionLimit && i + 1 < values.size()) return false;
  }
  return true;
}

// The test of values [from, to) against the SELECT's value, as one expression.
std::string CaseValueTest(const SelectState& select, const std::vector<std::string>& values, std::size_t from,
                          std::size_t to) {
  std::string test;
  for (std::size_t i = from; i < to; ++i) {
    if (i > from) test += "|";
    test += select.expression + "=" + values[i];
  }
  RewriteWordOperators(test);
  return test;
}

// Whether an expression compiles within the length of one expression text (each compiled
// operator lengthens the text by its marker). Nothing is emitted or created.
bool FitsOneExpression(CompileContext& context, std::string_view text) {
  Parser& parser = context.parser;
  const std::string message = parser.errorMessage;
  const bool suppressed = parser.emissionSuppressed;
  parser.emissionSuppressed = true;
  parser.ResetTemporaries();
  OperandPair value;
  const bool compiled = CompileExpression(context, text, value);
  const bool tooLong = !compiled && parser.errorMessage == CompilerMessage(kMsgLineTooLong);
  parser.emissionSuppressed = suppressed;
  parser.arrayLookupFlag = false;
  parser.errorMessage = message;
  return !tooLong;
}

// The IF block of a CASE. A list whose test does not fit one expression is tested in parts
// into a hidden variable first, so every value the condition holds is tested.
bool CompileCaseTest(CompileContext& context, const std::vector<std::string>& values) {
  const SelectState& select = context.parser.selectState;
  const std::string whole = CaseValueTest(select, values, 0, values.size());
  if (FitsOneExpression(context, whole)) return CompileStatementText(context, "if " + whole);
  const std::string hit(kCaseHitVariable);
  std::size_t from = 0;
  while (from < values.size()) {
    const std::string before = from == 0 ? "" : hit + "|";
    std::size_t to = from + 1;
    while (to < values.size() &&
           FitsOneExpression(context, before + CaseValueTest(select, values, from, to + 1))) {
      ++to;
    }
    if (!CompileStatementText(context, hit + "=" + before + CaseValueTest(select, values, from, to)))
      return false;
    from = to;
  }
  return CompileStatementText(context, "if " + hit);
}

}  // namespace

bool CompileIfThenLine(CompileContext& context) {
  const std::vector<std::string> words = context.parser.statementWords;
  const std::size_t then = FindWord(words, "then", 2);
  if (!CompileStatementText(context, "if " + JoinWords(words, 1, then))) {
    return FailWith(context, kMsgBadIfThen);
  }
  if (then + 1 >= words.size()) return FailWith(context, kMsgBadIfThen);
  const std::size_t otherwise = FindWord(words, "else", then + 1);
  if (!CompileStatementText(context, JoinWords(words, then + 1, otherwise))) {
    return FailWith(context, kMsgBadIfThen);
  }
  if (otherwise + 1 < words.size() &&
      !CompileEach(context, {"else", JoinWords(words, otherwise + 1, words.size())})) {
    return FailWith(context, kMsgBadIfThen);
  }
  if (!CompileStatementText(context, "endif")) return FailWith(context, kMsgBadIfThen);
  return true;
}

bool CompileForStatement(CompileContext& context, std::string& remainder) {
  const std::vector<std::string>& words = context.parser.statementWords;
  const std::string text = JoinWords(words, 1, words.size());
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) return FailWith(context, kMsgBadFor);
  const std::string variable(TrimBlanks(std::string_view(text).substr(0, equals)));
  // The loop counts in an integer variable; anything else would never reach its end.
  if (!IsIntegerVariableName(variable)) {
    return FailWithMessage(context, kMsgBadFor);
  }

  const std::string_view afterEquals = std::string_view(text).substr(equals + 1);
  const std::size_t to = FindKeyword(afterEquals, "to", IsBlank, false);
  if (to == std::string_view::npos) return FailWith(context, kMsgBadFor);
  const std::string start(TrimBlanks(afterEquals.substr(0, to)));

  std::string_view rest = TrimBlanks(afterEquals.substr(to + 2));
  const std::size_t colon = FindOutsideQuotes(rest, ':');
  std::string_view loop = rest.substr(0, colon);
  if (colon != std::string_view::npos) {
    remainder = std::string(SkipControlAndBlanks(rest.substr(colon + 1)));
  }
  std::string end(TrimBlanks(loop));
  std::string step = "1";
  const std::size_t stepAt = FindKeyword(loop, "step", EndsStepKeyword, true);
  if (stepAt != std::string_view::npos) {
    end = std::string(TrimBlanks(loop.substr(0, stepAt)));
    const std::string_view stepText = TrimBlanks(loop.substr(stepAt + 4));
    if (!stepText.empty()) step = std::string(stepText);
  }

  // FOR adds the step before every pass, so the variable starts one step early.
  if (!CompileEach(context, {"= " + variable + ",(" + start + ")-(" + step + ")",
                             "for " + variable + "," + end + "," + step})) {
    return FailWith(context, kMsgBadFor);
  }
  return true;
}

bool CompileDimArray(CompileContext& context, std::string& remainder) {
  Parser& parser = context.parser;
  std::string text = JoinWords(parser.statementWords, 1, parser.statementWords.size());
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) {
    remainder = std::string(SkipControlAndBlanks(std::string_view(text).substr(colon + 1)));
    text.resize(colon);
  }
  const std::size_t open = text.find('(');
  if (open == std::string::npos) return FailWithMessage(context, kMsgBadDim);
  const std::string name(TrimBlanks(std::string_view(text).substr(0, open)));
  text[open] = ',';
  const std::size_t close = text.rfind(')');
  if (close != std::string::npos) text[close] = ' ';

  parser.arrayLookupFlag = true;
  const bool compiled = CompileStatementText(context, "dim " + text);
  parser.arrayLookupFlag = false;
  if (!compiled) return FailWithMessage(context, kMsgBadDim);
  return parser.AddDimEntry(name, parser.currentScope);
}

bool CompileSelect(CompileContext& context, std::string& remainder) {
  Parser& parser = context.parser;
  SelectState& select = parser.selectState;
  if (select.open) return FailWithMessage(context, kMsgBadSelect);
  std::vector<std::string> words = parser.statementWords;
  remainder = CutWordsAtColon(words);
  if (words.size() != 2) return FailWithMessage(context, kMsgBadSelect);

  const std::string variable = SelectValueVariable(TypeOfExpression(context, words[1]));
  select.open = true;
  select.defaultSeen = false;
  select.expression = variable;
  select.written = words[1];
  return CompileEach(context, {std::string(kCaseMatchedVariable) + "=0", variable + "=" + words[1]});
}

bool CompileCase(CompileContext& context, std::string& remainder) {
  Parser& parser = context.parser;
  SelectState& select = parser.selectState;
  if (!select.open) return FailWithMessage(context, kMsgBadSelect);
  std::vector<std::string> words = parser.statementWords;
  remainder = CutWordsAtColon(words);
  const std::string matched(kCaseMatchedVariable);
  if (words.size() >= 2 && words[1] == "default") {
    select.defaultSeen = true;
    return CompileStatementText(context, "if " + matched + "=0");
  }
  if (select.defaultSeen) return FailWithMessage(context, kMsgCaseAfterDefault);

  std::vector<std::string> values;
  if (!SplitCaseValues(JoinWords(words, 1, words.size()), values)) {
    return FailWithMessage(context, values.empty() ? kMsgBadSelect : kMsgBadExpression);
  }
  // Every value is tested, and values beyond what the condition holds are an error, never a
  // shortened test.
  if (!CaseConditionHoldsEveryValue(select.written, values)) return FailWithMessage(context, kMsgLineTooLong);
  return CompileCaseTest(context, values) && CompileStatementText(context, matched + "=1");
}

bool CompileEndCase(CompileContext& context, std::string& remainder) {
  if (!context.parser.selectState.open) return FailWithMessage(context, kMsgBadSelect);
  std::vector<std::string> words = context.parser.statementWords;
  remainder = CutWordsAtColon(words);
  return CompileStatementText(context, "endif");
}

bool CompileEndSelect(CompileContext& context, std::string& remainder) {
  SelectState& select = context.parser.selectState;
  if (!select.open) return FailWithMessage(context, kMsgBadSelect);
  select.open = false;
  std::vector<std::string> words = context.parser.statementWords;
  remainder = CutWordsAtColon(words);
  return true;
}

}  // namespace qm
