// Runtime errors: every failure inside a running program is a RuntimeErrorCode raised here.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/error_codes.h"

namespace qm {

struct RuntimeErrorState {
  RuntimeErrorCode pendingErrorCode = 0;  // waiting to be shown, 0 when none
  uint8_t pendingErrorIsWarning = 0;      // 1 when raised as a warning
  uint8_t programEndedFlag = 0;           // the program cannot be resumed
  uint8_t cliActiveFlag = 0;              // 1 while the runtime command line is open
  int32_t internalErrorCode = 0;          // last failing library call (STATISTIC returns it)
  int32_t errorCommandWord = -1;          // word index of the command that raised the pending error
};

extern RuntimeErrorState RuntimeErrors;

inline RuntimeErrorCode& PendingErrorCode = RuntimeErrors.pendingErrorCode;
inline uint8_t& PendingErrorIsWarning = RuntimeErrors.pendingErrorIsWarning;
inline uint8_t& ProgramEndedFlag = RuntimeErrors.programEndedFlag;
inline uint8_t& CliActiveFlag = RuntimeErrors.cliActiveFlag;
inline int32_t& InternalErrorCode = RuntimeErrors.internalErrorCode;

// Records the code, sets the StopFlag and posts a quit so the run loop opens the command line.
// Codes on the warning list are raised as warnings. Outside the command line, an error also marks
// the program ended (it cannot be resumed). With RUNTIMETEST on, a report goes to the clipboard.
void RaiseRuntimeError(RuntimeErrorCode code);
// The same, resumable with ESC.
void RaiseRuntimeWarning(RuntimeErrorCode code);

// True for the codes that RaiseRuntimeError always raises as warnings.
bool IsAlwaysWarning(RuntimeErrorCode code);

// The ERRORS key of the language words that holds the text of a code, or -1 when none does.
int ErrorsWordKeyForCode(RuntimeErrorCode code);

// The text of a code: its ERRORS word, the fixed English text of 10008, 10010 and 10011, or (for a
// code without a text, or whose word the language file lacks) "Error <code>". Never fails.
std::string GetErrorMessageText(RuntimeErrorCode code);

// The shut-down text of the pending error: "Runtime Error : " (or "System Error : " from 10000,
// "Warning" for a warning), the message text, ". " and the display layer's last engine error.
std::string FormatRuntimeErrorText();

// With DEBUGMODE on, writes `text` into section ERRORLOG of the log under the key
// "RUNTIMEERROR ON d/m/y AT h:m" of now (UTC).
void LogRuntimeError(const std::string& text);

// The RUNTIMETEST report of a failing command at program word `commandWord` (its id), in the form
// with the compiler's names when compiler hooks are installed, else the stand-alone form. Empty
// when the word is not a command id above 0.
std::string BuildRuntimeErrorReport(int32_t commandWord);
// Puts that report on the clipboard (nothing when it is empty or the clipboard cannot be opened).
void ReportRuntimeErrorToClipboard(int32_t commandWord);

// Clears the pending error, the flags and the internal error code (tests).
void ResetRuntimeErrorState();

}  // namespace qm
