// Command handlers and their registration. Each command family registers a table of
// {id, name, signature, handler} rows that lives next to its handlers; the interpreter dispatches
// by id through one table, and a test compares every registered row with the command-set database.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace qm {

// A handler takes no arguments: it reads its operands at the ProgramCounter (Interpreter state).
using CommandHandler = void (*)();

inline constexpr int32_t kMaxCommandId = 9999;

// The operand words that follow a command's id, as the program verifier checks them before the
// program runs (runtime/program_verifier.h). Most commands take one operand per signature letter.
enum class OperandLayout : uint8_t {
  // One operand per signature letter, the result's first: L and F an integer or float cell, S a
  // string cell, Z any cell, A a jump target; "0" none.
  Signature,
  // The signature's operands, then a jump target (IF, WHILE, UNTIL, FOR, NEXT).
  SignatureThenJump,
  // A jump target only, and the program never goes on after the command (ELSE, GOTO, ...).
  Jump,
  // One DATA index (RESTORE label).
  DataLabel,
  // A user-function call: [function entry][result cell][argument count literal][one cell per
  // argument]; the entry holds one parameter cell per argument, then the function's scope.
  UserFunctionCall,
  // No operands, and the program never goes on after the command (STOP).
  EndsProgram,
};

struct CommandRegistration {
  int32_t id;             // command id, 1-9999
  const char* name;       // the command's name as in the database, lower case ("load bitmap")
  const char* signature;  // its signature letters as in the database ("SL"; result letter first)
  CommandHandler handler;
  OperandLayout layout = OperandLayout::Signature;
};

// What the verifier needs of a registered command.
struct CommandOperands {
  const char* signature = nullptr;  // nullptr: no handler is registered for the id
  OperandLayout layout = OperandLayout::Signature;
};

// What the interpreter runs for an id without a handler: the program stops on that word, without
// an error, and the command line opens.
void StopOnUnknownCommand();

// The dispatch table the interpreter reads: one entry per id 0-9999, StopOnUnknownCommand where
// no handler is registered, so a dispatch is one table load and one call. Written only through
// RegisterCommands and ClearCommandRegistrations.
extern std::array<CommandHandler, kMaxCommandId + 1> CommandHandlerTable;

// Adds a family's rows to the dispatch table. A later row for the same id replaces the handler.
void RegisterCommands(std::span<const CommandRegistration> rows);
// The handler for an id, or nullptr when none is registered (the default case of the dispatch).
CommandHandler FindCommandHandler(int32_t id);
// The operand layout registered for an id (no signature when the id has no handler).
CommandOperands RegisteredOperands(int32_t id);
// Changes whenever a registration changes, so a verified program knows to verify again.
uint32_t CommandRegistrationGeneration();
// Every row registered so far, in registration order.
const std::vector<CommandRegistration>& RegisteredCommands();
// Empties the table (tests).
void ClearCommandRegistrations();

}  // namespace qm
