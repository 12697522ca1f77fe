// The main window procedure (see main_window_proc.h).
#include "runtime/main_window_proc.h"

#include "editor/editor_services.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/command_line_overlay.h"
#include "runtime/frame_services.h"
#include "runtime/packed_files.h"
#include "runtime/print_input.h"
#include "runtime/run_loop.h"
#include "runtime/settings.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

constexpr int kLastSnapshotNumber = 99;

DisplayServices& Display() { return *Services().display; }

// The program or the command line over it has the input: the break keys work, and losing the
// activation stops a full-screen program.
bool RunHasInput(InputMode mode) { return mode == InputMode::Program || mode == InputMode::CommandLine; }

// F11 or F12: while the program runs (its state 1) the key marks that the user left with it; in
// the command line (state 0) it only asks the command line's loop to look at its keys.
void BreakKey(int32_t& state) {
  if (state == 1) state = 2;
  platform::PostQuitMessage(0);
}

void KeyDown(uint64_t virtualKey) {
  if (RunHasInput(CurrentInputMode())) {
    if (virtualKey == platform::kVkEscape && EscapeKeyEnabled == 1) platform::PostQuitMessage(0);
    if (virtualKey == platform::kVkF11) BreakKey(BreakKeyF11State);
    if (virtualKey == platform::kVkF12) BreakKey(BreakKeyF12State);
  }
  if (virtualKey == platform::kVkF9)
    Display().RequestScreenSnapshot(SnapshotFileName(ProgramFolder() + "snapshot"));
}

// Losing the activation stops a full-screen program (its music and sounds paused, its frames and
// slices skipped) unless ALWAYS ACTIVE is on; a program in a window and the editor go on. Input
// is not read while inactive in any case.
void Deactivated() {
  const InputMode mode = CurrentInputMode();
  const bool windowed = Display().WindowModeOn();
  if (RunHasInput(mode) && !windowed && AlwaysActiveFlag == 0) PauseMediaOnFocusLost();
  if (windowed || AlwaysActiveFlag == 1 || !RunHasInput(mode)) {
    AppActiveFlag = 1;
  } else {
    DisplayReadyFlag = 0;
    AppActiveFlag = 0;
  }
  InputActiveFlag = 0;
}

void Activated() {
  const InputMode mode = CurrentInputMode();
  if (RunHasInput(mode)) {
    platform::RestoreMainWindow();
    if (AlwaysActiveFlag != 1) {
      DisplayReadyFlag = 1;
      ResumeMediaOnFocusRegained();
    }
    Services().sound->UpdateSound();
  } else {
    ResetPointerState();
  }
  AppActiveFlag = 1;
  InputActiveFlag = 1;
}

// A program in a window with its pointer sprites hidden takes the mouse from the window's
// messages. Their positions are already pixels of the presented picture.
bool MouseFromWindow() { return Display().WindowModeOn() && !Display().MouseFollowsDevice(); }

void MouseMessage(const platform::Message& message) {
  if (!MouseFromWindow()) return;
  SystemServices& system = *Services().system;
  switch (message.id) {
    case platform::kMsgMouseMove:
      system.SetMousePositionFromWindow(platform::PointX(message.lParam), platform::PointY(message.lParam));
      break;
    case platform::kMsgLButtonDown:
      system.SetMouseButtonsFromWindow(1);
      break;
    case platform::kMsgRButtonDown:
      system.SetMouseButtonsFromWindow(2);
      break;
    default:  // a button released
      system.SetMouseButtonsFromWindow(0);
      break;
  }
}

void PassOn(const platform::Message& message) {
  const InputMode mode = CurrentInputMode();
  if (mode == InputMode::CommandLine) CommandLine().CliWindowProc(message);
  if (mode == InputMode::Editor || mode == InputMode::DialogScreen) EditorWindowProc(mode, message);
}

// A file exists as the system's file test sees it: a packed copy first, else the real file.
bool SnapshotExists(const std::string& name) {
  std::string file = name;
  ResolvePackedFileName(file, "bmp");
  return platform::FileExists(file);
}

}  // namespace

std::string SnapshotFileName(const std::string& base) {
  std::string name = base + ".bmp";
  for (int n = 1; n <= kLastSnapshotNumber && SnapshotExists(name); ++n) {
    name = base + std::to_string(n) + ".bmp";
  }
  return name;
}

int64_t MainWindowProc(const platform::Message& message) {
  // Every message clears the last typed character; a character message sets it, goes into the
  // entry buffer and to a waiting INPUT.
  NoteWindowMessage(message);
  switch (message.id) {
    case platform::kMsgMove:
    case platform::kMsgSize:
      Display().PresentFrame();
      break;
    case platform::kMsgActivate:
      if (message.wParam == platform::kActivateInactive) {
        Deactivated();
      } else {
        Activated();
      }
      break;
    case platform::kMsgClose:
      // Closing the window asks to quit, whatever has the input; the window itself stays until
      // the system's shut-down destroys it, so no loop ever runs on without its window.
      platform::PostQuitMessage(0);
      return 1;
    case platform::kMsgKeyDown:
      KeyDown(message.wParam);
      break;
    case platform::kMsgMouseMove:
    case platform::kMsgLButtonDown:
    case platform::kMsgRButtonDown:
    case platform::kMsgLButtonUp:
    case platform::kMsgRButtonUp:
      MouseMessage(message);
      break;
    default:
      break;
  }
  PassOn(message);
  return platform::DefaultWindowProc(message);
}

}  // namespace qm
