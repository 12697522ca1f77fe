// The state the statement and expression compilers share while they compile one text: the Parser
// whose tables they fill, an index of the command database by name, and the few flags that live
// between nested calls of the expression compiler.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/parser.h"

namespace qm {

// Finds the entries of a command name without scanning the whole database. The database lists
// the overloads of a name one after another, but a few names have two runs (CLS, ">[", ...), so
// every index of a name is kept, in database order.
class CommandLookup {
 public:
  // Indexes the database. The index is made at the first look-up (a text without statements
  // makes none), from the database as it stands then; the database must outlive the index.
  void Rebuild(const ParserDatabase& database);
  // True when the index was built from a database of the same size (tests build small ones).
  bool Matches(const ParserDatabase& database) const;

  // Every statement entry of the name, in database order (empty when the name is unknown).
  const std::vector<int32_t>& StatementEntries(std::string_view name) const;
  // Every value-returning entry of the name (without its "["), in database order.
  const std::vector<int32_t>& ValueEntries(std::string_view name) const;
  // The most words a statement name has ("set object collision to spheres" has five).
  int32_t LongestStatementName() const {
    Index();
    return longestStatementName_;
  }
  // The most words a statement name beginning with this word has (0: none begins with it).
  int32_t LongestStatementNameStartingWith(std::string_view firstWord) const;

 private:
  // Names to values in one table of slots (open addressing): the names are views of the
  // lookup's own copy of them, so the index costs a few allocations, not several per name.
  template <typename Value>
  class NameTable {
   public:
    void Clear(std::size_t expectedNames);
    const Value* Find(std::string_view name) const;
    // The value of the name; a new name gets a value-initialised one, under the name `keep`
    // returns for it (a lasting copy), and `added` is set.
    template <typename KeepName>
    Value& FindOrAdd(std::string_view name, KeepName keep, bool& added);

   private:
    std::size_t SlotOf(std::string_view name) const;
    std::vector<int32_t> slots_;  // index into items_, -1 for a free slot; a power of two long
    std::vector<std::pair<std::string_view, Value>> items_;
  };

  // The entries of one name: a chain through `next` (the entry after each of the name's entries,
  // -1 after the last), and their list, made at the first look-up of the name.
  struct NameEntries {
    int32_t first = -1;
    int32_t last = -1;
    mutable std::vector<int32_t> list;
  };
  static void Chain(NameEntries& entries, std::vector<int32_t>& next, int32_t index);
  static const std::vector<int32_t>& ListOf(const NameEntries* entries, const std::vector<int32_t>& next);

  // Makes the index of the database Rebuild named, when it is not made yet.
  void Index() const {
    if (pending_ != nullptr) IndexPending();
  }
  void IndexPending() const;
  // A copy of the name in names_, which never reallocates while the index is made.
  std::string_view KeepCopy(std::string_view name) const;

  mutable const ParserDatabase* pending_ = nullptr;
  mutable std::string names_;
  mutable NameTable<NameEntries> statements_;
  mutable NameTable<NameEntries> valueCommands_;
  mutable std::vector<int32_t> nextStatement_;
  mutable std::vector<int32_t> nextValueCommand_;
  mutable NameTable<int32_t> longestByFirstWord_;
  int32_t statementCount_ = -1;
  int32_t valueCount_ = -1;
  mutable int32_t longestStatementName_ = 0;
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
