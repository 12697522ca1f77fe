// The services the run loop calls, with their do-nothing defaults.
#include "runtime/frame_services.h"

#include "io/input_state.h"
#include "runtime/run_loop.h"

namespace qm {

void SystemServices::ReadInputState() {
  InputReadContext context;
  context.readMouse = InputMode <= kInputCommandLine;
  context.mouseFromDevice = Services().display->MouseFollowsDevice();
  context.displayWidth = Services().display->DisplayWidth();
  context.displayHeight = Services().display->DisplayHeight();
  qm::ReadInputState(context);
}

namespace {

DisplayServices gDefaultDisplay;
Engine3DServices gDefaultEngine3D;
SoundServices gDefaultSound;
SystemServices gDefaultSystem;

FrameServices gServices{&gDefaultDisplay, &gDefaultEngine3D, &gDefaultSound, &gDefaultSystem};

}  // namespace

FrameServices& Services() { return gServices; }

void InstallFrameServices(const FrameServices& services) {
  gServices.display = services.display != nullptr ? services.display : &gDefaultDisplay;
  gServices.engine3d = services.engine3d != nullptr ? services.engine3d : &gDefaultEngine3D;
  gServices.sound = services.sound != nullptr ? services.sound : &gDefaultSound;
  gServices.system = services.system != nullptr ? services.system : &gDefaultSystem;
}

}  // namespace qm
