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

// A display can only be reached when the environment names one; without, SDL is not asked at
// all (it would print its own complaints about the missing display on every run).
bool DisplayNamedByEnvironment() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

WindowBackend InitPlatformWindowing() {
  if (WindowSystem* chosen = ChosenWindowSystem()) return chosen->Kind();
  WindowSystem* chosen = &HeadlessWindowSystem();
  const bool displayNamed = !HeadlessRequestedByEnvironment() && DisplayNamedByEnvironment();
  if (displayNamed && Sdl2WindowSystem().Open()) {
    chosen = &Sdl2WindowSystem();
  } else {
    // Quiet when no display was named; when the named one could not be opened, the sdl2 backend
    // has said why in its one line.
    HeadlessWindowSystem().Open();
  }
  SetChosenWindowSystem(chosen);
  return chosen->Kind();
}

}  // namespace qm::platform
