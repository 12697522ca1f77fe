// Who receives window input: the running program, the runtime command line over a stopped
// program, the editor or its dialog screens. One value for the whole system: the run loop sets it
// for its phases (the program's mode before the running phase), the editor for its screens, and
// the input reader reads the mouse only while the program or the command line has the input.
#pragma once
#include <cstdint>

namespace qm {

enum class InputMode : int32_t {
  Program = 0,
  CommandLine = 1,
  Editor = 2,
  DialogScreen = 3,
};

InputMode CurrentInputMode();
void SetInputMode(InputMode mode);

// True while the program or the command line owns the input: the mouse is read then.
constexpr bool InputModeReadsMouse(InputMode mode) {
  return mode == InputMode::Program || mode == InputMode::CommandLine;
}

}  // namespace qm
