// Window and system switches that the system commands set and the runtime core reads.
#pragma once
#include <cstdint>

namespace qm {

struct SystemFlagsState {
  uint8_t lockCliFlag = 0;        // LOCK CLI: a stopped program leaves the run, no command line
  uint8_t lockEditorFlag = 0;     // LOCK EDITOR: the editor loop ends after the run
  uint8_t escapeKeyEnabled = 1;   // ESC breaks into the command line
  uint8_t alwaysActiveFlag = 0;   // ALWAYS ACTIVE: the program runs on while inactive
  uint8_t systemKeysEnabled = 1;  // DISABLE / ENABLE SYSTEMKEYS
};

extern SystemFlagsState SystemFlags;

inline uint8_t& LockCliFlag = SystemFlags.lockCliFlag;
inline uint8_t& LockEditorFlag = SystemFlags.lockEditorFlag;
inline uint8_t& EscapeKeyEnabled = SystemFlags.escapeKeyEnabled;
inline uint8_t& AlwaysActiveFlag = SystemFlags.alwaysActiveFlag;

}  // namespace qm
