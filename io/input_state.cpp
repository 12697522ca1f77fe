// Keyboard and mouse state (see input_state.h).
#include "io/input_state.h"

#include <algorithm>

#include "platform/keys.h"
#include "platform/window.h"

namespace qm {

std::array<uint8_t, kScanCodes> KeyboardState{};
MouseStateRecord MouseState;

namespace {

using namespace platform;

struct KeyScan {
  int virtualKey;
  uint8_t scanCode;
};

// Virtual keys and their scan codes (the DirectInput numbering of a US keyboard).
constexpr KeyScan kKeyScans[] = {
    {kVkEscape, 1},
    {kVk0 + 1, 2},
    {kVk0 + 2, 3},
    {kVk0 + 3, 4},
    {kVk0 + 4, 5},
    {kVk0 + 5, 6},
    {kVk0 + 6, 7},
    {kVk0 + 7, 8},
    {kVk0 + 8, 9},
    {kVk0 + 9, 10},
    {kVk0, 11},
    {kVkOemMinus, 12},
    {kVkOemPlus, 13},
    {kVkBack, 14},
    {kVkTab, 15},
    {'Q', 16},
    {'W', 17},
    {'E', 18},
    {'R', 19},
    {'T', 20},
    {'Y', 21},
    {'U', 22},
    {'I', 23},
    {'O', 24},
    {'P', 25},
    {kVkOem4, 26},
    {kVkOem6, 27},
    {kVkReturn, 28},
    {kVkLControl, 29},
    {'A', 30},
    {'S', 31},
    {'D', 32},
    {'F', 33},
    {'G', 34},
    {'H', 35},
    {'J', 36},
    {'K', 37},
    {'L', 38},
    {kVkOem1, 39},
    {kVkOem7, 40},
    {kVkOem3, 41},
    {kVkLShift, 42},
    {kVkOem5, 43},
    {'Z', 44},
    {'X', 45},
    {'C', 46},
    {'V', 47},
    {'B', 48},
    {'N', 49},
    {'M', 50},
    {kVkOemComma, 51},
    {kVkOemPeriod, 52},
    {kVkOem2, 53},
    {kVkRShift, 54},
    {kVkMultiply, 55},
    {kVkLMenu, 56},
    {kVkSpace, 57},
    {kVkCapital, 58},
    {kVkF1, 59},
    {kVkF2, 60},
    {kVkF3, 61},
    {kVkF4, 62},
    {kVkF5, 63},
    {kVkF6, 64},
    {kVkF7, 65},
    {kVkF8, 66},
    {kVkF9, 67},
    {kVkF10, 68},
    {kVkNumLock, 69},
    {kVkScroll, 70},
    {kVkNumpad0 + 7, 71},
    {kVkNumpad0 + 8, 72},
    {kVkNumpad0 + 9, 73},
    {kVkSubtract, 74},
    {kVkNumpad0 + 4, 75},
    {kVkNumpad0 + 5, 76},
    {kVkNumpad0 + 6, 77},
    {kVkAdd, 78},
    {kVkNumpad0 + 1, 79},
    {kVkNumpad0 + 2, 80},
    {kVkNumpad0 + 3, 81},
    {kVkNumpad0, 82},
    {kVkDecimal, 83},
    {kVkF11, 87},
    {kVkF12, 88},
    {kVkRControl, 157},
    {kVkDivide, 181},
    {kVkSnapshot, 183},
    {kVkRMenu, 184},
    {kVkPause, 197},
    {kVkHome, 199},
    {kVkUp, 200},
    {kVkPrior, 201},
    {kVkLeft, 203},
    {kVkRight, 205},
    {kVkEnd, 207},
    {kVkDown, 208},
    {kVkNext, 209},
    {kVkInsert, 210},
    {kVkDelete, 211},
    {kVkLWin, 219},
    {kVkRWin, 220},
    {kVkApps, 221},
};

InputDeviceReader gReader = nullptr;

}  // namespace

uint8_t ScanCodeOfVirtualKey(int virtualKey) {
  for (const KeyScan& key : kKeyScans) {
    if (key.virtualKey == virtualKey) return key.scanCode;
  }
  return 0;
}

InputDeviceReading ReadPlatformInputDevices() {
  InputDeviceReading reading;
  for (const KeyScan& key : kKeyScans) {
    if (GetAsyncKeyState(key.virtualKey) < 0) reading.keys[key.scanCode] = 0x80;
  }
  if (GetAsyncKeyState(kVkLButton) < 0) reading.buttons |= 1;
  if (GetAsyncKeyState(kVkRButton) < 0) reading.buttons |= 2;
  if (GetAsyncKeyState(kVkMButton) < 0) reading.buttons |= 4;
  const MouseMotion motion = TakeMouseMotion();
  reading.dx = motion.dx;
  reading.dy = motion.dy;
  reading.dz = motion.wheelNotches;
  return reading;
}

void SetInputDeviceReader(InputDeviceReader reader) { gReader = reader; }

void ReadInputState(const InputReadContext& context) {
  const InputDeviceReading reading = gReader != nullptr ? gReader() : ReadPlatformInputDevices();
  KeyboardState = reading.keys;
  if (!context.readMouse) return;
  MouseState.moveX += reading.dx;
  MouseState.moveY += reading.dy;
  MouseState.moveZ += reading.dz;
  MouseState.z = std::clamp(MouseState.z + reading.dz, 0, 99);
  if (!context.mouseFromDevice) return;
  MouseState.x = std::clamp(MouseState.x + reading.dx, 0, std::max(0, context.displayWidth - 1));
  MouseState.y = std::clamp(MouseState.y + reading.dy, 0, std::max(0, context.displayHeight - 1));
  MouseState.buttons = reading.buttons;
}

void ResetMouseState(int32_t displayWidth, int32_t displayHeight) {
  MouseState.x = displayWidth / 2;
  MouseState.y = displayHeight / 2;
  MouseState.z = 50;
  MouseState.buttons = 0;
}

void ClearMouseMovement() {
  MouseState.moveX = 0;
  MouseState.moveY = 0;
}

}  // namespace qm
