// Control structures: IF, WHILE and UNTIL tests, the jumps, FOR and NEXT, GOSUB and RETURN, user
// function calls and their returns, and STOP. The compiler has turned every block into tests and
// jumps, so these handlers only choose the word the program goes on at; calls and GOSUB share
// the ReturnStack (control_flow.h).
#include <array>

#include "platform/window.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/command_fusion.h"
#include "runtime/control_flow.h"
#include "runtime/foundation_commands.h"
#include "runtime/integer_operators.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/program_verifier.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

// A value on its way from one cell to another (an argument, a function result). A text is owned.
struct CarriedValue {
  CellKind kind;
  bool present;
  ValueCell value;
};

[[gnu::always_inline]] inline CarriedValue CarryOperand(Operands& in) {
  CarriedValue carried{};
  const ValueCell& cell = in.Any(carried.kind);
  carried.present = true;
  carried.value = cell;
  if (carried.kind == CellKind::String) carried.value.s = NewText(CellText(cell));
  return carried;
}

// Stores a carried value into a cell of `kind`, converting between integer and float as
// assignment does; a text never becomes a number nor a number a text (0 or "" instead). Takes
// the carried text.
[[gnu::always_inline]] inline void StoreCarried(ValueCell& cell, CellKind kind, CarriedValue& carried) {
  const bool text = carried.present && carried.kind == CellKind::String;
  switch (kind) {
    case CellKind::Integer:
      cell.i = !carried.present || text          ? 0
               : carried.kind == CellKind::Float ? TruncateToInt32(carried.value.f)
                                                 : carried.value.i;
      break;
    case CellKind::Float:
      cell.f = !carried.present || text            ? 0.0f
               : carried.kind == CellKind::Integer ? NearestSingle(carried.value.i)
                                                   : carried.value.f;
      break;
    case CellKind::String:
      FreeText(cell.s);
      cell.s = text ? carried.value.s : NewText("");
      carried.value.s = nullptr;
      return;
  }
  if (text) FreeText(carried.value.s);
}

void DropCarried(CarriedValue& carried) {
  if (carried.present && carried.kind == CellKind::String) FreeText(carried.value.s);
}

// ---- IF, jumps, FOR, NEXT ----

// ELSE, EXIT, LOOP, ENDWHILE, GOTO: [target]. One body; each command's row names its own handler.
Pc JumpToTarget(Pc at) { return at[1].target; }
constexpr CommandHandler CmdElse = JumpToTarget;
constexpr CommandHandler CmdExit = JumpToTarget;
constexpr CommandHandler CmdLoop = JumpToTarget;
constexpr CommandHandler CmdEndwhile = JumpToTarget;
constexpr CommandHandler CmdGoto = JumpToTarget;

// FOR: [variable][limit][step][exit]. The compiler set the variable to the start less the step
// and loops back here from NEXT, so each pass first adds the step, then tests. A step of 0 never
// leaves the loop.
Pc CmdFor(Pc at) {
  const auto [variable, limitCell, stepCell] = OperandCells<3>(at);
  const int32_t step = stepCell->i;
  const int32_t value = WrapAdd(variable->i, step);
  variable->i = value;
  const int32_t limit = limitCell->i;
  if ((step > 0 && value > limit) || (step < 0 && value < limit)) return at[4].target;
  return at + 5;
}

// NEXT: [variable][the FOR command's word].
Pc CmdNext(Pc at) { return at[2].target; }

}  // namespace

template <>
inline constexpr bool kOnlyComputes<CmdFor> = true;
template <>
inline constexpr bool kOnlyComputes<CmdNext> = true;

namespace {

// ---- GOSUB and RETURN ----

Pc CmdGosub(Pc at) {
  if (ProgramReturnStack.Full()) {
    RaiseRuntimeError(kErrorReturnStackFull);
    return at + 2;
  }
  ProgramReturnStack.PushGosub(WordIndexOf(at + 2));
  return at[1].target;
}

// RETURN goes back from a GOSUB. With no frame, or a call frame on top (a RETURN inside a function
// that no GOSUB entered), it does nothing and the program goes on after it.
Pc CmdReturn(Pc at) {
  const ReturnFrame* top = ProgramReturnStack.Top();
  if (top == nullptr || top->kind != FrameKind::Gosub) return at + 1;
  return DecodedAt(ProgramReturnStack.PopGosub());
}

// ---- User-function calls ----

// Assigns the carried arguments to the parameter cells listed at the entry.
[[gnu::always_inline]] inline void AssignParameters(const int32_t* parameterWords,
                                                    std::array<CarriedValue, kMaxCallArguments>& arguments,
                                                    int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    CellKind kind;
    ValueCell* parameter = OperandCell(parameterWords[k], kind);
    if (parameter != nullptr) [[likely]] {
      StoreCarried(*parameter, kind, arguments[k]);
    } else {
      DropCarried(arguments[k]);
    }
  }
}

// FUNCTION (a call): [entry][result][argument count][arguments...]. The entry holds one word per
// parameter (its variable cell), then the function's ScopeNumber, then the body. Every argument
// is carried before any parameter is assigned, so that f(b, a) called inside f(a, b) passes the
// caller's values. Verification matched the count with the entry; a count cell that the program
// changed since is a corrupt program, and the call stays on its command. The operands are read
// through a local pointer: the stores of a call cannot move it, as they could the counter.
Pc CmdFunction(Pc command) {
  const int32_t* words = Interpreter.words;
  ValueCell* cells = Interpreter.cells;
  const int32_t at = WordIndexOf(command) + 1;
  const int32_t entry = words[at] - kWordAddresses;
  const int32_t resultWord = words[at + 1];
  const int32_t count = CellOfOperand(words[at + 2], cells).i;
  if (!EntryTakesArguments(words, Interpreter.wordCount, entry, count)) [[unlikely]] {
    RaiseRuntimeError(kErrorSevereException);
    return command;
  }
  const int32_t returnWord = at + 3 + count;
  if (ProgramReturnStack.Full()) [[unlikely]] {
    RaiseRuntimeError(kErrorReturnStackFull);
    return DecodedAt(returnWord);
  }
  // Left uninitialised: only the first `count` are filled and read.
  std::array<CarriedValue, kMaxCallArguments> arguments;
  for (int32_t k = 0; k < count; ++k) {
    const int32_t word = words[at + 3 + k];
    CarriedValue& carried = arguments[k];
    carried.kind = kOperandCellKind[(static_cast<uint32_t>(word) - static_cast<uint32_t>(kFirstOperand)) &
                                    kOperandCellMask];
    carried.present = true;
    carried.value = CellOfOperand(word, cells);
    if (carried.kind == CellKind::String) [[unlikely]] {
      carried.value.s = NewText(CellText(carried.value));
    }
  }
  const int32_t calleeScope = words[entry + count];
  CellKind resultKind = CellKind::Integer;
  ValueCell* resultCell = OperandCell(resultWord, resultKind);
  ProgramReturnStack.PushCall(returnWord, resultCell, resultKind, RunningScope, calleeScope);
  AssignParameters(words + entry, arguments, count);
  RunningScope = static_cast<int16_t>(calleeScope);
  return DecodedAt(entry + count + 1);
}

// A call site planned at load: what verification proved about the call (its entry, argument
// count, parameter cells and the callee's scope) read once. Only calls whose every argument is a
// number of its parameter's kind, and whose result goes to a cell, are planned (values copied as
// they are); the others, and a call whose count cell a corrupt program changed, take
// CmdFunction. The site also learns, on its first call, the scope it is called from (the scope of
// the code around it, in any ordinary program) and the flat save list of that scope and the
// callee: while the call comes from that scope and no array is dimensioned, it saves along the
// list.
struct CallSite {
  Pc body;
  const ValueCell* countCell;
  int32_t count;
  int32_t calleeScope;
  int32_t returnWord;
  CellKind resultKind;
  ValueCell* resultCell;
  int32_t learnedScope;  // the caller's scope the flat list was looked up for (-1: none yet)
  // The scope whose calls save along the flat list: learnedScope when that pair of scopes has one,
  // else -1 (no scope), so the fast way takes one comparison.
  int32_t flatScope;
  // The frame a call from flatScope pushes, all but where its saves start.
  ReturnFrame flatFrame;
  std::array<ValueCell*, kMaxCallArguments> parameters;
};

// Pushes the frame of a planned call the general way, or learns the flat list for the caller's
// scope first (the first call from a scope).
void PushPlannedCall(CallSite& site) {
  if (site.learnedScope != RunningScope) {
    site.learnedScope = RunningScope;
    const FlatSaveList* flat =
        FlatSaveListFor(RunningScope, site.calleeScope, site.returnWord, site.resultCell);
    site.flatScope = flat != nullptr ? RunningScope : -1;
    site.flatFrame = {FrameKind::Call,
                      site.resultKind,
                      {},
                      RunningScope,
                      site.returnWord,
                      0,
                      0,
                      0,
                      0,
                      site.resultCell,
                      flat};
  }
  if (site.flatScope == RunningScope && ProgramArrays.DimensionedCount() == 0) {
    ProgramReturnStack.ReserveFlatCall(*site.flatFrame.flat);
    ProgramReturnStack.PushFlatCall(site.flatFrame);
  } else {
    ProgramReturnStack.PushCall(site.returnWord, site.resultCell, site.resultKind, RunningScope,
                                site.calleeScope);
  }
}

// Passes the arguments, once the frame is pushed: every argument read before any parameter is
// assigned.
[[gnu::always_inline]] inline void PassArguments(Pc at, const CallSite& site, int32_t count) {
  std::array<int32_t, kMaxCallArguments> values;
  for (int32_t k = 0; k < count; ++k) values[k] = at[4 + k].cell->i;
  for (int32_t k = 0; k < count; ++k) site.parameters[k]->i = values[k];
}

// A planned call that cannot take the fast way: one whose count cell a corrupt program changed
// or whose stack is full calls as an unplanned one; the others push their frame the general way
// (or grow the stacks first). One out-of-line function for all of them, so the fast way calls
// nothing and sets up no machine frame.
[[gnu::noinline]] Pc CallPlannedSlowly(Pc at, CallSite& site) {
  if (site.countCell->i != site.count || ProgramReturnStack.Full()) return CmdFunction(at);
  PushPlannedCall(site);
  PassArguments(at, site, site.count);
  RunningScope = static_cast<int16_t>(site.calleeScope);
  return site.body;
}

// The call itself, for `count` arguments (a count known when compiled unrolls the copies). The
// fast way is the flat one, taken while the call comes from the scope the site learned, no array
// is dimensioned, the count cell holds its verified value and the stacks have room.
[[gnu::always_inline]] inline Pc CallPlannedSite(Pc at, CallSite& site, int32_t count) {
  if (site.countCell->i != count || RunningScope != site.flatScope || ProgramArrays.DimensionedCount() != 0 ||
      ProgramReturnStack.Full() || !ProgramReturnStack.HasRoomForFlatCall(*site.flatFrame.flat))
      [[unlikely]] {
    return CallPlannedSlowly(at, site);
  }
  ProgramReturnStack.PushFlatCall(site.flatFrame);
  PassArguments(at, site, count);
  RunningScope = static_cast<int16_t>(site.calleeScope);
  return site.body;
}

// The site's plan, which the site updates as it learns (the plan's memory is the decoded form's).
CallSite& SiteOf(Pc at) { return *const_cast<CallSite*>(static_cast<const CallSite*>(at[1].plan)); }

Pc CmdCallPlanned(Pc at) {
  CallSite& site = SiteOf(at);
  return CallPlannedSite(at, site, site.count);
}

// The same for the usual counts of arguments.
template <int32_t count>
Pc CmdCallPlannedWith(Pc at) {
  return CallPlannedSite(at, SiteOf(at), count);
}

// Plans a verified call whose arguments need no conversion.
CommandHandler PlanCall(DecodedWord* at) {
  const int32_t* words = Interpreter.words;
  const int32_t first = WordIndexOf(at) + 1;
  const int32_t entry = words[first] - kWordAddresses;
  const int32_t count = at[3].cell->i;
  if (!EntryTakesArguments(words, Interpreter.wordCount, entry, count)) return &CmdFunction;
  CallSite site{};
  for (int32_t k = 0; k < count; ++k) {
    CellKind kind;
    site.parameters[k] = OperandCell(words[entry + k], kind);
    const CellKind argument = KindOfCell(at[4 + k].cell);
    if (site.parameters[k] == nullptr || argument != kind || kind == CellKind::String) return &CmdFunction;
  }
  site.resultCell = OperandCell(words[first + 1], site.resultKind);
  if (site.resultCell == nullptr) return &CmdFunction;
  site.body = DecodedAt(entry + count + 1);
  site.countCell = at[3].cell;
  site.count = count;
  site.calleeScope = words[entry + count];
  site.returnWord = first + 3 + count;
  site.learnedScope = -1;
  site.flatScope = -1;
  CallSite* plan = NewDecodedPlan<CallSite>();
  *plan = site;
  at[1].plan = plan;
  switch (count) {
    case 0:
      return &CmdCallPlannedWith<0>;
    case 1:
      return &CmdCallPlannedWith<1>;
    case 2:
      return &CmdCallPlannedWith<2>;
    case 3:
      return &CmdCallPlannedWith<3>;
    default:
      return &CmdCallPlanned;
  }
}

// Returns from the nearest call with `result`: the callee's temporaries are put back first (the
// result cell may lie among them), then the result is stored, then the caller's variables are
// restored. Without any call frame the command does nothing and the program goes on after it.
Pc ReturnFromCall(CarriedValue result, Pc next) {
  if (!ProgramReturnStack.HasCallFrame()) {
    DropCarried(result);
    return next;
  }
  const ReturnFrame& frame = ProgramReturnStack.PopCall();
  if (frame.resultCell != nullptr) [[likely]] {
    StoreCarried(*frame.resultCell, frame.resultKind, result);
  } else {
    DropCarried(result);
  }
  ProgramReturnStack.RestoreFunctionLocals(frame);
  return DecodedAt(frame.returnWord);
}

// ENDFUNCTION, EXITFUNCTION without a value: the result is 0 (or "").
Pc CmdEndfunction(Pc at) { return ReturnFromCall(CarriedValue{CellKind::Integer, false, {}}, at + 1); }

// ENDFUNCTION and EXITFUNCTION with an integer or float value: [value]. A value of the other
// numeric type than the call's result is converted as assignment converts.
Pc CmdEndfunctionL(Pc at) {
  Operands in(at);
  CarriedValue result = CarryOperand(in);
  return ReturnFromCall(result, in.Next());
}

// The same, when the call on top of the return stack takes a result of the value's own kind: the
// 32 bits are stored as they are. Anything else (GOSUB frames above the call, no call, a result
// of another kind) takes CmdEndfunctionL. The value's kind was read at load.
//
// The return from a call that saved the general way, and every return that is no plain number
// into a result of its kind, are kept in one out-of-line function, so the return from a flat call
// calls nothing and sets up no machine frame.
template <CellKind kind>
[[gnu::noinline]] Pc ReturnNumberSlowly(Pc at) {
  const ReturnFrame* top = ProgramReturnStack.Top();
  if (top == nullptr || top->kind != FrameKind::Call || top->resultCell == nullptr ||
      top->resultKind != kind) {
    return CmdEndfunctionL(at);
  }
  const int32_t bits = at[1].cell->i;  // read before the pop puts the temporaries back
  const ReturnFrame& frame = ProgramReturnStack.PopCall();
  frame.resultCell->i = bits;
  ProgramReturnStack.RestoreFunctionLocals(frame);
  return DecodedAt(frame.returnWord);
}

template <CellKind kind>
[[gnu::always_inline]] inline Pc CmdReturnNumber(Pc at) {
  if (!ProgramReturnStack.FlatCallOnTop(kind)) [[unlikely]]
    return ReturnNumberSlowly<kind>(at);
  return ProgramReturnStack.ReturnFromFlatCall(at[1].cell->i);
}

// ENDFUNCTION and EXITFUNCTION with a text: [value].
Pc CmdEndfunctionS(Pc at) { return CmdEndfunctionL(at); }

// END: the program ends without an error; the command line opens and cannot resume it.
Pc CmdEnd(Pc at) {
  platform::PostQuitMessage(0);
  StopFlag = 1;
  ProgramEndedFlag = 1;
  return at + 1;
}

// STOP: the program ends with runtime error 21 and cannot be resumed, even from a line typed at
// the runtime command line.
Pc CmdStop(Pc at) {
  ProgramEndedFlag = 1;
  RaiseRuntimeError(kErrorStopped);
  return at + 1;
}

CommandHandler ChooseNumberReturn(DecodedWord* at) {
  switch (KindOfCell(at[1].cell)) {
    case CellKind::Integer:
      return &CmdReturnNumber<CellKind::Integer>;
    case CellKind::Float:
      return &CmdReturnNumber<CellKind::Float>;
    case CellKind::String:
      break;
  }
  return &CmdEndfunctionL;
}

constexpr CommandVariant kControlFlowVariants[] = {{CmdFunction, PlanCall},
                                                   {CmdEndfunctionL, ChooseNumberReturn}};

// NEXT and the FOR it jumps back to, in one dispatch; an argument worked out into a temporary,
// then the planned call of one argument that passes it (fib(n - 1)), also right after an
// assignment (a = fib(n - 1) : b = fib(n - 2)).
constexpr CommandFusion kControlFlowFusions[] = {
    {CmdNext, CmdFor, FusedPair<CmdNext, CmdFor>, FusedSecond::AtJumpTarget},
    Fusion<OpAddLLL, CmdCallPlannedWith<1>>(),
    Fusion<OpSubLLL, CmdCallPlannedWith<1>>(),
    FusionOfThree<OpAssignLL, OpSubLLL, CmdCallPlannedWith<1>>(),
};

constexpr OperandLayout kThenJump = OperandLayout::SignatureThenJump;
constexpr OperandLayout kJumpOnly = OperandLayout::Jump;

constexpr CommandRegistration kControlFlowCommands[] = {
    {kCmdIf, "if", "L", CmdIf, kThenJump},
    {kCmdElse, "else", "0", CmdElse, kJumpOnly},
    {kCmdExit, "exit", "0", CmdExit, kJumpOnly},
    {kCmdLoop, "loop", "0", CmdLoop, kJumpOnly},
    {kCmdFor, "for", "LLL", CmdFor, kThenJump},
    {kCmdNext, "next", "L", CmdNext, kThenJump},
    {kCmdWhile, "while", "L", CmdWhile, kThenJump},
    {kCmdEndwhile, "endwhile", "0", CmdEndwhile, kJumpOnly},
    {kCmdUntil, "until", "L", CmdUntil, kThenJump},
    {kCmdFunction, "function", "0", CmdFunction, OperandLayout::UserFunctionCall},
    {kCmdEndfunction, "endfunction", "0", CmdEndfunction},
    {kCmdEndfunctionL, "endfunction", "L", CmdEndfunctionL},
    {kCmdEndfunctionF, "endfunction", "F", CmdEndfunctionL},
    {kCmdEndfunctionS, "endfunction", "S", CmdEndfunctionS},
    {kCmdStop, "stop", "0", CmdStop, OperandLayout::EndsProgram},
    {kCmdExitfunction, "exitfunction", "0", CmdEndfunction},
    {kCmdExitfunctionL, "exitfunction", "L", CmdEndfunctionL},
    {kCmdExitfunctionF, "exitfunction", "F", CmdEndfunctionL},
    {kCmdExitfunctionS, "exitfunction", "S", CmdEndfunctionS},
    {kCmdGosub, "gosub", "A", CmdGosub},
    {kCmdGoto, "goto", "A", CmdGoto, kJumpOnly},
    {kCmdReturn, "return", "0", CmdReturn},
    {kCmdEnd, "end", "0", CmdEnd, OperandLayout::EndsProgram},
};

struct ChosenHandler {
  CommandHandler handler;
};
constexpr ChosenHandler kChosenCallHandlers[] = {
    {CmdCallPlannedWith<0>},           {CmdCallPlannedWith<1>}, {CmdCallPlannedWith<2>},
    {CmdCallPlannedWith<3>},           {CmdCallPlanned},        {CmdReturnNumber<CellKind::Integer>},
    {CmdReturnNumber<CellKind::Float>}};
constexpr auto kControlFlowThreading =
    JoinedForms(ThreadedForms<kControlFlowCommands>(), ThreadedForms<kChosenCallHandlers>());

}  // namespace

constinit const CommandFamily kControlFlowFamily{
    kControlFlowCommands, kControlFlowFusions, kControlFlowVariants, {}, kControlFlowThreading};

// ---- Run life cycle ----

void ResetControlFlow() {
  ProgramReturnStack.Clear();
  RunningScope = 0;
  ForgetCallSavePlans();
}

// End of a run: every frame is popped and every saved variable put back, so each variable ends
// the run with the value it had at the outermost level.
void UnwindReturnStack() {
  ProgramReturnStack.Unwind();
  RunningScope = 0;
}

}  // namespace qm
