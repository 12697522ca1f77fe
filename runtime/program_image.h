// The ProgramImage: the running program as the interpreter sees it, built from the compiler's
// output after every compile. One image exists at a time; its state is grouped in one record that
// FreeProgramImage empties (tests call it between cases).
//
// Program words are copied as the compiler wrote them. Every piece is verified as it is
// transferred (program_verifier.h): a piece whose operands do not fit its commands' layouts is
// refused. Then the whole program is decoded (DecodedWord, command_dispatch.h): each word gets
// the handler the dispatch runs there, the handler only where verification reached a command, so
// a counter that lands on an operand word can never dispatch it, and its operand ready to use.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "runtime/command_dispatch.h"
#include "runtime/operand_numbers.h"
#include "runtime/parsed_program.h"
#include "runtime/value_cell.h"

namespace qm {

inline constexpr int32_t kDataTypeTableBytes = 10005;
inline constexpr int32_t kScopeTableEntries = 2000;  // one per variable number of a type

// The decoded form of a program and what its commands planned at load (the memory their
// DecodedWords' `plan` points into; plans hold no resources of their own).
struct DecodedProgram {
  std::vector<DecodedWord> words;
  std::vector<std::unique_ptr<std::byte[]>> plans;
};

// Memory for a plan of the decoded form being built (valid as long as that form): a variant's
// chooser (command_fusion.h) keeps what it worked out here. T must be trivially destructible.
void* AllocateDecodedPlan(size_t bytes);
template <typename T>
T* NewDecodedPlan() {
  static_assert(std::is_trivially_destructible_v<T>);
  return new (AllocateDecodedPlan(sizeof(T))) T{};
}

struct ProgramImageState {
  // Data block: kDataBlockCells cells, cell index = operand number - 10000. Zero-filled.
  ValueCell* dataBlock = nullptr;
  // One letter per DATA item ('l', 'f', 's'; 0 past the last item).
  char* dataTypeTable = nullptr;
  int32_t dataCount = 0;     // DATA items in the program
  int32_t readPosition = 0;  // the next DATA item READ takes

  // The arrays (ArrayTable, runtime/arrays.h) live with the array commands, which free them
  // through the FreeRuntimeData run hook.

  // Scope tables: the ScopeNumber of each variable (0 main program, n+1 user function n), per
  // type (ValueType order), kScopeTableEntries entries each, and how many variables exist.
  int32_t* scopeTables[3] = {nullptr, nullptr, nullptr};
  int32_t variableCounts[3] = {0, 0, 0};

  // Program block and line block: programCapacity words each, sized to the program (with room for
  // lines typed at the runtime command line); they grow when a typed line needs more.
  int32_t* programBlock = nullptr;
  int32_t* lineBlock = nullptr;
  int32_t programCapacity = 0;
  int32_t pieceStart = 0;  // word index where the most recently transferred piece begins
  // Changes with every transfer (never 0 once an image took a piece): what is worked out from the
  // words and tables (the call save plans, control_flow.h) is worked out again when it changed.
  uint32_t transferGeneration = 0;

  // What verification found for each word (program_verifier.h) and the plain handler of each
  // word, programCapacity + 1 entries; the decoded form the interpreter runs, with fused pairs and
  // the variants chosen at load (command_fusion.h), programCapacity + kProgramBlockPadding
  // entries; and the registrations they were made for.
  std::vector<uint8_t> wordRoles;
  std::vector<CommandHandler> wordHandlers;
  DecodedProgram decoded;
  uint32_t verifiedGeneration = 0;

  // The two counter snapshots between which the next transfer copies a piece.
  CompileCounters transferFromCounters;
  CompileCounters transferToCounters;
};

extern ProgramImageState ProgramImage;

// True while an image exists.
inline bool ProgramImageExists() { return ProgramImage.dataBlock != nullptr; }

// After the compile of a whole program: frees any earlier image, allocates the blocks for the
// program's words and transfers the whole program. False (and no image) when the program has
// more words than kMaxProgramWords leaves room for, the blocks cannot be allocated, the
// compiler's counters do not fit them, or verification refuses the program
// (ProgramVerificationError says why, in every case).
bool CreateQuillmoorBlocksFromParser(const ParsedProgram& parser);

// After a line typed at the runtime command line was compiled onto the end of the program:
// transfers only that piece into the existing blocks. False when there is no image, the piece
// does not fit the compiler's counters or verification refuses it (see TransferParsedDataToRunner).
bool AppendCliLineToRunner(const ParsedProgram& parser);

// Copies the piece between TransferFromCounters and TransferToCounters into the blocks and
// verifies it. False, with nothing changed, when any counter lies outside its range or the
// piece's words outside the program block; false, with none of the piece's words able to run,
// when verification refuses it (ProgramVerificationError says why).
bool TransferParsedDataToRunner(const ParsedProgram& parser);

// Frees every text, array, table and block of the image and empties its record (the image part
// of FreeRuntimeData). Safe to call when no image exists.
void FreeProgramImage();

// Why the last program or piece was refused ("" when it was not).
const std::string& ProgramVerificationError();

// False when command registrations changed since the image was verified: the layouts it was
// checked against may be others now.
inline bool ProgramVerifiedForCurrentCommands() {
  return !ProgramImageExists() || ProgramImage.verifiedGeneration == CommandRegistrationGeneration();
}
// Verifies the whole image again against the current registrations (the program from word 0 and
// the last typed line from its start). When that fails no word of the image can run.
void VerifyProgramAgain();

// Decodes the image again with each command's own handler only: no fused pairs, no variants
// chosen at load (tests compare the two ways of running a program). The next transfer decodes
// with them again.
void DecodeCommandsPlainly();

// Word index of the first word of the piece transferred last (the typed line's start).
inline int32_t PieceStartWord() { return ProgramImage.pieceStart; }

}  // namespace qm
