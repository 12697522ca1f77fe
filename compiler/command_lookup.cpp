// The name index of the command database used by the statement and expression compilers.
#include <algorithm>

#include "compiler/compile_context.h"

namespace qm {

namespace {

const std::vector<int32_t>& NoEntries() {
  static const std::vector<int32_t> empty;
  return empty;
}

// Command names are short, as the symbol tables' names are: the same hash serves both.
std::size_t HashOf(std::string_view name) { return NameKeyHash{}(name); }

int32_t WordCountOf(std::string_view name) {
  return static_cast<int32_t>(std::count(name.begin(), name.end(), ' ')) + 1;
}

}  // namespace

template <typename Value>
void CommandLookup::NameTable<Value>::Clear(std::size_t expectedNames) {
  std::size_t slots = 16;
  while (slots < expectedNames * 2) slots *= 2;
  slots_.assign(slots, -1);
  items_.clear();
  items_.reserve(expectedNames);
}

template <typename Value>
std::size_t CommandLookup::NameTable<Value>::SlotOf(std::string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = HashOf(name) & mask;
  while (slots_[slot] >= 0 && items_[static_cast<std::size_t>(slots_[slot])].first != name) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

template <typename Value>
const Value* CommandLookup::NameTable<Value>::Find(std::string_view name) const {
  if (slots_.empty()) return nullptr;
  const int32_t item = slots_[SlotOf(name)];
  return item < 0 ? nullptr : &items_[static_cast<std::size_t>(item)].second;
}

template <typename Value>
template <typename KeepName>
Value& CommandLookup::NameTable<Value>::FindOrAdd(std::string_view name, KeepName keep, bool& added) {
  // Clear sized the slots for every name the database can add, so one is always free.
  const std::size_t slot = SlotOf(name);
  added = slots_[slot] < 0;
  if (added) {
    slots_[slot] = static_cast<int32_t>(items_.size());
    items_.emplace_back(keep(name), Value{});
  }
  return items_[static_cast<std::size_t>(slots_[slot])].second;
}

void CommandLookup::Rebuild(const ParserDatabase& database) {
  pending_ = &database;
  statementCount_ = database.StatementCount();
  valueCount_ = database.ValueCommandCount();
}

std::string_view CommandLookup::KeepCopy(std::string_view name) const {
  const std::size_t at = names_.size();
  names_.append(name);
  return std::string_view(names_).substr(at, name.size());
}

void CommandLookup::Chain(NameEntries& entries, std::vector<int32_t>& next, int32_t index) {
  if (entries.first < 0) {
    entries.first = index;
  } else {
    next[static_cast<std::size_t>(entries.last)] = index;
  }
  entries.last = index;
}

const std::vector<int32_t>& CommandLookup::ListOf(const NameEntries* entries,
                                                  const std::vector<int32_t>& next) {
  if (entries == nullptr) return NoEntries();
  // A name has at least one entry, so an empty list is one not made yet.
  std::vector<int32_t>& list = entries->list;
  if (list.empty()) {
    for (int32_t index = entries->first; index >= 0; index = next[static_cast<std::size_t>(index)]) {
      list.push_back(index);
    }
  }
  return list;
}

void CommandLookup::IndexPending() const {
  const ParserDatabase& database = *pending_;
  pending_ = nullptr;
  const auto statementCount = static_cast<std::size_t>(database.StatementCount());
  const auto valueCount = static_cast<std::size_t>(database.ValueCommandCount());
  std::size_t length = 0;
  // A statement's name and its first word are kept: the copies never outgrow what is reserved.
  for (const StatementEntry& statement : database.statements) length += 2 * statement.name.size();
  for (const ValueCommandEntry& value : database.valueCommands) length += value.name.size();
  names_.clear();
  names_.reserve(length);
  statements_.Clear(statementCount);
  valueCommands_.Clear(valueCount);
  nextStatement_.assign(statementCount, -1);
  nextValueCommand_.assign(valueCount, -1);
  longestByFirstWord_.Clear(statementCount);
  longestStatementName_ = 0;
  const auto keep = [this](std::string_view name) { return KeepCopy(name); };
  bool added = false;
  for (std::size_t i = 0; i < statementCount; ++i) {
    const std::string& name = database.statements[i].name;
    Chain(statements_.FindOrAdd(name, keep, added), nextStatement_, static_cast<int32_t>(i));
    if (!added) continue;  // the words of a name seen before are counted
    const int32_t words = WordCountOf(name);
    longestStatementName_ = std::max(longestStatementName_, words);
    const std::string_view firstWord = std::string_view(name).substr(0, name.find(' '));
    int32_t& longest = longestByFirstWord_.FindOrAdd(firstWord, keep, added);
    longest = std::max(longest, words);
  }
  for (std::size_t i = 0; i < valueCount; ++i) {
    Chain(valueCommands_.FindOrAdd(database.valueCommands[i].name, keep, added), nextValueCommand_,
          static_cast<int32_t>(i));
  }
}

bool CommandLookup::Matches(const ParserDatabase& database) const {
  return statementCount_ == database.StatementCount() && valueCount_ == database.ValueCommandCount();
}

int32_t CommandLookup::LongestStatementNameStartingWith(std::string_view firstWord) const {
  Index();
  const int32_t* longest = longestByFirstWord_.Find(firstWord);
  return longest == nullptr ? 0 : *longest;
}

const std::vector<int32_t>& CommandLookup::StatementEntries(std::string_view name) const {
  Index();
  return ListOf(statements_.Find(name), nextStatement_);
}

const std::vector<int32_t>& CommandLookup::ValueEntries(std::string_view name) const {
  Index();
  return ListOf(valueCommands_.Find(name), nextValueCommand_);
}

}  // namespace qm
