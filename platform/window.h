// The main window and the message loop of the process. One window exists at a time. The backend
// (sdl2 or headless) is chosen once by InitPlatformWindowing; both feed the same message queue.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace qm::platform {

enum class WindowBackend { Headless, Sdl2 };

// Chooses the backend: headless when QUILLMOOR_HEADLESS=1 or when no display can be opened.
WindowBackend InitPlatformWindowing();
WindowBackend CurrentWindowBackend();

bool CreateMainWindow(const std::string& title, int width, int height, WindowProc proc);
void DestroyMainWindow();
bool MainWindowExists();

// The message queue (PeekMessage / TranslateMessage / DispatchMessage / PostQuitMessage semantics).
// Peek first pulls the backend's pending events into the queue.
bool PeekMessage(Message& out, bool remove);
void PostMessage(const Message& message);
void PostQuitMessage(int exitCode);
// Posts the character message that a key-down produces (8-bit codes, CP1252).
void TranslateMessage(const Message& message);
// Calls the window procedure of the main window; 0 when there is none.
int64_t DispatchMessage(const Message& message);

// Whether a key is held now (non-zero) or was pressed since the last call (bit 0), as the
// asynchronous key state reports it. `virtualKey` is a virtual-key code (platform/keys.h).
int16_t GetAsyncKeyState(int virtualKey);

}  // namespace qm::platform
