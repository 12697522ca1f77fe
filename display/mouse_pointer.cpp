#include "display/mouse_pointer.h"

#include "display/display_commands.h"
#include "display/display_entity.h"
#include "display/display_state.h"
#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "display/images.h"
#include "display/sprites.h"
#include "io/input_state.h"
#include "platform/display/window_details.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/input_mode.h"
#include "runtime/interpreter.h"

namespace qm {

MousePointerState MousePointer;

namespace {

// The caret changes between shown and hidden once its counter passes this many frames.
constexpr int16_t kCaretBlinkFrames = 20;

// An image that borrows a rectangle of the pointer surface: the surface column stays empty, so
// deleting the image leaves the surface alone.
int32_t NewPointerImage(int32_t left, int32_t width, int32_t height) {
  const int32_t index = NewImage();
  if (index == kNoRecord) return kNoRecord;
  ImageRecord& image = ImageTable[index];
  image.exists = 1;
  image.surface = TheDisplay.mousePointerSurface;
  image.sourceRect[0] = left;
  image.sourceRect[1] = 0;
  image.sourceRect[2] = left + width;
  image.sourceRect[3] = height;
  image.width = width;
  image.height = height;
  return index;
}

// The pointer bitmap: the arrow in columns 0-19, the caret bar in columns 0-1, and nothing but
// transparent pixels from column 20 on, where the blank pointer is cut (the bitmap's top-left
// pixel is part of the arrow's outline and the bar).
void MakePointerImages() {
  MousePointer.arrowImage = NewPointerImage(0, 20, 22);
  MousePointer.barImage = NewPointerImage(0, 2, 22);
  MousePointer.blankImage = NewPointerImage(26, 1, 1);
}

void DeletePointerImages() {
  for (int32_t* image : {&MousePointer.arrowImage, &MousePointer.barImage, &MousePointer.blankImage}) {
    if (*image > 0) DeleteImage(*image);
    *image = -1;
  }
}

int32_t NewPointerEntity(int32_t x, int32_t y, int32_t backgroundSave) {
  const int32_t index = NewDisplayEntity();
  if (index == kNoRecord) return kNoRecord;
  DisplayEntity& entity = DisplayEntityTable[index];
  entity.visible = 1;
  entity.transparent = 1;
  entity.imageIndex = MousePointer.arrowImage;
  entity.x = x;
  entity.y = y;
  entity.backgroundSave = backgroundSave;
  entity.layer = kPointerLayer;
  return index;
}

void MoveEntity(int32_t index, int32_t x, int32_t y) {
  if (DisplayEntity* entity = DisplayEntityTable.Taken(index)) {
    entity->x = x;
    entity->y = y;
  }
}

void SetEntityImage(int32_t index, int32_t image) {
  if (DisplayEntity* entity = DisplayEntityTable.Taken(index)) entity->imageIndex = image;
}

}  // namespace

int32_t ShowMouse(int32_t backgroundSave) {
  MousePointer.shown = 1;
  if (MousePointer.pointerSprite != -1) return 1;
  MakePointerImages();
  MousePointer.pointerSprite = NewPointerEntity(kPointerStartX, kPointerStartY, backgroundSave);
  MousePointer.caretSprite = NewPointerEntity(kPointerAway, kPointerAway, backgroundSave);
  if (backgroundSave == 1) SaveSpriteBackgroundsOfBothBuffers();
  return 1;
}

int32_t HideMouse() {
  if (MousePointer.pointerSprite == -1) return 1;
  MousePointer.shown = 0;
  MoveEntity(MousePointer.pointerSprite, kPointerAway, kPointerAway);
  MoveEntity(MousePointer.caretSprite, kPointerAway, kPointerAway);
  return 1;
}

int32_t FreeMousePointer() {
  if (MousePointer.pointerSprite == -1) return 1;
  for (const int32_t sprite : {MousePointer.pointerSprite, MousePointer.caretSprite}) {
    if (DisplayEntityTable.IsTaken(sprite)) DeleteDisplayEntity(sprite);
  }
  DeletePointerImages();
  MousePointer.pointerSprite = MousePointer.caretSprite = -1;
  return 1;
}

int32_t RebuildMousePointerImages(int32_t backgroundSave) {
  if (MousePointer.pointerSprite == -1) return 1;
  MousePointer.shown = 1;
  DeletePointerImages();
  MakePointerImages();
  SetEntityImage(MousePointer.pointerSprite, MousePointer.arrowImage);
  SetEntityImage(MousePointer.caretSprite, MousePointer.arrowImage);
  if (backgroundSave == 1) SaveSpriteBackgroundsOfBothBuffers();
  return 1;
}

int32_t AnimateMousePointer() {
  if (MousePointer.shown) {
    const DisplayEntity* caret = DisplayEntityTable.Taken(MousePointer.caretSprite);
    if (caret != nullptr && caret->imageIndex == MousePointer.barImage) {
      if (++MousePointer.caretBlinkCounter > kCaretBlinkFrames) {
        MousePointer.caretBlinkCounter = 0;
        MousePointer.caretBlinkState = static_cast<int16_t>(1 - MousePointer.caretBlinkState);
      }
      if (MousePointer.caretBlinkState == 0) {
        MoveEntity(MousePointer.caretSprite, MousePointer.caretX - 1, MousePointer.caretY - 1);
      } else {
        MoveEntity(MousePointer.caretSprite, kPointerAway, kPointerAway);
      }
    }
    if (InputModeReadsMouse(CurrentInputMode())) {
      MoveEntity(MousePointer.pointerSprite, MouseState.x - 1, MouseState.y - 1);
    } else {
      MoveEntity(MousePointer.pointerSprite, kPointerAway, kPointerAway);
    }
  }
  if (DisplayEntityTable.Exists()) {
    DisplayEntityTable.ForEachUsed([](int32_t i) {
      DisplayEntity& entity = DisplayEntityTable[i];
      if (entity.is3D != 1) return;
      for (int axis = 0; axis < 3; ++axis) entity.previousPosition[axis] = entity.position[axis];
    });
  }
  return 1;
}

int32_t SetMousePointerType(int32_t type) {
  if (!MousePointer.shown || MousePointer.pointerSprite == -1) return 1;
  switch (type) {
    case 1:
      SetEntityImage(MousePointer.pointerSprite, MousePointer.arrowImage);
      break;
    case 2:
      SetEntityImage(MousePointer.pointerSprite, MousePointer.barImage);
      break;
    case 3:
      SetEntityImage(MousePointer.pointerSprite, MousePointer.blankImage);
      break;
    case 4:
      MousePointer.caretBlinkCounter = kCaretBlinkFrames;
      MousePointer.caretBlinkState = 1;
      SetEntityImage(MousePointer.caretSprite, MousePointer.barImage);
      break;
    case 5:
      MoveEntity(MousePointer.caretSprite, kPointerAway, kPointerAway);
      break;
    default:
      break;
  }
  return 1;
}

int32_t IsMouseVisible() { return MousePointer.shown != 0 ? 1 : 0; }

void ForgetMousePointer() {
  MousePointer.pointerSprite = MousePointer.caretSprite = -1;
  MousePointer.arrowImage = MousePointer.barImage = MousePointer.blankImage = -1;
  MousePointer.shown = 0;
}

// ---- Commands ----

namespace {

// HIDE MOUSE: the drawn pointer goes; in a window of its own the program hides the system cursor
// (once, however often it asks) and keeps the mouse's messages.
Pc CmdHideMouse(Pc at) {
  WindowSettingsData& settings = TheDisplay.windowSettings;
  if (TheDisplay.windowModeOn == 0) {
    HideMouse();
  } else if (settings.systemCursorShown == 1) {
    settings.systemCursorShown = 0;
    platform::ShowCursorCounted(false);
    platform::SetMouseCapture();
  }
  StopFlag = RefreshAfterDrawing;
  return at + 1;
}

// SHOW MOUSE always ends the slice, so the pointer is back at the next frame.
Pc CmdShowMouse(Pc at) {
  WindowSettingsData& settings = TheDisplay.windowSettings;
  if (TheDisplay.windowModeOn == 0) {
    ShowMouse(1);
  } else if (settings.systemCursorShown == 0) {
    settings.systemCursorShown = 1;
    platform::ShowCursorCounted(true);
    platform::ReleaseMouseCapture();
  }
  StopFlag = 1;
  return at + 1;
}

constexpr CommandRegistration kMousePointerCommands[] = {
    {kCmdHideMouse, "hide mouse", "0", CmdHideMouse},
    {kCmdShowMouse, "show mouse", "0", CmdShowMouse},
};

}  // namespace

constinit const CommandFamily kMousePointerFamily{kMousePointerCommands, {}};

}  // namespace qm
