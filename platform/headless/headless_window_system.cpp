// The headless backend: a window that exists only in memory, input that tests script, a clipboard
// in memory and message boxes on stderr. Deterministic: nothing arrives that was not scripted.
#include <cstdio>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/display/display_backend.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "platform/window_system.h"

namespace qm::platform {
namespace {

constexpr int kHeadlessScreenWidth = 640;
constexpr int kHeadlessScreenHeight = 480;

struct ScriptedEvent {
  Message message;
  int sideKey = 0;
};

// A key held by script: for a number of queries, or until a clock time.
struct KeyHold {
  int queriesLeft = -1;  // -1: not counted
  bool untilTime = false;
  uint32_t untilMs = 0;
};

class HeadlessSystem : public WindowSystem {
 public:
  WindowBackend Kind() const override { return WindowBackend::Headless; }
  bool Open() override { return true; }
  void Close() override {}

  bool CreateWindow(const std::string& title, int width, int height) override {
    if (failNextCreate_) {
      failNextCreate_ = false;
      return false;
    }
    window_ = headless::WindowRecord{};
    window_.exists = true;
    window_.title = title;
    window_.width = width;
    window_.height = height;
    return true;
  }
  void DestroyWindow() override { window_.exists = false; }
  bool WindowExists() const override { return window_.exists; }
  void SetTitle(const std::string& title) override { window_.title = title; }
  void Restore() override { ++window_.restoreCount; }
  void SetPlacement(int x, int y, int width, int height) override {
    window_.x = x;
    window_.y = y;
    window_.width = width;
    window_.height = height;
  }
  int ScreenWidth() override { return kHeadlessScreenWidth; }
  int ScreenHeight() override { return kHeadlessScreenHeight; }
  void ShowCursor(bool show) override { window_.cursorShown = show; }
  void MovePointer(int x, int y) override {
    window_.pointerX = x;
    window_.pointerY = y;
  }

  void PumpEvents() override {
    if (script_.empty()) return;
    std::vector<ScriptedEvent> arrived;
    arrived.swap(script_);
    for (ScriptedEvent& event : arrived) {
      event.message.timeMs = TimeMs();
      DeliverInputMessage(event.message, event.sideKey);
    }
  }

  void BeforeKeyQuery(int virtualKey) override {
    PumpEvents();
    auto found = holds_.find(virtualKey);
    if (found == holds_.end()) return;
    KeyHold& hold = found->second;
    bool held = hold.untilTime ? static_cast<int32_t>(TimeMs() - hold.untilMs) < 0 : hold.queriesLeft > 0;
    if (!hold.untilTime && hold.queriesLeft > 0) --hold.queriesLeft;
    SetAsyncKeyHeld(virtualKey, held);
    if (!held) holds_.erase(found);
  }

  bool SetClipboardText(const std::string& text) override {
    if (!clipboardUsable_) return false;
    clipboard_ = text;
    clipboardHasText_ = true;
    return true;
  }
  bool GetClipboardText(std::string& text) override {
    if (!clipboardUsable_ || !clipboardHasText_) return false;
    text = clipboard_;
    return true;
  }
  void ShowMessageBox(const std::string& title, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    messageBoxes_.push_back({title, text});
  }

  DisplayBackend& Display() override { return HeadlessDisplayBackend(); }

  // ---- Script ----
  void Add(const Message& message, int sideKey = 0) { script_.push_back({message, sideKey}); }
  void Hold(int virtualKey, const KeyHold& hold) {
    holds_[virtualKey] = hold;
    SetAsyncKeyHeld(virtualKey, true);
  }
  void Release(int virtualKey) {
    holds_.erase(virtualKey);
    SetAsyncKeyHeld(virtualKey, false);
  }
  void Reset() { *this = HeadlessSystem{}; }

  headless::WindowRecord window_;
  bool failNextCreate_ = false;
  bool clipboardUsable_ = true;
  bool clipboardHasText_ = false;
  std::string clipboard_;
  std::vector<headless::ShownMessageBox> messageBoxes_;
  std::vector<ScriptedEvent> script_;
  std::map<int, KeyHold> holds_;
  bool shiftDown_ = false;
};

HeadlessSystem gHeadless;

Message MakeMessage(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0) {
  Message message;
  message.id = id;
  message.wParam = wParam;
  message.lParam = lParam;
  return message;
}

bool IsLetterKey(int virtualKey) { return virtualKey >= kVkA && virtualKey <= kVkZ; }
bool IsDigitKey(int virtualKey) { return virtualKey >= kVk0 && virtualKey <= kVk9; }

// What a key types by itself on a plain layout.
uint8_t CharacterOfKey(int virtualKey, bool shift) {
  if (IsLetterKey(virtualKey)) return static_cast<uint8_t>(shift ? virtualKey : virtualKey + 32);
  if (IsDigitKey(virtualKey) || virtualKey == kVkSpace) return static_cast<uint8_t>(virtualKey);
  return 0;
}

// The key that types a character, with the character the key-down carries (key 0: none).
struct KeyForCharacter {
  int virtualKey;
  uint8_t character;
};

KeyForCharacter KeyTyping(uint8_t c) {
  if (c >= 'a' && c <= 'z') return {c - 32, c};
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return {c, c};
  switch (c) {
    case '\b':
      return {kVkBack, 0};
    case '\t':
      return {kVkTab, 0};
    case '\r':
    case '\n':
      return {kVkReturn, 0};
    case 0x1B:
      return {kVkEscape, 0};
    default:
      return {0, c};
  }
}

}  // namespace

WindowSystem& HeadlessWindowSystem() { return gHeadless; }

namespace headless {
namespace {

uint64_t gScriptedButtons = 0;

uint64_t ButtonMask(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return kMouseButtonLeft;
    case MouseButton::Right:
      return kMouseButtonRight;
    default:
      return kMouseButtonMiddle;
  }
}

uint32_t ButtonMessage(MouseButton button, bool down) {
  switch (button) {
    case MouseButton::Left:
      return down ? kMsgLButtonDown : kMsgLButtonUp;
    case MouseButton::Right:
      return down ? kMsgRButtonDown : kMsgRButtonUp;
    default:
      return down ? kMsgMButtonDown : kMsgMButtonUp;
  }
}

int LeftSideOf(int virtualKey) {
  if (virtualKey == kVkShift) return kVkLShift;
  if (virtualKey == kVkControl) return kVkLControl;
  if (virtualKey == kVkMenu) return kVkLMenu;
  return 0;
}

}  // namespace

void ResetHeadlessPlatform() {
  DestroyMainWindow();
  ShutDownPlatformWindowing();
  gHeadless.Reset();
  gScriptedButtons = 0;
  ResetMessageQueueAndKeys();
}

void ScriptKeyDown(int virtualKey, uint8_t character) {
  Message message = MakeMessage(kMsgKeyDown, static_cast<uint64_t>(virtualKey));
  message.character = character;
  if (virtualKey == kVkShift) gHeadless.shiftDown_ = true;
  gHeadless.Add(message, LeftSideOf(virtualKey));
}

void ScriptKeyUp(int virtualKey) {
  if (virtualKey == kVkShift) gHeadless.shiftDown_ = false;
  gHeadless.Add(MakeMessage(kMsgKeyUp, static_cast<uint64_t>(virtualKey)), LeftSideOf(virtualKey));
}

void ScriptKeyPress(int virtualKey) {
  ScriptKeyDown(virtualKey, CharacterOfKey(virtualKey, gHeadless.shiftDown_));
  ScriptKeyUp(virtualKey);
}

void ScriptTypeText(std::string_view text) {
  for (char c : text) {
    KeyForCharacter key = KeyTyping(static_cast<uint8_t>(c));
    if (key.virtualKey == 0) {
      gHeadless.Add(MakeMessage(kMsgChar, key.character));
      continue;
    }
    ScriptKeyDown(key.virtualKey, key.character);
    ScriptKeyUp(key.virtualKey);
  }
}

void ScriptMouseMove(int x, int y) {
  gHeadless.Add(MakeMessage(kMsgMouseMove, gScriptedButtons, PackPoint(x, y)));
}

void ScriptMouseButton(MouseButton button, bool down, int x, int y) {
  if (down)
    gScriptedButtons |= ButtonMask(button);
  else
    gScriptedButtons &= ~ButtonMask(button);
  gHeadless.Add(MakeMessage(ButtonMessage(button, down), gScriptedButtons, PackPoint(x, y)));
}

void ScriptMouseWheel(int notches) {
  uint64_t delta = static_cast<uint16_t>(static_cast<int16_t>(notches * kWheelDeltaPerNotch));
  gHeadless.Add(MakeMessage(kMsgMouseWheel, gScriptedButtons | (delta << 16)));
}

void ScriptActivation(bool active) {
  gHeadless.Add(MakeMessage(kMsgActivate, active ? kActivateActive : kActivateInactive));
}

void ScriptWindowMove(int x, int y) {
  gHeadless.window_.x = x;
  gHeadless.window_.y = y;
  gHeadless.Add(MakeMessage(kMsgMove, 0, PackPoint(x, y)));
}

void ScriptWindowResize(int width, int height) {
  gHeadless.window_.width = width;
  gHeadless.window_.height = height;
  gHeadless.Add(MakeMessage(kMsgSize, 0, PackPoint(width, height)));
}

void ScriptPaint() { gHeadless.Add(MakeMessage(kMsgPaint)); }
void ScriptCloseRequest() { gHeadless.Add(MakeMessage(kMsgClose)); }

void SetKeyHeld(int virtualKey, bool held) {
  gHeadless.Release(virtualKey);
  if (held) SetAsyncKeyHeld(virtualKey, true);
}

void HoldKeyForQueries(int virtualKey, int count) {
  if (count <= 0) return gHeadless.Release(virtualKey);
  KeyHold hold;
  hold.queriesLeft = count;
  gHeadless.Hold(virtualKey, hold);
}

void HoldKeyUntil(int virtualKey, uint32_t untilMs) {
  KeyHold hold;
  hold.untilTime = true;
  hold.untilMs = untilMs;
  gHeadless.Hold(virtualKey, hold);
}

WindowRecord Window() { return gHeadless.window_; }
void FailNextWindowCreate() { gHeadless.failNextCreate_ = true; }
void SetClipboardUsable(bool usable) { gHeadless.clipboardUsable_ = usable; }
const std::vector<ShownMessageBox>& ShownMessageBoxes() { return gHeadless.messageBoxes_; }

}  // namespace headless
}  // namespace qm::platform
