// SDL keys to virtual-key codes.
#pragma once
#include <SDL.h>

namespace qm::platform {

// The virtual key of an SDL key (letters and digits by the layout's key symbol, so a key reads
// as the letter printed on it; the rest by position), or 0 for keys the system has no code for.
int VirtualKeyOf(const SDL_Keysym& key);
// kVkLShift .. kVkRMenu for the modifier keys, else 0.
int SideKeyOf(SDL_Scancode scancode);

}  // namespace qm::platform
