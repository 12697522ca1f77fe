// The display subsystem's record and the one instance of its services.
#include "display/display_subsystem.h"

#include "display/display_services.h"

namespace qm {
namespace {

DisplayCoreServices gDisplayCore;

constexpr Subsystem DisplaySubsystem() {
  Subsystem display;
  display.name = "display";
  display.services.display = &gDisplayCore;
  return display;
}

}  // namespace

DisplayCoreServices& DisplayCore() { return gDisplayCore; }

constinit const Subsystem kDisplaySubsystem = DisplaySubsystem();

}  // namespace qm
