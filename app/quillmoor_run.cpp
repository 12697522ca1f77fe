// quillmoor-run: the stand-alone runtime. Built executables start with these bytes, followed by
// the packed program and its media. It carries the runtime and its subsystems, never the
// compiler or the editor, and takes no command line.
//
// Start-up: the pack behind our own bytes is checked and becomes the packed-file table; its first
// entry is the compiled program; section STARTUP of "setup.ini" (the packed one, else the one
// beside the executable) may ask for a window; then the display is set up and the program runs.
// Exit status: 0 when the program ended (END, its last line, ESC), 1 after a runtime error (shown
// with its English text), 2 for a system error or an executable without a valid pack.
#include <cstdio>
#include <string>

#include "app/runtime_subsystems.h"
#include "io/file_helpers.h"
#include "platform/files.h"
#include "platform/large_page_heap.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "runtime/language_words.h"
#include "runtime/packed_files.h"
#include "runtime/print_transcript.h"
#include "runtime/program_file.h"
#include "runtime/run_program.h"
#include "runtime/settings.h"

namespace qm {
namespace {

constexpr int kEnded = 0;
constexpr int kRuntimeError = 1;
constexpr int kSystemError = 2;

int Refuse(const std::string& text) {
  std::fprintf(stderr, "quillmoor-run: %s\n", text.c_str());
  return kSystemError;
}

// The settings file of a stand-alone program: its packed copy first, else the one beside it.
std::string StartupSettingsFile() {
  std::string packed = "setup.ini";
  if (ResolvePackedFileName(packed, "dat")) return packed;
  return ProgramFolderFile("setup.ini");
}

// The file helpers' way to the packed copies (the media commands test and copy files there).
std::string PackedCopyPath(const std::string& name, const std::string& ending) {
  std::string copy = name;
  return ResolvePackedFileName(copy, ending) ? copy : std::string();
}

int ReportRun(const RunOutcome& run) {
  switch (run.end) {
    case RunEnd::Ended:
      return kEnded;
    case RunEnd::RuntimeError:
    case RunEnd::MissingCommand: {
      std::string text = std::string(run.end == RunEnd::RuntimeError ? "Runtime Error : " : "") + run.text;
      if (run.line > 0) text += " at line " + std::to_string(run.line);
      platform::ShowMessageBox("Error In Program", text);
      return kRuntimeError;
    }
    case RunEnd::SystemError:
    case RunEnd::LimitReached:
      platform::ShowMessageBox("Error In Program", "System Error : " + run.text);
      return kSystemError;
  }
  return kSystemError;
}

int RunStandalone() {
  InstallSubsystems(RuntimeSubsystems());
  if (!SetUpPaths() || TempFolder().empty()) return Refuse("no private folder for work files can be made");
  UseBuiltInEnglishWords();
  std::string error;
  if (!LoadPackedFileTable("/proc/self/exe", &error)) {
    return Refuse("this executable holds no program (" + error + ")");
  }
  SetPackedNameResolver(PackedCopyPath);
  const PackedFileTable& pack = *PackedFileTableInstance();
  const auto program = ReadCompiledProgramFile(pack.Data(pack.Entries().front()), &error);
  if (!program) return Refuse(error);

  ReadStandaloneStartupSection(StartupSettingsFile());
  const bool windowed = StandaloneWindowState() == 1;
  const bool headless = platform::InitPlatformWindowing() == platform::WindowBackend::Headless;
  EchoTranscriptToStandardOutput(headless);
  const std::string path = platform::ExecutablePath();
  const std::string title = path.substr(path.find_last_of('/') + 1);
  platform::CreateMainWindow(title, 640, 480, nullptr);
  if (windowed) gSettings.standaloneWindowState = 2;  // the run places the window from STARTUP

  RunOptions options;
  options.program = program.get();
  options.fullScreen = !windowed;
  options.windowMode = windowed;
  options.displayDepth = 16;
  const int status = ReportRun(RunProgram(options));
  platform::DestroyMainWindow();
  return status;
}

}  // namespace
}  // namespace qm

int main() {
  qm::platform::PlaceHeapOnLargePages();
  const int status = qm::RunStandalone();
  qm::ClosePackedFileTable();
  qm::FreeLanguageWords();
  qm::DeleteWorkFiles();
  return status;
}
