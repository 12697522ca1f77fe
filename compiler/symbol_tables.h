// The compiler's symbol tables and the rules by which operands get their numbers: variables of
// the three types, DIM declarations, labels with their references, user functions, and the
// temporaries of a statement. The tables live in the Parser; the Parser's lookup and allocation
// functions (FindOrAddVariable, FindOrAddLabel, AllocateTemporary, ...) work on them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/operand_numbers.h"

namespace qm {

// An index of the tables by name, looked up with a view of the name (no string is made). Names
// are short and looked up for nearly every word compiled: FNV-1a, inline, hashes them in a few
// steps a character.
struct NameKeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view key) const {
    uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : key) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 0x100000001b3u;
    }
    return static_cast<std::size_t>(hash);
  }
};
template <typename Value>
using NameKeyIndex = std::unordered_map<std::string, Value, NameKeyHash, std::equal_to<>>;

// Owner of a variable or label: 0 the main program, n+1 user function n; -1 marks the global
// label entries of user-function names.
using ScopeNumber = int32_t;
inline constexpr ScopeNumber kMainScope = 0;
inline constexpr ScopeNumber kGlobalScope = -1;

inline constexpr int32_t kMaxVariablesPerType = 2000;  // the last number of a range is never given
inline constexpr int32_t kMaxDimEntries = 2000;
inline constexpr int32_t kMaxLabelEntries = 2000;  // label numbers 35000-36998
inline constexpr int32_t kMaxLabelDefinitions = 2000;
inline constexpr int32_t kMaxUserFunctions = 1024;  // numbers 0-1022 can be given
inline constexpr OperandNumber kLabelNumberLimit = 37000;

// Temporaries restart with every statement. The main program's statements use the whole range of
// each type; a function's statements use a window of 50 per type, 50 x scope above the range's
// start, the last window (scope 19 and up) shared.
inline constexpr int32_t kMainTemporaryWindow = 1000;
inline constexpr int32_t kFunctionTemporaryWindow = 50;
inline constexpr int32_t kMaxTemporaryWindowOffset = 950;

// The first temporary offset (0-950) of the window of a scope.
int32_t TemporaryWindowOffset(ScopeNumber scope);
// How many temporaries of one type a statement of the scope may take.
int32_t TemporaryWindowSize(ScopeNumber scope);

// Value type letters of operands: 'l' integer, 'f' float, 's' string.
inline constexpr char kTypeInteger = 'l';
inline constexpr char kTypeFloat = 'f';
inline constexpr char kTypeString = 's';
inline constexpr char kTypeAny = 'z';
inline constexpr char kTypeLabel = 'a';
inline constexpr char kTypeJump = 'j';
inline constexpr char kTypeConversionSource = ' ';
inline constexpr char kTypeFailed = 'x';

// 'l', 'f' or 's' for a temporary, variable or literal number; 0 for any other number.
char OperandTypeFromNumber(OperandNumber number);

// True when every character is a-z, 0-9, "_", "#" or "$" (and the text is not empty). The type:
// "#" anywhere makes a float, else "$" anywhere a string, else an integer.
bool IsVariableNameText(std::string_view text);
char VariableTypeOfName(std::string_view name);

struct VariableEntry {
  std::string name;  // as written (lower case), type marker included
  ScopeNumber scope = kMainScope;
  bool isArray = false;
  OperandNumber number = 0;
  int32_t line = 0;  // source line that was current when the entry was made
};

struct DimEntry {
  std::string name;  // the array name before its bracket, type marker included
  ScopeNumber scope = kMainScope;
};

// What a label operand needs: a code address (GOTO, GOSUB, function calls) or a DATA position
// (RESTORE).
enum class LabelKind : uint8_t { Data = 0, Code = 1 };

// One program word that receives a label's value. Each reference keeps its own kind, so one label
// named by both GOTO and RESTORE is patched correctly at every place.
struct LabelReference {
  int32_t wordIndex = 0;
  LabelKind kind = LabelKind::Code;
};

struct LabelReferenceEntry {
  std::string name;
  ScopeNumber scope = kMainScope;  // kGlobalScope for user-function names
  OperandNumber number = 0;        // 35000 upwards
  LabelKind latestKind = LabelKind::Code;
  int32_t line = 0;           // line of the label's first appearance
  int32_t dataPosition = -1;  // DATA items compiled before the definition; -1 until defined
  // The references; only the first CompileCounters::labelReferenceCounts[entry index] count.
  std::vector<LabelReference> references;
};

struct LabelDefinition {
  std::string name;
  ScopeNumber scope = kMainScope;  // kGlobalScope for a user function's entry point
  int32_t wordIndex = 0;           // index of the program word the label names
};

struct UserFunctionEntry {
  std::string name;
  std::string parameterLetters;  // one of 'l', 'f', 's' per parameter
  char resultLetter = kTypeInteger;
  int32_t number = 0;
  int32_t line = 0;  // line of the FUNCTION statement
};

}  // namespace qm
