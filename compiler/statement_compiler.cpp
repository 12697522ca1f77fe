// The statement compiler.
#include "compiler/statement_compiler.h"

#include <vector>

#include "compiler/assignment_statements.h"
#include "compiler/block_structures.h"
#include "compiler/compound_statements.h"
#include "compiler/expression_compiler.h"
#include "compiler/prescan_labels.h"
#include "compiler/statement_identification.h"
#include "resources/command_ids.h"

namespace qm {

namespace {

bool Fail(Parser& parser, int32_t message) {
  SetCompilerError(parser, message);
  return false;
}

bool IsVariableOperand(const OperandPair& operand) {
  return operand.number >= kIntVariables && operand.number < kIntLiterals;
}

// Statements whose first parameter is the variable or array they work on.
bool TargetsAVariable(const StatementEntry& entry) {
  const std::string_view name = entry.name;
  return name == "=" || name == "@=" || name == "dim" || name == "undim";
}

// ---- Label definitions and FUNCTION headers ---------------------------------------------------

bool DefineLabel(Parser& parser, const std::string& name) {
  const OperandNumber number = parser.FindOrAddLabel(name, LabelKind::Data, false, false);
  if (number == -2) return Fail(parser, kMsgLabelDefinedTwice);
  if (number < 0) return false;
  return parser.AddLabelDefinition(name, parser.currentScope, parser.WordCount());
}

// The function's entry: a STOP for code that runs into it from above, then the parameter
// variables, then the function's scope number; calls jump to the first parameter word.
bool CompileFunctionHeader(CompileContext& context, const FunctionHeader& header, int32_t function) {
  Parser& parser = context.parser;
  const OperandNumber label = parser.FindOrAddLabel(header.name, LabelKind::Data, false, true);
  if (label == -2) return Fail(parser, kMsgFunctionDefinedTwice);
  if (label < 0) return false;
  const ScopeNumber scope = function + 1;
  parser.currentScope = scope;
  parser.EmitWord(kCmdStop);
  if (!parser.AddLabelDefinition(header.name, kGlobalScope, parser.WordCount())) return false;
  std::vector<std::string> parameters;
  if (SplitParameters(parser, header.parameters, parameters) < 0) return false;
  for (const std::string& parameter : parameters) {
    OperandPair variable;
    parser.arrayLookupFlag = false;
    if (!parser.CompileVariableName(parameter, variable.number, variable.type)) {
      if (parser.errorMessage.empty()) SetCompilerError(parser, kMsgBadFunctionParameter);
      return false;
    }
    parser.EmitWord(variable.number);
  }
  parser.EmitWord(scope);
  return true;
}

// ---- Parameters and entry choice --------------------------------------------------------------

struct CompiledParameters {
  std::vector<OperandPair> values;
  std::string types;  // the ParameterTypeString
};

// Whether some entry of the run of `first`'s name takes the types so far (step by step, so a
// parameter is converted only when no entry could take it as it is).
bool RunAcceptsTypes(const ParserDatabase& database, int32_t first, std::string_view types) {
  const std::string& name = database.statements[first].name;
  for (int32_t e = first; e < database.StatementCount() && database.statements[e].name == name; ++e) {
    const std::string& signature = database.statements[e].signature;
    if (!signature.empty() && (signature[0] == kSignatureNone || signature[0] == kSignatureRestOfLine)) {
      return true;
    }
    if (signature.size() < types.size()) continue;
    bool accepts = true;
    for (std::size_t j = 0; j < types.size() && accepts; ++j) {
      accepts = signature[j] == kSignatureAnyType || signature[j] == types[j];
    }
    if (accepts) return true;
  }
  return false;
}

bool CompileParameters(CompileContext& context, int32_t first, const ParameterViews& texts,
                       CompiledParameters& compiled) {
  Parser& parser = context.parser;
  const StatementEntry& entry = context.Database().statements[first];
  const bool labels = !entry.signature.empty() && entry.signature[0] == kSignatureLabel;
  compiled.values.reserve(texts.size());
  for (std::size_t p = 0; p < texts.size(); ++p) {
    std::string_view text = texts[p];
    std::string rewritten;  // only block statements' conditions are rewritten
    if (entry.blockKeyword) {
      rewritten = text;
      RewriteWordOperators(rewritten);
      text = rewritten;
    }
    OperandPair value;
    if (labels) {
      if (!CompileLabelOperand(context, std::string_view(entry.name) == "restore", text, value)) {
        return Fail(parser, kMsgLabelTableFull);
      }
    } else {
      value = CompileExpressionOrInvalid(context, text);
      if (value.type == kTypeAny) {
        const bool takesTargetType = std::string_view(entry.name) == "=" && p > 0 &&
                                     (compiled.types[0] == kTypeFloat || compiled.types[0] == kTypeString);
        value.type = takesTargetType ? compiled.types[0] : kTypeInteger;
      }
    }
    compiled.types.push_back(value.type);
    if ((value.type == kTypeInteger || value.type == kTypeFloat) &&
        !RunAcceptsTypes(context.Database(), first, compiled.types)) {
      const int32_t conversion = value.type == kTypeInteger ? kConvertToFloatId : kConvertToIntegerId;
      if (!EmitConversion(context, conversion, value)) return false;
      compiled.types.back() = value.type;
    }
    compiled.values.push_back(value);
    // An array lookup asked for the first parameter ends with it, whatever it turned out to be.
    parser.arrayLookupFlag = false;
  }
  return true;
}

// The first entry of the name whose signature fits the types ('z' in the signature takes any).
int32_t ChooseEntry(const CompileContext& context, int32_t first, std::string_view types, std::size_t count) {
  const ParserDatabase& database = context.Database();
  for (const int32_t e : context.commands.StatementEntries(database.statements[first].name)) {
    if (e < first) continue;
    const std::string& signature = database.statements[e].signature;
    if (!signature.empty() && signature[0] == kSignatureRestOfLine) return e;
    if (count == 0 && !signature.empty() && signature[0] == kSignatureNone) return e;
    if (signature.size() != types.size()) continue;
    bool fits = true;
    for (std::size_t j = 0; j < types.size() && fits; ++j) {
      fits = signature[j] == kSignatureAnyType || signature[j] == types[j];
    }
    if (fits) return e;
  }
  return -1;
}

bool ReportMismatch(Parser& parser, const StatementEntry& first) {
  if (!parser.errorMessage.empty()) return false;  // a parameter's own message says more
  std::string message = CompilerMessage(kMsgStatementMismatch) + " ";
  if (!AppendSpecialMismatchText(first.name, message)) {
    const std::string expected = DescribeSignature(first.signature);
    message += first.name + " " + CompilerMessage(kMsgWordExpects) + " " +
               (expected.empty() ? CompilerMessage(kMsgWordNoParameters) : expected);
  }
  parser.errorMessage = message;
  return false;
}

// ENDFUNCTION and EXITFUNCTION give the call a value of the function's result type: a number is
// converted to it, anything else (a text for a number, a number for a text, an ENDFUNCTION
// without a value for a text) is an error, so the call's result cell always gets a value of its
// own type.
bool MatchFunctionResult(CompileContext& context, const StatementEntry& first, CompiledParameters& compiled) {
  Parser& parser = context.parser;
  const std::string_view name = first.name;
  if ((name != "endfunction" && name != "exitfunction") || parser.currentScope <= 0 ||
      parser.currentScope > parser.UserFunctionCount()) {
    return true;
  }
  const char letter =
      parser.userFunctionTable[static_cast<std::size_t>(parser.currentScope - 1)].resultLetter;
  auto mismatch = [&]() {
    if (!parser.errorMessage.empty()) return false;
    parser.errorMessage = CompilerMessage(kMsgStatementMismatch) + " " + first.name + " " +
                          CompilerMessage(kMsgWordExpects) + " " + DescribeSignature({&letter, 1});
    return false;
  };
  // EXITFUNCTION without a value leaves early with the empty value of the result type (0 or "").
  if (compiled.values.empty()) return letter == kTypeString && name != "exitfunction" ? mismatch() : true;
  if (compiled.values.size() != 1) return true;  // no entry takes it; the choice reports it
  OperandPair& value = compiled.values[0];
  if (value.type == letter) return true;
  const bool numeric = value.type == kTypeInteger || value.type == kTypeFloat;
  if (!numeric || letter == kTypeString) return mismatch();
  if (!EmitConversion(context, letter == kTypeFloat ? kConvertToFloatId : kConvertToIntegerId, value)) {
    return false;
  }
  compiled.types[0] = value.type;
  return true;
}

bool StoreDataItems(Parser& parser, const ParameterViews& items) {
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (!parser.AddDataItem(items[k])) return false;
  }
  return true;
}

// Steps 9 to 13: a statement found in the database, with its parameter text.
bool CompileStatementEntry(CompileContext& context, int32_t first, std::string parameterText) {
  Parser& parser = context.parser;
  const ParserDatabase& database = context.Database();
  const StatementEntry& entry = database.statements[first];
  // FUNCTION alone is no header: the call command needs the operands a call supplies.
  if (entry.id == kUserFunctionCallId) return Fail(parser, kMsgBadFunctionHeader);

  while (!parameterText.empty() && parameterText.back() == ' ') parameterText.pop_back();
  ParameterViews texts;  // views of parameterText
  const int32_t count = SplitParameters(parser, parameterText, texts);
  if (count < 0) return false;
  parser.statementStartWord = parser.WordCount();

  // The FOR and NEXT variable is an integer variable: a float would be converted into a
  // temporary on every pass, and the loop would never end.
  const int32_t keyword = FindBlockKeywordByCommandId(database, entry.id);
  if ((keyword == kBlockFor || keyword == kBlockNext) && count > 0 &&
      !IsIntegerVariableName(TrimBlanks(texts[0]))) {
    return Fail(parser, kMsgBadFor);
  }

  const std::string& signature = entry.signature;
  const bool restOfLine = !signature.empty() && signature[0] == kSignatureRestOfLine;
  const bool noParameters = count == 0 && !signature.empty() && signature[0] == kSignatureNone;
  CompiledParameters compiled;
  if (!restOfLine && !noParameters) {
    if (!CompileParameters(context, first, texts, compiled)) return false;
    if (compiled.types == "x") {
      if (parser.errorMessage.empty()) SetCompilerError(parser, kMsgBadExpression);
      return false;
    }
  }
  if (!MatchFunctionResult(context, entry, compiled)) return false;
  // An assignment stores into a variable and DIM, UNDIM and an element assignment name an array:
  // a number or a text written there is no variable.
  if (TargetsAVariable(entry) && !compiled.values.empty() && !IsVariableOperand(compiled.values[0])) {
    return Fail(parser, kMsgUnknownStatement);
  }

  const int32_t chosen = ChooseEntry(context, first, compiled.types, static_cast<std::size_t>(count));
  if (chosen < 0) return ReportMismatch(parser, entry);
  const StatementEntry& command = database.statements[chosen];
  if (!command.signature.empty() && command.signature[0] == kSignatureRestOfLine) {
    return command.name == "data" ? StoreDataItems(parser, texts) : true;
  }

  OperandList operands;
  for (const OperandPair& value : compiled.values) {
    if (!operands.Append(value.type, value.number)) return Fail(parser, kMsgTooManyParameters);
  }
  bool marker = false;
  if (!HandleBlockStructure(context, command.id, operands, count, marker)) return false;
  if (!marker && !parser.emissionSuppressed) {
    parser.EmitCommand(command.name, command.id, command.signature, operands);
  }
  if (command.id >= kCmdEndfunction && command.id <= kCmdEndfunctionS) {
    parser.currentScope = kMainScope;
  }
  return true;
}

// ---- Texts that name no statement -------------------------------------------------------------

// The statement ends at the first colon or semicolon outside quotes.
std::size_t StatementEnd(std::string_view text) {
  return std::min(FindOutsideQuotes(text, ':'), FindOutsideQuotes(text, ';'));
}

// "name(arguments)" or "name" of a user function, with nothing after the closing bracket.
bool SplitUserFunctionCall(std::string_view call, std::string& name, std::string& arguments,
                           bool& wellFormed) {
  const std::size_t open = call.find('(');
  name.assign(TrimBlanks(call.substr(0, open)));
  arguments.clear();
  wellFormed = true;
  if (open == std::string_view::npos) return true;
  const std::size_t close = call.rfind(')');
  if (close == std::string_view::npos || close < open || !TrimBlanks(call.substr(close + 1)).empty()) {
    wellFormed = false;
    return true;
  }
  arguments.assign(call.substr(open + 1, close - open - 1));
  return true;
}

bool CompileCallOrAssignment(CompileContext& context, std::string_view text, std::string& remainder) {
  Parser& parser = context.parser;
  const std::size_t end = StatementEnd(text);
  std::string name;
  std::string arguments;
  bool wellFormed = true;
  SplitUserFunctionCall(text.substr(0, end), name, arguments, wellFormed);
  const int32_t function = parser.FindUserFunction(name);
  if (function >= 0) {
    if (!wellFormed) return Fail(parser, kMsgUnknownStatement);
    remainder = end == std::string_view::npos ? "" : std::string(SkipControlAndBlanks(text.substr(end + 1)));
    OperandPair unused;
    return CompileUserFunctionCall(context, arguments, function, unused);
  }

  std::string rewritten(text);
  bool arrayElement = false;
  if (!RewriteAssignment(rewritten, arrayElement)) return Fail(parser, kMsgUnknownStatement);
  parser.arrayLookupFlag = arrayElement;
  std::string parameters;
  const int32_t entry = IdentifyStatement(context, rewritten, parameters, remainder);
  if (entry < 0) return Fail(parser, kMsgUnknownStatement);
  return CompileStatementEntry(context, entry, std::move(parameters));
}

bool CompileIdentified(CompileContext& context, int32_t result, std::string_view text,
                       std::string& parameters, std::string& remainder) {
  switch (result) {
    case kNoStatementName:
      return CompileCallOrAssignment(context, text, remainder);
    case kIfThenLine:
      return CompileIfThenLine(context);
    case kForToStatement:
      return CompileForStatement(context, remainder);
    case kDimArray:
      return CompileDimArray(context, remainder);
    case kSelectStatement:
      return CompileSelect(context, remainder);
    case kCaseStatement:
      return CompileCase(context, remainder);
    case kEndCaseStatement:
      return CompileEndCase(context, remainder);
    case kEndSelectStatement:
      return CompileEndSelect(context, remainder);
    default:
      return CompileStatementEntry(context, result, std::move(parameters));
  }
}

}  // namespace

bool CompileStatementText(CompileContext& context, std::string_view text) {
  Parser& parser = context.parser;
  text = SkipControlAndBlanks(text);
  if (text.empty()) return true;

  std::string label;
  if (ParseLabelDefinition(text, label)) return DefineLabel(parser, label);
  FunctionHeader header;
  if (ParseFunctionHeader(text, header) && !header.name.empty()) {
    const int32_t function = parser.FindUserFunction(header.name);
    if (function >= 0) return CompileFunctionHeader(context, header, function);
  }

  std::string parameters;
  std::string remainder;
  const int32_t result = IdentifyStatement(context, text, parameters, remainder);
  if (result >= 0) {
    const int32_t id = context.Database().statements[result].id;
    if (id == kCmdRemstart) parser.remBlockFlag = true;
    if (id == kCmdRemend) parser.remBlockFlag = false;
  }
  if (result == kCommentStatement || parser.remBlockFlag) {
    parser.arrayLookupFlag = false;  // an UNDIM passed over must not leave its lookup behind
    return true;
  }

  parser.ResetTemporaries();
  if (!CompileIdentified(context, result, text, parameters, remainder)) return false;
  if (remainder.empty()) return true;
  return CompileStatementText(context, remainder);
}

const CommandLookup& StatementCompiler::LookupFor(const ParserDatabase& database) {
  if (!lookup_.Matches(database)) lookup_.Rebuild(database);
  return lookup_;
}

int32_t StatementCompiler::PrescanFunctions(Parser& parser, int32_t includeStartLine) {
  lookup_.Rebuild(parser.database);  // the database may have been built anew for this compile
  CompileContext context{parser, lookup_};
  return qm::PrescanFunctions(context, includeStartLine);
}

bool StatementCompiler::CompileStatement(Parser& parser, std::string_view text) {
  CompileContext context{parser, LookupFor(parser.database)};
  parser.arrayLookupFlag = false;
  const bool compiled = CompileStatementText(context, text);
  parser.arrayLookupFlag = false;
  return compiled;
}

bool StatementCompiler::ResolveLabels(Parser& parser) { return qm::ResolveLabels(parser); }

bool StatementCompiler::CheckArraysDeclared(Parser& parser) { return qm::CheckArraysDeclared(parser); }

std::shared_ptr<CompilerPasses> MakeStatementCompiler() { return std::make_shared<StatementCompiler>(); }

}  // namespace qm
