// The sdl2 backend: a real window on the desktop, through SDL2 loaded at run time (every SDL call
// goes through the table of sdl_library.h). SDL events become the main window's messages: keys
// with their virtual keys (the text they type riding on the key-down, converted to CP1252), mouse
// motion, buttons and wheel in client coordinates, focus as activation, moves, sizes, exposure as
// paint, and the close button as a close request.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/display/display_backend.h"
#include "platform/keys.h"
#include "platform/sdl2/sdl2_window.h"
#include "platform/sdl2/sdl_key_map.h"
#include "platform/sdl2/sdl_library.h"
#include "platform/text_encoding.h"
#include "platform/window_system.h"

namespace qm::platform {
namespace {

// Key-state reads pull events at most this often: SDL's event pump asks the display server, and
// programs read keys in tight loops.
constexpr auto kKeyQueryPumpInterval = std::chrono::milliseconds(1);

Message MakeMessage(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0) {
  Message message;
  message.id = id;
  message.wParam = wParam;
  message.lParam = lParam;
  message.timeMs = TimeMs();
  return message;
}

uint64_t ButtonsOf(uint32_t sdlButtons) {
  uint64_t buttons = 0;
  if (sdlButtons & SDL_BUTTON_LMASK) buttons |= kMouseButtonLeft;
  if (sdlButtons & SDL_BUTTON_RMASK) buttons |= kMouseButtonRight;
  if (sdlButtons & SDL_BUTTON_MMASK) buttons |= kMouseButtonMiddle;
  return buttons;
}

bool IsControlCharacterKey(uint64_t virtualKey) {
  return virtualKey == kVkBack || virtualKey == kVkTab || virtualKey == kVkReturn || virtualKey == kVkEscape;
}

// Alt combinations and F10 are system keys, as the system's window procedures expect them.
bool IsSystemKey(const SDL_KeyboardEvent& key, int virtualKey) {
  bool alt = (key.keysym.mod & KMOD_ALT) != 0;
  bool control = (key.keysym.mod & KMOD_CTRL) != 0;
  return (alt && !control) || virtualKey == kVkF10 || virtualKey == kVkMenu;
}

// Mouse positions as pixels of the presented picture, which may be scaled in the window.
int64_t PicturePoint(int x, int y) {
  MapSdl2WindowPointToPicture(x, y);
  return PackPoint(x, y);
}

// A display the environment names: an X server, a Wayland compositor, or a video driver chosen
// for SDL by hand.
bool DisplayNamed() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return true;
  }
  return false;
}

// SDL falls back to drivers that draw nowhere when no display opens; those count as a window only
// when SDL_VIDEODRIVER chose them by hand.
bool VideoDriverShowsWindows() {
  const char* driver = Sdl().GetCurrentVideoDriver();
  if (!driver) return false;
  const std::string name = driver;
  if (name != "offscreen" && name != "dummy") return true;
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  return chosen && name == chosen;
}

// A display was named but no window can be had: one line says why, and the system runs headless.
bool NoWindow(const std::string& reason) {
  std::fprintf(stderr, "Quillmoor: no window, running headless: %s\n", reason.c_str());
  return false;
}

class Sdl2System : public WindowSystem {
 public:
  WindowBackend Kind() const override { return WindowBackend::Sdl2; }

  // Loads SDL2 and connects to the display. Without a display named in the environment there is
  // nothing to connect to, and SDL2 is not even loaded.
  bool Open() override {
    if (open_) return true;
    if (videoUp_) {
      open_ = true;
      return true;
    }
    if (!DisplayNamed()) return false;
    std::string error;
    if (!LoadSdl(error)) return NoWindow(error);
    Sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C in a terminal ends the process as usual
    if (Sdl().InitSubSystem(SDL_INIT_VIDEO) != 0) return NoWindow(Sdl().GetError());
    if (!VideoDriverShowsWindows()) {
      Sdl().QuitSubSystem(SDL_INIT_VIDEO);
      return NoWindow("the display could not be opened");
    }
    videoUp_ = true;
    open_ = true;
    return true;
  }

  // The video connection stays up for the rest of the process once made: quitting it would make
  // SDL2 unload the X libraries it opened, and what they keep could then no longer be told apart
  // from our own memory by the leak checker. A later Open reuses it.
  void Close() override {
    if (!open_) return;
    DestroyWindow();
    open_ = false;
  }

  bool CreateWindow(const std::string& title, int width, int height) override {
    if (!open_ || window_) return false;
    window_ = Sdl().CreateWindow(Cp1252ToUtf8(title).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 width, height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!window_) return false;
    Sdl().StartTextInput();
    return true;
  }

  void DestroyWindow() override {
    if (!window_) return;
    Sdl().StopTextInput();
    ReleaseSdl2Presenter();
    Sdl().DestroyWindow(window_);
    window_ = nullptr;
  }

  bool WindowExists() const override { return window_ != nullptr; }
  SDL_Window* Window() const { return window_; }

  void SetTitle(const std::string& title) override {
    if (window_) Sdl().SetWindowTitle(window_, Cp1252ToUtf8(title).c_str());
  }

  void Restore() override {
    if (!window_) return;
    Sdl().ShowWindow(window_);
    Sdl().RestoreWindow(window_);
    Sdl().RaiseWindow(window_);
  }

  void SetPlacement(int x, int y, int width, int height) override {
    if (!window_) return;
    Sdl().SetWindowPosition(window_, x, y);
    Sdl().SetWindowSize(window_, width, height);
  }

  int ScreenWidth() override { return DesktopMode().w; }
  int ScreenHeight() override { return DesktopMode().h; }
  void ShowCursor(bool show) override { Sdl().ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }
  void MovePointer(int x, int y) override {
    if (!window_) return;
    MapPictureToSdl2WindowPoint(x, y);
    Sdl().WarpMouseInWindow(window_, x, y);
  }

  void PumpEvents() override {
    if (!open_) return;
    lastPump_ = std::chrono::steady_clock::now();
    SDL_Event event;
    while (Sdl().PollEvent(&event)) Translate(event);
    FlushPendingKeyDown();
  }

  void BeforeKeyQuery(int) override {
    if (std::chrono::steady_clock::now() - lastPump_ >= kKeyQueryPumpInterval) PumpEvents();
  }

  bool SetClipboardText(const std::string& text) override {
    return open_ && Sdl().SetClipboardText(Cp1252ToUtf8(text).c_str()) == 0;
  }

  bool GetClipboardText(std::string& text) override {
    if (!open_ || !Sdl().HasClipboardText()) return false;
    char* utf8 = Sdl().GetClipboardText();
    if (!utf8) return false;
    text = Utf8ToCp1252(utf8);
    Sdl().free(utf8);
    return true;
  }

  void ShowMessageBox(const std::string& title, const std::string& text) override {
    if (!open_ || Sdl().ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, Cp1252ToUtf8(title).c_str(),
                                             Cp1252ToUtf8(text).c_str(), window_) != 0) {
      std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
  }

  DisplayBackend& Display() override { return Sdl2DisplayBackend(); }

 private:
  SDL_DisplayMode DesktopMode() const {
    SDL_DisplayMode mode{};
    int display = window_ ? Sdl().GetWindowDisplayIndex(window_) : 0;
    if (!open_ || Sdl().GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) != 0) {
      mode.w = 640;
      mode.h = 480;
    }
    return mode;
  }

  void Translate(const SDL_Event& event) {
    if (event.type == SDL_TEXTINPUT) return TranslateText(event.text.text);
    FlushPendingKeyDown();
    systemKeyDown_ = false;
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        return TranslateKey(event.key);
      case SDL_MOUSEMOTION:
        buttons_ = ButtonsOf(event.motion.state);
        return Deliver(MakeMessage(kMsgMouseMove, buttons_, PicturePoint(event.motion.x, event.motion.y)));
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        return TranslateButton(event.button);
      case SDL_MOUSEWHEEL:
        return TranslateWheel(event.wheel);
      case SDL_WINDOWEVENT:
        return TranslateWindowEvent(event.window);
      default:
        return;  // SDL_QUIT follows the window's own close event, which is handled
    }
  }

  void TranslateKey(const SDL_KeyboardEvent& key) {
    int virtualKey = VirtualKeyOf(key.keysym);
    if (!virtualKey) return;
    bool down = key.type == SDL_KEYDOWN;
    bool system = IsSystemKey(key, virtualKey);
    uint32_t id = down ? (system ? kMsgSysKeyDown : kMsgKeyDown) : (system ? kMsgSysKeyUp : kMsgKeyUp);
    Message message = MakeMessage(id, static_cast<uint64_t>(virtualKey));
    int side = SideKeyOf(key.keysym.scancode);
    systemKeyDown_ = id == kMsgSysKeyDown;  // what an Alt combination types is not text
    if (id == kMsgKeyDown) {
      pendingKeyDown_ = message;  // the text it types may follow as its own event
      pendingSideKey_ = side;
      return;
    }
    Deliver(message, side);
  }

  // Typed text: the first character rides on the key-down that typed it; the rest, and text that
  // arrives without a key (input methods), come as character messages of their own.
  void TranslateText(const char* utf8) {
    if (systemKeyDown_) return;
    std::string text = Utf8ToCp1252(utf8);
    std::size_t next = 0;
    if (pendingKeyDown_ && !IsControlCharacterKey(pendingKeyDown_->wParam) && !text.empty()) {
      pendingKeyDown_->character = static_cast<uint8_t>(text[0]);
      next = 1;
    }
    FlushPendingKeyDown();
    for (; next < text.size(); ++next) {
      Deliver(MakeMessage(kMsgChar, static_cast<uint8_t>(text[next])));
    }
  }

  void FlushPendingKeyDown() {
    if (!pendingKeyDown_) return;
    Deliver(*pendingKeyDown_, pendingSideKey_);
    pendingKeyDown_.reset();
  }

  void TranslateButton(const SDL_MouseButtonEvent& button) {
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    uint32_t id;
    uint64_t mask;
    switch (button.button) {
      case SDL_BUTTON_LEFT:
        id = down ? kMsgLButtonDown : kMsgLButtonUp, mask = kMouseButtonLeft;
        break;
      case SDL_BUTTON_RIGHT:
        id = down ? kMsgRButtonDown : kMsgRButtonUp, mask = kMouseButtonRight;
        break;
      case SDL_BUTTON_MIDDLE:
        id = down ? kMsgMButtonDown : kMsgMButtonUp, mask = kMouseButtonMiddle;
        break;
      default:
        return;
    }
    // The buttons held as of this event (the state SDL reports now may be later than the event).
    buttons_ = down ? buttons_ | mask : buttons_ & ~mask;
    Deliver(MakeMessage(id, buttons_, PicturePoint(button.x, button.y)));
  }

  void TranslateWheel(const SDL_MouseWheelEvent& wheel) {
    int notches = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
    if (notches == 0) return;
    uint64_t delta = static_cast<uint16_t>(static_cast<int16_t>(notches * kWheelDeltaPerNotch));
    Deliver(MakeMessage(kMsgMouseWheel, buttons_ | (delta << 16)));
  }

  void TranslateWindowEvent(const SDL_WindowEvent& window) {
    switch (window.event) {
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        return Deliver(MakeMessage(kMsgActivate, kActivateActive));
      case SDL_WINDOWEVENT_FOCUS_LOST:
        return Deliver(MakeMessage(kMsgActivate, kActivateInactive));
      case SDL_WINDOWEVENT_MOVED:
        return Deliver(MakeMessage(kMsgMove, 0, PackPoint(window.data1, window.data2)));
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        return Deliver(MakeMessage(kMsgSize, 0, PackPoint(window.data1, window.data2)));
      case SDL_WINDOWEVENT_EXPOSED:
        return Deliver(MakeMessage(kMsgPaint));
      case SDL_WINDOWEVENT_CLOSE:
        return Deliver(MakeMessage(kMsgClose));
      default:
        return;
    }
  }

  static void Deliver(const Message& message, int sideKey = 0) { DeliverInputMessage(message, sideKey); }

  bool open_ = false;
  bool videoUp_ = false;  // SDL2's video subsystem was started (it is never quit)
  SDL_Window* window_ = nullptr;
  std::optional<Message> pendingKeyDown_;
  int pendingSideKey_ = 0;
  bool systemKeyDown_ = false;
  uint64_t buttons_ = 0;
  std::chrono::steady_clock::time_point lastPump_{};
};

Sdl2System gSdl2;

}  // namespace

WindowSystem& Sdl2WindowSystem() { return gSdl2; }

SDL_Window* Sdl2MainWindow() {
  return CurrentWindowBackend() == WindowBackend::Sdl2 ? gSdl2.Window() : nullptr;
}

}  // namespace qm::platform
