// The command line the run loop drives, and the stand-in used until one is installed.
#include "runtime/command_line_overlay.h"

#include "platform/window.h"

namespace qm {

// The stand-in has no command line to show: the run ends as soon as the program stops.
CliResult CommandLineOverlay::Frame() {
  platform::PostQuitMessage(0);
  return CliResult::End;
}

namespace {

CommandLineOverlay gStandIn;
CommandLineOverlay* gOverlay = &gStandIn;

}  // namespace

CommandLineOverlay& CommandLine() { return *gOverlay; }

void InstallCommandLine(CommandLineOverlay* overlay) { gOverlay = overlay != nullptr ? overlay : &gStandIn; }

}  // namespace qm
