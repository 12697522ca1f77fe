// quillmoor: the whole system. Start-up reads the command line, the settings and the language
// words, compiles the program with the one Parser, runs it through the run loop and writes
// QMCompile.log for a switch.
//
//   quillmoor [-c] [-x] program.qma
//
// -c compiles only, -x compiles and runs; a program without a switch is compiled and run too,
// since the editor that would open it is not part of this build yet.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "compiler/command_database.h"
#include "compiler/parser.h"
#include "compiler/statement_compiler.h"
#include "editor/editor_services.h"
#include "editor/editor_stand_in.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "runtime/command_dispatch.h"
#include "runtime/command_line_overlay.h"
#include "runtime/command_line_text.h"
#include "runtime/compiler_hooks.h"
#include "runtime/diagnostics.h"
#include "runtime/language_words.h"
#include "runtime/program_image.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_commands.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"

namespace qm {
namespace {

enum SwitchModeValue { kNoSwitch = 0, kCompileOnly = 1, kCompileAndRun = 2, kBuild = 3, kBuildWithMedia = 4 };

struct CommandLine {
  int switchMode = kNoSwitch;
  std::string exeName;
  std::string programFile;  // as typed, quotes included
};

// Leading switches, each followed by one blank; -b and -f carry a quoted executable name.
// Whatever follows the switches is the program file.
CommandLine ParseCommandLine(const std::string& text) {
  CommandLine line;
  std::size_t i = 0;
  while (i + 1 < text.size() && text[i] == '-') {
    const char letter = text[i + 1];
    i += 2;
    if (letter == 'c') line.switchMode = kCompileOnly;
    if (letter == 'x') line.switchMode = kCompileAndRun;
    if (letter == 'b' || letter == 'f') {
      line.switchMode = letter == 'b' ? kBuild : kBuildWithMedia;
      const std::size_t open = text.find('"', i);
      const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
      if (close == std::string::npos) break;
      line.exeName = text.substr(open + 1, close - open - 1);
      i = close + 1;
    }
    if (i < text.size()) ++i;  // the blank after the switch
  }
  line.programFile = text.substr(std::min(i, text.size()));
  return line;
}

std::string JoinArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
  return text;
}

std::string StripQuotes(std::string name) {
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  return name;
}

// The runtime error report asks the compiler for command names and signature letters.
bool CommandNameForReport(int32_t id, std::string& name);
char SignatureLetterForReport(int32_t id, int32_t position);

Parser* gParser = nullptr;

bool CommandNameForReport(int32_t id, std::string& name) {
  if (gParser == nullptr) return false;
  std::string found;
  const int32_t index = FindCommandNameById(gParser->database, id, found);
  if (index >= gParser->database.StatementCount()) return false;
  name = found;
  return true;
}

char SignatureLetterForReport(int32_t id, int32_t position) {
  if (gParser == nullptr || position < 1) return 0;
  std::string name;
  const int32_t index = FindCommandNameById(gParser->database, id, name);
  return GetCommandSignatureLetter(gParser->database, index, position - 1);
}

// Loads the interface words; a missing or outdated file is a system error that ends start-up.
bool LoadWordsOrFail() {
  int highestErrorsKey = 0;
  std::string error;
  if (!LoadLanguageWords(highestErrorsKey, &error)) {
    if (!error.empty()) std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
    PendingErrorCode = 10008;
    return false;
  }
  if (highestErrorsKey < kNewestErrorsKey) {
    PendingErrorCode = 10011;
    return false;
  }
  return true;
}

// Compiles `file` with the open Parser; the error text and line stay in the Parser.
bool CompileProgram(Parser& parser, const std::string& file) {
  parser.Open();
  parser.SetCompilerPasses(MakeStatementCompiler());
  parser.progressCallback = [](int32_t percent) { ShowCompileProgress(percent); };
  if (!parser.CreateDatabase()) {
    PendingErrorCode = 10001;
    return false;
  }
  if (!platform::FileExists(file)) {
    PendingErrorCode = 10001;
    return false;
  }
  return parser.CreateProgramFromFile(platform::ResolvePath(file));
}

// Until the runtime command line is built, the error that stopped the program is printed in the
// command line's form ("Runtime Error at line 3. <message>") and the run ends.
class PrintingCommandLine : public CommandLineOverlay {
 public:
  void ShowError(RuntimeErrorCode, bool warning, const std::string& text, int sourceLine) override {
    std::fprintf(stderr, "%s %s %s %d. %s\n", GetWord(WordSection::Desc, 40).c_str(),
                 GetWord(WordSection::Desc, warning ? 38 : 39).c_str(),
                 GetWord(WordSection::Compiler, 47).c_str(), sourceLine, text.c_str());
    stoppedByError_ = true;
  }
  bool StoppedByError() const { return stoppedByError_; }

 private:
  bool stoppedByError_ = false;
};

// Runs the compiled program in the main window until its run is over; false when a runtime
// error or warning stopped it.
bool RunCompiledProgram(Parser& parser) {
  RegisterRuntimeCommands();
  if (!CreateQuillmoorBlocksFromParser(parser)) {
    std::fprintf(stderr, "quillmoor: the program could not be loaded: %s\n",
                 ProgramVerificationError().c_str());
    return false;
  }
  // The settings were read at start-up; reading them again would start a fresh QM.LOG and lose
  // the loader's trace lines.
  int32_t fullScreen = 1;
  int32_t windowMode = 0;
  ApplyWindowModeSetting(fullScreen, windowMode);
  if (!InitGameCore(fullScreen != 0, windowMode != 0, false)) return false;
  PrintingCommandLine commandLine;
  InstallCommandLine(&commandLine);
  RunHandler(false);
  InstallCommandLine(nullptr);
  CloseGameCore(false);
  return !commandLine.StoppedByError();
}

// The outcome line of a switch: the compiler's error text (with its line) or success.
std::string ReportText(const Parser& parser) {
  if (parser.errorText.empty()) return "Compilation Successful. ";
  return parser.ErrorTextWithLine();
}

void WriteCompileLog(const std::string& text) {
  std::ofstream log("QMCompile.log", std::ios::binary | std::ios::trunc);
  log << text;
}

// Shows a system error that ended the program (codes from 10000) and logs it.
void ReportSystemError() {
  if (PendingErrorCode < 10000) return;
  const std::string text = FormatRuntimeErrorText();
  LogRuntimeError(text);
  platform::ShowMessageBox("Error In Program", text);
}

int RunSystem(const CommandLine& line) {
  CommandLineText() = line.programFile;
  const std::string programFile = StripQuotes(line.programFile);
  if (line.switchMode == kBuild || line.switchMode == kBuildWithMedia) {
    std::fprintf(stderr, "quillmoor: building executables is not part of this build yet\n");
    return 2;
  }
  if (programFile.empty()) {
    std::fprintf(stderr, "usage: quillmoor [-c | -x] program.qma\n");
    return 2;
  }

  SetUpPaths();
  int32_t fullScreen = 1;
  int32_t windowMode = 0;
  std::string settingsError;
  if (!ReadSetupSettings(fullScreen, windowMode, &settingsError)) {
    std::fprintf(stderr, "quillmoor: %s\n", settingsError.c_str());
    return 2;
  }
  InstallEditorStandIn();
  if (!LoadWordsOrFail()) {
    ReportSystemError();
    return 2;
  }

  auto parser = std::make_unique<Parser>();
  gParser = parser.get();
  InstallCompilerHooks(CompilerHooks{CommandNameForReport, SignatureLetterForReport});

  const bool compiled = CompileProgram(*parser, programFile);
  bool ranClean = true;
  if (compiled && line.switchMode != kCompileOnly) {
    platform::InitPlatformWindowing();
    platform::CreateMainWindow("Quillmoor Editor", 640, 480, nullptr);
    ranClean = RunCompiledProgram(*parser);
    platform::DestroyMainWindow();
  }
  const bool failed = !compiled || !ranClean || PendingErrorCode >= 10000;
  if (!compiled && PendingErrorCode == 0) std::fprintf(stderr, "%s\n", ReportText(*parser).c_str());
  if (line.switchMode != kNoSwitch) WriteCompileLog(ReportText(*parser));

  ReportSystemError();
  parser->Close();
  gParser = nullptr;
  FlushDiagnosticsLog();
  FreeLanguageWords();
  DeleteWorkFiles();
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) { return qm::RunSystem(qm::ParseCommandLine(qm::JoinArguments(argc, argv))); }
