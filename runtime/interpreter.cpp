// The interpreter: runs command handlers in slices, and resets its state at the start of a run.
//
// The slice loop does per command: one load of the handler from the command's DecodedWord, one
// store of the running command, one call, and one countdown; no clock read and no allocation. The
// program counter lives in the loop (a register), handed to each handler and taken back from it.
// A stop request sets the countdown to its last command, so the loop tests one thing per command.
// Everything that is looked at "after a command" (the 33 ms budget of SYNC OFF, the 201-command
// check of SYNC ON, a stop request) happens in SliceCheck when the countdown runs out:
//  - SYNC ON: the countdown is the number of commands to the next 201st, so the check comes on
//    exactly the same commands as a per-command counter would.
//  - SYNC OFF: reading the clock costs more than a whole simple command, so the clock is read
//    after every command only while commands take measurable time (the last read saw the clock
//    move); while the clock stands still between reads, the spacing doubles up to
//    kMaxCommandsBetweenClockReads. A slow command therefore ends the slice right after the
//    command that passes the budget, and a run of fast ones costs one clock read per about
//    1,024 commands, a few microseconds apart.
#include "runtime/interpreter.h"

#include <algorithm>
#include <array>

#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/command_dispatch.h"
#include "runtime/diagnostics.h"
#include "runtime/frame_services.h"
#include "runtime/program_image.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"
#include "runtime/subsystem.h"
#include "runtime/system_flags.h"
#include "runtime/value_text.h"

namespace qm {

const DecodedWord kNoProgramWords[1] = {{&StopOnUnknownCommand, nullptr, {kNoProgramWords}}};
InterpreterState Interpreter;

// ---- Operand cells ----

namespace {

constexpr std::array<CellKind, kOperandCellMask + 1> OperandCellKinds() {
  std::array<CellKind, kOperandCellMask + 1> kinds{};
  for (uint32_t index = 0; index < kOperandCells; ++index) {
    kinds[index] = kCellKindByThousand[index / 1000];
  }
  return kinds;
}

}  // namespace

extern const std::array<CellKind, kOperandCellMask + 1> kOperandCellKind = OperandCellKinds();

// ---- The slice ----

namespace {

void ArmSyncOnCheck() {
  Interpreter.checkArmedSyncOff = 0;
  Interpreter.checkCountdown = static_cast<int32_t>(
      kSyncOnCheckInterval - std::min(Interpreter.commandCounter, kSyncOnCheckInterval - 1));
}

void ArmSyncOffCheck(uint32_t now) {
  Interpreter.checkArmedSyncOff = 1;
  Interpreter.clockReadSpacing = 1;
  Interpreter.lastClockRead = now;
  Interpreter.checkCountdown = 1;
}

// Commands since the SYNC ON countdown was armed, folded back into the CommandCounter.
void SaveSyncOnCount() {
  if (Interpreter.checkArmedSyncOff) return;
  Interpreter.commandCounter = kSyncOnCheckInterval - static_cast<uint32_t>(Interpreter.checkCountdown);
}

void SyncOffCheck() {
  const uint32_t now = platform::TimeMs();
  if (now - Interpreter.sliceStartTime > Interpreter.sliceBudgetMs) Interpreter.stopFlag = 1;
  if (now == Interpreter.lastClockRead) {
    Interpreter.clockReadSpacing = std::min(Interpreter.clockReadSpacing * 2, kMaxCommandsBetweenClockReads);
  } else {
    Interpreter.clockReadSpacing = 1;
  }
  Interpreter.lastClockRead = now;
  Interpreter.checkCountdown = Interpreter.clockReadSpacing;
}

void SyncOnCheck() {
  if (platform::GetAsyncKeyState(platform::kVkF11) != 0 ||
      platform::GetAsyncKeyState(platform::kVkF12) != 0) {
    Interpreter.stopFlag = 1;
  }
  if (Services().display->QueuedDrawRequests() > kDrawQueueSliceLimit) Interpreter.stopFlag = 1;
  Interpreter.commandCounter = 0;
  Interpreter.inputStaleFlag = 1;
  Interpreter.checkCountdown = static_cast<int32_t>(kSyncOnCheckInterval);
}

// Runs when the countdown is out. A handler that switched the SYNC mode without ending the slice
// is noticed here, and the countdown is re-armed for the new mode.
[[gnu::noinline]] void SliceCheck() {
  if (Interpreter.checkArmedSyncOff != Interpreter.syncOffSetting) {
    if (Interpreter.checkArmedSyncOff) {
      ArmSyncOnCheck();
    } else {
      Interpreter.commandCounter = kSyncOnCheckInterval - 1;
      ArmSyncOffCheck(platform::TimeMs());
    }
    return;
  }
  if (Interpreter.syncOffSetting) {
    SyncOffCheck();
  } else {
    SyncOnCheck();
  }
}

// Runs commands from `pc` until the countdown meets 0; returns where the program goes on. A fused
// pair's handler counts its first command on the countdown itself (command_fusion.h).
[[gnu::hot]] Pc RunCommands(Pc pc) {
  InterpreterState& state = Interpreter;
  do {
    state.command = pc;
    pc = pc->run(pc);
  } while (--state.checkCountdown != 0);
  return pc;
}

// The same, tracing every command and running the plain handlers (no fused pairs, no variants).
Pc RunTracedCommands(Pc pc) {
  InterpreterState& state = Interpreter;
  do {
    const int32_t index = WordIndexOf(pc);
    WriteCommandTrace(index, ProgramWordAt(index));
    state.command = pc;
    pc = state.plainHandlers[index](pc);
  } while (--state.checkCountdown != 0);
  return pc;
}

// The countdown ran out: a stop request ends the slice (after the check that was due on this
// command, if one was); otherwise the check runs. True when the slice goes on.
bool ContinueAfterCountdown() {
  InterpreterState& state = Interpreter;
  if (state.stopFlag == 0) {
    SliceCheck();
    return state.stopFlag == 0;
  }
  // The countdown the request interrupted, less the command that made it.
  state.checkCountdown = state.deferredCountdown - 1;
  if (state.checkCountdown <= 0) SliceCheck();
  return false;
}

// Runs the slice's commands from the ProgramCounter, and leaves the ProgramCounter where the
// program goes on. The decoded form is read once: a handler that replaces the program image
// requests the end of the slice, and the image keeps its old decoded form until then.
void RunSlice(bool traced) {
  InterpreterState& state = Interpreter;
  const DecodedWord* const decoded = state.decoded;
  Pc pc = DecodedAt(state.programCounter);
  while (state.stopFlag == 0) {
    pc = traced ? RunTracedCommands(pc) : RunCommands(pc);
    state.programCounter = static_cast<int32_t>(pc - decoded);
    if (!ContinueAfterCountdown()) break;
  }
  state.stopFlag = 0;
}

}  // namespace

// An id without a handler (a word that is no command, an operand word, id 0): the program stops
// on that word without an error, and the command line opens.
Pc StopOnUnknownCommand(Pc at) {
  platform::PostQuitMessage(0);
  StopFlag = 1;
  return at;
}

void ExecuteSlice() {
  if (!DisplayReadyFlag) return;
  if (!ProgramVerifiedForCurrentCommands()) [[unlikely]]
    VerifyProgramAgain();
  Interpreter.inputStaleFlag = 0;
  Interpreter.sliceStartTime = platform::TimeMs();
  if (Interpreter.syncOffSetting) {
    ArmSyncOffCheck(Interpreter.sliceStartTime);
  } else {
    ArmSyncOnCheck();
  }
  const bool traced = DebugModeFlag();
  for (;;) {
    try {
      RunSlice(traced);
      break;
    } catch (...) {
      // Anything a handler throws (std::bad_alloc included) becomes system error 10010, which
      // sets the StopFlag: the next round returns at once. The program stays on the command.
      if (Interpreter.command != nullptr) Interpreter.programCounter = CurrentCommandWord();
      RaiseRuntimeError(kErrorSevereException);
      Interpreter.checkCountdown = Interpreter.deferredCountdown;  // the command did not finish
    }
  }
  SaveSyncOnCount();
  Interpreter.command = nullptr;
}

void ResetRunner() {
  SystemFlags.lockCliFlag = 0;
  SystemFlags.lockEditorFlag = 0;
  DrawOrderFlag = 0;
  Interpreter.stopFlag = 1;
  ProgramEndedFlag = 0;
  Interpreter.programCounter = 0;
  Interpreter.command = nullptr;
  Interpreter.commandCounter = 0;
  PendingErrorCode = 0;
  PendingErrorIsWarning = 0;
  Interpreter.syncOffSetting = 1;
  Interpreter.refreshAfterDrawing = 1;
  SyncRateMs = 25;
  ThrottleCounter = 0;
  Services().engine3d->ArmAutomaticBackdrop();
  SystemFlags.escapeKeyEnabled = 1;
  SystemFlags.systemKeysEnabled = 1;
  Services().system->SetScreenSaverRunning(false);
  Interpreter.sliceBudgetMs = 33;
  Interpreter.sliceStartTime = platform::TimeMs();
  // Return stack, running scope, checklist, mouse, INPUT and SLEEP state belong to their
  // subsystems.
  RunSubsystemSteps(&Subsystem::runStart);
}

}  // namespace qm
