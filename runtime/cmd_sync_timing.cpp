// The frame and time commands: SYNC, SYNC ON and OFF, SYNC RATE, TIMER, GET DATE$ and GET TIME$,
// the waits SLEEP, WAIT and WAIT KEY (SUSPEND FOR KEY), and BREAK. A wait never blocks: it stays
// on its own command and ends the slice, so frames, sound and window messages go on meanwhile.
// END lives with the control flow.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/window.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/error_codes.h"
#include "runtime/interpreter.h"
#include "runtime/print_input.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/sync_timing.h"
#include "runtime/value_text.h"

namespace qm {

SyncTimingState SyncTiming;

void ResetSleepDeadline() { SyncTiming.sleepDeadline = -1.0; }
void ClearBreakMessage() { SyncTiming.breakMessage.clear(); }

uint32_t SyncRateFrameMs(int32_t framesPerSecond) {
  return framesPerSecond == 0 ? 0u : 1000u / static_cast<uint32_t>(framesPerSecond);
}

namespace {

constexpr int32_t kMaxSyncRate = 1000;

// ---- Frames ----

// SYNC: the slice ends and the run loop presents the frame.
Pc CmdSync(Pc at) {
  StopFlag = 1;
  return at + 1;
}

// SYNC ON: the program presents its frames itself with SYNC.
Pc CmdSyncOn(Pc at) {
  SyncOffSetting = 0;
  RefreshAfterDrawing = 0;
  StopFlag = 1;
  return at + 1;
}

// SYNC OFF: frames are presented after drawing and at least once per slice budget.
Pc CmdSyncOff(Pc at) {
  SyncOffSetting = 1;
  RefreshAfterDrawing = 1;
  StopFlag = 1;
  return at + 1;
}

// SYNC RATE n: at most n frames per second, 0 for no limit; outside 0-1000 error 112 and the
// rate stays.
Pc CmdSyncRate(Pc at) {
  Operands in(at);
  const int32_t rate = in.Int();
  if (rate < 0 || rate > kMaxSyncRate) {
    RaiseRuntimeError(kErrorSyncRateRange);
    return in.Next();
  }
  SyncRateMs = SyncRateFrameMs(rate);
  return in.Next();
}

// ---- Clock ----

// TIMER(): the millisecond clock as a signed number (it wraps to negative numbers).
Pc CmdTimer(Pc at) {
  Operands in(at);
  in.Int() = static_cast<int32_t>(platform::TimeMs());
  return in.Next();
}

// Three two-digit numbers joined by `separator`.
std::string TwoDigitFields(int a, int b, int c, char separator) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", a % 100, separator, b % 100, separator, c % 100);
  return text;
}

// GET DATE$: local month/day/year, two digits each.
Pc CmdGetDateStr(Pc at) {
  Operands in(at);
  const platform::CalendarTime now = platform::SystemClock().LocalNow();
  StoreStringResult(in.String(), TwoDigitFields(now.month, now.day, now.year, '/'));
  return in.Next();
}

// GET TIME$: local hour:minute:second on the 24-hour clock.
Pc CmdGetTimeStr(Pc at) {
  Operands in(at);
  const platform::CalendarTime now = platform::SystemClock().LocalNow();
  StoreStringResult(in.String(), TwoDigitFields(now.hour, now.minute, now.second, ':'));
  return in.Next();
}

// ---- Waits ----

// SLEEP n and WAIT n: the first slice sets the deadline, every later one looks at the clock; the
// wait ends in the first slice that starts after the deadline, so SLEEP 0 lasts one frame.
Pc CmdSleep(Pc at) {
  Operands in(at);
  const int32_t ms = in.Int();
  StopFlag = 1;
  double& deadline = SyncTiming.sleepDeadline;
  if (deadline == -1.0) {
    deadline = static_cast<double>(platform::TimeMs() + static_cast<uint32_t>(ms));
    return at;
  }
  if (static_cast<double>(platform::TimeMs()) > deadline) {
    deadline = -1.0;
    return in.Next();
  }
  return at;
}

// WAIT KEY and SUSPEND FOR KEY: first a slice that sees a typed character, then one that sees it
// released (the next window message clears it); the program then goes on in the same slice.
Pc CmdWaitKey(Pc at) {
  uint8_t& seen = SyncTiming.waitKeySeen;
  const uint8_t typed = LastTypedCharacter();
  if (seen == 1 && typed == 0) {
    seen = 0;
    return at + 1;
  }
  if (seen == 0 && typed != 0) seen = 1;
  StopFlag = 1;
  return at;
}

// ---- Interrupting the program ----

// BREAK: the program is interrupted after this command; the command line opens and can resume.
Pc CmdBreak(Pc at) {
  platform::PostQuitMessage(0);
  StopFlag = 1;
  return at + 1;
}

// BREAK text: the same, with a text the command line shows first (kept whole, any length).
Pc CmdBreakS(Pc at) {
  Operands in(at);
  SyncTiming.breakMessage.assign(CellText(in.String()));
  platform::PostQuitMessage(0);
  StopFlag = 1;
  return in.Next();
}

constexpr CommandRegistration kSyncTimingCommands[] = {
    {kCmdSync, "sync", "0", CmdSync},
    {kCmdSyncOn, "sync on", "0", CmdSyncOn},
    {kCmdSyncOff, "sync off", "0", CmdSyncOff},
    {kCmdSyncRate, "sync rate", "L", CmdSyncRate},
    {kCmdTimer, "timer[", "L", CmdTimer},
    {kCmdGetDateStr, "get date$[", "S", CmdGetDateStr},
    {kCmdGetTimeStr, "get time$[", "S", CmdGetTimeStr},
    {kCmdSleep, "sleep", "L", CmdSleep},
    {kCmdWait, "wait", "L", CmdSleep},
    {kCmdWaitKey, "wait key", "0", CmdWaitKey},
    {kCmdSuspendForKey, "suspend for key", "0", CmdWaitKey},
    {kCmdBreak, "break", "0", CmdBreak},
    {kCmdBreakS, "break", "S", CmdBreakS},
};

}  // namespace

constinit const CommandFamily kSyncTimingFamily{kSyncTimingCommands, {}};

}  // namespace qm
