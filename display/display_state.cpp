// The display's process-wide state.
#include "display/display_state.h"

namespace qm {

DisplayState TheDisplay;
DeviceCapabilities DeviceCaps;

void ResetDisplayState() {
  TheDisplay = DisplayState{};
  DeviceCaps = DeviceCapabilities{};
}

}  // namespace qm
