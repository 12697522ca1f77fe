// The display subsystem's record and the one instance of its services.
#include "display/display_subsystem.h"

#include "display/display_commands.h"
#include "display/display_services.h"
#include "display/draw_request_queue.h"
#include "display/frame_present.h"
#include "display/text_state.h"

namespace qm {
namespace {

DisplayCoreServices gDisplayCore;

constexpr const CommandFamily* kDisplayFamilies[] = {&kDrawingFamily, &kTextFamily,   &kDisplayModeFamily,
                                                     &kWindowFamily,  &kSpriteFamily, &kMousePointerFamily,
                                                     &kBitmapFamily,  &kImageFamily,  &kAnimationFamily};

// Every run starts drawing on the screen in white on black, with the run-start text setting, and
// not in a window of its own.
void ResetDrawingForRun() {
  ResetDrawQueueForRun();
  ResetTextStateForRun();
  ResetWindowSettingsForRun();
}

constexpr Subsystem DisplaySubsystem() {
  Subsystem display;
  display.name = "display";
  display.families = kDisplayFamilies;
  display.runStart = ResetDrawingForRun;
  display.services.display = &gDisplayCore;
  return display;
}

}  // namespace

DisplayCoreServices& DisplayCore() { return gDisplayCore; }

constinit const Subsystem kDisplaySubsystem = DisplaySubsystem();

}  // namespace qm
