// The state of the frame and time commands (cmd_sync_timing.cpp): the SLEEP deadline, the
// WAIT KEY phase and the text of the last BREAK.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/subsystem.h"

namespace qm {

struct SyncTimingState {
  double sleepDeadline = -1.0;  // clock value SLEEP waits to pass; -1 while no SLEEP waits
  uint8_t waitKeySeen = 0;      // WAIT KEY saw a character and now waits for its release
  std::string breakMessage;     // BREAK's text for the command line, shown once and emptied
};

extern SyncTimingState SyncTiming;

extern const CommandFamily kSyncTimingFamily;

// Run start: no SLEEP waits (an interrupted one resumed from the command line keeps its deadline).
void ResetSleepDeadline();
// A run's set-up: no BREAK text.
void ClearBreakMessage();
// A run's start: WAIT KEY waits for its first phase again.
inline void ResetWaitKey() { SyncTiming.waitKeySeen = 0; }

// The frame time of SYNC RATE n for n from 0 to 1000 (0: no limit).
uint32_t SyncRateFrameMs(int32_t framesPerSecond);

}  // namespace qm
