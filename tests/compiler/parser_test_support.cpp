// The stand-in statement compiler and the temporary folder of the Parser's tests.
#include "parser_test_support.h"

#include <atomic>

#include "resources/command_ids.h"

namespace qm::testing {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

OperandPair CompileOperand(Parser& parser, std::string_view text) {
  OperandPair literal = parser.CompileLiteral(text);
  if (literal.type != 0) return literal;
  OperandPair variable;
  if (!parser.CompileVariableName(text, variable.number, variable.type)) {
    if (parser.errorMessage.empty()) parser.errorMessage = "bad operand";
    return OperandPair{kTypeFailed, -1};
  }
  return variable;
}

bool CompilePrint(Parser& parser, std::string_view operandText) {
  OperandList operands;
  const std::size_t plus = operandText.find('+', 1);
  if (plus != std::string_view::npos) {
    OperandPair left = CompileOperand(parser, operandText.substr(0, plus));
    OperandPair right = CompileOperand(parser, operandText.substr(plus + 1));
    if (left.type == kTypeFailed || right.type == kTypeFailed) return false;
    OperandList sum;
    OperandPair* result = sum.AppendSlot();
    if (parser.AllocateTemporary(*result, kTypeInteger) < 0) return false;
    if (!sum.Append(left.type, left.number) || !sum.Append(right.type, right.number)) return false;
    parser.EmitCommand("+", kOpAddLLL, "lll", sum);
    if (!operands.Append(kTypeInteger, (*result).number)) return false;
    parser.EmitCommand("print", kCmdPrintL, "l", operands);
    return true;
  }
  OperandPair value = CompileOperand(parser, operandText);
  if (value.type == kTypeFailed || !operands.Append(value.type, value.number)) return false;
  const int32_t id = value.type == kTypeFloat ? 302 : value.type == kTypeString ? 303 : 301;
  parser.EmitCommand("print", id, std::string(1, value.type), operands);
  return true;
}

bool CompileLabelCommand(Parser& parser, std::string_view name, LabelKind kind, int32_t id) {
  const OperandNumber label = parser.FindOrAddLabel(name, kind, true, false);
  OperandList operands;
  if (label < 0 || !operands.Append(kTypeLabel, label)) return false;
  parser.EmitCommand(kind == LabelKind::Code ? "goto" : "restore", id, "a", operands);
  return true;
}

bool CompileLabelDefinition(Parser& parser, std::string_view name) {
  const OperandNumber label = parser.FindOrAddLabel(name, LabelKind::Data, false, false);
  if (label == -2) parser.errorMessage = CompilerMessage(kMsgLabelDefinedTwice);
  if (label < 0) return false;
  return parser.AddLabelDefinition(name, parser.currentScope, parser.WordCount());
}

bool CompileData(Parser& parser, std::string_view items) {
  for (;;) {
    const std::size_t comma = items.find(',');
    if (!parser.AddDataItem(items.substr(0, comma))) return false;
    if (comma == std::string_view::npos) return true;
    items.remove_prefix(comma + 1);
  }
}

}  // namespace

int32_t StandInPasses::PrescanFunctions(Parser& parser, int32_t includeStartLine) {
  prescanIncludeStart = includeStartLine;
  return CountMergedLines(parser.mergedText);
}

bool StandInPasses::CompileStatement(Parser& parser, std::string_view text) {
  if (!text.empty()) statements.push_back({parser.counters.currentLine, std::string(text)});
  parser.ResetTemporaries();
  if (text == "fail") {
    parser.errorMessage = "boom";
    return false;
  }
  if (text == "fail silently") return false;
  if (text == "open") {
    ++parser.counters.openBlocks;
    return true;
  }
  if (StartsWith(text, "words ")) {
    const int count = std::stoi(std::string(text.substr(6)));
    for (int i = 0; i < count; ++i) parser.EmitWord(7);
    return true;
  }
  if (StartsWith(text, "print ")) return CompilePrint(parser, text.substr(6));
  if (StartsWith(text, "goto ")) return CompileLabelCommand(parser, text.substr(5), LabelKind::Code, 42);
  if (StartsWith(text, "restore ")) {
    return CompileLabelCommand(parser, text.substr(8), LabelKind::Data, 31);
  }
  if (StartsWith(text, "data ")) return CompileData(parser, text.substr(5));
  if (!text.empty() && text.back() == ':') {
    return CompileLabelDefinition(parser, text.substr(0, text.size() - 1));
  }
  return true;
}

bool StandInPasses::ResolveLabels(Parser& parser) {
  for (int32_t entry = 0; entry < parser.LabelEntryCount(); ++entry) {
    const LabelReferenceEntry& label = parser.labelReferenceTable[entry];
    const LabelDefinition* definition = nullptr;
    for (int32_t d = 0; d < parser.LabelDefinitionCount() && !definition; ++d) {
      const LabelDefinition& candidate = parser.labelDefinitionTable[d];
      if (candidate.name == label.name && candidate.scope == label.scope) definition = &candidate;
    }
    if (!definition) {
      parser.labelArrayErrorLine = label.line;
      return false;
    }
    for (int32_t r = 0; r < parser.LabelReferenceCount(entry); ++r) {
      const LabelReference& reference = label.references[r];
      parser.PatchWord(reference.wordIndex, reference.kind == LabelKind::Code
                                                ? WordAddressOperand(definition->wordIndex)
                                                : kDataItems + label.dataPosition);
    }
  }
  return true;
}

bool StandInPasses::CheckArraysDeclared(Parser& parser) {
  if (!arraysDeclared) parser.labelArrayErrorLine = 1;
  return arraysDeclared;
}

TemporaryFolder::TemporaryFolder() {
  static std::atomic<int> serial{0};
  previous_ = std::filesystem::current_path();
  path_ = std::filesystem::temp_directory_path() /
          ("qm-compiler-test-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
  std::filesystem::current_path(path_);
}

TemporaryFolder::~TemporaryFolder() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TemporaryFolder::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream file(path_ / name, std::ios::binary);
  file << bytes;
}

ParserWithStandIn::ParserWithStandIn() : passes(std::make_shared<StandInPasses>()) {
  parser.SetCompilerPasses(passes);
  parser.Open();
}

std::vector<int32_t> ProgramWordRange(const Parser& parser, int32_t from, int32_t to) {
  std::vector<int32_t> words;
  for (int32_t index = from; index < to; ++index) words.push_back(parser.ProgramWordAt(index));
  return words;
}

std::vector<int32_t> LineWordRange(const Parser& parser, int32_t from, int32_t to) {
  std::vector<int32_t> words;
  for (int32_t index = from; index < to; ++index) words.push_back(parser.LineWordAt(index));
  return words;
}

}  // namespace qm::testing
