// Keeps the interpreter's handlers and the command-set database in step: every handler a
// subsystem registers must name a command of the database by its id, name and signature.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compiler/command_database.h"
#include "runtime/command_dispatch.h"

namespace qm {

// Ids that have a handler but no database line: the interpreter's own commands that the compiler
// never emits (a copy-object handler and the two command-line overlay switches).
inline constexpr int32_t kHandlerOnlyCommandIds[] = {7264, 9990, 9995};

// One text per disagreement, such as "id 1001 \"load bitmap\" s: the database has \"load
// bitmap\" s for 1001, ...". Empty when every registration matches a database row: its id is a
// database id (or a handler-only id), a row of that id has the registered name and signature
// (compared in lower case; a value command's name may be given with or without its "[", its
// signature has the result letter first), and no id is registered twice with different handlers.
std::vector<std::string> CheckRegistrationsAgainstDatabase(
    const ParserDatabase& database, std::span<const CommandRegistration> registrations);

// The same for every subsystem installed (runtime/subsystem.h), each text led by the subsystem's
// name ("io: id 1001 ...").
std::vector<std::string> CheckInstalledSubsystems(const ParserDatabase& database);

// The database ids, in ascending order, for which no registration exists.
std::vector<int32_t> CommandIdsWithoutHandler(const ParserDatabase& database,
                                              std::span<const CommandRegistration> registrations);

}  // namespace qm
