// The message queue, the asynchronous key state and the calls that route the main window's
// operations to the backend in use.
#include "platform/window.h"

#include <array>
#include <deque>
#include <mutex>

#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/window_system.h"

namespace qm::platform {
namespace {

struct QueueState {
  std::mutex mutex;
  std::deque<Message> messages;
  bool quitRequested = false;
  int quitExitCode = 0;
};

// Held keys and keys pressed since their last query, by virtual key.
struct KeyState {
  std::array<bool, kVirtualKeyCount> held{};
  std::array<bool, kVirtualKeyCount> pressedSinceQuery{};
};

// The mouse's motion not yet taken, guarded by the queue's mutex.
struct MotionState {
  bool hasPosition = false;  // no position seen yet: the first one only sets where motion starts
  int lastX = 0, lastY = 0;
  int dx = 0, dy = 0;
  int wheelDelta = 0;  // kWheelDeltaPerNotch per notch
};

QueueState gQueue;
KeyState gKeys;
MotionState gMotion;
WindowSystem* gSystem = nullptr;
WindowProc gWindowProc = nullptr;

bool IsValidKey(int virtualKey) { return virtualKey > 0 && virtualKey < kVirtualKeyCount; }

void MarkKey(int virtualKey, bool held) {
  if (!IsValidKey(virtualKey)) return;
  if (held && !gKeys.held[virtualKey]) gKeys.pressedSinceQuery[virtualKey] = true;
  gKeys.held[virtualKey] = held;
}

// A generic modifier (shift, control, alt) stays held while either of its sides is held.
void MarkGenericModifierFromSides(int genericKey) {
  int left = 0;
  if (genericKey == kVkShift)
    left = kVkLShift;
  else if (genericKey == kVkControl)
    left = kVkLControl;
  else if (genericKey == kVkMenu)
    left = kVkLMenu;
  if (!left) return;
  gKeys.held[genericKey] = gKeys.held[left] || gKeys.held[left + 1];
}

bool IsKeyMessage(uint32_t id) {
  return id == kMsgKeyDown || id == kMsgKeyUp || id == kMsgSysKeyDown || id == kMsgSysKeyUp;
}

void UpdateKeysFromMessage(const Message& message, int sideKey) {
  if (IsKeyMessage(message.id)) {
    bool down = message.id == kMsgKeyDown || message.id == kMsgSysKeyDown;
    MarkKey(static_cast<int>(message.wParam), down);
    if (sideKey) {
      MarkKey(sideKey, down);
      MarkGenericModifierFromSides(static_cast<int>(message.wParam));
    }
    return;
  }
  switch (message.id) {
    case kMsgLButtonDown:
      MarkKey(kVkLButton, true);
      break;
    case kMsgLButtonUp:
      MarkKey(kVkLButton, false);
      break;
    case kMsgRButtonDown:
      MarkKey(kVkRButton, true);
      break;
    case kMsgRButtonUp:
      MarkKey(kVkRButton, false);
      break;
    case kMsgMButtonDown:
      MarkKey(kVkMButton, true);
      break;
    case kMsgMButtonUp:
      MarkKey(kVkMButton, false);
      break;
    default:
      break;
  }
}

bool CarriesMousePosition(uint32_t id) {
  return id == kMsgMouseMove || id == kMsgLButtonDown || id == kMsgLButtonUp || id == kMsgRButtonDown ||
         id == kMsgRButtonUp || id == kMsgMButtonDown || id == kMsgMButtonUp;
}

// Adds what a mouse message tells of the motion (the queue's mutex held).
void UpdateMotionFromMessage(const Message& message) {
  if (message.id == kMsgMouseWheel) {
    gMotion.wheelDelta += WheelDelta(message.wParam);
    return;
  }
  if (!CarriesMousePosition(message.id)) return;
  const int x = PointX(message.lParam);
  const int y = PointY(message.lParam);
  if (gMotion.hasPosition) {
    gMotion.dx += x - gMotion.lastX;
    gMotion.dy += y - gMotion.lastY;
  }
  gMotion.hasPosition = true;
  gMotion.lastX = x;
  gMotion.lastY = y;
}

// The character a key-down types when the backend attached none: the control keys' codes.
uint8_t ControlCharacterForKey(uint64_t virtualKey) {
  switch (virtualKey) {
    case kVkBack:
      return 8;
    case kVkTab:
      return 9;
    case kVkReturn:
      return 13;
    case kVkEscape:
      return 27;
    default:
      return 0;
  }
}

}  // namespace

WindowSystem& ActiveWindowSystem() { return gSystem ? *gSystem : HeadlessWindowSystem(); }

// ---- Backend in use --------------------------------------------------------------------------

WindowSystem* ChosenWindowSystem() { return gSystem; }
void SetChosenWindowSystem(WindowSystem* system) { gSystem = system; }

WindowBackend CurrentWindowBackend() { return ActiveWindowSystem().Kind(); }

void ShutDownPlatformWindowing() {
  if (!gSystem) return;
  DestroyMainWindow();
  gSystem->Close();
  gSystem = nullptr;
}

// ---- The main window ------------------------------------------------------------------------

bool CreateMainWindow(const std::string& title, int width, int height, WindowProc proc) {
  WindowSystem& system = ActiveWindowSystem();
  if (system.WindowExists()) return false;
  if (!system.CreateWindow(title, width, height)) return false;
  gWindowProc = proc;
  return true;
}

void DestroyMainWindow() {
  WindowSystem& system = ActiveWindowSystem();
  if (!system.WindowExists()) return;
  Message destroy;
  destroy.id = kMsgDestroy;
  destroy.timeMs = TimeMs();
  DispatchMessage(destroy);
  system.DestroyWindow();
  gWindowProc = nullptr;
}

bool MainWindowExists() { return ActiveWindowSystem().WindowExists(); }
void SetMainWindowTitle(const std::string& title) { ActiveWindowSystem().SetTitle(title); }
void RestoreMainWindow() { ActiveWindowSystem().Restore(); }
void SetMainWindowPlacement(int x, int y, int width, int height) {
  ActiveWindowSystem().SetPlacement(x, y, width, height);
}
int ScreenWidth() { return ActiveWindowSystem().ScreenWidth(); }
int ScreenHeight() { return ActiveWindowSystem().ScreenHeight(); }
void ShowSystemCursor(bool show) { ActiveWindowSystem().ShowCursor(show); }

void MoveSystemPointer(int x, int y) {
  ActiveWindowSystem().PumpEvents();  // motion before the move still counts
  ActiveWindowSystem().MovePointer(x, y);
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  gMotion.hasPosition = true;  // motion from here on starts at the new place
  gMotion.lastX = x;
  gMotion.lastY = y;
}

// ---- The message queue ----------------------------------------------------------------------

bool PeekMessage(Message& out, bool remove) {
  ActiveWindowSystem().PumpEvents();
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  if (!gQueue.messages.empty()) {
    out = gQueue.messages.front();
    if (remove) gQueue.messages.pop_front();
    return true;
  }
  if (!gQueue.quitRequested) return false;
  out = Message{};
  out.id = kMsgQuit;
  out.wParam = static_cast<uint64_t>(static_cast<int64_t>(gQueue.quitExitCode));
  out.timeMs = TimeMs();
  if (remove) gQueue.quitRequested = false;
  return true;
}

bool PostMessage(const Message& message) {
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  if (gQueue.messages.size() >= static_cast<std::size_t>(kMessageQueueLimit)) return false;
  gQueue.messages.push_back(message);
  return true;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  gQueue.quitRequested = true;
  gQueue.quitExitCode = exitCode;
}

void TranslateMessage(const Message& message) {
  if (message.id != kMsgKeyDown) return;
  uint8_t character = message.character ? message.character : ControlCharacterForKey(message.wParam);
  if (!character) return;
  Message typed;
  typed.id = kMsgChar;
  typed.wParam = character;
  typed.lParam = message.lParam;
  typed.timeMs = message.timeMs;
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  gQueue.messages.push_front(typed);
}

int64_t DispatchMessage(const Message& message) {
  if (gWindowProc) return gWindowProc(message);
  return DefaultWindowProc(message);
}

int64_t DefaultWindowProc(const Message& message) {
  if (message.id == kMsgClose) PostQuitMessage(0);
  return 0;
}

void DeliverInputMessage(const Message& message, int sideKey) {
  UpdateKeysFromMessage(message, sideKey);
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  UpdateMotionFromMessage(message);
  if (message.id == kMsgMouseMove && !gQueue.messages.empty() && gQueue.messages.back().id == kMsgMouseMove) {
    gQueue.messages.back() = message;
    return;
  }
  if (gQueue.messages.size() >= static_cast<std::size_t>(kMessageQueueLimit)) return;
  gQueue.messages.push_back(message);
}

void ResetMessageQueueAndKeys() {
  {
    std::lock_guard<std::mutex> lock(gQueue.mutex);
    gQueue.messages.clear();
    gQueue.quitRequested = false;
    gQueue.quitExitCode = 0;
    gMotion = MotionState{};
  }
  gKeys = KeyState{};
}

MouseMotion TakeMouseMotion() {
  ActiveWindowSystem().PumpEvents();
  std::lock_guard<std::mutex> lock(gQueue.mutex);
  MouseMotion motion;
  motion.dx = gMotion.dx;
  motion.dy = gMotion.dy;
  motion.wheelNotches = gMotion.wheelDelta / kWheelDeltaPerNotch;
  gMotion.dx = 0;
  gMotion.dy = 0;
  gMotion.wheelDelta -= motion.wheelNotches * kWheelDeltaPerNotch;
  return motion;
}

// ---- Asynchronous key state -----------------------------------------------------------------

void SetAsyncKeyHeld(int virtualKey, bool held) { MarkKey(virtualKey, held); }

int16_t GetAsyncKeyState(int virtualKey) {
  if (!IsValidKey(virtualKey)) return 0;
  ActiveWindowSystem().BeforeKeyQuery(virtualKey);
  uint16_t state = gKeys.held[virtualKey] ? 0x8000u : 0u;
  if (gKeys.pressedSinceQuery[virtualKey]) state |= 1u;
  gKeys.pressedSinceQuery[virtualKey] = false;
  return static_cast<int16_t>(state);
}

}  // namespace qm::platform
