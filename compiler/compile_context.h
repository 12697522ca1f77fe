// The state the statement and expression compilers share while they compile one text: the Parser
// whose tables they fill, an index of the command database by name, and the few flags that live
// between nested calls of the expression compiler.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/parser.h"

namespace qm {

// Finds the entries of a command name without scanning the whole database. The database lists
// the overloads of a name one after another, but a few names have two runs (CLS, ">[", ...), so
// every index of a name is kept, in database order.
class CommandLookup {
 public:
  // Names are looked up as views of the statement text, without making a string of each.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  using NameIndex = std::unordered_map<std::string, std::vector<int32_t>, NameHash, std::equal_to<>>;

  // Indexes the database as it stands now.
  void Rebuild(const ParserDatabase& database);
  // True when the index was built from a database of the same size (tests build small ones).
  bool Matches(const ParserDatabase& database) const;

  // Every statement entry of the name, in database order (empty when the name is unknown).
  const std::vector<int32_t>& StatementEntries(std::string_view name) const;
  // Every value-returning entry of the name (without its "["), in database order.
  const std::vector<int32_t>& ValueEntries(std::string_view name) const;
  // The most words a statement name has ("set object collision to spheres" has five).
  int32_t LongestStatementName() const { return longestStatementName_; }
  // The most words a statement name beginning with this word has (0: none begins with it).
  int32_t LongestStatementNameStartingWith(std::string_view firstWord) const;

 private:
  NameIndex statements_;
  NameIndex valueCommands_;
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> longestByFirstWord_;
  int32_t statementCount_ = -1;
  int32_t valueCount_ = -1;
  int32_t longestStatementName_ = 0;
};

struct CompileContext {
  Parser& parser;
  const CommandLookup& commands;

  // The result letter the parameter now being compiled should have; steers which overload of a
  // nested value-returning command is the starting point for conversions (0: none).
  char expectedResultType = 0;

  // While the pre-scan works out the result types of user functions: which functions already
  // have their type, and the first function without one that the expression just compiled
  // called (-1: none).
  const std::vector<bool>* functionTypeKnown = nullptr;
  int32_t untypedCallee = -1;

  const ParserDatabase& Database() const { return parser.database; }
};

// Puts CompilerMessage `number` into the Parser's errorMessage, unless the message set is one
// that stays (a full variable table's).
inline void SetCompilerError(Parser& parser, int32_t number) {
  if (parser.keepErrorMessage) return;
  parser.errorMessage = CompilerMessage(number);
}

}  // namespace qm
