// Diagnostics: the log "QM.LOG" in the program folder, an INI file with one section per kind of
// record, and the debug listing "QM.QMA" of the merged source that the compiler compiled.
// The writers always write; callers test TraceModeFlag or DebugModeFlag first. Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace qm {

// Section TRACELOG: the text under the key "%d:%3d:%4d" of the UTC minute, second and
// millisecond. A later line with the same key replaces the earlier one.
void WriteTraceLog(const std::string& text);

// Section ERRORLOG: `text` under `key` (see FormatErrorLogKey), written to the file at once.
void WriteErrorLogEntry(const std::string& key, const std::string& text);

// Section QUILLMOORLOOPMIDDLE: the command id of the command at a word index, under "PC%d".
// Written once per executed command, so it stays in memory until the file is next written.
void WriteCommandTrace(int32_t wordIndex, int32_t commandId);

// Writes what is held in memory to QM.LOG: at the end of every run and at exit (it also runs
// by itself at process exit once something was written). Trace lines and error entries write
// the file at once, held entries included.
void FlushDiagnosticsLog();

// Deletes QM.LOG and forgets what was held in memory for it, so the log starts afresh.
void DeleteDiagnosticsLog();

// Writes "QM.QMA" in the program folder: "Debug Output Script", two line feeds, then every line
// of the first `length` bytes of `text` as "%6d : " (its number from 1), the line and CR LF.
// A line ends at CR, LF or a zero byte; one CR, then one LF, then one zero byte after it are
// skipped. False when the file cannot be written.
bool WriteDebugOutputScript(const char* text, std::size_t length);

// The keys of the log.
inline constexpr const char* kRuntimeErrorKind = "RUNTIMEERROR";
inline constexpr const char* kEngineErrorKind = "ENGINEERROR";
// "%d:%3d:%4d": minute, second and millisecond.
std::string FormatTraceLogKey(const platform::CalendarTime& time);
// "<kind> ON %d/%d/%d AT %d:%d": day, month, year, hour and minute.
std::string FormatErrorLogKey(const char* kind, const platform::CalendarTime& time);

}  // namespace qm
