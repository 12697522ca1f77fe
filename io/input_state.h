// Keyboard and mouse state as the key and mouse queries read it: one byte per keyboard scan code
// (the DirectInput numbering programs use with SCANCODE and KEYSTATE) and the pointer state that
// accumulates the mouse's motion. ReadInputState refreshes both from the devices.
#pragma once
#include <array>
#include <cstdint>

namespace qm {

inline constexpr int kScanCodes = 256;

struct MouseStateRecord {
  int32_t x = 320, y = 240;                 // display pixels, kept inside the display
  int32_t z = 50;                           // wheel position, 0-99
  int32_t moveX = 0, moveY = 0, moveZ = 0;  // motion summed since the last frame
  uint16_t buttons = 0;                     // bit 0 left, 1 right, 2 and 3 the third and fourth buttons
};

extern std::array<uint8_t, kScanCodes> KeyboardState;
extern MouseStateRecord MouseState;

// One reading of the devices: which scan codes are down and what the mouse did since the last
// reading.
struct InputDeviceReading {
  std::array<uint8_t, kScanCodes> keys{};
  int32_t dx = 0, dy = 0, dz = 0;  // dz in wheel notches
  uint16_t buttons = 0;
};

// What ReadInputState needs to know of its surroundings.
struct InputReadContext {
  bool readMouse = true;        // false while the editor or the dialog screen owns the input
  bool mouseFromDevice = true;  // the pointer is shown, or the program is not in a window
  int32_t displayWidth = 640;
  int32_t displayHeight = 480;
};

// Reads the devices: the default reader takes the keys from the platform's key state, the
// buttons from the mouse keys and the motion from the platform's mouse motion (the mouse-move and
// wheel messages of whichever window backend is in use). Tests may put a reader of their own.
using InputDeviceReader = InputDeviceReading (*)();
void SetInputDeviceReader(InputDeviceReader reader);  // nullptr restores the default
InputDeviceReading ReadPlatformInputDevices();

// The scan code of a virtual key, 0 for a key without one.
uint8_t ScanCodeOfVirtualKey(int virtualKey);

// Updates KeyboardState and (when the context says so) MouseState from one reading.
void ReadInputState(const InputReadContext& context);

// The run-start mouse state: at the centre of the run's display (320, 240 at 640 x 480), wheel 50,
// no buttons.
void ResetMouseState(int32_t displayWidth = 640, int32_t displayHeight = 480);
// End of a frame: the x and y motion are cleared (the wheel motion is kept).
void ClearMouseMovement();

}  // namespace qm
