// The window procedure of the one main window, the same on every window backend: it turns window
// messages into what the run loop and the handlers poll (the break keys ESC, F11 and F12, the F9
// snapshot, the typed characters, the mouse of a program in a window, the activation state that
// stops and resumes a running program), then passes each message on to whoever has the input
// (InputMode): the runtime command line, the editor or its dialog screen.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace qm {

// Installed through platform::CreateMainWindow. Returns 1 for the messages it handles alone,
// otherwise what the default window procedure returns.
int64_t MainWindowProc(const platform::Message& message);

// The name the F9 snapshot is saved under: `base` + ".bmp" when no file of that name exists,
// else `base` + n + ".bmp" with the first n from 1 to 99 whose file does not exist; when all of
// them exist, `base` + "99.bmp" is written again.
std::string SnapshotFileName(const std::string& base);

}  // namespace qm
