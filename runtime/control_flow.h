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
#include <cstdint>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/value_cell.h"

namespace qm {

// At most 65,534 frames are in use; one more raises runtime error 108.
inline constexpr int32_t kReturnStackEntries = 65535;
inline constexpr int32_t kMaxReturnFrames = kReturnStackEntries - 1;

// The temporaries a statement of scope n uses start at 50 x n (the main program at 0), never
// above 950: every scope from 19 up shares the last window.
inline constexpr int32_t kTemporaryWindowSize = 50;
inline constexpr int32_t kLastTemporaryWindow = 950;

constexpr int32_t TemporaryWindowOf(int32_t scope) {
  return scope <= 0 ? 0
         : scope >= kLastTemporaryWindow / kTemporaryWindowSize
             ? kLastTemporaryWindow
             : scope * kTemporaryWindowSize;
}

// The ScopeNumber of the code that is executing: 0 for the main program, n+1 inside user
// function n. The runtime command line compiles a typed line in this scope.
extern int16_t RunningScope;

enum class FrameKind : uint8_t { Gosub, Call };

// One cell saved by a call; a string cell's text is owned by the save until it is restored.
struct SavedCell {
  int32_t cellIndex;
  CellKind kind;
  ValueCell value;
};

struct ReturnFrame {
  FrameKind kind;
  int16_t savedScope;         // call: the caller's RunningScope
  int32_t returnWord;         // GOSUB: word after its operand; call: word after its arguments
  int32_t resultWord;         // call: the operand word of the call's result cell
  int32_t temporaryWindow;    // call: first cell of the callee's window in each temporary block
  uint32_t savedCellsBegin;   // call: where its saved variables start in the save stack
  uint32_t savedTempsBegin;   // call: where its saved temporaries start in the save stack
};

class ReturnStack {
 public:
  int32_t Depth() const { return static_cast<int32_t>(frames_.size()); }
  bool Full() const { return Depth() >= kMaxReturnFrames; }
  bool HasCallFrame() const { return callFrames_ > 0; }
  const ReturnFrame* Top() const { return frames_.empty() ? nullptr : &frames_.back(); }

  void PushGosub(int32_t returnWord);
  // Pushes a call frame, saving the caller's variables of `callerScope` (unless that is the main
  // program, whose variables no function can reach) and the callee's temporary window.
  void PushCall(int32_t returnWord, int32_t resultWord, int16_t callerScope, int32_t calleeScope);
  // Pops the top frame, which must be a GOSUB frame; returns its return word.
  int32_t PopGosub();
  // Drops GOSUB frames down to the nearest call frame and pops it, restoring the temporaries it
  // saved; the caller's variables stay saved until RestoreFunctionLocals. Returns the frame.
  ReturnFrame PopCall();
  // Puts back the variables saved by the call frame popped last and sets RunningScope to the
  // caller's.
  void RestoreFunctionLocals(const ReturnFrame& frame);

  // Pops every frame, restoring what each saved (end of a run).
  void Unwind();
  // Empties the stack, freeing every saved text.
  void Clear();

 private:
  void SaveScopeVariables(int16_t scope);
  void SaveTemporaryWindow(int32_t window);
  void RestoreTemporaries(const ReturnFrame& frame);
  void TruncateSavedCells(uint32_t begin);

  std::vector<ReturnFrame> frames_;
  std::vector<SavedCell> savedCells_;   // variables saved by every call frame, in frame order
  std::vector<ValueCell> savedTemps_;   // temporary windows saved by every call frame
  int32_t callFrames_ = 0;
};

extern ReturnStack ProgramReturnStack;

// The variables of a scope, by cell index (integer, then float, then string variables), as the
// program image's scope tables give them. Rebuilt when the image's variable counts change (a
// line typed at the runtime command line adds variables) and at the start of every run.
const std::vector<int32_t>& VariablesOfScope(int16_t scope);
void ForgetScopeVariableLists();

}  // namespace qm
