// The program verifier: before a program (or a line typed at the runtime command line) runs, it
// follows every path the program counter can take and checks each command's operand words
// against the command's registered layout (CommandRegistration::layout and its signature).
//
// Because every word a handler reads was checked here, the operand accessors need no checks of
// their own, and the dispatch calls a handler only for a word that verification reached as a
// command: a program counter that lands anywhere else (an operand word, a word no path reaches)
// runs StopOnUnknownCommand. Compiled program files from disk go through the same check, so a
// corrupt or hostile image is refused before any of it runs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/operand_numbers.h"
#include "runtime/value_cell.h"

namespace qm {

// What verification found for a word (bits of one byte per word).
inline constexpr uint8_t kWordIsCommand = 1;  // a path reaches the word as a command
inline constexpr uint8_t kWordIsOperand = 2;  // an operand of a checked command, or a word of a
                                              // function entry: never dispatched

// The most arguments a user-function call passes (a statement has at most 32 parameters).
inline constexpr int32_t kMaxCallArguments = 32;

// Follows every path from word `root` through the program words [0, end), marking `roles` (at
// least end + 1 bytes; marks already there are kept). A path ends at a word whose id has no
// handler (it stops the program when reached) and after a command that never goes on (GOTO,
// STOP). Words at and after `end` are no program: a path may reach `end` itself, which stops.
// `cells` is the data block, read for the argument counts of user-function calls.
// Returns an empty text when every reached command is sound, else what is wrong and where.
std::string VerifyProgramPaths(const int32_t* words, int32_t end, const ValueCell* cells, int32_t root,
                               std::vector<uint8_t>& roles);

// True when the function entry at word `entry` takes exactly `count` arguments: `count` operand
// cells, then the scope word. A call checks this at run time, since the count is read from a
// cell that a program could change after verification.
// Inline: every call runs it.
inline bool EntryTakesArguments(const int32_t* words, uint32_t wordCount, int32_t entry, int32_t count) {
  if (entry < 0 || count < 0 || count > kMaxCallArguments ||
      static_cast<uint32_t>(entry) + static_cast<uint32_t>(count) >= wordCount) {
    return false;
  }
  CellKind kind;
  for (int32_t k = 0; k < count; ++k) {
    if (!OperandCellKind(words[entry + k], kind)) return false;
  }
  const int32_t scope = words[entry + count];
  return scope >= 0 && scope < kFirstOperand;
}

}  // namespace qm
