// The stand-in command line, in use until a subsystem provides one.
#include "runtime/command_line_overlay.h"

#include "platform/window.h"

namespace qm {

// The stand-in has no command line to show: the run ends as soon as the program stops.
CliResult CommandLineOverlay::Frame() {
  platform::PostQuitMessage(0);
  return CliResult::End;
}

}  // namespace qm
