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

// The position of `keyword` in `text` outside quotes, standing after a blank and before a blank
// (or, when `atEndToo`, at the end of the text); npos when there is none.
std::size_t FindKeyword(std::string_view text, std::string_view keyword, bool atEndToo) {
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') inQuotes = !inQuotes;
    if (inQuotes || i == 0 || text[i - 1] != ' ' || text.compare(i, keyword.size(), keyword) != 0) {
      continue;
    }
    const std::size_t after = i + keyword.size();
    if (after < text.size() ? text[after] == ' ' : atEndToo) return i;
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
  const std::size_t to = FindKeyword(afterEquals, "to", false);
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
  const std::size_t stepAt = FindKeyword(loop, "step", true);
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

  // The values are the comma-separated expressions after CASE; every one is tested, and a
  // condition too long to compile is an error, never a shortened test.
  std::vector<std::string> values;
  if (SplitParameters(parser, JoinWords(words, 1, words.size()), values) < 0) return false;
  if (values.empty()) return FailWithMessage(context, kMsgBadSelect);
  std::string condition = "if ";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) condition += " or ";
    condition += select.expression + "=" + values[i];
  }
  return CompileEach(context, {condition, matched + "=1"});
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
