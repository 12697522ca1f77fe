// The main window and its message queue: the seam that replaces the Win32 window, message loop
// and asynchronous key state. Backends (sdl2, headless) turn their events into these messages.
#pragma once
#include <cstdint>
#include <string>

namespace qm::platform {

// Message numbers, as the window procedures of the system expect them.
enum MessageId : uint32_t {
  kMsgNull = 0x0000,
  kMsgDestroy = 0x0002,
  kMsgMove = 0x0003,
  kMsgSize = 0x0005,
  kMsgActivate = 0x0006,
  kMsgPaint = 0x000F,
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,
  kMsgActivateApp = 0x001C,
  kMsgKeyDown = 0x0100,
  kMsgKeyUp = 0x0101,
  kMsgChar = 0x0102,
  kMsgSysKeyDown = 0x0104,
  kMsgSysKeyUp = 0x0105,
  kMsgMouseMove = 0x0200,
  kMsgLButtonDown = 0x0201,
  kMsgLButtonUp = 0x0202,
  kMsgRButtonDown = 0x0204,
  kMsgRButtonUp = 0x0205,
  kMsgMButtonDown = 0x0207,
  kMsgMButtonUp = 0x0208,
  kMsgMouseWheel = 0x020A,
};

// What each message carries:
//   kMsgKeyDown/Up, kMsgSysKeyDown/Up  wParam = virtual key (platform/keys.h)
//   kMsgChar       wParam = the character, an 8-bit code (CP1252): 8 Backspace, 9 Tab, 13 Enter, 27 Esc
//   kMsgActivate   wParam = kActivateInactive or kActivateActive
//   kMsgMove       lParam = client-area position (PackPoint; signed)
//   kMsgSize       lParam = client-area width and height (PackPoint)
//   mouse messages lParam = client position (PackPoint), wParam = buttons held (kMouseButton...)
//   kMsgMouseWheel wParam = buttons held | wheel delta << 16 (signed, 120 per notch, up positive)
//   kMsgQuit       wParam = the exit code given to PostQuitMessage
struct Message {
  uint32_t id = kMsgNull;
  uint64_t wParam = 0;  // virtual key, character code, activation state, buttons
  int64_t lParam = 0;   // mouse position (x low 16 bits, y high 16 bits), sizes
  uint32_t timeMs = 0;
  // Key-down only: the character the key typed (8-bit code), which TranslateMessage turns into a
  // kMsgChar; 0 when the key typed none or the backend left it to the virtual key.
  uint8_t character = 0;
};

constexpr uint64_t kActivateInactive = 0;
constexpr uint64_t kActivateActive = 1;

constexpr uint64_t kMouseButtonLeft = 0x0001;
constexpr uint64_t kMouseButtonRight = 0x0002;
constexpr uint64_t kMouseButtonMiddle = 0x0010;
constexpr int kWheelDeltaPerNotch = 120;

// Two signed 16-bit coordinates in one lParam: x in the low word, y in the high word.
constexpr int64_t PackPoint(int x, int y) {
  return static_cast<int64_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                              static_cast<uint16_t>(x));
}
constexpr int PointX(int64_t lParam) { return static_cast<int16_t>(static_cast<uint16_t>(lParam & 0xFFFF)); }
constexpr int PointY(int64_t lParam) {
  return static_cast<int16_t>(static_cast<uint16_t>((lParam >> 16) & 0xFFFF));
}
// The signed wheel delta of a kMsgMouseWheel.
constexpr int WheelDelta(uint64_t wParam) {
  return static_cast<int16_t>(static_cast<uint16_t>((wParam >> 16) & 0xFFFF));
}

// A window procedure: receives every dispatched message of the main window.
using WindowProc = int64_t (*)(const Message& message);

}  // namespace qm::platform
