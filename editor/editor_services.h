// What the rest of the system uses of the integrated editor: the states an editor session ends
// in, the program file named on the command line, and the editor's start, session, pointer reset
// and progress box. Who receives window input is the system's one InputMode
// (runtime/input_mode.h), which an editor session sets to its own.
//
// The runtime (which the stand-alone executable carries without an editor) and the compiler call
// the editor only through this header, which needs no editor code linked: the operations go
// through a table that the full system fills in at start-up. An empty entry does nothing
// (a session then ends in EditorLoopState::Quit).
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"
#include "runtime/input_mode.h"

namespace qm {

class Parser;

// What an editor session asks the editor loop to do next.
enum class EditorLoopState : int32_t {
  CommandLineWithoutProgram = 2,
  Quit = 3,
  CompileAndRun = 4,
  CompileOnly = 5,
  DisplayRestored = 10,  // the display was lost and restored: set it up anew
};

struct EditorServices {
  void (*startEditor)() = nullptr;
  EditorLoopState (*runEditorSession)(Parser* parser) = nullptr;
  void (*resetPointerState)() = nullptr;
  void (*showCompileProgress)(int32_t percent) = nullptr;
  void (*showProgressMessage)(const std::string& text) = nullptr;
  // Every main-window message while the editor (InputMode 2) or its dialog screen (3) has the
  // input, after the main window procedure's own handling.
  void (*windowProc)(InputMode mode, const platform::Message& message) = nullptr;
};

struct EditorSharedState {
  std::string commandLineProgramFile;  // without its quotes; the editor loads it first when set
  EditorServices services;
};

inline EditorSharedState gEditorShared;

inline std::string& CommandLineProgramFile() { return gEditorShared.commandLineProgramFile; }
inline void InstallEditorServices(const EditorServices& services) { gEditorShared.services = services; }

// The editor's start-up, once, after the subsystems are initialised.
inline void StartEditor() {
  if (gEditorShared.services.startEditor) gEditorShared.services.startEditor();
}

// Runs the editor until the user asks for something; saves the documents (the current one into
// the work file) and returns what the editor loop does next.
inline EditorLoopState RunEditorSession(Parser* parser) {
  if (!gEditorShared.services.runEditorSession) return EditorLoopState::Quit;
  return gEditorShared.services.runEditorSession(parser);
}

// Forgets the remembered pointer shape and the mouse-button word (on activation).
inline void ResetPointerState() {
  if (gEditorShared.services.resetPointerState) gEditorShared.services.resetPointerState();
}

// The main window procedure passes the editor's messages on here.
inline void EditorWindowProc(InputMode mode, const platform::Message& message) {
  if (gEditorShared.services.windowProc) gEditorShared.services.windowProc(mode, message);
}

// The progress box: the compiler's percentage (0-100) and the executable builder's lines. Both
// draw only while the editor's screen is up; from a command-line switch they do nothing.
inline void ShowCompileProgress(int32_t percent) {
  if (gEditorShared.services.showCompileProgress) gEditorShared.services.showCompileProgress(percent);
}
inline void ShowProgressMessage(const std::string& text) {
  if (gEditorShared.services.showProgressMessage) gEditorShared.services.showProgressMessage(text);
}

}  // namespace qm
