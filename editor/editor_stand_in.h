// The editor until the full-screen editor exists: a session takes no input and ends in the next
// scripted state. Without a script, the first session saves the program named on the command
// line into the work file and runs it, and the next one quits. Its screen bitmaps are never loaded, so the
// progress box draws nothing.
#pragma once
#include <initializer_list>

#include "editor/editor_services.h"

namespace qm {

// Fills the editor services with the stand-in's operations.
void InstallEditorStandIn();

// States the next sessions end in, in order, after those already queued.
void QueueEditorSessionStates(std::initializer_list<EditorLoopState> states);

// What the stand-in has seen, for tests.
struct EditorStandInRecord {
  int startCount = 0;
  int sessionCount = 0;
  int pointerResets = 0;
};
const EditorStandInRecord& EditorStandInActivity();

// Forgets the script and the record.
void ResetEditorStandIn();

}  // namespace qm
