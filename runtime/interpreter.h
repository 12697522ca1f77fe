// The interpreter's shared state and the operand accessors every command handler uses.
//
// A program runs from its decoded form (decoded_program.h), built when a piece is loaded: one
// DecodedWord per program word, holding the handler the dispatch runs there and the word's
// operand ready to use (a cell pointer, a jump target's DecodedWord, or the word as written). The
// dispatch loop keeps the program counter in a local: it hands each handler the DecodedWord of
// its command and goes on from the one the handler returns. Between slices, and wherever a word
// index is needed (errors, traces, STOP, the runtime command line), the counter is the word's
// index, `ProgramCounter`.
//
// Program words keep the numbers the compiler wrote (operand_numbers.h). The program verifier
// (program_verifier.h) checked every operand word of every command the dispatch can reach before
// the program ran, so the accessors read without checks.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>

#include "runtime/command_dispatch.h"
#include "runtime/operand_numbers.h"
#include "runtime/value_cell.h"

namespace qm {

// The decoded form of a program without program: every counter stops.
extern const DecodedWord kNoProgramWords[1];

// The hot interpreter state, kept together so the dispatch loop touches one cache line or two.
struct InterpreterState {
  // The program image as the handlers see it (set by the loader, cleared when the image is freed).
  const int32_t* words = nullptr;                // program block, as the compiler wrote it
  uint32_t wordCount = 0;                        // program words (the program's end)
  ValueCell* cells = nullptr;                    // data block: cell index = operand number - 10000
  const DecodedWord* decoded = kNoProgramWords;  // wordCount + 1 or more entries (past the end: stop)
  // The plain handler of each word (no fused pairs, no variants chosen at load): DEBUGMODE runs
  // these, to trace every command. wordCount + 1 entries.
  const CommandHandler* plainHandlers = nullptr;

  // The word index the next slice starts at; during a slice, where the slice started.
  int32_t programCounter = 0;

  // The DecodedWord of the command being executed (nullptr outside a command). The dispatch
  // stores it per command; an error raised by the command reports its word index.
  const DecodedWord* command = nullptr;

  // Slice accounting (see ExecuteSlice). The dispatch loop runs until `checkCountdown` meets 0;
  // a stop request (StopFlag = 1) sets it to 1 and keeps what was left in `deferredCountdown`.
  int32_t checkCountdown = 1;       // commands until the loop looks at the slice state again
  int32_t deferredCountdown = 0;    // the countdown a stop request interrupted
  uint8_t stopFlag = 0;             // request to end the current slice
  uint8_t refreshAfterDrawing = 1;  // SYNC OFF setting copied by drawing handlers into StopFlag
  uint8_t inputStaleFlag = 0;       // the next input query reads the devices again
  uint8_t syncOffSetting = 1;       // 1 SYNC OFF (the default), 0 after SYNC ON
  uint8_t checkArmedSyncOff = 1;    // the mode the countdown was armed for

  uint32_t sliceStartTime = 0;   // milliseconds when the current slice started
  uint32_t sliceBudgetMs = 33;   // SYNC OFF interpretation time per slice
  uint32_t commandCounter = 0;   // SYNC ON commands since the last key and queue check
  int32_t clockReadSpacing = 1;  // SYNC OFF: commands between two clock reads (adapts, see .cpp)
  uint32_t lastClockRead = 0;    // SYNC OFF: the clock at the last slice check
};

extern InterpreterState Interpreter;

// Ends the current slice after the running command: the flag is kept and the countdown set so the
// dispatch loop leaves after this command (a fused pair does not start its second half).
inline void RequestSliceEnd() {
  InterpreterState& state = Interpreter;
  if (state.stopFlag == 0) {
    state.deferredCountdown = state.checkCountdown;
    state.checkCountdown = 1;
  }
  state.stopFlag = 1;
}
// Withdraws a stop request made during the running command.
inline void WithdrawSliceEnd() {
  InterpreterState& state = Interpreter;
  if (state.stopFlag != 0 && state.checkCountdown == 1) state.checkCountdown = state.deferredCountdown;
  state.stopFlag = 0;
}

// The StopFlag as handlers write and read it: setting it requests the end of the slice.
struct StopFlagAccess {
  const StopFlagAccess& operator=(uint8_t value) const {
    if (value != 0) {
      RequestSliceEnd();
    } else {
      WithdrawSliceEnd();
    }
    return *this;
  }
  operator uint8_t() const { return Interpreter.stopFlag; }
};
inline constexpr StopFlagAccess StopFlag{};

// The names every handler uses.
inline int32_t& ProgramCounter = Interpreter.programCounter;
inline uint8_t& RefreshAfterDrawing = Interpreter.refreshAfterDrawing;
inline uint8_t& InputStaleFlag = Interpreter.inputStaleFlag;
inline uint8_t& SyncOffSetting = Interpreter.syncOffSetting;
inline uint32_t& SliceBudgetMs = Interpreter.sliceBudgetMs;
inline uint32_t& CommandCounter = Interpreter.commandCounter;

// Cells an operand word can name directly: temporaries, variables and literals (cells 0-14999).
// DATA items (cells 15000-24999) are reached through their DATA index only.
inline constexpr uint32_t kOperandCells = 15000;
inline constexpr int32_t kDataCellBase = kDataItems - kFirstOperand;  // cell of DATA item 0

// The decoder's mask: any word gives a cell index below 16,384, inside the data block.
inline constexpr uint32_t kOperandCellMask = 0x3FFF;
static_assert(kOperandCellMask >= kOperandCells - 1 && kOperandCellMask < kDataBlockCells);
// Zeroed words the program block carries past its end (and stopping DecodedWords past the end of
// the decoded form), so even a handler that read more operands than its layout declares never
// leaves either.
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

// The cell an operand word names, masked into the block.
[[gnu::always_inline]] inline ValueCell& CellOfOperand(int32_t word, ValueCell* block) {
  return block[(static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand)) & kOperandCellMask];
}

// ---- Positions in the decoded program ----

// The word index of a DecodedWord of the running program.
inline int32_t WordIndexOf(Pc at) { return static_cast<int32_t>(at - Interpreter.decoded); }
// The DecodedWord of a word index (a counter past the end takes the stopping entry there).
inline Pc DecodedAt(int32_t index) {
  return Interpreter.decoded + std::min(static_cast<uint32_t>(index), Interpreter.wordCount);
}
// The word as the compiler wrote it at a DecodedWord (0 past the program's end).
inline int32_t WordAt(Pc at) {
  const uint32_t index = static_cast<uint32_t>(WordIndexOf(at));
  return index < Interpreter.wordCount ? Interpreter.words[index] : 0;
}
// The kind of a cell named by an operand.
inline CellKind KindOfCell(const ValueCell* cell) {
  return kOperandCellKind[static_cast<uint32_t>(cell - Interpreter.cells) & kOperandCellMask];
}
// The operand word that names a cell (the inverse of CellOfOperand inside the operand cells).
inline int32_t OperandOfCell(const ValueCell* cell) {
  return static_cast<int32_t>(cell - Interpreter.cells) + kFirstOperand;
}

// ---- Operand accessors: what a handler reads its operands with. ----

// The operands of one command, read in order. A handler makes one from its DecodedWord, reads each
// operand once, and returns Next() (the word after its operands) unless it jumps:
//
//   Pc CmdLen(Pc at) {
//     Operands in(at);
//     int32_t& result = in.Int();
//     result = static_cast<int32_t>(std::strlen(CellText(in.String())));
//     return in.Next();
//   }
class Operands {
 public:
  [[gnu::always_inline]] explicit Operands(Pc command) : next_(command + 1) {}

  // An integer or float cell (integer and float handlers may share code, as "= LL" and "= FF" do).
  [[gnu::always_inline]] ValueCell& Numeric() { return *(next_++)->cell; }
  [[gnu::always_inline]] int32_t& Int() { return Numeric().i; }
  [[gnu::always_inline]] float& Float() { return Numeric().f; }
  // A string cell; its `s` is always a text the cell owns (replace it with StoreStringResult).
  [[gnu::always_inline]] ValueCell& String() { return *(next_++)->cell; }
  // Any operand cell, with its kind (for handlers that act by the operand's kind).
  [[gnu::always_inline]] ValueCell& Any(CellKind& kind) {
    ValueCell& cell = *(next_++)->cell;
    kind = KindOfCell(&cell);
    return cell;
  }
  // A jump target: where the program goes on when the command jumps.
  [[gnu::always_inline]] Pc Jump() { return (next_++)->target; }
  // The word as the compiler wrote it (counts, scope numbers, label numbers).
  int32_t Plain() { return WordAt(next_++); }
  // A DATA index (25000 + item) as the item number 0-9999.
  int32_t DataIndex() { return Plain() - kDataItems; }
  // Skips `count` operands (error paths of handlers that stop early).
  void Skip(int32_t count) { next_ += count; }
  // The word after the operands read so far: where the program goes on.
  [[gnu::always_inline]] Pc Next() const { return next_; }

 private:
  Pc next_;
};

// The cells of the `count` operands after a command, each an integer or float cell, in one go.
template <std::size_t count>
[[gnu::always_inline]] inline std::array<ValueCell*, count> OperandCells(Pc at) {
  return [&]<std::size_t... k>(std::index_sequence<k...>) {
    return std::array<ValueCell*, count>{at[k + 1].cell...};
  }
  (std::make_index_sequence<count>());
}

// ---- Reading words away from the running command (function entries, error reports). ----

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
inline bool CommandRunsAt(int32_t index) { return DecodedAt(index)->run != &StopOnUnknownCommand; }

// The word index of the command being executed, -1 outside a command.
inline int32_t CurrentCommandWord() {
  return Interpreter.command != nullptr ? WordIndexOf(Interpreter.command) : -1;
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
