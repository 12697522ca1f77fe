// The display's command families; the display's record (display_subsystem.cpp) lists them.
#pragma once
#include "runtime/subsystem.h"

namespace qm {

extern const CommandFamily kDrawingFamily;  // cmd_drawing.cpp
extern const CommandFamily kTextFamily;     // cmd_text.cpp
// PERFORM CHECKLIST FOR DISPLAY MODES, SET DISPLAY MODE, the SCREEN queries, CHECK DISPLAY MODE,
// SET GAMMA (cmd_display_modes.cpp).
extern const CommandFamily kDisplayModeFamily;
// The bitmap commands and queries (cmd_bitmaps.cpp) and the image commands (cmd_images.cpp).
extern const CommandFamily kBitmapFamily;
extern const CommandFamily kImageFamily;
// The window commands, and the switches that rebuild the display (cmd_window.cpp).
extern const CommandFamily kWindowFamily;
// The sprite commands with their BOB synonyms, SPRITE HIT and SPRITE COLLISION (cmd_sprites.cpp).
extern const CommandFamily kSpriteFamily;
// HIDE MOUSE and SHOW MOUSE (mouse_pointer.cpp).
extern const CommandFamily kMousePointerFamily;
// The AVI animation commands and queries (cmd_animations.cpp).
extern const CommandFamily kAnimationFamily;

}  // namespace qm
