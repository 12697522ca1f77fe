// The main window and the message loop of the process. One window exists at a time. The backend
// (sdl2 or headless) is chosen once by InitPlatformWindowing; both feed the same message queue.
// Until InitPlatformWindowing runs, the headless backend is in place, so tests need no set-up.
//
// The queue keeps one order: messages are returned first in, first out, whether posted by the
// system or turned from input events by the backend. Two exceptions:
//  - The character message that TranslateMessage makes from a key-down goes to the front of the
//    queue, so it is the next message read, before the key-up of the same key.
//  - Quit: PostQuitMessage only raises a quit request (raising it again changes nothing but the
//    exit code). PeekMessage returns kMsgQuit only when no other message is waiting, and returns
//    it once: peeking with remove clears the request, peeking without remove leaves it. So a loop
//    that reads a quit inside a pump and posts it again hands the outer loop exactly one quit, after
//    every message that was already waiting.
// PostMessage and PostQuitMessage may be called from any thread; everything else belongs to the
// main thread.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace qm::platform {

enum class WindowBackend { Headless, Sdl2 };

// Chooses the backend: headless when QUILLMOOR_HEADLESS=1 or when no display can be opened.
WindowBackend InitPlatformWindowing();
WindowBackend CurrentWindowBackend();
// Closes the backend's connection to the display (destroys the window first). Back to headless.
void ShutDownPlatformWindowing();

// False when the window cannot be created or one already exists.
bool CreateMainWindow(const std::string& title, int width, int height, WindowProc proc);
// Sends kMsgDestroy to the window procedure, then destroys the window.
void DestroyMainWindow();
bool MainWindowExists();
void SetMainWindowTitle(const std::string& title);  // title in CP1252
// Shows the window and brings it out of a minimised state.
void RestoreMainWindow();
// Moves and sizes the window's client area (screen coordinates).
void SetMainWindowPlacement(int x, int y, int width, int height);
// The size of the screen the window is on (headless: 640 x 480).
int ScreenWidth();
int ScreenHeight();
// Shows or hides the system mouse cursor over the window.
void ShowSystemCursor(bool show);
// Moves the system mouse pointer to a pixel of the picture the window shows (POSITION MOUSE of a
// program in a window). The move is not motion of the mouse: TakeMouseMotion reports none for it.
void MoveSystemPointer(int x, int y);
// Claims a window title for this process among the running instances of the system (of this
// user): false when another running instance holds it. A process may claim several titles; each
// is released when the process ends. Lets start-up pick "Quillmoor Editor", "... 2", "... 3".
bool ClaimWindowTitle(const std::string& title);

// The message queue (PeekMessage / TranslateMessage / DispatchMessage / PostQuitMessage semantics).
// Peek first pulls the backend's pending events into the queue.
bool PeekMessage(Message& out, bool remove);
// False when the queue is full (kMessageQueueLimit messages waiting): the message is dropped.
bool PostMessage(const Message& message);
void PostQuitMessage(int exitCode);
// Posts the character message that a key-down produces (8-bit codes, CP1252): the key's own
// character, or 8, 9, 13 and 27 for Backspace, Tab, Return and Escape. Other messages: nothing.
void TranslateMessage(const Message& message);
// Calls the window procedure of the main window; without one, DefaultWindowProc.
int64_t DispatchMessage(const Message& message);
// What a window procedure does with a message it leaves alone: a close request becomes a quit
// request (the window is destroyed only at shut-down); everything else is ignored. Returns 0.
int64_t DefaultWindowProc(const Message& message);

constexpr int kMessageQueueLimit = 10000;

// The mouse's motion since the last call, as a relative mouse device reports it: how far the
// pointer moved (in the picture pixels the mouse messages carry, from one position to the next)
// and how far the wheel turned (whole notches, away from the user positive; part of a notch waits
// for the rest). Like the key state, it follows the input as the backend receives it, whoever
// reads the messages; reading it pulls pending events.
struct MouseMotion {
  int dx = 0;
  int dy = 0;
  int wheelNotches = 0;
};
MouseMotion TakeMouseMotion();

// Whether a key is held now (non-zero) or was pressed since the last call (bit 0), as the
// asynchronous key state reports it. `virtualKey` is a virtual-key code (platform/keys.h).
// Held keys give the high bit (the result is negative). The state follows the input as the
// backend receives it, not the messages read from the queue; reading it pulls pending events.
int16_t GetAsyncKeyState(int virtualKey);

}  // namespace qm::platform
