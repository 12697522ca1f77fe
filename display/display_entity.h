// The record shared by sprites, the two mouse-pointer sprites, the command-line overlay and the
// display entry of each 3D object and matrix. Index fields name records of other tables by index.
#pragma once
#include <cstdint>

#include "display/engine_table.h"

namespace qm {

struct DisplayEntity : EngineRecordLinks {
  int32_t visible;          // 1 = drawn
  int32_t inView;           // 3D: the scene pass found the object within the view this frame
  int32_t deleteCountdown;  // frames left until a pending deletion is carried out; 0 = none
  int32_t imageIndex;       // ImageRecord drawn; -1 = no image
  int32_t imageNumber;      // the user's image number given to SPRITE
  int32_t is3D;             // 1 for the entry of a 3D object or matrix
  // 3D render switches.
  int32_t zEnable, zWrite, zDepthOff;
  int32_t transparent;  // sprites: blit with the source colour key; 3D: transparency on
  int32_t ghost;
  int16_t ghostMode;
  int32_t wireframe, cull, textureFilter, lighting, fog, ambient;
  int32_t lockedToScreen;
  int32_t drawnThisPass;
  int32_t textureAddressMode;
  int32_t drawThisFrame;
  double depthKey;           // 3D: distance key for drawing ghosted objects far to near
  int32_t x, y;              // screen position in pixels
  int32_t offsetX, offsetY;  // hot spot
  float scaleX, scaleY;      // 1.0 = natural size
  int32_t mirrored, flipped;
  int32_t userNumber;   // key of SpriteNumberMap; 0 for entities without a number
  int32_t lastHit;      // result of the previous SPRITE HIT test
  int32_t inUse;        // 1 while the sprite is defined
  int32_t objectIndex;  // 3D: the owning ObjectRecord
  float previousPosition[3];
  float position[3];
  int32_t backgroundSave;      // 1 = what lies under the entity is saved and pasted back
  int32_t backgroundImage[2];  // per flip buffer, the ImageRecord of the saved background; -1 none
  int32_t savedRect[2][4];     // per flip buffer: left, top, right, bottom (right 0 = none saved)
  int32_t layer;               // 0 sprites, 1 the command-line overlay, 2 the mouse pointer
};

// Drawing layers: DrawSprites draws layer 0, then 1, then 2, each in creation order.
inline constexpr int32_t kSpriteLayer = 0;
inline constexpr int32_t kOverlayLayer = 1;
inline constexpr int32_t kPointerLayer = 2;
inline constexpr int32_t kDisplayLayers = 3;

// NewDisplayEntity (engine_tables.h) takes a record: zero-filled, invisible, at natural scale, no
// background images, image 0 on layer 0.

// Unlinks the entity, deletes the background images it owns, and frees the record: 1, or 0 when
// `index` names no entity in use (nothing changes then). The sprite number map, `userNumber` and
// `inUse` are the caller's to clear.
int32_t DeleteDisplayEntity(int32_t index);

}  // namespace qm
