// The mouse pointer the system draws itself: two display entities on the top layer, drawn by
// DrawSprites after everything else. The pointer follows the mouse while a program or the
// runtime command line has the input; the caret serves the editor as its blinking text cursor.
// Both are made when the display is set up, moved every frame by AnimateMousePointer, and freed
// when the run or the display ends. While a program runs in a window, HIDE MOUSE and SHOW MOUSE
// work on the system cursor instead.
//
// Main thread only.
#pragma once
#include <cstdint>

namespace qm {

struct MousePointerState {
  int32_t pointerSprite = -1;  // display entity of the pointer, -1 while not made
  int32_t caretSprite = -1;    // display entity of the caret, -1 while not made
  int32_t arrowImage = -1, barImage = -1, blankImage = -1;  // the three pointer images
  int32_t shown = 0;                                        // 1 while the pointer is shown
  int16_t caretBlinkCounter = 0;
  int16_t caretBlinkState = 0;           // 0: the caret is visible
  int32_t caretX = -256, caretY = -256;  // where the editor wants the caret drawn
};

extern MousePointerState MousePointer;

// Off-screen place of a hidden pointer or caret.
inline constexpr int32_t kPointerAway = -256;
// Where the pointer starts, until the first frame moves it to the mouse.
inline constexpr int32_t kPointerStartX = 320, kPointerStartY = 100;

// Shows the pointer. The first call makes the three images and the two entities (on layer 2,
// transparent, not numbered, so no sprite command reaches them and they never collide); with
// `backgroundSave` 1 their backgrounds are saved at once for both flip buffers. Later calls only
// set the flag: the pointer returns to the mouse at the next frame. 1.
int32_t ShowMouse(int32_t backgroundSave);
// Hides the pointer: the flag off and both entities off-screen. 1.
int32_t HideMouse();
// Frees the entities with their saved backgrounds and the three images. 1.
int32_t FreeMousePointer();
// After a display rebuild: new pointer images on the current pointer surface (the old ones are
// deleted), the flag on, and with `backgroundSave` 1 both buffers' backgrounds saved again. 1.
int32_t RebuildMousePointerImages(int32_t backgroundSave);
// The per-frame step: the caret blinks, the pointer follows the mouse, and every 3D entry's
// position becomes its previous position. 1.
int32_t AnimateMousePointer();
// The editor's pointer types: 1 arrow, 2 bar, 3 blank, 4 start the caret blinking, 5 caret away.
// Nothing while the pointer is hidden, or for any other type. 1.
int32_t SetMousePointerType(int32_t type);
// 1 while the pointer is shown, else 0.
int32_t IsMouseVisible();
// The engine tables were emptied: the pointer's records went with them (display set-up, run start).
void ForgetMousePointer();

}  // namespace qm
