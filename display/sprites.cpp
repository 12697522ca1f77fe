#include "display/sprites.h"

#include <algorithm>
#include <cmath>

#include "display/display_entity.h"
#include "display/display_state.h"
#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "display/images.h"
#include "display/number_maps.h"
#include "display/surface_utilities.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;
using platform::Surface;

int32_t BufferIndex() { return TheDisplay.spriteBufferIndex & 1; }

// A value worked out in 64 bits, held inside the int range.
int32_t ClampToInt(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Truncation toward zero of a scaled size, held inside the int range (NaN gives 0).
int64_t ScaledSize(int32_t size, float scale) {
  const double scaled = static_cast<double>(size) * static_cast<double>(scale);
  if (!(scaled > -2147483648.0)) return scaled < 0 ? INT32_MIN : 0;
  return scaled >= 2147483647.0 ? INT32_MAX : static_cast<int64_t>(scaled);
}

// The width and height drawing may reach on target bitmap `t`: the display for the screen, the
// bitmap's surface otherwise.
void TargetSize(int32_t t, int64_t& width, int64_t& height) {
  width = height = 0;
  if (t == 0) {
    width = TheDisplay.displayWidth;
    height = TheDisplay.displayHeight;
  } else if (t > 0 && t < kBitmapSlots && TheDisplay.bitmapSurfaces[static_cast<std::size_t>(t)] != nullptr) {
    const Surface* surface = TheDisplay.bitmapSurfaces[static_cast<std::size_t>(t)];
    width = surface->Width();
    height = surface->Height();
  }
}

// Pixels cut off a scaled side, back in source pixels.
int64_t SourceCut(int64_t screenPixels, float scale) {
  return static_cast<int64_t>(static_cast<double>(screenPixels) / static_cast<double>(scale));
}

// A lost surface that cannot be restored takes the display out of use, unless the program asked
// to run on while inactive.
void MarkDisplayNotReady() {
  if (!AlwaysActiveFlag) DisplayReadyFlag = 0;
}

// The stretching blit of a sprite: repeated while the destination is busy, and after restoring a
// lost destination; given up when the restore fails or on any other failure.
void StretchBlitWithRetry(Surface* destination, const Rect& to, Surface* source, const Rect& from,
                          uint32_t flags) {
  for (;;) {
    const DisplayResult result = destination->Blt(&to, source, &from, flags);
    if (result == DisplayResult::WasStillDrawing) continue;
    if (result != DisplayResult::SurfaceLost) return;
    if (destination->Restore() != DisplayResult::Ok) {
      MarkDisplayNotReady();
      return;
    }
  }
}

void SetRect(int32_t (&rect)[4], int32_t left, int32_t top, int32_t right, int32_t bottom) {
  rect[0] = left;
  rect[1] = top;
  rect[2] = right;
  rect[3] = bottom;
}

// Saves what lies under one entity into its background image of the current buffer.
void SaveBackground(DisplayEntity& entity, Surface* backBuffer) {
  const int32_t k = BufferIndex();
  int32_t(&saved)[4] = entity.savedRect[k];
  const ImageRecord* image = DrawableImage(EntityImage(entity));
  if (image == nullptr) {
    SetRect(saved, 0, 0, 0, 0);
    return;
  }
  const int64_t w = ScaledSize(image->width, entity.scaleX);
  const int64_t h = ScaledSize(image->height, entity.scaleY);
  int64_t left = static_cast<int64_t>(entity.x) - entity.offsetX;
  int64_t top = static_cast<int64_t>(entity.y) - entity.offsetY;
  int64_t right = left + w, bottom = top + h;
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, TheDisplay.displayWidth);
  bottom = std::min<int64_t>(bottom, TheDisplay.displayHeight);
  if (w <= 0 || h <= 0 || left >= right || top >= bottom) {
    SetRect(saved, 0, 0, 0, 0);
    return;
  }
  // The surface holds the whole drawn size, so moving across the edges never makes a new one,
  // but never more than the display, however far a sprite is scaled; the part on the display is
  // what is saved.
  const auto width = static_cast<int32_t>(right - left), height = static_cast<int32_t>(bottom - top);
  const auto fullWidth = static_cast<int32_t>(std::min<int64_t>(w, TheDisplay.displayWidth));
  const auto fullHeight = static_cast<int32_t>(std::min<int64_t>(h, TheDisplay.displayHeight));
  int32_t& background = entity.backgroundImage[k];
  if (background == -1) background = NewImage();  // kNoRecord (-1) again when none could be taken
  if (background == -1 || !SizeOwnedImage(background, fullWidth, fullHeight)) {
    if (background != -1) RaiseRuntimeError(kErrorOutOfMemory);
    SetRect(saved, 0, 0, 0, 0);
    return;
  }
  ImageRecord& store = ImageTable[background];
  store.width = width;
  store.height = height;
  store.sourceRect[2] = width;
  store.sourceRect[3] = height;
  const Rect area{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                  static_cast<int>(bottom)};
  BlitSurfaceRectTo(store.surface, 0, 0, backBuffer, area);
  SetRect(saved, area.left, area.top, area.right, area.bottom);
}

}  // namespace

// ---- Frame steps ----

int32_t RestoreSpriteBackgrounds() {
  if (TheDisplay.spriteBackgroundsReleased) {
    ReleaseSpriteBackgrounds();
    TheDisplay.spriteBackgroundsReleased = 0;
  }
  Surface* backBuffer = TheDisplay.backBuffer;
  if (!AppActiveFlag || backBuffer == nullptr || !DisplayEntityTable.Exists()) return 1;
  const int32_t k = BufferIndex();
  DisplayEntityTable.ForEachUsed([&](int32_t i) {
    const DisplayEntity& entity = DisplayEntityTable[i];
    if (entity.is3D == 1 || entity.backgroundSave != 1 || entity.savedRect[k][2] <= 0) return;
    const ImageRecord* background = DrawableImage(entity.backgroundImage[k]);
    if (background == nullptr) return;
    const Rect source{background->sourceRect[0], background->sourceRect[1], background->sourceRect[2],
                      background->sourceRect[3]};
    BlitSurfaceRectTo(backBuffer, entity.savedRect[k][0], entity.savedRect[k][1], background->surface,
                      source);
  });
  return 1;
}

int32_t SaveSpriteBackgrounds() {
  Surface* backBuffer = TheDisplay.backBuffer;
  if (!AppActiveFlag || backBuffer == nullptr || !DisplayEntityTable.Exists()) return 1;
  DisplayEntityTable.ForEachUsed([&](int32_t i) {
    DisplayEntity& entity = DisplayEntityTable[i];
    if (entity.is3D != 1 && entity.backgroundSave == 1) SaveBackground(entity, backBuffer);
  });
  return 1;
}

void SaveSpriteBackgroundsOfBothBuffers() {
  const int32_t current = TheDisplay.spriteBufferIndex;
  TheDisplay.spriteBufferIndex = 1 - current;
  SaveSpriteBackgrounds();
  TheDisplay.spriteBufferIndex = current;
  SaveSpriteBackgrounds();
}

int32_t DrawSprites() {
  Surface* backBuffer = TheDisplay.backBuffer;
  if (!AppActiveFlag || backBuffer == nullptr || !DisplayEntityTable.Exists()) return 1;
  for (int32_t layer = 0; layer < kDisplayLayers; ++layer) {
    DisplayEntityTable.ForEachUsed([&](int32_t i) {
      const DisplayEntity& entity = DisplayEntityTable[i];
      if (entity.layer == layer && entity.visible == 1 && entity.is3D != 1) {
        BlitSprite(backBuffer, 0, i, entity.x, entity.y);
      }
    });
  }
  return 1;
}

void ProcessDeferredDeletions() {
  ProcessDeferredImageDeletions();
  if (DisplayEntityTable.Exists()) {
    DisplayEntityTable.ForEachUsed([](int32_t i) {
      DisplayEntity& entity = DisplayEntityTable[i];
      if (entity.deleteCountdown <= 0) return;
      if (--entity.deleteCountdown > 0) return;
      const int32_t number = entity.userNumber;
      DeleteDisplayEntity(i);
      if (number > 0 && SpriteNumberMap.Find(number) == i) SpriteNumberMap.Set(number, 0);
      entity.userNumber = 0;
    });
  }
}

int32_t ReleaseSpriteBackgrounds() {
  if (!DisplayEntityTable.Exists()) return 1;
  DisplayEntityTable.ForEachUsed([](int32_t i) {
    DisplayEntity& entity = DisplayEntityTable[i];
    if (entity.backgroundSave != 1) return;
    for (int32_t& background : entity.backgroundImage) {
      if (background != -1) DeleteImage(background);
      background = -1;
    }
  });
  return 1;
}

// ---- Blits ----

BlitRectangles ClipBlitRectangles(int32_t targetBitmap, const Rect& source, int64_t x, int64_t y,
                                  int32_t width, int32_t height, float scaleX, float scaleY, bool flipped,
                                  bool mirrored) {
  BlitRectangles out;
  int64_t srcLeft = source.left, srcTop = source.top;
  int64_t srcRight = srcLeft + width, srcBottom = srcTop + height;
  const int64_t drawnWidth = ScaledSize(width, scaleX), drawnHeight = ScaledSize(height, scaleY);
  int64_t limitWidth = 0, limitHeight = 0;
  TargetSize(targetBitmap, limitWidth, limitHeight);
  int64_t left = x, top = y, right = x + drawnWidth, bottom = y + drawnHeight;
  // Nothing is drawn of an empty destination or one wholly outside the target; this also keeps
  // the cuts below from dividing by a zero scale.
  if (drawnWidth <= 0 || drawnHeight <= 0 || right <= 0 || bottom <= 0 || left >= limitWidth ||
      top >= limitHeight) {
    return out;
  }
  if (left < 0) {
    const int64_t cut = SourceCut(-left, scaleX);
    if (mirrored) {
      srcRight -= cut;
    } else {
      srcLeft += cut;
    }
    left = 0;
  }
  if (top < 0) {
    const int64_t cut = SourceCut(-top, scaleY);
    if (flipped) {
      srcBottom -= cut;
    } else {
      srcTop += cut;
    }
    top = 0;
  }
  if (right > limitWidth) {
    const int64_t cut = SourceCut(right - limitWidth, scaleX);
    if (mirrored) {
      srcLeft += cut;
    } else {
      srcRight -= cut;
    }
    right = limitWidth;
  }
  if (bottom > limitHeight) {
    const int64_t cut = SourceCut(bottom - limitHeight, scaleY);
    if (flipped) {
      srcTop += cut;
    } else {
      srcBottom -= cut;
    }
    bottom = limitHeight;
  }
  if (srcRight <= srcLeft || srcBottom <= srcTop) return out;
  out.source = {ClampToInt(srcLeft), ClampToInt(srcTop), ClampToInt(srcRight), ClampToInt(srcBottom)};
  out.destination = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                     static_cast<int>(bottom)};
  return out;
}

void BlitSprite(Surface* destination, int32_t targetBitmap, int32_t entityIndex, int64_t x, int64_t y) {
  if (destination == nullptr || !DisplayEntityTable.IsTaken(entityIndex)) return;
  const DisplayEntity& entity = DisplayEntityTable[entityIndex];
  if (entity.is3D == 1) return;
  const ImageRecord* image = DrawableImage(EntityImage(entity));
  if (image == nullptr) return;
  const Rect source{image->sourceRect[0], image->sourceRect[1], image->sourceRect[2], image->sourceRect[3]};
  const BlitRectangles clipped = ClipBlitRectangles(
      targetBitmap, source, x - entity.offsetX, y - entity.offsetY, image->width, image->height,
      entity.scaleX, entity.scaleY, entity.flipped == 1, entity.mirrored == 1);
  if (clipped.destination.Empty()) return;
  uint32_t flags = 0;
  if (entity.transparent == 1) flags |= platform::kBltKeySrc;
  if (entity.flipped == 1) flags |= platform::kBltMirrorUpDown;
  if (entity.mirrored == 1) flags |= platform::kBltMirrorLeftRight;
  StretchBlitWithRetry(destination, clipped.destination, image->surface, clipped.source, flags);
}

int32_t PasteImageClipped(Surface* destination, int32_t targetBitmap, int32_t imageIndex, int32_t x,
                          int32_t y, int32_t width, int32_t height, bool transparent) {
  const ImageRecord* image = DrawableImage(imageIndex);
  if (destination == nullptr || image == nullptr) return 1;
  const Rect source{image->sourceRect[0], image->sourceRect[1], image->sourceRect[2], image->sourceRect[3]};
  const BlitRectangles clipped =
      ClipBlitRectangles(targetBitmap, source, x, y, width, height, 1.0f, 1.0f, false, false);
  if (clipped.destination.Empty()) return 1;
  const Rect& from = clipped.source;
  BlitSurfaceRect(destination, clipped.destination.left, clipped.destination.top, image->surface, from.left,
                  from.top, from.Width(), from.Height(),
                  transparent ? platform::kBltFastSrcColorKey : platform::kBltFastNoColorKey);
  return 1;
}

// ---- Sprite records ----

int32_t SpriteEntity(int32_t number) {
  const int32_t index = SpriteNumberMap.Find(number);
  return index > 0 && DisplayEntityTable.IsTaken(index) ? index : kNoRecord;
}

bool SpriteExists(int32_t number) {
  const int32_t index = SpriteEntity(number);
  return index != kNoRecord && DisplayEntityTable[index].deleteCountdown == 0;
}

int32_t MakeSprite(int32_t number) {
  int32_t index = SpriteEntity(number);
  if (index == kNoRecord) {
    index = NewDisplayEntity();
    // The number map keeps 0 for "no sprite": when a run made no entity before its first sprite,
    // record 0 stays an unnumbered entity that draws nothing, and the sprite takes the next one.
    if (index == 0) index = NewDisplayEntity();
    if (index == kNoRecord) return kNoRecord;
    SpriteNumberMap.Set(number, index);
    DisplayEntityTable[index].userNumber = number;
  }
  DisplayEntity& sprite = DisplayEntityTable[index];
  if (sprite.inUse == 0) {
    sprite.inUse = 1;
    sprite.imageIndex = -1;
    sprite.backgroundSave = 1;
    sprite.scaleX = sprite.scaleY = 1.0f;
    sprite.transparent = 1;
    sprite.visible = 1;
    // A sprite made again while its deletion was pending stays.
    sprite.deleteCountdown = 0;
  }
  return index;
}

void DeleteSprite(int32_t number) {
  const int32_t index = SpriteEntity(number);
  if (index == kNoRecord) return;
  DisplayEntity& sprite = DisplayEntityTable[index];
  sprite.inUse = 0;
  if (sprite.backgroundSave == 1) {
    sprite.imageIndex = -1;
    sprite.deleteCountdown = 2;
    return;
  }
  DeleteDisplayEntity(index);
  SpriteNumberMap.Set(number, 0);
  sprite.userNumber = 0;
}

// The drawn size follows the image's size as its command set it, also before the frame that
// grabs its picture.
int32_t EntityDrawnWidth(int32_t entity) {
  const int32_t image = EntityImage(DisplayEntityTable[entity]);
  if (image <= 0 || !ImageTable.IsTaken(image)) return 0;
  return ClampToInt(ScaledSize(ImageTable[image].width, DisplayEntityTable[entity].scaleX));
}

int32_t EntityDrawnHeight(int32_t entity) {
  const int32_t image = EntityImage(DisplayEntityTable[entity]);
  if (image <= 0 || !ImageTable.IsTaken(image)) return 0;
  return ClampToInt(ScaledSize(ImageTable[image].height, DisplayEntityTable[entity].scaleY));
}

}  // namespace qm
