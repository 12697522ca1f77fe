// The sdl2 backend (being written): reports no display until it lands.
#include "platform/window_system.h"

namespace qm::platform {
WindowSystem& Sdl2WindowSystem() { return HeadlessWindowSystem(); }
}  // namespace qm::platform
