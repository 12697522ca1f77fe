// Start-up and shut-down of the whole system.
#include "app/system_start.h"

#include <cstdio>
#include <string>

#include "app/system_subsystems.h"
#include "editor/editor_stand_in.h"
#include "platform/message_box.h"
#include "runtime/diagnostics.h"
#include "runtime/language_words.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"

namespace qm {
namespace {

// Loads the interface words; a missing or outdated file is a system error that ends start-up.
int32_t LoadWords() {
  int highestErrorsKey = 0;
  std::string error;
  if (!LoadLanguageWords(highestErrorsKey, &error)) {
    if (!error.empty()) std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
    return kErrorLanguageMissing;
  }
  if (highestErrorsKey < kNewestErrorsKey) return kErrorLanguageTooOld;
  return 0;
}

}  // namespace

int32_t PrepareSystem(StartSettings& settings, const PathOptions& paths) {
  SetUpPaths(paths);
  int32_t fullScreen = 1;
  int32_t windowMode = 0;
  std::string settingsError;
  if (!ReadSetupSettings(fullScreen, windowMode, &settingsError)) {
    std::fprintf(stderr, "quillmoor: %s\n", settingsError.c_str());
    PendingErrorCode = 0;
    return kSettingsUnreadable;
  }
  settings.fullScreen = fullScreen != 0;
  settings.windowMode = windowMode != 0;
  return 0;
}

int32_t LoadWordsOfSystem() { return LoadWords(); }

void InitSubsystems() {
  InstallSubsystems(SystemSubsystems());
  InstallEditorStandIn();
}

int32_t StartSystem(StartSettings& settings) {
  if (PrepareSystem(settings) != 0) return kSettingsUnreadable;
  InitSubsystems();
  PendingErrorCode = LoadWordsOfSystem();
  return PendingErrorCode;
}

void ReportSystemError() {
  if (PendingErrorCode < kFirstSystemError) return;
  const std::string text = FormatRuntimeErrorText();
  LogRuntimeError(text);
  platform::ShowMessageBox("Error In Program", text);
}

void StopSystem() {
  FlushDiagnosticsLog();
  FreeLanguageWords();
  DeleteWorkFiles();
}

}  // namespace qm
