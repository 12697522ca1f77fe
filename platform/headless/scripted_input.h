// Scripted input and fault injection for the headless backend: tests queue key presses, typed
// text, mouse actions and window events, which arrive as input at the next PeekMessage or
// GetAsyncKeyState (both pull pending events), in the order they were scripted. The headless
// window posts nothing by itself: it is created active, and only scripted events change that.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::platform::headless {

// Back to a fresh start: no window, empty queue, no quit, keys released, script and holds dropped,
// clipboard empty and usable, message-box log empty, no injected faults.
void ResetHeadlessPlatform();

// A key goes down (with the character it types, 0 for none) or up. A key-down whose character is
// 0 still types 8, 9, 13 or 27 for Backspace, Tab, Return and Escape (TranslateMessage).
void ScriptKeyDown(int virtualKey, uint8_t character = 0);
void ScriptKeyUp(int virtualKey);
// Down then up. Letters type lower case (upper case while Shift is held), digits and space
// themselves; other keys type nothing of their own.
void ScriptKeyPress(int virtualKey);
// Each character (CP1252) as a key press of its key: "a" gives key-down 'A' with character 97,
// then key-up 'A'. Characters without a key of their own (accents, punctuation) arrive as a
// character message alone, as text typed through an input method does. "\b", "\t", "\r" and
// "\x1b" press Backspace, Tab, Return and Escape.
void ScriptTypeText(std::string_view text);

void ScriptMouseMove(int x, int y);
enum class MouseButton { Left, Right, Middle };
void ScriptMouseButton(MouseButton button, bool down, int x, int y);
void ScriptMouseWheel(int notches);  // positive: away from the user

void ScriptActivation(bool active);
void ScriptWindowMove(int x, int y);
void ScriptWindowResize(int width, int height);
void ScriptPaint();
void ScriptCloseRequest();

// Asynchronous key state without messages: a key held until released, held for the next `count`
// queries of that key, or held until the clock (platform/clock.h) reaches `untilMs`.
void SetKeyHeld(int virtualKey, bool held);
void HoldKeyForQueries(int virtualKey, int count);
void HoldKeyUntil(int virtualKey, uint32_t untilMs);

// The headless window as the system left it.
struct WindowRecord {
  bool exists = false;
  std::string title;
  int x = 0, y = 0, width = 0, height = 0;
  bool cursorShown = true;
  int pointerX = -1, pointerY = -1;  // where MoveSystemPointer put the pointer (-1: never)
  int restoreCount = 0;
};
WindowRecord Window();

// Fault injection and observation.
void FailNextWindowCreate();
void SetClipboardUsable(bool usable);
struct ShownMessageBox {
  std::string title;
  std::string text;
};
const std::vector<ShownMessageBox>& ShownMessageBoxes();

}  // namespace qm::platform::headless
