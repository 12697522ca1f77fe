// The sprite commands, with their older BOB synonyms sharing each handler: placing, scaling,
// mirroring, hiding, deleting and pasting sprites, their queries, and SPRITE HIT and SPRITE
// COLLISION. A command's errors come in a fixed order (301 number, 302 no such sprite, then its
// own), and after an error the command changes nothing and leaves its result as it was.
#include <cstdint>

#include "display/display_commands.h"
#include "display/display_entity.h"
#include "display/draw_request_queue.h"
#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "display/number_maps.h"
#include "display/sprite_collision.h"
#include "display/sprites.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

constexpr RuntimeErrorCode kErrorSpriteNumber = 301;
constexpr RuntimeErrorCode kErrorSpriteMissing = 302;
constexpr RuntimeErrorCode kErrorSpriteBackgroundFlag = 303;
constexpr RuntimeErrorCode kErrorSpriteTransparencyFlag = 304;
constexpr RuntimeErrorCode kErrorSpriteScale = 311;
constexpr RuntimeErrorCode kErrorSpriteSize = 312;
constexpr int32_t kLargestPercentage = 250000;

bool IsSpriteNumber(int32_t number) { return number >= kFirstSprite && number <= kLastSprite; }

// Sprite `number` for a command that needs it to exist: its entity, or null after raising 301 or
// 302.
DisplayEntity* ExistingSprite(int32_t number) {
  if (!IsSpriteNumber(number)) {
    RaiseRuntimeError(kErrorSpriteNumber);
    return nullptr;
  }
  const int32_t index = SpriteEntity(number);
  if (index == kNoRecord) {
    RaiseRuntimeError(kErrorSpriteMissing);
    return nullptr;
  }
  return &DisplayEntityTable[index];
}

bool IsFlag(int32_t value) { return value == 0 || value == 1; }
bool IsPercentage(int32_t value) { return value >= 0 && value <= kLargestPercentage; }
float FromPercent(int32_t percent) { return static_cast<float>(static_cast<double>(percent) / 100.0); }
// A scale as a whole percentage, truncated toward zero (0.29 stored as a 32-bit float gives 28).
int32_t ToPercent(float scale) { return static_cast<int32_t>(static_cast<double>(scale) * 100.0); }
int32_t Toggled(int32_t value) { return value == 1 ? 0 : 1; }

// SPRITE n, x, y, image: makes sprite n when needed and places it with the image. An image number
// without an image leaves the sprite without one (it draws nothing, without an error).
Pc CmdSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), x = in.Int(), y = in.Int(), image = in.Int();
  if (!IsSpriteNumber(number)) {
    RaiseRuntimeError(kErrorSpriteNumber);
    return in.Next();
  }
  const int32_t index = MakeSprite(number);
  if (index == kNoRecord) return in.Next();
  DisplayEntity& sprite = DisplayEntityTable[index];
  sprite.x = x;
  sprite.y = y;
  sprite.imageNumber = image;
  const int32_t imageIndex = ImageNumberMap.Find(image);
  sprite.imageIndex = imageIndex > 0 ? imageIndex : -1;
  return in.Next();
}

// SET SPRITE n, background save, transparent: makes sprite n when needed.
Pc CmdSetSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), backgroundSave = in.Int(), transparent = in.Int();
  RuntimeErrorCode error = 0;
  if (!IsSpriteNumber(number)) {
    error = kErrorSpriteNumber;
  } else if (!IsFlag(backgroundSave)) {
    error = kErrorSpriteBackgroundFlag;
  } else if (!IsFlag(transparent)) {
    error = kErrorSpriteTransparencyFlag;
  }
  if (error != 0) {
    RaiseRuntimeError(error);
    return in.Next();
  }
  const int32_t index = MakeSprite(number);
  if (index == kNoRecord) return in.Next();
  DisplayEntityTable[index].backgroundSave = backgroundSave;
  DisplayEntityTable[index].transparent = transparent;
  return in.Next();
}

// SIZE SPRITE n, width, height: the scale that draws the sprite's image at that size. A sprite
// whose image number names no image, or an image without pixels, keeps its scale.
Pc CmdSizeSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), width = in.Int(), height = in.Int();
  DisplayEntity* sprite = ExistingSprite(number);
  if (sprite == nullptr) return in.Next();
  if (width < 0 || height < 0) {
    RaiseRuntimeError(kErrorSpriteSize);
    return in.Next();
  }
  const ImageRecord* image =
      sprite->imageNumber > 0 ? DrawableImage(ImageNumberMap.Find(sprite->imageNumber)) : nullptr;
  if (image != nullptr && image->width > 0 && image->height > 0) {
    sprite->scaleX = static_cast<float>(width) / static_cast<float>(image->width);
    sprite->scaleY = static_cast<float>(height) / static_cast<float>(image->height);
  }
  return in.Next();
}

Pc CmdScaleSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), percent = in.Int();
  DisplayEntity* sprite = ExistingSprite(number);
  if (sprite == nullptr) return in.Next();
  if (!IsPercentage(percent)) {
    RaiseRuntimeError(kErrorSpriteScale);
    return in.Next();
  }
  sprite->scaleX = sprite->scaleY = FromPercent(percent);
  return in.Next();
}

Pc CmdStretchSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), percentX = in.Int(), percentY = in.Int();
  DisplayEntity* sprite = ExistingSprite(number);
  if (sprite == nullptr) return in.Next();
  if (!IsPercentage(percentX) || !IsPercentage(percentY)) {
    RaiseRuntimeError(kErrorSpriteScale);
    return in.Next();
  }
  sprite->scaleX = FromPercent(percentX);
  sprite->scaleY = FromPercent(percentY);
  return in.Next();
}

Pc CmdOffsetSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), x = in.Int(), y = in.Int();
  if (DisplayEntity* sprite = ExistingSprite(number)) {
    sprite->offsetX = x;
    sprite->offsetY = y;
  }
  return in.Next();
}

// Commands on one existing sprite that change one thing about it.
template <void (*kChange)(DisplayEntity&)>
Pc CmdOnSprite(Pc at) {
  Operands in(at);
  if (DisplayEntity* sprite = ExistingSprite(in.Int())) kChange(*sprite);
  return in.Next();
}
void Mirror(DisplayEntity& sprite) { sprite.mirrored = Toggled(sprite.mirrored); }
void Flip(DisplayEntity& sprite) { sprite.flipped = Toggled(sprite.flipped); }
void Hide(DisplayEntity& sprite) { sprite.visible = 0; }
void Show(DisplayEntity& sprite) { sprite.visible = 1; }

Pc CmdDeleteSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  if (ExistingSprite(number) != nullptr) DeleteSprite(number);
  return in.Next();
}

// PASTE SPRITE n, x, y: the next frame draws the sprite's image, as it is then, into the bitmap
// current now.
Pc CmdPasteSprite(Pc at) {
  Operands in(at);
  const int32_t number = in.Int(), x = in.Int(), y = in.Int();
  if (ExistingSprite(number) == nullptr) return in.Next();
  QueuePasteSprite(SpriteEntity(number), number, x, y);
  if (QueueCurrentBitmap.number == 0) StopFlag = RefreshAfterDrawing;
  return in.Next();
}

// HIDE ALL SPRITES and SHOW ALL SPRITES: every sprite-layer entity with an image.
template <int32_t kVisible>
Pc CmdAllSprites(Pc at) {
  DisplayEntityTable.ForEachUsed([](int32_t i) {
    DisplayEntity& entity = DisplayEntityTable[i];
    if (entity.layer == kSpriteLayer && entity.is3D != 1 && EntityImage(entity) != -1)
      entity.visible = kVisible;
  });
  return at + 1;
}

Pc CmdSpriteExist(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int();
  if (!IsSpriteNumber(number)) {
    RaiseRuntimeError(kErrorSpriteNumber);
    return in.Next();
  }
  result = SpriteExists(number) ? 1 : 0;
  return in.Next();
}

// The queries of one existing sprite.
template <int32_t (*kQuery)(int32_t entity)>
Pc CmdSpriteQuery(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int();
  if (ExistingSprite(number) != nullptr) result = kQuery(SpriteEntity(number));
  return in.Next();
}
int32_t QueryX(int32_t e) { return DisplayEntityTable[e].x; }
int32_t QueryY(int32_t e) { return DisplayEntityTable[e].y; }
int32_t QueryOffsetX(int32_t e) { return DisplayEntityTable[e].offsetX; }
int32_t QueryOffsetY(int32_t e) { return DisplayEntityTable[e].offsetY; }
int32_t QueryImage(int32_t e) { return DisplayEntityTable[e].imageNumber; }
int32_t QueryScaleX(int32_t e) { return ToPercent(DisplayEntityTable[e].scaleX); }
int32_t QueryScaleY(int32_t e) { return ToPercent(DisplayEntityTable[e].scaleY); }
int32_t QueryMirrored(int32_t e) { return DisplayEntityTable[e].mirrored != 0 ? 1 : 0; }
int32_t QueryFlipped(int32_t e) { return DisplayEntityTable[e].flipped != 0 ? 1 : 0; }

// What sprite n touches: for m a sprite number, 1 or 0 (302 raised when sprite m does not
// exist); for any other m, the first sprite in creation order that touches n, or 0. `failed`
// tells an error on m.
int32_t CollisionOf(int32_t entity, int32_t other, bool& failed) {
  failed = false;
  if (IsSpriteNumber(other)) {
    const int32_t otherEntity = SpriteEntity(other);
    if (otherEntity == kNoRecord) {
      RaiseRuntimeError(kErrorSpriteMissing);
      failed = true;
      return 0;
    }
    if (DisplayEntityTable[otherEntity].userNumber < 1) return 0;
    return SpriteOverlapHit(entity, otherEntity);
  }
  int32_t found = 0;
  for (int32_t i = DisplayEntityTable.UsedHead(); i != kNoRecord && found == 0;
       i = DisplayEntityTable[i].next) {
    if (i != entity && SpriteOverlapHit(entity, i) == 1) found = DisplayEntityTable[i].userNumber;
  }
  return found;
}

Pc CmdSpriteCollision(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int(), other = in.Int();
  if (ExistingSprite(number) == nullptr) return in.Next();
  bool failed = false;
  const int32_t hit = CollisionOf(SpriteEntity(number), other, failed);
  if (!failed) result = hit;
  return in.Next();
}

// SPRITE HIT reports a collision once, when it begins: again only after a test that found none.
// The memory of the last test is sprite n's, whatever m.
Pc CmdSpriteHit(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int(), other = in.Int();
  if (ExistingSprite(number) == nullptr) return in.Next();
  const int32_t entity = SpriteEntity(number);
  bool failed = false;
  const int32_t hit = CollisionOf(entity, other, failed);
  DisplayEntity& sprite = DisplayEntityTable[entity];
  result = hit > 0 && sprite.lastHit == 0 ? hit : 0;
  sprite.lastHit = hit;
  return in.Next();
}

constexpr CommandRegistration kSpriteCommands[] = {
    {kCmdSprite, "sprite", "LLLL", CmdSprite},
    {kCmdBob, "bob", "LLLL", CmdSprite},
    {kCmdSetSprite, "set sprite", "LLL", CmdSetSprite},
    {kCmdSetBob, "set bob", "LLL", CmdSetSprite},
    {kCmdSizeSprite, "size sprite", "LLL", CmdSizeSprite},
    {kCmdScaleSprite, "scale sprite", "LL", CmdScaleSprite},
    {kCmdScaleBob, "scale bob", "LL", CmdScaleSprite},
    {kCmdStretchSprite, "stretch sprite", "LLL", CmdStretchSprite},
    {kCmdStretchBob, "stretch bob", "LLL", CmdStretchSprite},
    {kCmdOffsetSprite, "offset sprite", "LLL", CmdOffsetSprite},
    {kCmdOffsetBob, "offset bob", "LLL", CmdOffsetSprite},
    {kCmdMirrorSprite, "mirror sprite", "L", CmdOnSprite<Mirror>},
    {kCmdMirrorBob, "mirror bob", "L", CmdOnSprite<Mirror>},
    {kCmdFlipSprite, "flip sprite", "L", CmdOnSprite<Flip>},
    {kCmdFlipBob, "flip bob", "L", CmdOnSprite<Flip>},
    {kCmdDeleteSprite, "delete sprite", "L", CmdDeleteSprite},
    {kCmdDeleteBob, "delete bob", "L", CmdDeleteSprite},
    {kCmdPasteSprite, "paste sprite", "LLL", CmdPasteSprite},
    {kCmdPasteBob, "paste bob", "LLL", CmdPasteSprite},
    {kCmdHideSprite, "hide sprite", "L", CmdOnSprite<Hide>},
    {kCmdShowSprite, "show sprite", "L", CmdOnSprite<Show>},
    {kCmdHideAllSprites, "hide all sprites", "0", CmdAllSprites<0>},
    {kCmdShowAllSprites, "show all sprites", "0", CmdAllSprites<1>},
    {kCmdSpriteExist, "sprite exist[", "LL", CmdSpriteExist},
    {kCmdBobExist, "bob exist[", "LL", CmdSpriteExist},
    {kCmdSpriteX, "sprite x[", "LL", CmdSpriteQuery<QueryX>},
    {kCmdBobX, "bob x[", "LL", CmdSpriteQuery<QueryX>},
    {kCmdSpriteY, "sprite y[", "LL", CmdSpriteQuery<QueryY>},
    {kCmdBobY, "bob y[", "LL", CmdSpriteQuery<QueryY>},
    {kCmdSpriteOffsetX, "sprite offset x[", "LL", CmdSpriteQuery<QueryOffsetX>},
    {kCmdBobOffsetX, "bob offset x[", "LL", CmdSpriteQuery<QueryOffsetX>},
    {kCmdSpriteOffsetY, "sprite offset y[", "LL", CmdSpriteQuery<QueryOffsetY>},
    {kCmdBobOffsetY, "bob offset y[", "LL", CmdSpriteQuery<QueryOffsetY>},
    {kCmdSpriteWidth, "sprite width[", "LL", CmdSpriteQuery<EntityDrawnWidth>},
    {kCmdBobWidth, "bob width[", "LL", CmdSpriteQuery<EntityDrawnWidth>},
    {kCmdSpriteHeight, "sprite height[", "LL", CmdSpriteQuery<EntityDrawnHeight>},
    {kCmdBobHeight, "bob height[", "LL", CmdSpriteQuery<EntityDrawnHeight>},
    {kCmdSpriteImage, "sprite image[", "LL", CmdSpriteQuery<QueryImage>},
    {kCmdBobImage, "bob image[", "LL", CmdSpriteQuery<QueryImage>},
    {kCmdSpriteScaleX, "sprite scale x[", "LL", CmdSpriteQuery<QueryScaleX>},
    {kCmdBobScaleX, "bob scale x[", "LL", CmdSpriteQuery<QueryScaleX>},
    {kCmdSpriteScaleY, "sprite scale y[", "LL", CmdSpriteQuery<QueryScaleY>},
    {kCmdBobScaleY, "bob scale y[", "LL", CmdSpriteQuery<QueryScaleY>},
    {kCmdSpriteMirrored, "sprite mirrored[", "LL", CmdSpriteQuery<QueryMirrored>},
    {kCmdBobMirrored, "bob mirrored[", "LL", CmdSpriteQuery<QueryMirrored>},
    {kCmdSpriteFlipped, "sprite flipped[", "LL", CmdSpriteQuery<QueryFlipped>},
    {kCmdBobFlipped, "bob flipped[", "LL", CmdSpriteQuery<QueryFlipped>},
    {kCmdSpriteHit, "sprite hit[", "LLL", CmdSpriteHit},
    {kCmdBobHit, "bob hit[", "LLL", CmdSpriteHit},
    {kCmdSpriteCollision, "sprite collision[", "LLL", CmdSpriteCollision},
    {kCmdBobCollision, "bob collision[", "LLL", CmdSpriteCollision},
};

}  // namespace

constinit const CommandFamily kSpriteFamily{kSpriteCommands, {}};

}  // namespace qm
