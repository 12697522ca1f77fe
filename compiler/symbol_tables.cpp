// Symbol tables and operand allocation: variables, DIM declarations, labels and their references,
// user functions and the temporaries of a statement.
#include "compiler/symbol_tables.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "compiler/parser.h"

namespace qm {

namespace {

constexpr std::array<OperandNumber, 3> kVariableBase = {kIntVariables, kFloatVariables, kStringVariables};
constexpr std::array<OperandNumber, 3> kTemporaryBase = {kIntTemporaries, kFloatTemporaries,
                                                         kStringTemporaries};
constexpr std::array<int32_t, 3> kVariableTableFullMessage = {
    kMsgTooManyIntegerVariables, kMsgTooManyFloatVariables, kMsgTooManyStringVariables};
constexpr std::array<char, 3> kTypeLetters = {kTypeInteger, kTypeFloat, kTypeString};

bool IsVariableNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '#' || c == '$';
}

// Table index of a type letter: 0 integer (also 'z' and anything unknown), 1 float, 2 string.
int32_t TypeIndex(char type) {
  if (type == kTypeFloat) return 1;
  if (type == kTypeString) return 2;
  return 0;
}

// The index key of a variable: its name, a zero byte, its scope's digits and "A" for an array or
// "V".
class VariableKey {
 public:
  VariableKey(std::string_view name, ScopeNumber scope, bool isArray) {
    char* out = name.size() <= kShortName ? local_ : (long_.resize(name.size() + 16), long_.data());
    out = std::copy(name.begin(), name.end(), out);
    *out++ = '\0';
    out = std::to_chars(out, out + 12, scope).ptr;
    *out++ = isArray ? 'A' : 'V';
    const char* begin = name.size() <= kShortName ? local_ : long_.data();
    key_ = std::string_view(begin, static_cast<std::size_t>(out - begin));
  }
  VariableKey(const VariableKey&) = delete;
  VariableKey& operator=(const VariableKey&) = delete;
  std::string_view View() const { return key_; }

 private:
  static constexpr std::size_t kShortName = 48;
  char local_[kShortName + 16];
  std::string long_;
  std::string_view key_;
};

int32_t& NextVariableCounter(CompileCounters& counters, int32_t table) {
  if (table == 1) return counters.nextFloatVariable;
  if (table == 2) return counters.nextStringVariable;
  return counters.nextIntVariable;
}

int32_t& VariableEntryCounter(CompileCounters& counters, int32_t table) {
  if (table == 1) return counters.floatVariableEntries;
  if (table == 2) return counters.stringVariableEntries;
  return counters.intVariableEntries;
}

}  // namespace

int32_t TemporaryWindowOffset(ScopeNumber scope) {
  if (scope <= kMainScope) return 0;
  return std::min(kFunctionTemporaryWindow * scope, kMaxTemporaryWindowOffset);
}

int32_t TemporaryWindowSize(ScopeNumber scope) {
  return scope <= kMainScope ? kMainTemporaryWindow : kFunctionTemporaryWindow;
}

char OperandTypeFromNumber(OperandNumber number) {
  if (number < kIntTemporaries || number >= kDataItems) return 0;
  // Temporaries, variables and literals each come in three blocks: integer, float, string.
  if (number < kIntVariables) return kTypeLetters[(number - kIntTemporaries) / 1000];
  if (number < kIntLiterals) return kTypeLetters[(number - kIntVariables) / 2000];
  return kTypeLetters[(number - kIntLiterals) / 2000];
}

bool IsVariableNameText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsVariableNameCharacter);
}

char VariableTypeOfName(std::string_view name) {
  if (name.find('#') != std::string_view::npos) return kTypeFloat;
  if (name.find('$') != std::string_view::npos) return kTypeString;
  return kTypeInteger;
}

// ---- Variables ------------------------------------------------------------------------------

int32_t Parser::VariableCount(char type) const {
  const int32_t table = TypeIndex(type);
  if (table == 1) return counters.floatVariableEntries;
  if (table == 2) return counters.stringVariableEntries;
  return counters.intVariableEntries;
}

const VariableEntry& Parser::Variable(char type, int32_t index) const {
  return variableTables[TypeIndex(type)][index];
}

bool Parser::CompileVariableName(std::string_view name, OperandNumber& number, char& type, bool checkOnly) {
  if (!IsVariableNameText(name)) return false;
  type = VariableTypeOfName(name);
  const bool isArray = arrayLookupFlag;
  arrayLookupFlag = false;
  if (checkOnly || emissionSuppressed) {
    number = 0;
    return true;
  }
  number = FindOrAddVariable(type, name, isArray);
  return number >= 0;
}

int32_t Parser::FindVariableInScope(int32_t table, std::string_view name, ScopeNumber scope,
                                    bool isArray) const {
  auto found = variableIndex_[table].find(VariableKey(name, scope, isArray).View());
  if (found == variableIndex_[table].end()) return -1;
  const int32_t index = found->second;
  const int32_t count = VariableCount(kTypeLetters[table]);
  if (index >= count) return -1;
  const VariableEntry& entry = variableTables[table][index];
  bool same = entry.scope == scope && entry.isArray == isArray && entry.name == name;
  return same ? index : -1;
}

OperandNumber Parser::FindOrAddVariable(char type, std::string_view name, bool isArray) {
  const int32_t table = TypeIndex(type);
  int32_t index = FindVariableInScope(table, name, currentScope, isArray);
  // An array declared in the main program is found from every function.
  if (index < 0 && isArray && currentScope != kMainScope) {
    index = FindVariableInScope(table, name, kMainScope, true);
  }
  if (index >= 0) return variableTables[table][index].number;

  int32_t& next = NextVariableCounter(counters, table);
  const OperandNumber limit = kVariableBase[table] + kMaxVariablesPerType;
  if (next >= limit - 1) {
    next = limit;
    errorMessage = CompilerMessage(kVariableTableFullMessage[table]);
    keepErrorMessage = true;
    return -1;
  }
  int32_t& count = VariableEntryCounter(counters, table);
  std::vector<VariableEntry>& entries = variableTables[table];
  entries.resize(count);
  entries.push_back(VariableEntry{std::string(name), currentScope, isArray, next, counters.currentLine});
  variableIndex_[table][std::string(VariableKey(name, currentScope, isArray).View())] = count;
  ++count;
  return next++;
}

int16_t Parser::VariableScope(ValueType type, int32_t index) const {
  const int32_t table = static_cast<int32_t>(type);
  if (index < 0 || index >= VariableCount(kTypeLetters[table])) return 0;
  return static_cast<int16_t>(variableTables[table][index].scope);
}

// ---- Labels ---------------------------------------------------------------------------------

int32_t Parser::FindLabelEntry(std::string_view name, bool global) const {
  auto found = labelIndex_.find(name);
  if (found == labelIndex_.end()) return -1;
  for (int32_t index : found->second) {
    if (index >= counters.labelReferences) break;
    const LabelReferenceEntry& entry = labelReferenceTable[index];
    if (entry.name == name && (global || entry.scope == currentScope)) return index;
  }
  return -1;
}

void Parser::AddLabelReference(int32_t entry, LabelKind kind) {
  int32_t& count = counters.labelReferenceCounts[entry];
  std::vector<LabelReference>& references = labelReferenceTable[entry].references;
  references.resize(count);
  // The label operand is the first operand word of the command about to be emitted.
  references.push_back(LabelReference{counters.programWrite + 1, kind});
  ++count;
}

OperandNumber Parser::FindOrAddLabel(std::string_view name, LabelKind kind, bool isReference, bool global) {
  if (!isReference && compileMode == CompileMode::CommandLine) {
    // A typed line is compiled over the previous one: a label or function defined there would
    // name words that the next line overwrites.
    errorMessage = CompilerMessage(kMsgNotAtCommandLine);
    return -1;
  }
  int32_t index = FindLabelEntry(name, global);
  if (isReference && emissionSuppressed) {
    // The pre-scan only works out types: no reference is recorded, no entry made.
    return index >= 0 ? labelReferenceTable[index].number : 0;
  }
  if (index >= 0) {
    LabelReferenceEntry& entry = labelReferenceTable[index];
    if (isReference) {
      entry.latestKind = kind;
      AddLabelReference(index, kind);
      return entry.number;
    }
    if (entry.dataPosition != -1) return -2;
    entry.dataPosition = DataItemCount();
    return entry.number;
  }

  if (counters.nextLabel >= kLabelNumberLimit - 1) {
    counters.nextLabel = kLabelNumberLimit;
    errorMessage = CompilerMessage(kMsgTooManyLabels);
    return -1;
  }
  index = counters.labelReferences;
  labelReferenceTable.resize(index);
  LabelReferenceEntry entry;
  entry.name = std::string(name);
  entry.scope = global ? kGlobalScope : currentScope;
  entry.number = counters.nextLabel++;
  entry.latestKind = kind;
  entry.line = counters.currentLine;
  entry.dataPosition = isReference ? -1 : DataItemCount();
  labelReferenceTable.push_back(std::move(entry));
  std::vector<int32_t>& indexes = labelIndex_[std::string(name)];
  indexes.erase(std::remove_if(indexes.begin(), indexes.end(), [&](int32_t i) { return i >= index; }),
                indexes.end());
  indexes.push_back(index);
  counters.labelReferences = index + 1;
  counters.labelReferenceCounts[index] = 0;
  if (isReference) AddLabelReference(index, kind);
  return labelReferenceTable[index].number;
}

bool Parser::AddLabelDefinition(std::string_view name, ScopeNumber scope, int32_t wordIndex) {
  if (counters.labelDefinitions >= kMaxLabelDefinitions) {
    errorMessage = CompilerMessage(kMsgTooManyLabels);
    return false;
  }
  labelDefinitionTable.resize(counters.labelDefinitions);
  labelDefinitionTable.push_back(LabelDefinition{std::string(name), scope, wordIndex});
  ++counters.labelDefinitions;
  return true;
}

// ---- DIM declarations and user functions ----------------------------------------------------

bool Parser::AddDimEntry(std::string_view name, ScopeNumber scope) {
  if (counters.dimEntries >= kMaxDimEntries) {
    errorMessage = CompilerMessage(kMsgBadDim);
    return false;
  }
  dimTable.resize(counters.dimEntries);
  dimTable.push_back(DimEntry{std::string(name), scope});
  ++counters.dimEntries;
  return true;
}

int32_t Parser::FindUserFunction(std::string_view name) const {
  auto found = userFunctionIndex_.find(name);
  if (found == userFunctionIndex_.end() || found->second >= counters.userFunctions) return -1;
  return userFunctionTable[found->second].name == name ? found->second : -1;
}

int32_t Parser::RegisterUserFunction(std::string_view name, std::string_view parameterLetters) {
  const int32_t existing = FindUserFunction(name);
  if (existing >= 0) return userFunctionTable[existing].number;
  const int32_t number = counters.nextUserFunction++;
  if (counters.nextUserFunction >= kMaxUserFunctions) {
    errorMessage = CompilerMessage(kMsgTooManyFunctions);
    return -1;
  }
  const int32_t index = counters.userFunctions;
  userFunctionTable.resize(index);
  userFunctionTable.push_back(UserFunctionEntry{std::string(name), std::string(parameterLetters),
                                                kTypeInteger, number, counters.currentLine});
  userFunctionIndex_[std::string(name)] = index;
  counters.userFunctions = index + 1;
  return number;
}

// ---- Temporaries ----------------------------------------------------------------------------

void Parser::ResetTemporaries() {
  const int32_t offset = TemporaryWindowOffset(currentScope);
  const int32_t size = TemporaryWindowSize(currentScope);
  for (int32_t table = 0; table < 3; ++table) {
    nextTemporary[table] = kTemporaryBase[table] + offset;
    temporaryLimit[table] = nextTemporary[table] + size;
  }
}

OperandNumber Parser::AllocateTemporary(OperandPair& slot, char type) {
  const int32_t table = TypeIndex(type);
  const char letter = kTypeLetters[table];
  if (emissionSuppressed) {
    // Only types matter while nothing is emitted; the window is left as it is.
    slot = OperandPair{letter, temporaryLimit[table] - TemporaryWindowSize(currentScope)};
    return slot.number;
  }
  if (nextTemporary[table] >= temporaryLimit[table]) {
    // Taking more would spill into another function's window or another type's range.
    errorMessage = CompilerMessage(kMsgTooManyTemporaries);
    slot = OperandPair{kTypeFailed, -1};
    return -1;
  }
  slot = OperandPair{letter, nextTemporary[table]++};
  return slot.number;
}

}  // namespace qm
