// Comparison of the registered command handlers with the command-set database.
#include "compiler/command_registration_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "runtime/subsystem.h"

namespace qm {
namespace {

// A database row as the dispatch table sees it.
struct DatabaseRow {
  std::string name;
  std::string signature;
};

std::string LowerCased(const char* text) {
  std::string lower = text ? text : "";
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// A registered name as the database stores it: lower case, a value command without its "[".
std::string StoredName(const char* text) {
  std::string name = LowerCased(text);
  if (!name.empty() && name.back() == '[') name.pop_back();
  return name;
}

std::multimap<int32_t, DatabaseRow> RowsById(const ParserDatabase& database) {
  std::multimap<int32_t, DatabaseRow> rows;
  for (const StatementEntry& entry : database.statements) {
    rows.insert({entry.id, {entry.name, entry.signature}});
  }
  for (const ValueCommandEntry& entry : database.valueCommands) {
    rows.insert({entry.id, {entry.name, entry.signature}});
  }
  return rows;
}

std::string Describe(int32_t id, const std::string& name, const std::string& signature) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", id);
  return std::string("id ") + number + " \"" + name + "\" " + signature;
}

bool IsHandlerOnlyId(int32_t id) {
  return std::find(std::begin(kHandlerOnlyCommandIds), std::end(kHandlerOnlyCommandIds), id) !=
         std::end(kHandlerOnlyCommandIds);
}

// The mismatch text for one registration, or an empty text when it matches a row of its id.
std::string CheckOneRegistration(const std::multimap<int32_t, DatabaseRow>& rows,
                                 const CommandRegistration& registration) {
  const std::string name = StoredName(registration.name);
  const std::string signature = LowerCased(registration.signature);
  const auto [first, last] = rows.equal_range(registration.id);
  if (first == last) {
    if (IsHandlerOnlyId(registration.id)) return {};
    return Describe(registration.id, name, signature) + ": no database row has this id";
  }
  std::string expected;
  for (auto row = first; row != last; ++row) {
    if (row->second.name == name && row->second.signature == signature) return {};
    if (!expected.empty()) expected += " or ";
    expected += "\"" + row->second.name + "\" " + row->second.signature;
  }
  return Describe(registration.id, name, signature) + ": the database has " + expected;
}

}  // namespace

std::vector<std::string> CheckRegistrationsAgainstDatabase(
    const ParserDatabase& database, std::span<const CommandRegistration> registrations) {
  const std::multimap<int32_t, DatabaseRow> rows = RowsById(database);
  std::vector<std::string> mismatches;
  std::map<int32_t, CommandHandler> handlers;
  for (const CommandRegistration& registration : registrations) {
    if (std::string problem = CheckOneRegistration(rows, registration); !problem.empty()) {
      mismatches.push_back(std::move(problem));
    }
    const auto [known, inserted] = handlers.insert({registration.id, registration.handler});
    if (!inserted && known->second != registration.handler) {
      mismatches.push_back(
          Describe(registration.id, StoredName(registration.name), LowerCased(registration.signature)) +
          ": registered twice with different handlers");
    }
  }
  return mismatches;
}

std::vector<std::string> CheckInstalledSubsystems(const ParserDatabase& database) {
  std::vector<std::string> mismatches;
  for (const Subsystem* subsystem : InstalledSubsystems()) {
    std::vector<CommandRegistration> rows;
    for (const CommandFamily* family : subsystem->families)
      rows.insert(rows.end(), family->rows.begin(), family->rows.end());
    for (std::string& problem : CheckRegistrationsAgainstDatabase(database, rows)) {
      mismatches.push_back(std::string(subsystem->name) + ": " + problem);
    }
  }
  return mismatches;
}

std::vector<int32_t> CommandIdsWithoutHandler(const ParserDatabase& database,
                                              std::span<const CommandRegistration> registrations) {
  std::set<int32_t> registered;
  for (const CommandRegistration& registration : registrations) registered.insert(registration.id);
  std::set<int32_t> missing;
  for (const auto& [id, row] : RowsById(database)) {
    if (!registered.contains(id)) missing.insert(id);
  }
  return {missing.begin(), missing.end()};
}

}  // namespace qm
