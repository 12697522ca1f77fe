// The key and mouse queries (UPKEY() to ESCAPEKEY(), KEYSTATE(), SCANCODE(), MOUSEX() to
// MOUSEMOVEZ(), MOUSECLICK()), POSITION MOUSE and SUSPEND FOR MOUSE. The queries read the input
// state the run loop refreshes every pass; once a query has marked it stale, the next one reads
// the devices again first, so a tight loop without frames still sees the keys change.
#include <cstdint>

#include "io/input_state.h"
#include "io/io_commands.h"
#include "platform/window.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/frame_services.h"
#include "runtime/interpreter.h"

namespace qm {

uint8_t WaitButtonSeen = 0;

namespace {

// Keyboard scan codes of the keys the key queries name.
constexpr int kScanEscape = 0x01;
constexpr int kScanReturn = 0x1C;
constexpr int kScanLeftControl = 0x1D;
constexpr int kScanLeftShift = 0x2A;
constexpr int kScanRightShift = 0x36;
constexpr int kScanSpace = 0x39;
constexpr int kScanRightControl = 0x9D;
constexpr int kScanUp = 0xC8;
constexpr int kScanLeft = 0xCB;
constexpr int kScanRight = 0xCD;
constexpr int kScanDown = 0xD0;

void ReadDevicesWhenStale() {
  if (InputStaleFlag == 0) return;
  InputStaleFlag = 0;
  Services().system->ReadInputState();
}

int32_t Down(int scanCode) { return KeyboardState[static_cast<std::size_t>(scanCode)] != 0 ? 1 : 0; }

template <int kScan, int kOtherScan = kScan>
Pc CmdKey(Pc at) {
  Operands in(at);
  ReadDevicesWhenStale();
  in.Int() = (Down(kScan) | Down(kOtherScan));
  return in.Next();
}

// KEYSTATE(scan code): 1 while the key is down; 0 for codes outside 0-255.
Pc CmdKeystate(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t code = in.Int();
  ReadDevicesWhenStale();
  result = code >= 0 && code < kScanCodes ? Down(code) : 0;
  return in.Next();
}

// SCANCODE(): the lowest scan code of a key that is down, 0 for none; the next query reads the
// devices again.
Pc CmdScancode(Pc at) {
  Operands in(at);
  ReadDevicesWhenStale();
  int32_t code = 0;
  for (int i = 0; i < kScanCodes; ++i) {
    if (KeyboardState[static_cast<std::size_t>(i)] != 0) {
      code = i;
      break;
    }
  }
  in.Int() = code;
  InputStaleFlag = 1;
  return in.Next();
}

template <int32_t MouseStateRecord::*kField>
Pc CmdMouseValue(Pc at) {
  Operands in(at);
  ReadDevicesWhenStale();
  in.Int() = MouseState.*kField;
  return in.Next();
}

// MOUSECLICK(): the buttons held, bit 0 left, bit 1 right, bits 2 and 3 the others.
Pc CmdMouseclick(Pc at) {
  Operands in(at);
  ReadDevicesWhenStale();
  in.Int() = static_cast<int16_t>(MouseState.buttons);
  return in.Next();
}

// POSITION MOUSE x, y: the position the queries read; a program in a window also moves the
// system pointer there (the window's client area shows the picture from its corner, so the
// picture pixel is the place: no frame or caption to step over).
Pc CmdPositionMouse(Pc at) {
  Operands in(at);
  MouseState.x = in.Int();
  MouseState.y = in.Int();
  if (Services().display->WindowModeOn()) platform::MoveSystemPointer(MouseState.x, MouseState.y);
  StopFlag = RefreshAfterDrawing;
  return in.Next();
}

// SUSPEND FOR MOUSE: first a slice with a button down, then one with none; the program then goes
// on in the same slice.
Pc CmdSuspendForMouse(Pc at) {
  const bool pressed = MouseState.buttons != 0;
  if (WaitButtonSeen == 1 && !pressed) {
    WaitButtonSeen = 0;
    return at + 1;
  }
  if (WaitButtonSeen == 0 && pressed) WaitButtonSeen = 1;
  StopFlag = 1;
  return at;
}

constexpr CommandRegistration kInputQueryCommands[] = {
    {kCmdUpkey, "upkey[", "L", CmdKey<kScanUp>},
    {kCmdDownkey, "downkey[", "L", CmdKey<kScanDown>},
    {kCmdLeftkey, "leftkey[", "L", CmdKey<kScanLeft>},
    {kCmdRightkey, "rightkey[", "L", CmdKey<kScanRight>},
    {kCmdControlkey, "controlkey[", "L", CmdKey<kScanLeftControl, kScanRightControl>},
    {kCmdShiftkey, "shiftkey[", "L", CmdKey<kScanLeftShift, kScanRightShift>},
    {kCmdReturnkey, "returnkey[", "L", CmdKey<kScanReturn>},
    {kCmdSpacekey, "spacekey[", "L", CmdKey<kScanSpace>},
    {kCmdEscapekey, "escapekey[", "L", CmdKey<kScanEscape>},
    {kCmdKeystate, "keystate[", "LL", CmdKeystate},
    {kCmdScancode, "scancode[", "L", CmdScancode},
    {kCmdMousex, "mousex[", "L", CmdMouseValue<&MouseStateRecord::x>},
    {kCmdMousey, "mousey[", "L", CmdMouseValue<&MouseStateRecord::y>},
    {kCmdMousez, "mousez[", "L", CmdMouseValue<&MouseStateRecord::z>},
    {kCmdMousemovex, "mousemovex[", "L", CmdMouseValue<&MouseStateRecord::moveX>},
    {kCmdMousemovey, "mousemovey[", "L", CmdMouseValue<&MouseStateRecord::moveY>},
    {kCmdMousemovez, "mousemovez[", "L", CmdMouseValue<&MouseStateRecord::moveZ>},
    {kCmdMouseclick, "mouseclick[", "L", CmdMouseclick},
    {kCmdPositionMouse, "position mouse", "LL", CmdPositionMouse},
    {kCmdSuspendForMouse, "suspend for mouse", "0", CmdSuspendForMouse},
};

}  // namespace

constinit const CommandFamily kInputQueryFamily{kInputQueryCommands, {}};

}  // namespace qm
