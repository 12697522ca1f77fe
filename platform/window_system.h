// The seam between the window layer and its backends. Each backend (headless, sdl2) implements
// WindowSystem; the core (window.cpp) owns the message queue and the asynchronous key state, and
// backends hand it their input through DeliverInputMessage.
#pragma once
#include <string>

#include "platform/messages.h"
#include "platform/window.h"

namespace qm::platform {

class DisplayBackend;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual WindowBackend Kind() const = 0;
  // Connects to the display; false when there is none.
  virtual bool Open() = 0;
  virtual void Close() = 0;

  virtual bool CreateWindow(const std::string& title, int width, int height) = 0;
  virtual void DestroyWindow() = 0;
  virtual bool WindowExists() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void Restore() = 0;
  virtual void SetPlacement(int x, int y, int width, int height) = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual void ShowCursor(bool show) = 0;
  // Moves the system pointer over the window to a pixel of the presented picture.
  virtual void MovePointer(int x, int y) = 0;

  // Turns the events that arrived since the last call into messages (DeliverInputMessage).
  virtual void PumpEvents() = 0;
  // Called before the asynchronous state of a key is read: pulls the events that arrived (a
  // backend may skip that when it pulled them a moment ago, as programs poll keys in tight loops)
  // and applies scripted key holds.
  virtual void BeforeKeyQuery(int virtualKey) = 0;

  // Clipboard text in CP1252; false when the clipboard cannot be used.
  virtual bool SetClipboardText(const std::string& text) = 0;
  virtual bool GetClipboardText(std::string& text) = 0;
  virtual void ShowMessageBox(const std::string& title, const std::string& text) = 0;

  // Where pictures presented into this backend's window go.
  virtual DisplayBackend& Display() = 0;
};

WindowSystem& HeadlessWindowSystem();
WindowSystem& Sdl2WindowSystem();
// The backend in use (headless until InitPlatformWindowing picks another).
WindowSystem& ActiveWindowSystem();
// The backend InitPlatformWindowing chose and opened; nullptr before that and after shut-down.
WindowSystem* ChosenWindowSystem();
void SetChosenWindowSystem(WindowSystem* system);

// Queues a message that came from input and updates the asynchronous key state from it: key
// messages mark their virtual key (and `sideKey`, the left or right modifier, when non-zero) held
// or released, button messages the mouse-button keys. A mouse move replaces a mouse move that is
// still the last message waiting, as only the latest position matters.
void DeliverInputMessage(const Message& message, int sideKey = 0);
// Sets a key held or released without a message (scripted key states, focus loss).
void SetAsyncKeyHeld(int virtualKey, bool held);
// Empties the queue, drops a pending quit and releases every key (tests, backend change).
void ResetMessageQueueAndKeys();

}  // namespace qm::platform
