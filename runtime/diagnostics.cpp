// Diagnostics: QM.LOG held as one in-memory INI document, the per-command trace kept in a table
// by word index until a flush (a run executes millions of commands, each one writing an entry),
// and the debug listing QM.QMA.
#include "runtime/diagnostics.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/safe_file_write.h"
#include "runtime/settings.h"

namespace qm {
namespace {

constexpr const char* kLogFileName = "QM.LOG";
constexpr const char* kListingFileName = "QM.QMA";
constexpr const char* kTraceSection = "TRACELOG";
constexpr const char* kErrorSection = "ERRORLOG";
constexpr const char* kCommandTraceSection = "QUILLMOORLOOPMIDDLE";

// The per-command trace between flushes: the last command id seen at each word index, and the
// words in the order they were first written (the order their keys take in the file).
struct PendingCommandTrace {
  std::vector<int32_t> commandAtWord;
  std::vector<uint8_t> pendingAtWord;
  std::vector<int32_t> wordsInOrder;
};

struct DiagnosticLog {
  platform::IniDocument document;
  std::string path;           // the file `document` holds; empty until it is loaded
  std::string programFolder;  // the program folder `path` was found in
  PendingCommandTrace commands;
  bool flushAtExit = false;
};

// Word indexes beyond this go straight into the document instead of the pending table.
constexpr int32_t kLargestPendingWord = 1 << 24;

DiagnosticLog& Log() {
  static DiagnosticLog log;
  return log;
}

void FlushAtExit() { FlushDiagnosticsLog(); }

void FlushAtExitOnce(DiagnosticLog& log) {
  if (log.flushAtExit) return;
  // Registered after the log exists, so it runs before the log is destroyed.
  std::atexit(FlushAtExit);
  log.flushAtExit = true;
}

std::string CommandTraceKey(int32_t wordIndex) {
  char key[16];
  std::snprintf(key, sizeof key, "PC%d", wordIndex);
  return key;
}

void WriteCommandTraceEntry(platform::IniDocument& document, int32_t wordIndex, int32_t commandId) {
  char value[16];
  std::snprintf(value, sizeof value, "%d", commandId);
  document.Write(kCommandTraceSection, CommandTraceKey(wordIndex), value);
}

// Moves the pending command trace into the document, in the order the words were first written,
// so the file is the same as if every entry had been written as it came.
void MovePendingCommands(DiagnosticLog& log) {
  PendingCommandTrace& pending = log.commands;
  for (int32_t word : pending.wordsInOrder) {
    WriteCommandTraceEntry(log.document, word, pending.commandAtWord[static_cast<std::size_t>(word)]);
    pending.pendingAtWord[static_cast<std::size_t>(word)] = 0;
  }
  pending.wordsInOrder.clear();
}

// The document of the program folder's QM.LOG with the pending command trace moved into it;
// loaded on first use (and again when the program folder changed). Null when the file exists but
// cannot be read: writing it back would lose it.
platform::IniDocument* LogDocument() {
  DiagnosticLog& log = Log();
  if (log.path.empty() || log.programFolder != ProgramFolder()) {
    if (!log.path.empty()) {
      MovePendingCommands(log);
      log.document.Flush();
    }
    log.document = platform::IniDocument();
    log.path.clear();
    std::string path = ProgramFolderFile(kLogFileName);
    if (!log.document.Load(path)) return nullptr;
    log.path = path;
    log.programFolder = ProgramFolder();
  }
  FlushAtExitOnce(log);
  MovePendingCommands(log);
  return &log.document;
}

// A log value is one line: line breaks inside a text become blanks rather than losing the entry.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

void WriteLogEntry(const char* section, const std::string& key, const std::string& text) {
  platform::IniDocument* document = LogDocument();
  if (!document) return;
  document->Write(section, key, OneLine(text));
  document->Flush();
}

// Appends the lines of the listing: each line ends at CR, LF or NUL, and one CR, one LF and one
// NUL are skipped after it, in that order, when they follow.
void AppendListingLines(const char* text, std::size_t length, std::string& out) {
  std::size_t position = 0;
  int lineNumber = 1;
  char number[32];
  while (position < length) {
    std::size_t start = position;
    while (position < length && text[position] != '\r' && text[position] != '\n' && text[position] != '\0')
      ++position;
    std::size_t end = position;
    if (position < length && text[position] == '\r') ++position;
    if (position < length && text[position] == '\n') ++position;
    if (position < length && text[position] == '\0') ++position;
    std::snprintf(number, sizeof number, "%6d : ", lineNumber++);
    out += number;
    out.append(text + start, end - start);
    out += "\r\n";
  }
}

}  // namespace

std::string FormatTraceLogKey(const platform::CalendarTime& time) {
  char key[48];
  std::snprintf(key, sizeof key, "%d:%3d:%4d", time.minute, time.second, time.millisecond);
  return key;
}

std::string FormatErrorLogKey(const char* kind, const platform::CalendarTime& time) {
  char key[96];
  std::snprintf(key, sizeof key, "%s ON %d/%d/%d AT %d:%d", kind, time.day, time.month, time.year, time.hour,
                time.minute);
  return key;
}

void WriteTraceLog(const std::string& text) {
  WriteLogEntry(kTraceSection, FormatTraceLogKey(platform::SystemClock().UtcNow()), text);
}

void WriteErrorLogEntry(const std::string& key, const std::string& text) {
  WriteLogEntry(kErrorSection, key, text);
}

void WriteCommandTrace(int32_t wordIndex, int32_t commandId) {
  DiagnosticLog& log = Log();
  if (wordIndex < 0 || wordIndex > kLargestPendingWord) {
    if (platform::IniDocument* document = LogDocument())
      WriteCommandTraceEntry(*document, wordIndex, commandId);
    return;
  }
  PendingCommandTrace& pending = log.commands;
  auto word = static_cast<std::size_t>(wordIndex);
  if (word >= pending.commandAtWord.size()) {
    pending.commandAtWord.resize(word + 1);
    pending.pendingAtWord.resize(word + 1);
  }
  if (!pending.pendingAtWord[word]) {
    pending.pendingAtWord[word] = 1;
    pending.wordsInOrder.push_back(wordIndex);
    FlushAtExitOnce(log);
  }
  pending.commandAtWord[word] = commandId;
}

void FlushDiagnosticsLog() {
  DiagnosticLog& log = Log();
  if (log.path.empty() && log.commands.wordsInOrder.empty()) return;
  if (platform::IniDocument* document = LogDocument()) document->Flush();
}

void DeleteDiagnosticsLog() {
  DiagnosticLog& log = Log();
  log.document = platform::IniDocument();
  log.path.clear();
  log.commands = PendingCommandTrace();
  platform::DeleteFileIfExists(ProgramFolderFile(kLogFileName));
}

bool WriteDebugOutputScript(const char* text, std::size_t length) {
  std::string listing = "Debug Output Script\n\n";
  AppendListingLines(text, length, listing);
  // A new file takes the old one's place in one rename, so a failed write keeps the last listing
  // whole, and a listing that is a symbolic link is replaced rather than written through.
  return platform::WriteFileReplacing(ProgramFolderFile(kListingFileName), listing);
}

}  // namespace qm
