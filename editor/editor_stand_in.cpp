// The stand-in editor: scripted session states, no screen.
#include "editor/editor_stand_in.h"

#include <deque>

namespace qm {
namespace {

struct StandIn {
  std::deque<EditorLoopState> script;
  EditorStandInRecord record;
};

StandIn gStandIn;

void StartStandIn() { ++gStandIn.record.startCount; }

EditorLoopState RunStandInSession(Parser*) {
  SetInputMode(InputMode::Editor);
  ++gStandIn.record.sessionCount;
  if (gStandIn.script.empty()) return EditorLoopState::Quit;
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
