// The whole system's start-up, editor loop and shut-down (see start_up.h).
#include "app/start_up.h"

#include <spawn.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/build_command.h"
#include "app/compile_log.h"
#include "app/start_command_line.h"
#include "app/system_start.h"
#include "compiler/compile.h"
#include "editor/editor_services.h"
#include "platform/current_folder.h"
#include "platform/files.h"
#include "platform/window.h"
#include "runtime/cli/runtime_cli.h"
#include "runtime/command_line_overlay.h"
#include "runtime/command_line_text.h"
#include "runtime/diagnostics.h"
#include "runtime/frame_services.h"
#include "runtime/language_words.h"
#include "runtime/main_window_proc.h"
#include "runtime/print_transcript.h"
#include "runtime/run_program.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"
#include "runtime/system_flags.h"

extern char** environ;

namespace qm {
namespace {

constexpr const char* kEditorTitle = "Quillmoor Editor";
constexpr int kFirstTitleNumber = 2;
constexpr int kTitleNumberLimit = 21000000;
constexpr int kEditorDisplayWidth = 640;
constexpr int kEditorDisplayHeight = 480;
constexpr const char* kCompilationSuccessful = "Compilation Successful. ";

// The switch being carried out; Done once its action has been taken.
enum class SwitchMode {
  None = 0,
  CompileOnly = 1,
  CompileAndRun = 2,
  Build = 3,
  BuildWithMedia = 4,
  Done = 99
};

SwitchMode SwitchModeOf(StartSwitch mode) {
  switch (mode) {
    case StartSwitch::CompileOnly:
      return SwitchMode::CompileOnly;
    case StartSwitch::CompileAndRun:
      return SwitchMode::CompileAndRun;
    case StartSwitch::Build:
      return SwitchMode::Build;
    case StartSwitch::BuildWithMedia:
      return SwitchMode::BuildWithMedia;
    default:
      return SwitchMode::None;
  }
}

// The editor loop's states: the editor's own, and the start of a pass.
constexpr auto kStartPass = static_cast<EditorLoopState>(0);

struct SystemRun {
  StartCommandLine line;
  SwitchMode switchMode = SwitchMode::None;
  bool anySwitch = false;   // a switch was given: QMCompile.log is written at the end
  std::string programFile;  // as typed; taken (and emptied) by the first pass
  bool displayFlag = true;  // false for the switches that never show a display
  StartSettings settings;
  std::unique_ptr<Parser> parser;
  EditorLoopState state = kStartPass;
  bool displayUp = false;  // the editor's display is set up
  // What the switch reports in QMCompile.log ("" for success) and the exit status.
  std::string reportText;
  int status = kExitSuccess;
};

void Trace(const char* text) {
  if (TraceModeFlag()) WriteTraceLog(text);
}

DisplayServices& Display() { return *Services().display; }

// A failure of the action: its text for the log (and for the user on stderr) and the status.
void Fail(SystemRun& run, const std::string& text, int status) {
  run.reportText = text;
  run.status = status;
  if (!text.empty())
    std::fprintf(stderr, "%s%s\n", status == kExitSystemFailure ? "quillmoor: " : "", text.c_str());
}

// A system error (10000 and above) that ends the loop; its text is shown at shut-down.
bool SystemError(SystemRun& run, RuntimeErrorCode code) {
  PendingErrorCode = code;
  run.status = kExitSystemFailure;
  run.state = EditorLoopState::Quit;
  return false;
}

// ---- The editor's display ------------------------------------------------------------------

bool SetUpEditorDisplay(SystemRun& run) {
  Trace("QUILLMOOR: Check 3D Cards for use");
  Display().ChooseBest3DCard();
  Display().SetFullScreenFlag(run.settings.fullScreen);
  Trace("QUILLMOOR: Initialise DirectX");
  if (!Display().InitDirectX(run.settings.fullScreen)) return SystemError(run, kErrorDirectX);
  run.displayUp = true;
  const int depth = Display().Best3DDepth();
  if (depth == 0) return SystemError(run, kErrorDisplayMode);
  if (run.settings.fullScreen) {
    Trace("QUILLMOOR: Set Display Mode");
    if (!Display().SetDisplayMode(kEditorDisplayWidth, kEditorDisplayHeight, depth)) {
      return SystemError(run, kErrorDisplayMode);
    }
  } else {
    Trace("QUILLMOOR: Set Window Position");
    platform::SetMainWindowPlacement(0, 0, platform::ScreenWidth(), platform::ScreenHeight());
  }
  Trace("QUILLMOOR: Set Screen Areas and Surfaces");
  if (!Display().CreateScreenAreas(kEditorDisplayWidth, kEditorDisplayHeight)) {
    return SystemError(run, kErrorScreenAreas);
  }
  Trace("QUILLMOOR: Clear Surfaces");
  for (int pass = 0; pass < 2; ++pass) {
    Display().ClearScreenSurfaces();
    Display().PresentFrame();
  }
  Trace("QUILLMOOR: Initialise Critical Game Data");
  Display().InitGameData();
  Trace("QUILLMOOR: Make a mouse");
  Display().LoadMousePointerBitmap();
  Display().ShowMouse();
  return true;
}

void CloseEditorDisplay(SystemRun& run) {
  if (!run.displayUp) return;
  Trace("QUILLMOOR: Clear surfaces");
  for (int pass = 0; pass < 2; ++pass) {
    Display().ClearScreenSurfaces();
    Display().PresentFrame();
  }
  Trace("QUILLMOOR: Delete mouse and Free Memory");
  Display().FreeMousePointer();
  Display().FreeMousePointerBitmap();
  Display().FreeGameData();
  Trace("QUILLMOOR: Close DirectX");
  Display().CloseDirectX(false);
  run.displayUp = false;
}

// ---- Compiling and running -----------------------------------------------------------------

// The command line's form of a runtime error: "Runtime Error at line 3. <message>".
std::string RuntimeErrorLine(const RunOutcome& outcome) {
  return GetWord(WordSection::Desc, 40) + " " + GetWord(WordSection::Desc, outcome.warning ? 38 : 39) + " " +
         GetWord(WordSection::Compiler, 47) + " " + std::to_string(outcome.line) + ". " + outcome.text;
}

void ReportRun(SystemRun& run, const RunOutcome& outcome) {
  switch (outcome.end) {
    case RunEnd::Ended:
      return;
    case RunEnd::RuntimeError:
      return Fail(run, RuntimeErrorLine(outcome), kExitFailure);
    case RunEnd::MissingCommand:
      return Fail(run, outcome.text + " at line " + std::to_string(outcome.line), kExitFailure);
    case RunEnd::SystemError:
    case RunEnd::LimitReached:
      return Fail(run, outcome.text, kExitSystemFailure);
  }
}

// The program a compile of this pass reads: the file named with the switch, or the work file
// the editor saved. Switches compile the named file in its own folder, so its includes and
// media resolve as they do for the conformance runner and its messages name it.
struct ProgramToCompile {
  std::string file;
  std::string folder;  // made current while it compiles and runs; empty keeps the current one
};

ProgramToCompile ProgramOfPass(const SystemRun& run) {
  if (run.anySwitch) {
    const std::string& name = CommandLineProgramFile();
    return {platform::NameOfFile(name), platform::FolderOfFile(name)};
  }
  return {WorkFilePath(), {}};
}

// Compiles the program of the pass; false (with the report and the next state set) when it
// does not compile or cannot be read.
bool CompileProgram(SystemRun& run, const ProgramToCompile& program) {
  Trace("QUILLMOOR: Creating program from file");
  CompileOptions options{program.file, {}};
  if (program.file.empty()) options.text = std::string();  // no program: an empty one
  const CompileOutcome compiled = Compile(*run.parser, options);
  if (compiled.result == CompileResult::SystemError) {
    Fail(run, CompileReportText(compiled), kExitSystemFailure);
    run.state = EditorLoopState::Quit;
    return false;
  }
  if (!compiled.Compiled()) {
    Fail(run, CompileReportText(compiled), kExitFailure);
    run.state = kStartPass;  // back to the editor, which shows the error
    return false;
  }
  return true;
}

// A program file named with a switch that does not exist fails the switch, with its name.
bool SwitchProgramExists(SystemRun& run) {
  if (!run.anySwitch) return true;
  const std::string& name = CommandLineProgramFile();
  if (platform::FileExists(name)) return true;
  Fail(run, "Cannot open file " + name + " (no such program file)", kExitSystemFailure);
  run.state = EditorLoopState::Quit;
  return false;
}

// States 2 and 4: compile (for 4) and run; 2 starts in the command line without a program.
void CompileAndRun(SystemRun& run) {
  const bool withProgram = run.state == EditorLoopState::CompileAndRun;
  Trace("QUILLMOOR: Opening Parser");
  Trace("QUILLMOOR: Creating Parser Database");
  ProgramToCompile program;
  if (withProgram) {
    Trace("QUILLMOOR: Found filename of program to parse");
    if (!SwitchProgramExists(run)) return;
    program = ProgramOfPass(run);
    if (!run.anySwitch && !platform::FileExists(program.file)) {
      SystemError(run, kErrorNoCommandDatabase);
      return;
    }
  } else {
    Trace("QUILLMOOR: CLI mode has no program");
  }
  platform::CurrentFolderScope folder(program.folder);
  if (!folder.ok()) {
    Fail(run, "Cannot open the folder of " + CommandLineProgramFile(), kExitSystemFailure);
    run.state = EditorLoopState::Quit;
    return;
  }
  if (!CompileProgram(run, program)) return;
  Trace("QUILLMOOR: Creating QM block from parser");
  Trace("QUILLMOOR: Initialising Game Core");
  Trace("QUILLMOOR: Launching QM Run Handler");
  RunOptions options;
  options.program = run.parser.get();
  options.fullScreen = run.settings.fullScreen;
  options.windowMode = run.settings.windowMode;
  options.cliOnly = !withProgram;
  // In a window the user works in the command line when the program stops; headless nobody can,
  // and the run ends at the stop.
  const bool userPresent = platform::CurrentWindowBackend() != platform::WindowBackend::Headless;
  CommandLineAttachment commandLine(userPresent ? run.parser.get() : nullptr);
  const RunOutcome outcome = RunProgram(options);
  Trace("QUILLMOOR: Closing Game Core");
  Trace("QUILLMOOR: Closing Parser");
  ReportRun(run, outcome);
  if (outcome.end == RunEnd::SystemError && PendingErrorCode >= kFirstSystemError) {
    run.state = EditorLoopState::Quit;
  }
}

// State 5: compile only; the display stays up and the next pass returns to the editor.
void CompileOnly(SystemRun& run) {
  Trace("QUILLMOOR: Open Parser");
  Trace("QUILLMOOR: Creating Parser Database");
  if (!SwitchProgramExists(run)) return;
  ProgramToCompile program = ProgramOfPass(run);
  if (!run.anySwitch && !platform::FileExists(program.file)) {
    Trace("QUILLMOOR: File cannot be found - start with blank editor");
    program.file.clear();
  }
  platform::CurrentFolderScope folder(program.folder);
  if (!folder.ok()) {
    Fail(run, "Cannot open the folder of " + CommandLineProgramFile(), kExitSystemFailure);
    run.state = EditorLoopState::Quit;
    return;
  }
  CompileProgram(run, program);
  Trace("QUILLMOOR: Close Parser");
  if (run.state == kStartPass) run.state = EditorLoopState::CompileOnly;
}

// -b and -f: the executable built from the program (-f with the media of the current folder).
void Build(SystemRun& run) {
  std::string text;
  const int status = BuildExecutableFromCommandLine(run.line.exeName, CommandLineProgramFile(),
                                                    run.line.mode == StartSwitch::BuildWithMedia, text);
  if (status == kExitSuccess) {
    run.reportText = text;
  } else {
    Fail(run, text, status);
  }
}

// ---- The editor loop -----------------------------------------------------------------------

EditorLoopState NextState(SystemRun& run) {
  switch (run.switchMode) {
    case SwitchMode::CompileOnly:
      run.switchMode = SwitchMode::Done;
      return EditorLoopState::CompileOnly;
    case SwitchMode::CompileAndRun:
      run.switchMode = SwitchMode::Done;
      return EditorLoopState::CompileAndRun;
    case SwitchMode::Build:
    case SwitchMode::BuildWithMedia:
      run.switchMode = SwitchMode::Done;
      Build(run);
      return EditorLoopState::Quit;
    case SwitchMode::Done:
      return EditorLoopState::Quit;
    case SwitchMode::None:
      break;
  }
  const EditorLoopState next = RunEditorSession(run.parser.get());
  Trace("QUILLMOOR: Editor Command...(click)");
  return next;
}

// A pass whose next state a switch decides runs no editor session: nothing would be shown on the
// editor's display, so it is not set up (the program's run sets up its own).
bool EditorSessionThisPass(const SystemRun& run) { return run.switchMode == SwitchMode::None; }

void EditorLoopPass(SystemRun& run) {
  if (run.state != EditorLoopState::CompileOnly && run.displayFlag && !run.displayUp &&
      EditorSessionThisPass(run)) {
    if (!SetUpEditorDisplay(run)) return;
  }
  if (!run.programFile.empty()) {
    Trace("QUILLMOOR: Process filename passed for editing");
    CommandLineProgramFile() = WithoutQuotes(run.programFile);
    run.programFile.clear();
  }
  run.state = NextState(run);
  if (run.state != EditorLoopState::CompileOnly) CloseEditorDisplay(run);
  switch (run.state) {
    case EditorLoopState::CommandLineWithoutProgram:
    case EditorLoopState::CompileAndRun:
      CompileAndRun(run);
      break;
    case EditorLoopState::CompileOnly:
      CompileOnly(run);
      break;
    case EditorLoopState::DisplayRestored:
      run.state = kStartPass;
      break;
    default:
      break;
  }
  if (run.state == EditorLoopState::CompileAndRun && (LockEditorFlag != 0 || LockCliFlag != 0)) {
    run.state = EditorLoopState::Quit;
  }
}

void EditorLoop(SystemRun& run) {
  Trace("QUILLMOOR: Begin Editor Loop");
  run.state = kStartPass;
  while (run.state != EditorLoopState::Quit) EditorLoopPass(run);
  CloseEditorDisplay(run);
  Trace("QUILLMOOR: End Editor Loop");
}

// ---- Start-up and shut-down ----------------------------------------------------------------

// SETUP.INI's external editor takes the place of ours when no switch was given: true when it
// was started (the system then only shuts down).
bool StartExternalEditor(const std::string& commandLine) {
  const std::string& editor = ExternalEditorPath();
  if (editor.empty()) return false;
  std::vector<char*> arguments{const_cast<char*>(editor.c_str())};
  std::string passed = commandLine;
  if (!passed.empty()) arguments.push_back(passed.data());
  arguments.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawn(&pid, editor.c_str(), nullptr, nullptr, arguments.data(), environ) == 0;
}

bool OpenMainWindow(SystemRun& run, const std::string& title) {
  // The switches that show no display keep to the window that exists only in memory.
  if (run.displayFlag) {
    EchoTranscriptToStandardOutput(platform::InitPlatformWindowing() == platform::WindowBackend::Headless);
  }
  if (!platform::CreateMainWindow(title, kEditorDisplayWidth, kEditorDisplayHeight, MainWindowProc)) {
    return SystemError(run, kErrorWindow);
  }
  platform::SetMainWindowTitle(title);
  return true;
}

// Start-up steps up to the editor loop; false when one failed (the system shuts down).
bool StartUp(SystemRun& run, const std::string& commandLine, const PathOptions& paths) {
  const std::string title = ChooseWindowTitle();
  if (PrepareSystem(run.settings, paths) != 0) {
    run.status = kExitSystemFailure;
    return false;
  }
  if (ExternalEditorPath().size() && !run.anySwitch && StartExternalEditor(commandLine)) return false;
  // Without a program the editor starts in the program folder. A switch always reports into the
  // folder the user started it in, even when its program is missing.
  if (run.programFile.empty() && !run.anySwitch) {
    gSettings.startFolder = ProgramFolder();
    platform::ChangeFolder(ProgramFolder());
  }
  if (!OpenMainWindow(run, title)) return false;
  PendingErrorCode = LoadWordsOfSystem();
  if (PendingErrorCode != 0) {
    run.status = kExitSystemFailure;
    return false;
  }
  InitSubsystems();
  StartEditor();
  Trace("QUILLMOOR: Create Parser Object");
  run.parser = std::make_unique<Parser>();
  return true;
}

void ShutDown(SystemRun& run) {
  Trace("QUILLMOOR: Remove Parser Object");
  run.parser.reset();
  if (PendingErrorCode >= kFirstSystemError) {
    run.status = kExitSystemFailure;
    // A failed action is never logged as a success: without a text of its own, the log holds
    // the system error's.
    if (run.reportText.empty()) run.reportText = FormatRuntimeErrorText();
    ReportSystemError();
  }
  const std::string logText = run.reportText.empty() ? kCompilationSuccessful : run.reportText;
  if (run.anySwitch && !WriteCompileLog(StartFolder() + "QMCompile.log", logText)) {
    std::fprintf(stderr, "quillmoor: QMCompile.log could not be written in %s\n", StartFolder().c_str());
    run.status = kExitSystemFailure;
  }
  platform::DestroyMainWindow();
  platform::ShutDownPlatformWindowing();
  StopSystem();
}

}  // namespace

std::string ChooseWindowTitle() {
  std::string title = kEditorTitle;
  for (int n = kFirstTitleNumber; !platform::ClaimWindowTitle(title) && n < kTitleNumberLimit; ++n) {
    title = std::string(kEditorTitle) + " " + std::to_string(n);
  }
  return title;
}

int RunQuillmoor(const std::string& commandLine, const PathOptions& paths) {
  SystemRun run;
  run.line = ParseStartCommandLine(commandLine);
  run.switchMode = SwitchModeOf(run.line.mode);
  run.anySwitch = run.switchMode != SwitchMode::None;
  run.programFile = run.line.programFile;
  run.displayFlag = run.switchMode == SwitchMode::None || run.switchMode == SwitchMode::CompileAndRun;
  CommandLineText() = run.line.programFile;
  PendingErrorCode = 0;
  if (StartUp(run, commandLine, paths)) {
    if (!run.line.error.empty()) {
      Fail(run, run.line.error, kExitSystemFailure);
    } else if (run.anySwitch && WithoutQuotes(run.programFile).empty() &&
               run.switchMode != SwitchMode::Build && run.switchMode != SwitchMode::BuildWithMedia) {
      Fail(run, "No program file was named", kExitSystemFailure);
    } else {
      EditorLoop(run);
    }
  }
  ShutDown(run);
  return run.status;
}

}  // namespace qm
