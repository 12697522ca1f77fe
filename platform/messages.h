// The main window and its message queue: the seam that replaces the Win32 window, message loop
// and asynchronous key state. Backends (sdl2, headless) turn their events into these messages.
#pragma once
#include <cstdint>
#include <string>

namespace qm::platform {

// Message numbers, as the window procedures of the system expect them.
enum MessageId : uint32_t {
  kMsgNull = 0x0000,
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

struct Message {
  uint32_t id = kMsgNull;
  uint64_t wParam = 0;  // virtual key, character code, activation state, buttons
  int64_t lParam = 0;   // mouse position (x low 16 bits, y high 16 bits), sizes
  uint32_t timeMs = 0;
};

// A window procedure: receives every dispatched message of the main window.
using WindowProc = int64_t (*)(const Message& message);

}  // namespace qm::platform
