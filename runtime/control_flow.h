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
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/value_cell.h"

namespace qm {

// IF, WHILE, UNTIL: [condition][target]; a condition of 0 jumps. Inline, so that the fused pairs
// of a comparison and its test (cmd_operators.cpp) run it without a call.
inline void CmdIf() {
  const int32_t condition = NextIntCell();
  const int32_t target = NextJumpTarget();
  if (condition == 0) ProgramCounter = target;
}

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

// How many temporaries of each type (integer, float, string) from the start of a window the
// program uses: a call saves only those.
struct TemporaryUsage {
  std::array<uint8_t, 3> count{};
};

struct ReturnFrame {
  FrameKind kind;
  TemporaryUsage savedTemps;  // call: how many temporaries of each type it saved
  int16_t savedScope;         // call: the caller's RunningScope
  int32_t returnWord;         // GOSUB: word after its operand; call: word after its arguments
  int32_t resultWord;         // call: the operand word of the call's result cell
  int32_t temporaryWindow;    // call: first cell of the callee's window in each temporary block
  uint32_t savedNumbersBegin;  // call: where its saves start in each save stack
  uint32_t savedTextsBegin;
  uint32_t savedTempsBegin;
};

// A stack of saved values that grows by doubling and never shrinks, so a call costs no
// allocation once the program has reached its deepest recursion.
template <typename T>
class SaveStack {
 public:
  uint32_t Size() const { return size_; }
  T& operator[](uint32_t index) { return storage_[index]; }
  // The values from `index` on (index <= Size(); valid while nothing is added).
  T* From(uint32_t index) { return storage_.data() + index; }
  // Room for `count` more values after the top; Commit makes them part of the stack.
  T* Room(uint32_t count) {
    if (size_ + count > storage_.size()) storage_.resize(std::max<size_t>(2 * storage_.size(), size_ + count + 64));
    return storage_.data() + size_;
  }
  void Commit(uint32_t count) { size_ += count; }
  void Truncate(uint32_t size) { size_ = size; }

 private:
  std::vector<T> storage_;
  uint32_t size_ = 0;
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
  // saved and the caller's RunningScope; the caller's variables stay saved until
  // RestoreFunctionLocals. Returns the frame.
  ReturnFrame PopCall();
  // Puts back the variables saved by the call frame popped last, exactly those that were saved.
  void RestoreFunctionLocals(const ReturnFrame& frame);

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

  void SaveScopeVariables(int16_t scope);
  void SaveTemporaries(ReturnFrame& frame);
  void RestoreTemporaries(const ReturnFrame& frame);

  std::vector<ReturnFrame> frames_;
  SaveStack<SavedNumber> savedNumbers_;  // variables saved by every call frame, in frame order
  SaveStack<SavedText> savedTexts_;
  SaveStack<ValueCell> savedTemps_;      // temporary windows saved by every call frame
  int32_t callFrames_ = 0;
};

extern ReturnStack ProgramReturnStack;

// The temporaries the program's words name in the window that starts at `window` (0, 50, ...,
// 950), counted from the window's start. The program is scanned once per run; a line typed at the
// runtime command line is scanned at each call while it exists, since each new line replaces the
// words of the previous one.
TemporaryUsage TemporaryUsageOfWindow(int32_t window);
void ForgetTemporaryUsage();

// The variables of a scope, by cell index: integer and float variables, and string variables,
// as the program image's scope tables give them. Rebuilt when the image's variable counts change
// (a line typed at the runtime command line adds variables) and at the start of every run.
struct ScopeVariables {
  std::vector<int32_t> numbers;
  std::vector<int32_t> texts;
};
const ScopeVariables& VariablesOfScope(int16_t scope);
void ForgetScopeVariableLists();

}  // namespace qm
