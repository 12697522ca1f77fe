// The choice between the backends. It lives apart from the window core so that the core and the
// headless backend build without the sdl2 backend (qm_platform_core), and only this file ties
// the two backends together (qm_platform).
#include <cstdlib>
#include <cstring>

#include "platform/window_system.h"

namespace qm::platform {
namespace {

bool HeadlessRequestedByEnvironment() {
  const char* value = std::getenv("QUILLMOOR_HEADLESS");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

WindowBackend InitPlatformWindowing() {
  if (WindowSystem* chosen = ChosenWindowSystem()) return chosen->Kind();
  WindowSystem* chosen = &HeadlessWindowSystem();
  if (!HeadlessRequestedByEnvironment() && Sdl2WindowSystem().Open())
    chosen = &Sdl2WindowSystem();
  else
    HeadlessWindowSystem().Open();
  SetChosenWindowSystem(chosen);
  return chosen->Kind();
}

}  // namespace qm::platform
