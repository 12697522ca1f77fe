// The function pre-scan, label resolution and the array declaration check.
#include "compiler/prescan_labels.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "compiler/expression_compiler.h"
#include "compiler/source_loader.h"
#include "compiler/statement_identification.h"

namespace qm {

namespace {

constexpr std::string_view kFunctionPrefix = "function ";
constexpr std::string_view kEndFunctionPrefix = "endfunction";

// The expression of an ENDFUNCTION line whose result type the pre-scan works out.
struct ResultExpression {
  int32_t function = -1;  // UserFunctionTable index
  std::string text;
  int32_t line = 0;
};

int32_t FailAt(Parser& parser, int32_t line, int32_t message = 0) {
  if (message != 0) SetCompilerError(parser, message);
  parser.errorLine = line;
  return -1;
}

bool FailLine(Parser& parser, int32_t line, int32_t message = 0) {
  FailAt(parser, line, message);
  return false;
}

// The value after "endfunction" and one more character, up to the end of the statement.
std::string EndFunctionExpression(std::string_view text) {
  std::string_view rest = text.size() > kEndFunctionPrefix.size() + 1
                              ? text.substr(kEndFunctionPrefix.size() + 1)
                              : std::string_view();
  const std::size_t colon = FindOutsideQuotes(rest, ':');
  const std::size_t semicolon = FindOutsideQuotes(rest, ';');
  rest = rest.substr(0, std::min(colon, semicolon));
  return std::string(TrimBlanks(rest));
}

// Registers the function of a FUNCTION line; false (message and line set) when the line is not
// a valid header or the table is full.
bool RegisterFunctionLine(Parser& parser, std::string_view text, int32_t line, int32_t& function) {
  FunctionHeader header;
  ParseFunctionHeader(text, header);
  std::vector<std::string> parameters;
  if (header.name.empty()) return FailLine(parser, line, kMsgBadFunctionHeader);
  if (SplitParameters(parser, header.parameters, parameters) < 0) return FailLine(parser, line);
  std::string letters;
  bool allNames = true;
  for (const std::string& parameter : parameters) {
    const bool isName = IsVariableNameText(parameter);
    letters.push_back(isName ? VariableTypeOfName(parameter) : kTypeFailed);
    allNames = allNames && isName;
  }
  if (!allNames) return FailLine(parser, line, kMsgBadFunctionHeader);
  if (parser.RegisterUserFunction(header.name, letters) < 0) return FailLine(parser, line);
  function = parser.FindUserFunction(header.name);
  return true;
}

// Type of one ENDFUNCTION expression, with the result types known so far. 0: it calls a function
// whose type is not known yet; 'x': it does not compile.
char TypeOfResult(CompileContext& context, const ResultExpression& result) {
  if (result.text.empty()) return kTypeInteger;
  Parser& parser = context.parser;
  parser.ResetTemporaries();
  parser.errorMessage.clear();
  context.untypedCallee = -1;
  OperandPair value;
  const bool compiled = CompileExpression(context, result.text, value);
  if (context.untypedCallee >= 0) return 0;
  return compiled ? value.type : kTypeFailed;
}

// Types the ENDFUNCTION values of user functions. A value that calls a function not yet typed
// has that function typed first, depth first, so the order of the definitions costs nothing; a
// function met again while it is being typed calls itself through a cycle and is left for
// TypeRecursiveResults.
class ResultTyper {
 public:
  ResultTyper(CompileContext& context, std::vector<ResultExpression>& results)
      : context_(context),
        parser_(context.parser),
        results_(results),
        known_(static_cast<std::size_t>(parser_.UserFunctionCount()), true),
        resultOf_(known_.size(), -1),
        state_(results.size(), State::Pending) {
    for (std::size_t r = 0; r < results.size(); ++r) {
      known_[static_cast<std::size_t>(results[r].function)] = false;
      resultOf_[static_cast<std::size_t>(results[r].function)] = static_cast<int32_t>(r);
    }
  }

  // False with message 39 on the line of a value that does not compile.
  bool TypeAll() {
    context_.functionTypeKnown = &known_;
    bool typed = true;
    for (std::size_t r = 0; r < results_.size() && typed; ++r) {
      if (state_[r] == State::Pending) typed = Visit(r);
    }
    typed = typed && TypeRecursiveResults();
    context_.functionTypeKnown = nullptr;
    context_.untypedCallee = -1;
    if (typed) parser_.errorMessage.clear();
    return typed;
  }

 private:
  enum class State { Pending, Visiting, Done, Recursive };

  char& LetterOf(const ResultExpression& result) {
    return parser_.userFunctionTable[static_cast<std::size_t>(result.function)].resultLetter;
  }

  bool Fail(const ResultExpression& result) {
    FailAt(parser_, result.line, kMsgEndFunctionNoType);
    return false;
  }

  bool Visit(std::size_t r) {
    state_[r] = State::Visiting;
    for (;;) {
      const char type = TypeOfResult(context_, results_[r]);
      if (type == kTypeFailed) return Fail(results_[r]);
      if (type != 0) {
        LetterOf(results_[r]) = type;
        known_[static_cast<std::size_t>(results_[r].function)] = true;
        state_[r] = State::Done;
        return true;
      }
      const int32_t callee = resultOf_[static_cast<std::size_t>(context_.untypedCallee)];
      if (callee < 0 || state_[static_cast<std::size_t>(callee)] != State::Pending) {
        state_[r] = State::Recursive;
        return true;
      }
      if (!Visit(static_cast<std::size_t>(callee))) return false;
      if (state_[static_cast<std::size_t>(callee)] == State::Recursive) {
        state_[r] = State::Recursive;
        return true;
      }
    }
  }

  // Functions that call themselves, directly or through others: every one starts as integer; one
  // whose value does not compile with its own guessed type tries float and then text; then all
  // are typed again until nothing changes (integer only widens to float).
  bool TypeRecursiveResults() {
    std::vector<ResultExpression*> recursive;
    for (std::size_t r = 0; r < results_.size(); ++r) {
      if (state_[r] != State::Recursive) continue;
      recursive.push_back(&results_[r]);
      known_[static_cast<std::size_t>(results_[r].function)] = true;
      LetterOf(results_[r]) = kTypeInteger;
    }
    const std::size_t rounds = std::min<std::size_t>(2 * recursive.size() + 2, kMaxTypingRounds);
    for (std::size_t round = 0; round < rounds; ++round) {
      bool changed = false;
      for (ResultExpression* result : recursive) {
        const char previous = LetterOf(*result);
        char type = TypeOfResult(context_, *result);
        if (type == kTypeFailed) type = TypeWithSomeGuess(*result);
        LetterOf(*result) = type == kTypeFailed ? previous : type;
        changed = changed || LetterOf(*result) != previous;
      }
      if (!changed) break;
    }
    for (ResultExpression* result : recursive) {
      if (TypeOfResult(context_, *result) == kTypeFailed) return Fail(*result);
    }
    return true;
  }

  char TypeWithSomeGuess(ResultExpression& result) {
    char type = kTypeFailed;
    for (const char guess : {kTypeInteger, kTypeFloat, kTypeString}) {
      LetterOf(result) = guess;
      type = TypeOfResult(context_, result);
      if (type != kTypeFailed) break;
    }
    return type;
  }

  // Enough for any cycle a program writes; a cycle that has not settled by then keeps its last
  // types, and the statements convert or refuse the values that do not fit them.
  static constexpr std::size_t kMaxTypingRounds = 16;

  CompileContext& context_;
  Parser& parser_;
  std::vector<ResultExpression>& results_;
  std::vector<bool> known_;        // per function: its result type is known
  std::vector<int32_t> resultOf_;  // per function: its ENDFUNCTION value (index), or -1
  std::vector<State> state_;       // per ENDFUNCTION value
};

// In a whole-program compile the included files contribute their functions only: a line outside
// a function gets a backquote (the comment statement) over its first character.
void CommentOutLine(Parser& parser, const SourceLine& line) {
  std::string_view raw = line.raw;
  if (!raw.empty() && raw.front() == '\n') raw.remove_prefix(1);
  if (raw.empty()) return;
  const auto position = static_cast<std::size_t>(raw.data() - parser.mergedText.data());
  if (position + 3 > parser.mergedText.size()) return;
  parser.mergedText[position] = '`';
}

// The first character of a raw line's prepared text from a blank up, lower-cased; 0 when it has
// none (the line is blank or cut by a zero byte first).
char FirstStatementCharacter(std::string_view raw) {
  for (const char c : raw) {
    if (c == '\0') return 0;
    if (static_cast<unsigned char>(c) > 32)
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return 0;
}

}  // namespace

bool ParseFunctionHeader(std::string_view text, FunctionHeader& header) {
  if (text.substr(0, kFunctionPrefix.size()) != kFunctionPrefix) return false;
  const std::string_view rest = text.substr(kFunctionPrefix.size());
  const std::size_t open = std::min(rest.find('('), rest.size());
  std::size_t close = 0;
  for (std::size_t i = rest.size(); i-- > 1;) {
    if (rest[i] == ')') {
      close = i;
      break;
    }
  }
  header.name = std::string(TrimBlanks(rest.substr(0, open)));
  header.parameters = close > open ? std::string(TrimBlanks(rest.substr(open + 1, close - open - 1))) : "";
  return true;
}

int32_t PrescanFunctions(CompileContext& context, int32_t includeStartLine) {
  Parser& parser = context.parser;
  std::vector<ResultExpression> results;
  bool insideFunction = false;
  int32_t currentFunction = -1;

  SourceLineReader reader(parser.mergedText);
  SourceLine line;
  std::string prepared;
  while (reader.Next(line)) {
    // Only a line whose statement begins with "f" or "e" can open or close a function: the
    // others are not prepared.
    const char first = FirstStatementCharacter(line.raw);
    if (first == 'f' || first == 'e') {
      PrepareSourceLine(line.raw, prepared);
    } else {
      prepared.clear();
    }
    const std::string_view text = SkipControlAndBlanks(prepared);
    if (text.substr(0, kFunctionPrefix.size()) == kFunctionPrefix) {
      insideFunction = true;
      if (!RegisterFunctionLine(parser, text, line.number, currentFunction)) return -1;
    } else if (text.substr(0, kEndFunctionPrefix.size()) == kEndFunctionPrefix) {
      if (!insideFunction) return FailAt(parser, line.number, kMsgEndFunctionOutside);
      insideFunction = false;
      results.push_back(ResultExpression{currentFunction, EndFunctionExpression(text), line.number});
    } else if (parser.compileMode == CompileMode::WholeProgram && !insideFunction &&
               line.number >= includeStartLine) {
      CommentOutLine(parser, line);
    }
  }
  if (!ResultTyper(context, results).TypeAll()) return -1;
  return reader.NextLineNumber() - 1;
}

bool ResolveLabels(Parser& parser) {
  auto key = [](std::string_view name, ScopeNumber scope) {
    return std::string(name) + '\x01' + std::to_string(scope);
  };
  std::unordered_map<std::string, int32_t> definitions;
  for (int32_t i = 0; i < parser.LabelDefinitionCount(); ++i) {
    const LabelDefinition& definition = parser.labelDefinitionTable[static_cast<std::size_t>(i)];
    definitions.emplace(key(definition.name, definition.scope), definition.wordIndex);
  }
  for (int32_t e = 0; e < parser.LabelEntryCount(); ++e) {
    const LabelReferenceEntry& entry = parser.labelReferenceTable[static_cast<std::size_t>(e)];
    const auto found = definitions.find(key(entry.name, entry.scope));
    if (found == definitions.end()) {
      parser.labelArrayErrorLine = entry.line;
      return false;
    }
    const int32_t references = parser.LabelReferenceCount(e);
    for (int32_t r = 0; r < references; ++r) {
      const LabelReference& reference = entry.references[static_cast<std::size_t>(r)];
      const int32_t value = reference.kind == LabelKind::Code ? WordAddressOperand(found->second)
                                                              : kDataItems + entry.dataPosition;
      parser.PatchWord(reference.wordIndex, value);
    }
  }
  return true;
}

bool CheckArraysDeclared(Parser& parser) {
  std::unordered_set<std::string> declared;
  for (int32_t i = 0; i < parser.DimEntryCount(); ++i) {
    const DimEntry& dim = parser.dimTable[static_cast<std::size_t>(i)];
    declared.insert(dim.name + '\x01' + std::to_string(dim.scope));
  }
  for (const char type : {kTypeInteger, kTypeFloat, kTypeString}) {
    for (int32_t i = 0; i < parser.VariableCount(type); ++i) {
      const VariableEntry& variable = parser.Variable(type, i);
      if (!variable.isArray) continue;
      if (!declared.contains(variable.name + '\x01' + std::to_string(variable.scope))) {
        parser.labelArrayErrorLine = variable.line;
        return false;
      }
    }
  }
  return true;
}

}  // namespace qm
