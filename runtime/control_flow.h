// GOSUB and user-function calls: the ReturnStack, the RunningScope, and the saving of what a
// call could overwrite.
//
// Every frame is tagged with its kind. RETURN only pops a GOSUB frame; ENDFUNCTION and
// EXITFUNCTION drop the GOSUB frames above the nearest call frame and return from that call.
//
// A user function keeps its variables in fixed cells, one set per function, so a call that could
// run the caller's own code again (recursion) saves the caller's variables and puts exactly those
// back on return, whatever DIM or UNDIM did meanwhile. Temporaries are taken per statement from a
// window of the function's scope, so a call also saves the callee's temporary window, which the
// caller may share (recursion), and restores it before the call's result is stored: a statement
// such as r = f(n-1) + f(n-2) keeps its first result.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/arrays.h"
#include "runtime/command_fusion.h"
#include "runtime/interpreter.h"
#include "runtime/operand_numbers.h"
#include "runtime/program_image.h"
#include "runtime/value_cell.h"

namespace qm {

// IF, WHILE, UNTIL: [condition][target]; a condition of 0 jumps. Inline, so that the fused pairs
// of a comparison and its test (cmd_operators.cpp) run it without a call.
inline Pc CmdIf(Pc at) { return at[1].cell->i == 0 ? at[2].target : at + 3; }
template <>
inline constexpr bool kOnlyComputes<CmdIf> = true;
inline constexpr CommandHandler CmdWhile = CmdIf;
inline constexpr CommandHandler CmdUntil = CmdIf;

// At most 65,534 frames are in use; one more raises runtime error 108.
inline constexpr int32_t kReturnStackEntries = 65535;
inline constexpr int32_t kMaxReturnFrames = kReturnStackEntries - 1;

// The temporaries a statement of scope n uses start at 50 x n (the main program at 0), never
// above 950: every scope from 19 up shares the last window.
inline constexpr int32_t kTemporaryWindowSize = 50;
inline constexpr int32_t kLastTemporaryWindow = 950;

constexpr int32_t TemporaryWindowOf(int32_t scope) {
  return scope <= 0                                             ? 0
         : scope >= kLastTemporaryWindow / kTemporaryWindowSize ? kLastTemporaryWindow
                                                                : scope * kTemporaryWindowSize;
}

// The ScopeNumber of the code that is executing: 0 for the main program, n+1 inside user
// function n. The runtime command line compiles a typed line in this scope.
extern int16_t RunningScope;

enum class FrameKind : uint8_t { Gosub, Call };

// How many temporaries of each type (integer, float, string) from the start of a window the
// program uses: a call saves only those.
struct TemporaryUsage {
  std::array<uint8_t, 3> count{};
};

// What a call site planned at load saves when neither side needs more than numbers (the caller
// has no string variables, the callee uses no string temporaries) and no array is dimensioned:
// the callee's numeric temporaries the caller still needs after the return, then the caller's
// numeric variables, each cell as its 32 bits. The list for a call site and the scope it is
// called from is made once (FlatSaveListFor) and lives while any call frame may still point at it.
struct FlatSaveList {
  uint32_t temporaries = 0;  // cells [0, temporaries) are the callee's temporaries
  uint32_t count = 0;
  const int32_t* cells = nullptr;
};

struct ReturnFrame {
  FrameKind kind;
  CellKind resultKind;         // call: the kind of its result cell
  TemporaryUsage savedTemps;   // call: how many temporaries of each type it saved
  int16_t savedScope;          // call: the caller's RunningScope
  int32_t returnWord;          // GOSUB: word after its operand; call: word after its arguments
  int32_t temporaryWindow;     // call: first cell of the callee's window in each temporary block
  uint32_t savedNumbersBegin;  // call: where its saves start in each save stack
  uint32_t savedTextsBegin;
  uint32_t savedTempsBegin;
  ValueCell* resultCell;  // call: the cell its result goes to (nullptr: none)
  // call: what it saved along a flat list (its values from savedNumbersBegin in the flat value
  // stack), or nullptr when it saved the general way. Only a call site planned at load saves
  // along a flat list, and only one with a result cell: a frame with a list is a call frame
  // with a result cell.
  const FlatSaveList* flat;
};

// What a call saves, per scope, worked out from the program image once for every piece the image
// takes in (the whole program, then each line typed at the runtime command line, which may add
// variables and temporaries): the variable cells of the scope (the caller's, saved when it calls)
// and the temporaries the program uses in the scope's window (the callee's, saved when it is
// called). A call then saves and restores along these lists without looking at the scope tables.
inline constexpr int32_t kMaxScopes = 1025;  // the main program and 1,024 user functions

struct ScopeSavePlan {
  uint32_t numbersBegin = 0, numbersEnd = 0;  // its integer and float variables in `cells`
  uint32_t textsBegin = 0, textsEnd = 0;      // its string variables in `cells`
  int32_t temporaryWindow = 0;                // TemporaryWindowOf the scope
  TemporaryUsage temporaries;                 // what the program uses of that window
};

struct CallSavePlans {
  static constexpr uint32_t kNotBuilt = ~0u;
  uint32_t imageGeneration = kNotBuilt;  // ProgramImage.transferGeneration they were built for
  std::vector<int32_t> cells;            // cell indexes, each scope's numbers then its texts
  // kMaxScopes + 1 entries: the last stands for every scope number above the last function (no
  // variables, the last temporary window). The main program's entry lists no variables: no
  // function can reach them, so a call from it saves none.
  std::vector<ScopeSavePlan> scopes;

  const ScopeSavePlan& Of(int32_t scope) const {
    return scopes[std::min(static_cast<uint32_t>(scope), static_cast<uint32_t>(kMaxScopes))];
  }
};

extern CallSavePlans CallSavePlansInUse;
[[gnu::cold, gnu::noinline]] void BuildCallSavePlans();

// The flat list of a call from `callerScope` to `calleeScope` that returns to `returnWord` and
// stores its result in `resultCell`, under the current plans, or nullptr when the pair needs the
// general way (texts to save). Of the callee's temporaries it lists only those the caller can
// read after the return before writing them.
const FlatSaveList* FlatSaveListFor(int32_t callerScope, int32_t calleeScope, int32_t returnWord,
                                    const ValueCell* resultCell);

// The plans for the current program image, built when it changed.
[[gnu::always_inline]] inline const CallSavePlans& CurrentCallSavePlans() {
  if (CallSavePlansInUse.imageGeneration != ProgramImage.transferGeneration) [[unlikely]] {
    BuildCallSavePlans();
  }
  return CallSavePlansInUse;
}
void ForgetCallSavePlans();

// A stack of saved values that grows by doubling and never shrinks, so a call costs no
// allocation once the program has reached its deepest recursion.
template <typename T>
class SaveStack {
 public:
  uint32_t Size() const { return size_; }
  T& operator[](uint32_t index) { return data_[index]; }
  const T& operator[](uint32_t index) const { return data_[index]; }
  // The values from `index` on (index <= Size(); valid while nothing is added).
  T* From(uint32_t index) { return data_ + index; }
  // Room for `count` more values after the top; Commit makes them part of the stack.
  T* Room(uint32_t count) {
    if (size_ + count > capacity_) [[unlikely]]
      Grow(count);
    return data_ + size_;
  }
  // Whether `count` more values fit without growing; Reserve makes them fit.
  bool HasRoom(uint32_t count) const { return size_ + count <= capacity_; }
  void Reserve(uint32_t count) {
    if (!HasRoom(count)) Grow(count);
  }
  // Where `count` more values go when HasRoom(count).
  T* Above() { return data_ + size_; }
  void Commit(uint32_t count) { size_ += count; }
  void Truncate(uint32_t size) { size_ = size; }

 private:
  [[gnu::noinline]] void Grow(uint32_t count) {
    storage_.resize(std::max<size_t>(2 * storage_.size(), size_ + count + 64));
    data_ = storage_.data();
    capacity_ = static_cast<uint32_t>(storage_.size());
  }
  std::vector<T> storage_;
  T* data_ = nullptr;  // storage_'s, kept apart so a push reads no vector
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

class ReturnStack {
 public:
  int32_t Depth() const { return static_cast<int32_t>(frames_.Size()); }
  bool Full() const { return Depth() >= kMaxReturnFrames; }
  bool HasCallFrame() const { return frames_.Size() > gosubFrames_; }
  const ReturnFrame* Top() const { return frames_.Size() == 0 ? nullptr : &frames_.Back(); }

  void PushGosub(int32_t returnWord);
  // Pushes a call frame, saving the caller's variables of `callerScope` (none for the main
  // program, whose variables no function can reach) and the callee's temporary window.
  [[gnu::always_inline]] inline void PushCall(int32_t returnWord, ValueCell* resultCell, CellKind resultKind,
                                              int16_t callerScope, int32_t calleeScope);
  // The same along a flat list: pushes `prepared` (a call frame whose `flat` is the list, made
  // once by the call site) with where its saves start. The caller checked that no array is
  // dimensioned and that the frame and its saves have room (HasRoomForFlatCall, or
  // ReserveFlatCall): the push itself calls nothing, so the call handler's fast way needs no
  // machine frame.
  [[gnu::always_inline]] inline void PushFlatCall(const ReturnFrame& prepared);
  bool HasRoomForFlatCall(const FlatSaveList& list) const {
    return frames_.HasRoom(1) && flatValues_.HasRoom(list.count);
  }
  void ReserveFlatCall(const FlatSaveList& list) {
    frames_.Reserve(1);
    flatValues_.Reserve(list.count);
  }
  // Returns from the call on top, which saved along a flat list, storing `bits` into its result
  // cell between putting back the temporaries and the variables (as PopCall, the store and
  // RestoreFunctionLocals do). Returns where the caller goes on.
  [[gnu::always_inline]] inline Pc ReturnFromFlatCall(int32_t bits);
  // Whether the top frame is a call that saved along a flat list and takes a result of `kind`.
  bool FlatCallOnTop(CellKind kind) const {
    return frames_.Size() != 0 && frames_.Back().flat != nullptr && frames_.Back().resultKind == kind;
  }
  // Pops the top frame, which must be a GOSUB frame; returns its return word.
  int32_t PopGosub();
  // Drops GOSUB frames down to the nearest call frame and pops it, restoring the temporaries it
  // saved and the caller's RunningScope; the caller's variables stay saved until
  // RestoreFunctionLocals. Returns the frame, readable until the next push.
  [[gnu::always_inline]] inline const ReturnFrame& PopCall();
  // Puts back the variables saved by the call frame popped last, exactly those that were saved.
  [[gnu::always_inline]] inline void RestoreFunctionLocals(const ReturnFrame& frame);

  // Pops every frame, restoring what each saved (end of a run).
  void Unwind();
  // Empties the stack, freeing every saved text.
  void Clear();

 private:
  struct SavedNumber {
    int32_t cell;
    int32_t bits;
  };
  struct SavedText {
    int32_t cell;
    char* text;  // owned
  };
  // The frames, on a stack that keeps its storage (no allocation per call once it is deep).
  class Frames : public SaveStack<ReturnFrame> {
   public:
    ReturnFrame& Back() { return (*this)[Size() - 1]; }
    const ReturnFrame& Back() const { return (*this)[Size() - 1]; }
    void Push(const ReturnFrame& frame) {
      *Room(1) = frame;
      Commit(1);
    }
    void Pop() { Truncate(Size() - 1); }
  };

  inline void SaveScopeVariables(const ValueCell* cells, const CallSavePlans& plans,
                                 const ScopeSavePlan& scope);
  [[gnu::noinline]] void SaveScopeTexts(const CallSavePlans& plans, const ScopeSavePlan& scope);
  inline void SaveTemporaries(ValueCell* cells, const ReturnFrame& frame);
  inline void RestoreTemporaries(const ReturnFrame& frame);
  [[gnu::noinline]] void RestoreScopeTexts(const ReturnFrame& frame);
  inline void RestoreFlat(const ReturnFrame& frame, uint32_t from, uint32_t to);

  Frames frames_;
  SaveStack<SavedNumber> savedNumbers_;  // variables saved by every call frame, in frame order
  SaveStack<SavedText> savedTexts_;
  SaveStack<ValueCell> savedTemps_;  // temporary windows saved by every call frame
  SaveStack<int32_t> flatValues_;    // what the flat call frames saved, in frame order
  uint32_t gosubFrames_ = 0;         // counted apart, so a call and its return count nothing
};

extern ReturnStack ProgramReturnStack;

// ---- The call and its return: inline, so the call and return handlers run them without a call.

// First cell of each block of variables and temporaries, in ValueType order.
inline constexpr int32_t kVariableCellBase[3] = {
    kIntVariables - kFirstOperand, kFloatVariables - kFirstOperand, kStringVariables - kFirstOperand};
inline constexpr int32_t kTemporaryCellBase[3] = {
    kIntTemporaries - kFirstOperand, kFloatTemporaries - kFirstOperand, kStringTemporaries - kFirstOperand};

// Runs copy(k) for every k below `count`, in no particular order: the save lists of ordinary
// functions are short, so up to eight copies run without a loop.
template <typename Copy>
[[gnu::always_inline]] inline void ForEachListedCell(uint32_t count, Copy copy) {
  for (uint32_t k = 8; k < count; ++k) copy(k);
  switch (count < 8 ? count : 8) {
    // clang-format off
    case 8: copy(7); [[fallthrough]];
    case 7: copy(6); [[fallthrough]];
    case 6: copy(5); [[fallthrough]];
    case 5: copy(4); [[fallthrough]];
    case 4: copy(3); [[fallthrough]];
    case 3: copy(2); [[fallthrough]];
    case 2: copy(1); [[fallthrough]];
    case 1: copy(0); [[fallthrough]];
    default: break;
      // clang-format on
  }
}

// The 32 bits of the `count` listed cells to saved[0, count), and back.
[[gnu::always_inline]] inline void GatherCellBits(const ValueCell* cells, const int32_t* listed,
                                                  uint32_t count, int32_t* saved) {
  ForEachListedCell(count, [=](uint32_t k) { saved[k] = cells[listed[k]].i; });
}
[[gnu::always_inline]] inline void ScatterCellBits(ValueCell* cells, const int32_t* listed, uint32_t count,
                                                   const int32_t* saved) {
  ForEachListedCell(count, [=](uint32_t k) { cells[listed[k]].i = saved[k]; });
}

inline void ReturnStack::PushCall(int32_t returnWord, ValueCell* resultCell, CellKind resultKind,
                                  int16_t callerScope, int32_t calleeScope) {
  const CallSavePlans& plans = CurrentCallSavePlans();
  const ScopeSavePlan& callee = plans.Of(calleeScope);
  ReturnFrame& frame = *frames_.Room(1);
  frame = {FrameKind::Call,
           resultKind,
           callee.temporaries,
           callerScope,
           returnWord,
           callee.temporaryWindow,
           savedNumbers_.Size(),
           savedTexts_.Size(),
           savedTemps_.Size(),
           resultCell,
           nullptr};
  frames_.Commit(1);
  ValueCell* cells = ProgramImage.dataBlock;
  if (cells == nullptr) [[unlikely]]
    return;
  SaveScopeVariables(cells, plans, plans.Of(callerScope));
  SaveTemporaries(cells, frame);
}

// A variable that is a dimensioned array at the call has no value of its own: it is not saved,
// and so not restored, whatever DIM or UNDIM does to it during the call. Each number is written
// to the save stack and kept only when its variable is no array, without a branch; while no
// array is dimensioned at all, every number is kept without looking.
inline void ReturnStack::SaveScopeVariables(const ValueCell* cells, const CallSavePlans& plans,
                                            const ScopeSavePlan& scope) {
  // Everything the loops read is held in locals first: the saves are int32 stores, which the
  // compiler must otherwise assume change the plan's fields.
  const int32_t* const listed = plans.cells.data() + scope.numbersBegin;
  const uint32_t count = scope.numbersEnd - scope.numbersBegin;
  const bool texts = scope.textsBegin != scope.textsEnd;
  SavedNumber* const number = savedNumbers_.Room(count);
  if (ProgramArrays.DimensionedCount() == 0) [[likely]] {
    for (uint32_t k = 0; k < count; ++k) {
      const int32_t cell = listed[k];
      const int32_t bits = cells[cell].i;
      number[k].cell = cell;
      number[k].bits = bits;
    }
    savedNumbers_.Commit(count);
  } else {
    // Every listed cell is a variable, so its array entry lies inside the table.
    const ArrayEntry* arrays = ProgramArrays.Find(0);
    uint32_t saved = 0;
    for (uint32_t k = 0; k < count; ++k) {
      const int32_t cell = listed[k];
      number[saved] = {cell, cells[cell].i};
      saved += arrays[cell - kVariableCellBase[0]].IsDimensioned() ? 0 : 1;
    }
    savedNumbers_.Commit(saved);
  }
  if (texts) SaveScopeTexts(plans, scope);
}

// Numeric temporaries are copied; string temporaries are moved out (the cell is left without a
// text, which reads as the empty text) so the callee's stores free nothing the save still holds.
// The three kinds lie in three blocks; each is copied by its own loop.
inline void ReturnStack::SaveTemporaries(ValueCell* cells, const ReturnFrame& frame) {
  const uint32_t integers = frame.savedTemps.count[0], floats = frame.savedTemps.count[1],
                 texts = frame.savedTemps.count[2];
  const uint32_t total = integers + floats + texts;
  ValueCell* saved = savedTemps_.Room(total);
  const ValueCell* integerCells = cells + kTemporaryCellBase[0] + frame.temporaryWindow;
  for (uint32_t i = 0; i < integers; ++i) *saved++ = integerCells[i];
  const ValueCell* floatCells = cells + kTemporaryCellBase[1] + frame.temporaryWindow;
  for (uint32_t i = 0; i < floats; ++i) *saved++ = floatCells[i];
  ValueCell* textCells = cells + kTemporaryCellBase[2] + frame.temporaryWindow;
  for (uint32_t i = 0; i < texts; ++i) {
    *saved++ = textCells[i];
    textCells[i].s = nullptr;
  }
  savedTemps_.Commit(total);
}

inline void ReturnStack::RestoreTemporaries(const ReturnFrame& frame) {
  ValueCell* cells = ProgramImage.dataBlock;
  const ValueCell* saved = savedTemps_.From(frame.savedTempsBegin);  // none saved yet: no storage
  const uint32_t integers = frame.savedTemps.count[0], floats = frame.savedTemps.count[1],
                 texts = frame.savedTemps.count[2];
  if (cells != nullptr) [[likely]] {
    ValueCell* integerCells = cells + kTemporaryCellBase[0] + frame.temporaryWindow;
    for (uint32_t i = 0; i < integers; ++i) integerCells[i] = *saved++;
    ValueCell* floatCells = cells + kTemporaryCellBase[1] + frame.temporaryWindow;
    for (uint32_t i = 0; i < floats; ++i) floatCells[i] = *saved++;
    ValueCell* textCells = cells + kTemporaryCellBase[2] + frame.temporaryWindow;
    for (uint32_t i = 0; i < texts; ++i) {
      std::free(textCells[i].s);
      textCells[i] = *saved++;
    }
  } else {
    saved += integers + floats;
    for (uint32_t i = 0; i < texts; ++i) std::free(saved[i].s);
  }
  savedTemps_.Truncate(frame.savedTempsBegin);
}

inline const ReturnFrame& ReturnStack::PopCall() {
  while (frames_.Back().kind != FrameKind::Call) {
    frames_.Pop();
    --gosubFrames_;
  }
  const ReturnFrame& frame = frames_.Back();
  frames_.Pop();
  if (frame.flat != nullptr) {
    RestoreFlat(frame, 0, frame.flat->temporaries);
  } else {
    RestoreTemporaries(frame);
  }
  RunningScope = frame.savedScope;
  return frame;
}

// Puts back the cells [from, to) of a flat frame's list.
inline void ReturnStack::RestoreFlat(const ReturnFrame& frame, uint32_t from, uint32_t to) {
  ValueCell* cells = ProgramImage.dataBlock;
  if (cells == nullptr) [[unlikely]]
    return;
  ScatterCellBits(cells, frame.flat->cells + from, to - from,
                  flatValues_.From(frame.savedNumbersBegin) + from);
}

inline void ReturnStack::PushFlatCall(const ReturnFrame& prepared) {
  // Held in locals: the saves are int32 stores, which could otherwise change the list's fields.
  const FlatSaveList& list = *prepared.flat;
  const int32_t* const listed = list.cells;
  const uint32_t count = list.count;
  const uint32_t begin = flatValues_.Size();
  ReturnFrame& frame = *frames_.Above();
  frame = prepared;
  frame.savedNumbersBegin = begin;
  frames_.Commit(1);
  GatherCellBits(Interpreter.cells, listed, count, flatValues_.Above());
  flatValues_.Commit(count);
}

inline Pc ReturnStack::ReturnFromFlatCall(int32_t bits) {
  // Everything the puts back do not need is read and written before them, and the counts are
  // worked out first: fewer values live across the copies keep the return in the caller-saved
  // registers, with no machine frame to set up.
  const ReturnFrame& frame = frames_.Back();
  const FlatSaveList& list = *frame.flat;
  const int32_t* const listed = list.cells;
  const uint32_t temporaries = list.temporaries, variables = list.count - temporaries;
  const uint32_t begin = frame.savedNumbersBegin;
  const int32_t* const saved = flatValues_.From(begin);
  ValueCell* const cells = Interpreter.cells;
  ValueCell* const result = frame.resultCell;
  const Pc next = DecodedAt(frame.returnWord);
  RunningScope = frame.savedScope;
  frames_.Pop();
  flatValues_.Truncate(begin);
  ScatterCellBits(cells, listed, temporaries, saved);
  result->i = bits;
  ScatterCellBits(cells, listed + temporaries, variables, saved + temporaries);
  return next;
}

inline void ReturnStack::RestoreFunctionLocals(const ReturnFrame& frame) {
  if (frame.flat != nullptr) {
    RestoreFlat(frame, frame.flat->temporaries, frame.flat->count);
    flatValues_.Truncate(frame.savedNumbersBegin);
    return;
  }
  ValueCell* cells = ProgramImage.dataBlock;
  const uint32_t numbersBegin = frame.savedNumbersBegin;
  const uint32_t count = savedNumbers_.Size() - numbersBegin;
  const bool texts = savedTexts_.Size() != frame.savedTextsBegin;
  if (cells != nullptr) [[likely]] {
    const SavedNumber* const saved = savedNumbers_.From(numbersBegin);
    for (uint32_t i = 0; i < count; ++i) {
      const SavedNumber number = saved[i];
      cells[number.cell].i = number.bits;
    }
  }
  savedNumbers_.Truncate(numbersBegin);
  if (texts) RestoreScopeTexts(frame);
}

}  // namespace qm
