// Runtime errors: raising, texts, the shut-down text, the error log and the RUNTIMETEST report.
#include "runtime/runtime_errors.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "runtime/compiler_services.h"
#include "runtime/diagnostics.h"
#include "runtime/float_text.h"
#include "runtime/frame_services.h"
#include "runtime/interpreter.h"
#include "runtime/language_words.h"
#include "runtime/settings.h"
#include "runtime/value_text.h"

namespace qm {

RuntimeErrorState RuntimeErrors;

namespace {

// Codes that RaiseRuntimeError always raises as warnings.
constexpr RuntimeErrorCode kAlwaysWarnings[] = {1503, 2002, 2007, 2008, 2009, 2010, 3002, 3004, 3201,
                                                3502, 3504, 3507, 4001, 4002, 4101, 7901, 8002, 9011};

// Texts that concern the language file itself, or a fault, and so need no language file.
struct FixedText {
  RuntimeErrorCode code;
  const char* text;
};
constexpr FixedText kFixedTexts[] = {
    {kErrorLanguageMissing, "Language not found"},
    {kErrorSevereException, "Severe Exception!"},
    {kErrorLanguageTooOld, "Language file not updated"},
};

std::string Printf(const char* format, int value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// One "P<n>:<value>" line of the report for an operand cell of the given kind; "" for others.
std::string ParameterLine(int32_t position, const ValueCell& cell, char letter) {
  std::string line = "P" + std::to_string(position) + ":";
  switch (letter) {
    case 'l':
      return line + std::to_string(cell.i) + "\n";
    case 'f':
      return line + FormatFloatG(cell.f) + "\n";
    case 's':
      return line + CellText(cell) + "\n";
    default:
      return {};
  }
}

char LetterOfKind(CellKind kind) {
  switch (kind) {
    case CellKind::Integer:
      return 'l';
    case CellKind::Float:
      return 'f';
    case CellKind::String:
      return 's';
  }
  return 0;
}

constexpr int32_t kReportedOperands = 9;

}  // namespace

bool IsAlwaysWarning(RuntimeErrorCode code) {
  return std::find(std::begin(kAlwaysWarnings), std::end(kAlwaysWarnings), code) != std::end(kAlwaysWarnings);
}

void RaiseRuntimeError(RuntimeErrorCode code) {
  if (RuntimeTestFlag()) ReportRuntimeErrorToClipboard(CurrentCommandWord());
  if (IsAlwaysWarning(code)) {
    RaiseRuntimeWarning(code);
    return;
  }
  StopFlag = 1;
  PendingErrorCode = code;
  PendingErrorIsWarning = 0;
  RuntimeErrors.errorCommandWord = CurrentCommandWord();
  platform::PostQuitMessage(0);
  if (!CliActiveFlag) ProgramEndedFlag = 1;
}

void RaiseRuntimeWarning(RuntimeErrorCode code) {
  StopFlag = 1;
  PendingErrorCode = code;
  PendingErrorIsWarning = 1;
  RuntimeErrors.errorCommandWord = CurrentCommandWord();
  platform::PostQuitMessage(0);
}

int ErrorsWordKeyForCode(RuntimeErrorCode code) {
  for (const ErrorWordRun& run : kErrorWordRuns) {
    if (code >= run.firstCode && code <= run.lastCode) return run.firstKey + (code - run.firstCode);
  }
  return -1;
}

std::string GetErrorMessageText(RuntimeErrorCode code) {
  for (const FixedText& fixed : kFixedTexts) {
    if (fixed.code == code) return fixed.text;
  }
  const int key = ErrorsWordKeyForCode(code);
  if (key >= 0) {
    const std::string& word = GetWord(WordSection::Errors, key);
    if (!word.empty()) return word;
  }
  // A code without a text (or a language file without its word) still tells what happened.
  return Printf("Error %d", code);
}

std::string FormatRuntimeErrorText() {
  const char* word = PendingErrorIsWarning ? "Warning" : "Error";
  std::string text = PendingErrorCode < kFirstSystemError ? "Runtime " : "System ";
  text += word;
  text += " : ";
  text += GetErrorMessageText(PendingErrorCode);
  text += ". ";
  text += Services().display->LastEngineError();
  return text;
}

void LogRuntimeError(const std::string& text) {
  if (!DebugModeFlag()) return;
  WriteErrorLogEntry(FormatErrorLogKey(kRuntimeErrorKind, platform::SystemClock().UtcNow()), text);
}

std::string BuildRuntimeErrorReport(int32_t commandWord) {
  const int32_t id = ProgramWordAt(commandWord);
  if (commandWord < 0 || id <= 0) return {};
  CompilerServices& compiler = Compiler();
  const bool withCompiler = compiler.Present();

  std::string report = Printf("Line Number:%d\n", SourceLineOfWord(commandWord));
  report += Printf("Command Number:%d\n", id);
  if (withCompiler) {
    std::string name;
    compiler.CommandName(id, name);
    report += "Name:" + name + "\n";
  } else {
    report += Printf("Internal Error Code:%d\n", InternalErrorCode);
  }
  for (int32_t position = 1; position <= kReportedOperands; ++position) {
    const int32_t word = ProgramWordAt(commandWord + position);
    CellKind kind;
    const ValueCell* cell = word != 0 ? OperandCell(word, kind) : nullptr;
    if (cell == nullptr) continue;
    const char letter = withCompiler ? compiler.SignatureLetter(id, position) : LetterOfKind(kind);
    report += ParameterLine(position, *cell, letter);
  }
  return report;
}

void ReportRuntimeErrorToClipboard(int32_t commandWord) {
  const std::string report = BuildRuntimeErrorReport(commandWord);
  if (!report.empty()) platform::SetClipboardText(report);
}

void ResetRuntimeErrorState() {
  PendingErrorCode = 0;
  PendingErrorIsWarning = 0;
  ProgramEndedFlag = 0;
  CliActiveFlag = 0;
  InternalErrorCode = 0;
  RuntimeErrors.errorCommandWord = -1;
}

}  // namespace qm
