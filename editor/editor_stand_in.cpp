// The stand-in editor: scripted session states, no screen.
#include "editor/editor_stand_in.h"

#include <deque>

#include "platform/files.h"
#include "runtime/settings.h"

namespace qm {
namespace {

struct StandIn {
  std::deque<EditorLoopState> script;
  EditorStandInRecord record;
  bool commandLineProgramRun = false;  // the program named on the command line has been run
};

StandIn gStandIn;

void StartStandIn() { ++gStandIn.record.startCount; }

// Without a script, the program named on the command line is opened and run once, as a user
// would press the run key in the editor, saved into the work file first; then the editor quits.
EditorLoopState RunCommandLineProgramOnce() {
  if (gStandIn.commandLineProgramRun || CommandLineProgramFile().empty()) return EditorLoopState::Quit;
  gStandIn.commandLineProgramRun = true;
  if (!platform::DeleteFileIfExists(WorkFilePath()) ||
      !platform::CopyFileNoOverwrite(CommandLineProgramFile(), WorkFilePath())) {
    return EditorLoopState::Quit;
  }
  return EditorLoopState::CompileAndRun;
}

EditorLoopState RunStandInSession(Parser*) {
  SetInputMode(InputMode::Editor);
  ++gStandIn.record.sessionCount;
  if (gStandIn.script.empty()) return RunCommandLineProgramOnce();
  EditorLoopState next = gStandIn.script.front();
  gStandIn.script.pop_front();
  return next;
}

// The stand-in remembers no pointer shape; it only counts the resets.
void ResetStandInPointer() { ++gStandIn.record.pointerResets; }

}  // namespace

void InstallEditorStandIn() {
  EditorServices services;
  services.startEditor = StartStandIn;
  services.runEditorSession = RunStandInSession;
  services.resetPointerState = ResetStandInPointer;
  // No screen bitmaps are ever loaded, so the progress box has nothing to draw on: the two
  // progress entries stay empty and do nothing.
  InstallEditorServices(services);
}

void QueueEditorSessionStates(std::initializer_list<EditorLoopState> states) {
  gStandIn.script.insert(gStandIn.script.end(), states.begin(), states.end());
}

const EditorStandInRecord& EditorStandInActivity() { return gStandIn.record; }

void ResetEditorStandIn() { gStandIn = StandIn(); }

}  // namespace qm
