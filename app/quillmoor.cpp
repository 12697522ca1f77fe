// quillmoor: the whole system. Start-up reads the command line, the settings and the language
// words, compiles the program with the compile entry, runs it with the run entry and writes
// QMCompile.log for a switch.
//
//   quillmoor [-c | -x] program.qma
//
// -c compiles only, -x compiles and runs; a program without a switch is compiled and run too,
// since the editor that would open it is not part of this build yet. The program's folder is the
// current folder while it compiles and runs, so its includes and files resolve as they do under
// the conformance runner. Exit status: 0 success, 1 a compile or runtime error, 2 a system error
// or a usage error.
#include <cstdio>
#include <string>

#include "app/compile_log.h"
#include "app/start_command_line.h"
#include "app/system_start.h"
#include "compiler/compile.h"
#include "platform/current_folder.h"
#include "platform/files.h"
#include "platform/window.h"
#include "runtime/command_line_text.h"
#include "runtime/language_words.h"
#include "runtime/print_transcript.h"
#include "runtime/run_program.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"

namespace qm {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kSystemFailure = 2;

constexpr const char* kUsage =
    "usage: quillmoor [-c | -x] program.qma\n"
    "  -c  compile only; the outcome goes to QMCompile.log\n"
    "  -x  compile and run; the outcome goes to QMCompile.log\n"
    "  without a switch the program is compiled and run\n"
    "The program's folder is the current folder while it compiles and runs.\n";

// The command line's form of a runtime error: "Runtime Error at line 3. <message>".
std::string RuntimeErrorLine(const RunOutcome& run) {
  return GetWord(WordSection::Desc, 40) + " " + GetWord(WordSection::Desc, run.warning ? 38 : 39) + " " +
         GetWord(WordSection::Compiler, 47) + " " + std::to_string(run.line) + ". " + run.text;
}

// What the run's end means for the user: the message (empty when it ended well) and the status.
int ReportRun(const RunOutcome& run, std::string& logText) {
  switch (run.end) {
    case RunEnd::Ended:
      return kSuccess;
    case RunEnd::RuntimeError:
      logText = RuntimeErrorLine(run);
      std::fprintf(stderr, "%s\n", logText.c_str());
      return kFailure;
    case RunEnd::MissingCommand:
      logText = run.text + " at line " + std::to_string(run.line);
      std::fprintf(stderr, "%s\n", logText.c_str());
      return kFailure;
    case RunEnd::SystemError:
    case RunEnd::LimitReached:
      logText = run.text;
      std::fprintf(stderr, "quillmoor: %s\n", run.text.c_str());
      return kSystemFailure;
  }
  return kFailure;
}

// Compiles, and for -x (or no switch) runs, the program; the outcome's text for the log.
int CompileAndRun(const StartCommandLine& line, const StartSettings& settings, std::string& logText) {
  const std::string typedName = WithoutQuotes(line.programFile);
  if (!platform::FileExists(typedName)) {
    logText = "Cannot open file " + typedName + " (no such program file)";
    std::fprintf(stderr, "quillmoor: %s\n", logText.c_str());
    return kSystemFailure;
  }
  platform::CurrentFolderScope programFolder(platform::FolderOfFile(typedName));
  if (!programFolder.ok()) {
    logText = "Cannot open the folder of " + typedName;
    std::fprintf(stderr, "quillmoor: %s\n", logText.c_str());
    return kSystemFailure;
  }
  Parser parser;
  const CompileOutcome compiled = Compile(parser, CompileOptions{platform::NameOfFile(typedName), {}});
  logText = CompileReportText(compiled);
  if (compiled.result == CompileResult::SystemError) {
    std::fprintf(stderr, "quillmoor: %s\n", logText.c_str());
    return kSystemFailure;
  }
  if (!compiled.Compiled()) {
    std::fprintf(stderr, "%s\n", logText.c_str());
    return kFailure;
  }
  if (line.mode == StartSwitch::CompileOnly) return kSuccess;
  // Headless, what the program prints goes to standard output; in a window it is only drawn.
  EchoTranscriptToStandardOutput(platform::InitPlatformWindowing() == platform::WindowBackend::Headless);
  platform::CreateMainWindow("Quillmoor Editor", 640, 480, nullptr);
  RunOptions options;
  options.program = &parser;
  options.fullScreen = settings.fullScreen;
  options.windowMode = settings.windowMode;
  const int status = ReportRun(RunProgram(options), logText);
  platform::DestroyMainWindow();
  return status;
}

int RunSystem(const StartCommandLine& line) {
  if (line.mode == StartSwitch::Help) {
    std::fputs(kUsage, stdout);
    return kSuccess;
  }
  if (!line.unknownSwitch.empty()) {
    std::fprintf(stderr, "quillmoor: unknown switch %s\n%s", line.unknownSwitch.c_str(), kUsage);
    return kSystemFailure;
  }
  if (line.mode == StartSwitch::Build || line.mode == StartSwitch::BuildWithMedia) {
    std::fprintf(stderr, "quillmoor: building executables is not part of this build yet\n");
    return kSystemFailure;
  }
  if (WithoutQuotes(line.programFile).empty()) {
    std::fputs(kUsage, stderr);
    return kSystemFailure;
  }
  CommandLineText() = line.programFile;

  StartSettings settings;
  std::string logText;
  int status = kSystemFailure;
  if (StartSystem(settings) != 0) {
    ReportSystemError();
    logText = FormatRuntimeErrorText();
  } else {
    status = CompileAndRun(line, settings, logText);
    ReportSystemError();
  }
  if (line.mode != StartSwitch::None && !WriteCompileLog(StartFolder() + "QMCompile.log", logText)) {
    std::fprintf(stderr, "quillmoor: QMCompile.log could not be written in %s\n", StartFolder().c_str());
    status = kSystemFailure;
  }
  StopSystem();
  return status;
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  return qm::RunSystem(qm::ParseStartCommandLine(qm::JoinStartArguments(argc, argv)));
}
