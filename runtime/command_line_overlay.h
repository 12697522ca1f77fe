// The runtime command line as the run loop drives it: opened over the stopped program, shown one
// frame at a time, closed when the user continues or ends. The overlay itself is built elsewhere;
// until a subsystem provides it, a stand-in ends the run at once (as the stand-alone runtime does).
#pragma once
#include <string>

#include "platform/messages.h"
#include "runtime/runtime_errors.h"

namespace qm {

// What one frame of the command line asks the run loop to do.
enum class CliResult {
  Stay = 0,          // keep showing the command line
  End = 1,           // leave the run (F12, the close button, or the program has ended)
  Continue = 2,      // ESC: continue the stopped program where it stopped
  RunTypedLine = 3,  // a typed line was compiled and appended: run it from the piece start
};

class CommandLineOverlay {
 public:
  virtual ~CommandLineOverlay() = default;
  virtual void Open() {}   // between a BeginFrame and a SyncFrame
  virtual void Close() {}  // likewise; gives the input back to the program
  // The display was rebuilt while the overlay stayed open: make its panel again.
  virtual void RebuildPanel() {}
  // Keeps the panel centred at the bottom of a display of this size.
  virtual void PlacePanel(int /*displayWidth*/, int /*displayHeight*/) {}
  // True once the overlay has finished opening (errors are shown from then on).
  virtual bool FullyOpen() { return true; }
  // Shows the pending error or warning with the source line of the stopped program.
  virtual void ShowError(RuntimeErrorCode /*code*/, bool /*warning*/, const std::string& /*text*/,
                         int /*sourceLine*/) {}
  // One frame of the command line. Every result but Stay must come with a posted quit (the run
  // loop leaves the phase at its next message check).
  virtual CliResult Frame();
  // Every main-window message while the command line has the input (InputMode 1): the main
  // window procedure passes them on after its own handling. Acts on key-downs and characters.
  virtual void CliWindowProc(const platform::Message& /*message*/) {}
  // True when the overlay shows a command line the user works in; the stand-in shows nothing,
  // so frames around it do not wait for their time.
  virtual bool Live() { return false; }
  // Set when the user left with F12 or the close button (the editor loop reads it).
  virtual bool CloseRequested() { return false; }
};

// The overlay in use: the stand-in unless an installed subsystem provides one (subsystem.h).
CommandLineOverlay& CommandLine();

}  // namespace qm
