// Command handlers and their registration. Each command family registers a table of
// {id, name, signature, handler} rows that lives next to its handlers; the loader looks up each
// command's handler by id, and a test compares every registered row with the command-set database.
//
// The shape of a handler. It receives the DecodedWord of its command and returns the DecodedWord
// the program goes on at. It reads its operands in order through an Operands reader
// (interpreter.h), which hands out ready cells, texts and jump targets, and returns the reader's
// Next() (the word after its operands), a jump target it read, or `at` to stay on the command:
//
//   // CHR$: [result][code]
//   Pc CmdChrStr(Pc at) {
//     Operands in(at);
//     ValueCell& result = in.String();
//     const char code = static_cast<char>(in.Int() & 0xFF);
//     StoreStringResult(result, code == 0 ? std::string_view() : std::string_view(&code, 1));
//     return in.Next();
//   }
//
// A handler never sees word indexes: errors, traces and STOP find the command's word index from
// its DecodedWord. cmd_strings.cpp holds handlers of this shape. The few commands that run most
// often (operators, FOR and NEXT, array elements, calls) read their operands straight from the
// DecodedWords (OperandCells) and have fused or specialised forms chosen at load
// (command_fusion.h); every other handler keeps the shape above. A family whose commands run
// most often also lists its handlers' threaded forms (ThreadedForms in command_fusion.h): the
// handler stays as written, and the decoded form runs a wrapper that goes on to the next command
// without returning to the dispatch loop. Next to such handlers the family also says which of
// them only compute (kOnlyComputes in command_fusion.h: no error, no stop, no look at the running
// command), so a fused form counts them on the countdown at once.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/value_cell.h"

namespace qm {

struct DecodedWord;
// Where the program is: the DecodedWord of a command.
using Pc = const DecodedWord*;
using CommandHandler = Pc (*)(Pc at);

// One program word as the interpreter runs it, decoded once at load: the handler the dispatch
// runs when the program counter reaches the word (StopOnUnknownCommand where verification reached
// no command), and the word read as an operand. Every word gives a cell inside the data block (the
// cell it names, masked into the block for a word that names none), so even a handler that reads
// an operand of the wrong kind stays inside the block; a jump target word also gives the
// DecodedWord it names (the program's end for any other word). The word as written stays in the
// program block (WordAt).
struct DecodedWord {
  CommandHandler run;
  ValueCell* cell;
  union {
    Pc target;
    const void* plan;  // what a command planned at load (a user-function call's site)
  };
};
static_assert(sizeof(DecodedWord) == 24);

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
Pc StopOnUnknownCommand(Pc at);

// Adds a family's rows to the dispatch table. A later row for the same id replaces the handler.
// The rows are kept where they are, not copied: they must outlive their registration (families
// keep them in static tables).
void RegisterCommands(std::span<const CommandRegistration> rows);
// The handler for an id, or nullptr when none is registered; the loader puts
// StopOnUnknownCommand there, and copies each command's handler into the program's decoded form.
CommandHandler FindCommandHandler(int32_t id);
// The operand layout registered for an id (no signature when the id has no handler).
CommandOperands RegisteredOperands(int32_t id);
// Changes whenever a registration changes, so a verified program knows to verify again.
uint32_t CommandRegistrationGeneration();
// Every row registered so far, in registration order (a copy).
std::vector<CommandRegistration> RegisteredCommands();
// Empties the table (tests).
void ClearCommandRegistrations();

}  // namespace qm
