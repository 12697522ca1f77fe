// The ProgramImage: the running program as the interpreter sees it, built from the compiler's
// output after every compile. One image exists at a time; its state is grouped in one record that
// FreeProgramImage empties (tests call it between cases).
//
// Program words are copied as the compiler wrote them: the interpreter's operand accessors turn
// operand numbers into cells, DATA indexes and word indexes at use (see interpreter.h), so a word
// is never rewritten and a counter that lands on an operand word can never dispatch it.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/operand_numbers.h"
#include "runtime/parsed_program.h"
#include "runtime/value_cell.h"

namespace qm {

inline constexpr int32_t kDataTypeTableBytes = 10005;
inline constexpr int32_t kScopeTableEntries = 2000;  // one per variable number of a type

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

  // Program block and line block: programCapacity words each (the compiler's capacity when the
  // image was created); they keep that size for the image's life.
  int32_t* programBlock = nullptr;
  int32_t* lineBlock = nullptr;
  int32_t programCapacity = 0;
  int32_t pieceStart = 0;  // word index where the most recently transferred piece begins

  // The two counter snapshots between which the next transfer copies a piece.
  CompileCounters transferFromCounters;
  CompileCounters transferToCounters;
};

extern ProgramImageState ProgramImage;

// True while an image exists.
inline bool ProgramImageExists() { return ProgramImage.dataBlock != nullptr; }

// After the compile of a whole program: frees any earlier image, allocates the blocks at the
// compiler's program capacity and transfers the whole program. False (and no image) when the
// blocks cannot be allocated or the compiler's counters do not fit them.
bool CreateQuillmoorBlocksFromParser(const ParsedProgram& parser);

// After a line typed at the runtime command line was compiled onto the end of the program:
// transfers only that piece into the existing blocks. False, with nothing changed, when there is
// no image or the piece does not fit the blocks.
bool AppendCliLineToRunner(const ParsedProgram& parser);

// Copies the piece between TransferFromCounters and TransferToCounters into the blocks. False,
// with nothing changed, when any counter lies outside its range or the piece's words outside the
// program block.
bool TransferParsedDataToRunner(const ParsedProgram& parser);

// Frees every text, array, table and block of the image and empties its record (the image part
// of FreeRuntimeData). Safe to call when no image exists.
void FreeProgramImage();

// Word index of the first word of the piece transferred last (the typed line's start).
inline int32_t PieceStartWord() { return ProgramImage.pieceStart; }

}  // namespace qm
