// The start-up and shut-down of the whole system, shared by quillmoor and the conformance runner
// so both run programs the same way: paths, the settings (read once, here), the language words
// and the subsystems.
#pragma once
#include <cstdint>

#include "runtime/settings.h"

namespace qm {

// What start-up read that a run needs.
struct StartSettings {
  bool fullScreen = true;
  bool windowMode = false;
};

// A SETUP.INI that cannot be read (its reason is printed): start-up ends, as with a system error.
inline constexpr int32_t kSettingsUnreadable = -1;

// 0 on success; otherwise the system error that ended start-up (its text: FormatRuntimeErrorText),
// or kSettingsUnreadable. The three steps below, in their order.
int32_t StartSystem(StartSettings& settings);

// Paths and SETUP.INI (read once, here): 0, or kSettingsUnreadable with its reason printed.
int32_t PrepareSystem(StartSettings& settings, const PathOptions& paths = {});
// The language words: 0, 10008 when the word file is missing, 10011 when it is too old.
int32_t LoadWordsOfSystem();
// The subsystems of the whole system and the editor (the stand-in until the editor exists).
void InitSubsystems();
// Shows a system error (codes from 10000) in the "Error In Program" box and logs it; nothing for
// other codes.
void ReportSystemError();
// Frees what start-up made: the diagnostics log flushed, the words freed, the work files deleted.
void StopSystem();

}  // namespace qm
