// The function pre-scan, label resolution and the array declaration check.
#include "compiler/prescan_labels.h"

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
  bool typed = false;
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
bool RegisterFunctionLine(Parser& parser, std::string_view text, int32_t line,
                          int32_t& function) {
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
  context.calledUntypedFunction = false;
  OperandPair value;
  const bool compiled = CompileExpression(context, result.text, value);
  if (context.calledUntypedFunction) return 0;
  return compiled ? value.type : kTypeFailed;
}

// Works out every function's result type. A function whose ENDFUNCTION value calls functions
// defined later is typed once those are; functions that call each other in a cycle start as
// integer and are typed again until nothing changes.
bool TypeFunctionResults(CompileContext& context, std::vector<ResultExpression>& results) {
  Parser& parser = context.parser;
  std::vector<bool> known(static_cast<std::size_t>(parser.UserFunctionCount()), true);
  for (const ResultExpression& result : results) known[static_cast<std::size_t>(result.function)] = false;
  context.functionTypeKnown = &known;

  auto fail = [&](const ResultExpression& result) {
    context.functionTypeKnown = nullptr;
    FailAt(parser, result.line, kMsgEndFunctionNoType);
    return false;
  };
  for (bool progress = true; progress;) {
    progress = false;
    for (ResultExpression& result : results) {
      if (result.typed) continue;
      const char type = TypeOfResult(context, result);
      if (type == 0) continue;
      if (type == kTypeFailed) return fail(result);
      parser.userFunctionTable[static_cast<std::size_t>(result.function)].resultLetter = type;
      known[static_cast<std::size_t>(result.function)] = true;
      result.typed = true;
      progress = true;
    }
  }

  // What is left calls itself through a cycle. Every member starts with one guessed type, the
  // members are typed again until nothing changes (integer only widens to float, so this ends),
  // and the first guess under which every value compiles is kept.
  std::vector<ResultExpression*> cycle;
  for (ResultExpression& result : results) {
    if (result.typed) continue;
    known[static_cast<std::size_t>(result.function)] = true;
    cycle.push_back(&result);
  }
  auto letterOf = [&](const ResultExpression* result) -> char& {
    return parser.userFunctionTable[static_cast<std::size_t>(result->function)].resultLetter;
  };
  const ResultExpression* failing = nullptr;
  for (const char guess : {kTypeInteger, kTypeFloat, kTypeString}) {
    if (cycle.empty()) break;
    for (ResultExpression* result : cycle) letterOf(result) = guess;
    failing = nullptr;
    for (std::size_t round = 0; round <= 2 * cycle.size() + 1; ++round) {
      bool changed = false;
      failing = nullptr;
      for (ResultExpression* result : cycle) {
        const char type = TypeOfResult(context, *result);
        if (type == kTypeFailed || type == 0) {
          if (failing == nullptr) failing = result;
          continue;
        }
        changed = changed || letterOf(result) != type;
        letterOf(result) = type;
      }
      if (!changed) break;
    }
    if (failing == nullptr) break;
  }
  if (failing != nullptr) return fail(*failing);
  context.functionTypeKnown = nullptr;
  parser.errorMessage.clear();
  return true;
}

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
  header.parameters =
      close > open ? std::string(TrimBlanks(rest.substr(open + 1, close - open - 1))) : "";
  return true;
}

int32_t PrescanFunctions(CompileContext& context, int32_t includeStartLine) {
  Parser& parser = context.parser;
  std::vector<ResultExpression> results;
  bool insideFunction = false;
  int32_t currentFunction = -1;

  SourceLineReader reader(parser.mergedText);
  SourceLine line;
  while (reader.Next(line)) {
    const std::string prepared = PrepareSourceLine(line.raw);
    const std::string_view text = SkipControlAndBlanks(prepared);
    if (text.substr(0, kFunctionPrefix.size()) == kFunctionPrefix) {
      insideFunction = true;
      if (!RegisterFunctionLine(parser, text, line.number, currentFunction)) return -1;
    } else if (text.substr(0, kEndFunctionPrefix.size()) == kEndFunctionPrefix) {
      if (!insideFunction) return FailAt(parser, line.number, kMsgEndFunctionOutside);
      insideFunction = false;
      results.push_back(ResultExpression{currentFunction, EndFunctionExpression(text),
                                         line.number});
    } else if (parser.compileMode == CompileMode::WholeProgram && !insideFunction &&
               line.number >= includeStartLine) {
      CommentOutLine(parser, line);
    }
  }
  if (!TypeFunctionResults(context, results)) return -1;
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
      const int32_t value = reference.kind == LabelKind::Code
                                ? WordAddressOperand(found->second)
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
