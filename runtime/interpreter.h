// The interpreter's shared state and the operand accessors every command handler uses.
//
// The program counter is a word index into the program block. Program words keep the operand
// numbers the compiler wrote (see operand_numbers.h): a handler turns each operand into its cell,
// DATA index or word index when it reads it. The program verifier (program_verifier.h) checked
// every operand word of every command the dispatch can reach before the program ran, so the
// accessors read without checks. As a second line of defence a cell index is masked into the
// data block, and the program block carries zeroed words past its end, so even a handler that
// read more operands than its layout declares never leaves either block.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>

#include "runtime/command_dispatch.h"
#include "runtime/operand_numbers.h"
#include "runtime/value_cell.h"

namespace qm {

// The handlers of a program block without program: every counter stops.
extern const CommandHandler kNoProgramHandlers[1];

// The hot interpreter state, kept together so the dispatch loop touches one cache line or two.
struct InterpreterState {
  // The program image as the handlers see it (set by the loader, cleared when the image is freed).
  const int32_t* words = nullptr;  // program block
  uint32_t wordCount = 0;          // its size in words (the program capacity)
  ValueCell* cells = nullptr;      // data block: cell index = operand number - 10000
  // The handler of each word, wordCount + 1 entries: the command's handler where verification
  // reached a command, StopOnUnknownCommand everywhere else and past the end. `handlers` has the
  // fused handler at the first word of each fused pair (command_fusion.h), `plainHandlers` only
  // the commands' own (DEBUGMODE dispatches it, to trace every command).
  const CommandHandler* handlers = kNoProgramHandlers;
  const CommandHandler* plainHandlers = kNoProgramHandlers;

  int32_t programCounter = 0;  // the next word to fetch; handlers read their operands here

  uint8_t stopFlag = 0;             // request to end the current slice
  uint8_t refreshAfterDrawing = 1;  // SYNC OFF setting copied by drawing handlers into stopFlag
  uint8_t inputStaleFlag = 0;       // the next input query reads the devices again
  uint8_t syncOffSetting = 1;       // 1 SYNC OFF (the default), 0 after SYNC ON

  // Slice accounting (see ExecuteSlice).
  uint32_t sliceStartTime = 0;    // milliseconds when the current slice started
  uint32_t sliceBudgetMs = 33;    // SYNC OFF interpretation time per slice
  uint32_t commandCounter = 0;    // SYNC ON commands since the last key and queue check
  int32_t checkCountdown = 1;     // commands until the next slice check (fused pairs read it)
  int32_t clockReadSpacing = 1;   // SYNC OFF: commands between two clock reads (adapts, see .cpp)
  uint32_t lastClockRead = 0;     // SYNC OFF: the clock at the last slice check
  uint8_t checkArmedSyncOff = 1;  // the mode the countdown was armed for

  // Word index of the command being executed, -1 outside a command. Apart from the counter, so
  // the dispatch stores both with two plain writes.
  int32_t commandWord = -1;
};

extern InterpreterState Interpreter;

// The names every handler uses.
inline int32_t& ProgramCounter = Interpreter.programCounter;
inline uint8_t& StopFlag = Interpreter.stopFlag;
inline uint8_t& RefreshAfterDrawing = Interpreter.refreshAfterDrawing;
inline uint8_t& InputStaleFlag = Interpreter.inputStaleFlag;
inline uint8_t& SyncOffSetting = Interpreter.syncOffSetting;
inline uint32_t& SliceBudgetMs = Interpreter.sliceBudgetMs;
inline uint32_t& CommandCounter = Interpreter.commandCounter;

// Cells an operand word can name directly: temporaries, variables and literals (cells 0-14999).
// DATA items (cells 15000-24999) are reached through their DATA index only.
inline constexpr uint32_t kOperandCells = 15000;
inline constexpr int32_t kDataCellBase = kDataItems - kFirstOperand;  // cell of DATA item 0

// The accessors' mask: any word gives a cell index below 16,384, inside the data block.
inline constexpr uint32_t kOperandCellMask = 0x3FFF;
static_assert(kOperandCellMask >= kOperandCells - 1 && kOperandCellMask < kDataBlockCells);
// Zeroed words the program block carries past its end.
inline constexpr int32_t kProgramBlockPadding = 64;

enum class CellKind : uint8_t { Integer, Float, String };

// The kind of each block of 1,000 operand cells.
inline constexpr CellKind kCellKindByThousand[kOperandCells / 1000] = {
    CellKind::Integer, CellKind::Float,   CellKind::String,                   // temporaries
    CellKind::Integer, CellKind::Integer, CellKind::Float,  CellKind::Float,  // variables
    CellKind::String,  CellKind::String,                                      //
    CellKind::Integer, CellKind::Integer, CellKind::Float,  CellKind::Float,  // literals
    CellKind::String,  CellKind::String};

// The same per cell, for every index the mask gives (indexes from 15000 count as Integer).
extern const std::array<CellKind, kOperandCellMask + 1> kOperandCellKind;

// True when `word` names one of the operand cells (10000-24999); `kind` receives its kind.
inline bool OperandCellKind(int32_t word, CellKind& kind) {
  const uint32_t index = static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand);
  if (index >= kOperandCells) return false;
  kind = kOperandCellKind[index];
  return true;
}

// ---- Operand accessors: each reads the word at the ProgramCounter and steps past it. ----

// The cell an operand word names.
[[gnu::always_inline]] inline ValueCell& CellOfOperand(int32_t word, ValueCell* block) {
  return block[(static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand)) & kOperandCellMask];
}

// The word as it stands (counts, scope numbers, label numbers).
inline int32_t NextPlainWord() {
  const uint32_t pc = static_cast<uint32_t>(Interpreter.programCounter);
  Interpreter.programCounter = static_cast<int32_t>(pc + 1);
  return Interpreter.words[pc];
}

// An integer or float cell (integer and float handlers may share code, as "= LL" and "= FF" do).
inline ValueCell& NextNumericCell() { return CellOfOperand(NextPlainWord(), Interpreter.cells); }
inline int32_t& NextIntCell() { return NextNumericCell().i; }
inline float& NextFloatCell() { return NextNumericCell().f; }

// A string cell; its `s` is always a text the cell owns (replace it with StoreStringResult).
inline ValueCell& NextStringCell() { return CellOfOperand(NextPlainWord(), Interpreter.cells); }

// Any operand cell, with its kind (for handlers that act by the operand's kind).
inline ValueCell& NextValueCell(CellKind& kind) {
  const int32_t word = NextPlainWord();
  kind = kOperandCellKind[(static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand)) &
                          kOperandCellMask];
  return CellOfOperand(word, Interpreter.cells);
}

// A jump target (37000 + N) as the word index N.
inline int32_t NextJumpTarget() { return NextPlainWord() - kWordAddresses; }

// A DATA index (25000 + item) as the item number 0-9999.
inline int32_t NextDataIndex() { return NextPlainWord() - kDataItems; }

// Skips `count` operands (error paths of handlers that stop early).
inline void SkipOperands(int32_t count) { Interpreter.programCounter += count; }

// ---- Reading words away from the ProgramCounter (function entries, error reports). ----

// The word at `index`, or 0 outside the program block.
inline int32_t ProgramWordAt(int32_t index) {
  const uint32_t at = static_cast<uint32_t>(index);
  return at < Interpreter.wordCount ? Interpreter.words[at] : 0;
}
// The cell an operand word names (10000-24999), or nullptr.
inline ValueCell* OperandCell(int32_t word, CellKind& kind) {
  if (!OperandCellKind(word, kind) || Interpreter.cells == nullptr) return nullptr;
  return &Interpreter.cells[static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand)];
}
// The cell of DATA item `item` (0-9999), or nullptr.
ValueCell* DataItemCell(int32_t item);

// True when the dispatch runs a handler at word `index`: verification reached a command there and
// its id has a handler. Anywhere else the program stops on the word.
inline bool CommandRunsAt(int32_t index) {
  const uint32_t at = std::min(static_cast<uint32_t>(index), Interpreter.wordCount);
  return Interpreter.handlers[at] != &StopOnUnknownCommand;
}

// The source line of program word `index` (0 outside the program block).
int32_t SourceLineOfWord(int32_t index);

// ---- The interpreter. ----

// Runs commands from the ProgramCounter until the slice must end: a handler set the StopFlag,
// SYNC OFF interpretation passed SliceBudgetMs, or (SYNC ON) the 201-command check found F11 or
// F12 held or the drawing queue over 32,000 requests. Does nothing while the display is not ready.
void ExecuteSlice();

// Gives the interpreter and the runtime flags their state at the start of a run. The StopFlag is
// set, so the first slice executes nothing and the first frame is presented before the program.
void ResetRunner();

// The most commands SYNC OFF mode runs between two clock reads. The clock is read after every
// command while commands take a measurable time; while they are faster than the clock's
// millisecond the reads spread out, doubling up to this many commands.
inline constexpr int32_t kMaxCommandsBetweenClockReads = 1024;
// SYNC ON: the key and drawing-queue check comes on every 201st command.
inline constexpr uint32_t kSyncOnCheckInterval = 201;
// SYNC ON: more queued drawing requests than this end the slice.
inline constexpr int32_t kDrawQueueSliceLimit = 32000;

}  // namespace qm
