// The SDL window behind the main window, for the parts of the system that draw into it.
#pragma once
#include <SDL.h>

namespace qm::platform {

// The main window's SDL window; nullptr when the sdl2 backend is not in use or no window exists.
SDL_Window* Sdl2MainWindow();

}  // namespace qm::platform
