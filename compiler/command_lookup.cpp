// The name index of the command database used by the statement and expression compilers.
#include <algorithm>

#include "compiler/compile_context.h"

namespace qm {

namespace {

const std::vector<int32_t>& NoEntries() {
  static const std::vector<int32_t> empty;
  return empty;
}

int32_t WordCountOf(std::string_view name) {
  return static_cast<int32_t>(std::count(name.begin(), name.end(), ' ')) + 1;
}

}  // namespace

void CommandLookup::Rebuild(const ParserDatabase& database) {
  statements_.clear();
  valueCommands_.clear();
  longestByFirstWord_.clear();
  longestStatementName_ = 0;
  for (int32_t i = 0; i < database.StatementCount(); ++i) {
    const std::string& name = database.statements[i].name;
    statements_[name].push_back(i);
    const int32_t words = WordCountOf(name);
    longestStatementName_ = std::max(longestStatementName_, words);
    int32_t& longest = longestByFirstWord_[name.substr(0, name.find(' '))];
    longest = std::max(longest, words);
  }
  for (int32_t i = 0; i < database.ValueCommandCount(); ++i) {
    valueCommands_[database.valueCommands[i].name].push_back(i);
  }
  statementCount_ = database.StatementCount();
  valueCount_ = database.ValueCommandCount();
}

bool CommandLookup::Matches(const ParserDatabase& database) const {
  return statementCount_ == database.StatementCount() && valueCount_ == database.ValueCommandCount();
}

int32_t CommandLookup::LongestStatementNameStartingWith(std::string_view firstWord) const {
  const auto found = longestByFirstWord_.find(firstWord);
  return found == longestByFirstWord_.end() ? 0 : found->second;
}

const std::vector<int32_t>& CommandLookup::StatementEntries(std::string_view name) const {
  const auto found = statements_.find(name);
  return found == statements_.end() ? NoEntries() : found->second;
}

const std::vector<int32_t>& CommandLookup::ValueEntries(std::string_view name) const {
  const auto found = valueCommands_.find(name);
  return found == valueCommands_.end() ? NoEntries() : found->second;
}

}  // namespace qm
