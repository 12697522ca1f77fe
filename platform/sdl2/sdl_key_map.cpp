// The table from SDL scancodes to virtual keys, for every key that is not a letter or a digit.
#include "platform/sdl2/sdl_key_map.h"

#include "platform/keys.h"

namespace qm::platform {
namespace {

struct ScancodeKey {
  SDL_Scancode scancode;
  int virtualKey;
};

constexpr ScancodeKey kScancodeKeys[] = {
    {SDL_SCANCODE_BACKSPACE, kVkBack},
    {SDL_SCANCODE_TAB, kVkTab},
    {SDL_SCANCODE_RETURN, kVkReturn},
    {SDL_SCANCODE_KP_ENTER, kVkReturn},
    {SDL_SCANCODE_LSHIFT, kVkShift},
    {SDL_SCANCODE_RSHIFT, kVkShift},
    {SDL_SCANCODE_LCTRL, kVkControl},
    {SDL_SCANCODE_RCTRL, kVkControl},
    {SDL_SCANCODE_LALT, kVkMenu},
    {SDL_SCANCODE_RALT, kVkMenu},
    {SDL_SCANCODE_PAUSE, kVkPause},
    {SDL_SCANCODE_CAPSLOCK, kVkCapital},
    {SDL_SCANCODE_ESCAPE, kVkEscape},
    {SDL_SCANCODE_SPACE, kVkSpace},
    {SDL_SCANCODE_PAGEUP, kVkPrior},
    {SDL_SCANCODE_PAGEDOWN, kVkNext},
    {SDL_SCANCODE_END, kVkEnd},
    {SDL_SCANCODE_HOME, kVkHome},
    {SDL_SCANCODE_LEFT, kVkLeft},
    {SDL_SCANCODE_UP, kVkUp},
    {SDL_SCANCODE_RIGHT, kVkRight},
    {SDL_SCANCODE_DOWN, kVkDown},
    {SDL_SCANCODE_PRINTSCREEN, kVkSnapshot},
    {SDL_SCANCODE_INSERT, kVkInsert},
    {SDL_SCANCODE_DELETE, kVkDelete},
    {SDL_SCANCODE_LGUI, kVkLWin},
    {SDL_SCANCODE_RGUI, kVkRWin},
    {SDL_SCANCODE_APPLICATION, kVkApps},
    {SDL_SCANCODE_KP_0, kVkNumpad0},
    {SDL_SCANCODE_KP_1, kVkNumpad0 + 1},
    {SDL_SCANCODE_KP_2, kVkNumpad0 + 2},
    {SDL_SCANCODE_KP_3, kVkNumpad0 + 3},
    {SDL_SCANCODE_KP_4, kVkNumpad0 + 4},
    {SDL_SCANCODE_KP_5, kVkNumpad0 + 5},
    {SDL_SCANCODE_KP_6, kVkNumpad0 + 6},
    {SDL_SCANCODE_KP_7, kVkNumpad0 + 7},
    {SDL_SCANCODE_KP_8, kVkNumpad0 + 8},
    {SDL_SCANCODE_KP_9, kVkNumpad0 + 9},
    {SDL_SCANCODE_KP_MULTIPLY, kVkMultiply},
    {SDL_SCANCODE_KP_PLUS, kVkAdd},
    {SDL_SCANCODE_KP_MINUS, kVkSubtract},
    {SDL_SCANCODE_KP_PERIOD, kVkDecimal},
    {SDL_SCANCODE_KP_DIVIDE, kVkDivide},
    {SDL_SCANCODE_NUMLOCKCLEAR, kVkNumLock},
    {SDL_SCANCODE_SCROLLLOCK, kVkScroll},
    {SDL_SCANCODE_SEMICOLON, kVkOem1},
    {SDL_SCANCODE_EQUALS, kVkOemPlus},
    {SDL_SCANCODE_COMMA, kVkOemComma},
    {SDL_SCANCODE_MINUS, kVkOemMinus},
    {SDL_SCANCODE_PERIOD, kVkOemPeriod},
    {SDL_SCANCODE_SLASH, kVkOem2},
    {SDL_SCANCODE_GRAVE, kVkOem3},
    {SDL_SCANCODE_LEFTBRACKET, kVkOem4},
    {SDL_SCANCODE_BACKSLASH, kVkOem5},
    {SDL_SCANCODE_RIGHTBRACKET, kVkOem6},
    {SDL_SCANCODE_APOSTROPHE, kVkOem7},
};

int VirtualKeyOfScancode(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return kVkA + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return kVk0 + 1 + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return kVk0;
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
    return kVkF1 + (scancode - SDL_SCANCODE_F1);
  for (const ScancodeKey& entry : kScancodeKeys) {
    if (entry.scancode == scancode) return entry.virtualKey;
  }
  return 0;
}

}  // namespace

int VirtualKeyOf(const SDL_Keysym& key) {
  if (key.sym >= SDLK_a && key.sym <= SDLK_z) return kVkA + (key.sym - SDLK_a);
  if (key.sym >= SDLK_0 && key.sym <= SDLK_9) return kVk0 + (key.sym - SDLK_0);
  return VirtualKeyOfScancode(key.scancode);
}

int SideKeyOf(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_LSHIFT:
      return kVkLShift;
    case SDL_SCANCODE_RSHIFT:
      return kVkRShift;
    case SDL_SCANCODE_LCTRL:
      return kVkLControl;
    case SDL_SCANCODE_RCTRL:
      return kVkRControl;
    case SDL_SCANCODE_LALT:
      return kVkLMenu;
    case SDL_SCANCODE_RALT:
      return kVkRMenu;
    default:
      return 0;
  }
}

}  // namespace qm::platform
