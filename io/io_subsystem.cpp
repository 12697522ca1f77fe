// The io subsystem's record.
#include "io/io_subsystem.h"

#include "io/checklist.h"
#include "io/input_state.h"
#include "io/io_commands.h"
#include "runtime/frame_services.h"
#include "runtime/run_loop.h"

namespace qm {
namespace {

// Input devices for the run loop: the platform's keys and mouse into KeyboardState and
// MouseState, the mouse read only while the program or the command line owns the input.
class InputServices : public SystemServices {
 public:
  void ReadInputState() override {
    InputReadContext context;
    context.readMouse = InputModeReadsMouse(CurrentInputMode());
    context.mouseFromDevice = Services().display->MouseFollowsDevice();
    context.displayWidth = Services().display->DisplayWidth();
    context.displayHeight = Services().display->DisplayHeight();
    qm::ReadInputState(context);
  }
  void ClearFrameMotion() override { ClearMouseMovement(); }
  void SetMousePositionFromWindow(int32_t x, int32_t y) override {
    MouseState.x = x;
    MouseState.y = y;
  }
  void SetMouseButtonsFromWindow(uint16_t buttons) override { MouseState.buttons = buttons; }
};

InputServices gInputServices;

constexpr const CommandFamily* kIoFamilies[] = {&kInputQueryFamily, &kFontChecklistFamily};

void ResetInputForRun() {
  ResetChecklist();
  ResetMouseState(Services().display->DisplayWidth(), Services().display->DisplayHeight());
  WaitButtonSeen = 0;
}

constexpr Subsystem IoSubsystem() {
  Subsystem io;
  io.name = "io";
  io.families = kIoFamilies;
  io.runStart = ResetInputForRun;
  io.services.system = &gInputServices;
  return io;
}

}  // namespace

constinit const Subsystem kIoSubsystem = IoSubsystem();

}  // namespace qm
