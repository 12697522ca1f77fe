// Sprites: numbered images drawn over the display at the end of every frame, each with its own
// position, hot spot, scale, mirroring, flipping, transparency and, when asked, a saved copy of
// what lies under it, so a program can move it without redrawing the background. Sprites are
// display entities reached through SpriteNumberMap; the mouse pointer and the command-line
// overlay are display entities too and go through the same frame steps. 3D entries are skipped.
//
// The frame over back buffer k (TheDisplay.spriteBufferIndex): BeginFrame restores what lay under
// each entity when buffer k was last drawn; SyncFrame carries out pending deletions, saves what
// lies under each entity's new place, draws the entities and presents, which under a flip chain
// makes the other buffer the back buffer. Each buffer keeps its own saved backgrounds, so an
// entity that moves leaves no trail in either.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "platform/display/surface.h"

namespace qm {

// ---- Frame steps (each returns 1) ----

// Pastes back, onto the back buffer, each background saved when this buffer was last drawn. When
// lost surfaces were restored since the last frame, the saved backgrounds are dropped first (they
// may hold the lost picture) and taken afresh at the next save.
int32_t RestoreSpriteBackgrounds();
// Saves what lies under each background-saving entity's screen rectangle into that entity's
// background image of the current buffer. Background images are made once per entity and buffer
// and only grow, so a steady frame allocates nothing.
int32_t SaveSpriteBackgrounds();
// Saves the backgrounds for the other flip buffer, then for the current one, so both hold the
// present back buffer's picture (the current buffer stays the current one).
void SaveSpriteBackgroundsOfBothBuffers();
// Draws every visible entity with an image onto the back buffer: layer 0 (sprites), then 1 (the
// overlay), then 2 (the pointer), each in creation order.
int32_t DrawSprites();
// Counts down deleted images and sprites, freeing each whose countdown ends.
void ProcessDeferredDeletions();
// Deletes every saved background (the next save takes them again at the current display).
int32_t ReleaseSpriteBackgrounds();

// ---- Blits shared by sprites, PASTE SPRITE and image pastes ----

// Source and destination rectangles of a blit of `width` x `height` pixels of `source` (its left
// and top used) drawn at (x, y) scaled by (scaleX, scaleY), both cut to the target bitmap: the
// source is cut in proportion, from the other side when mirrored or flipped. An empty destination
// (a scale that makes no pixel, or a place wholly outside) comes back with an empty destination.
struct BlitRectangles {
  platform::Rect source;
  platform::Rect destination;
};
BlitRectangles ClipBlitRectangles(int32_t targetBitmap, const platform::Rect& source, int64_t x, int64_t y,
                                  int32_t width, int32_t height, float scaleX, float scaleY, bool flipped,
                                  bool mirrored);
// Draws the entity's image at (x, y) minus its hot spot onto `destination` (bitmap
// `targetBitmap`), with its scale, mirroring, flipping and transparency. An entity without an
// image, a 3D entry or a place wholly outside the target draws nothing.
void BlitSprite(platform::Surface* destination, int32_t targetBitmap, int32_t entity, int64_t x, int64_t y);
// An unscaled paste of `width` x `height` of image `image` at (x, y), cut to the target bitmap,
// skipping the colour key when `transparent`. 1.
int32_t PasteImageClipped(platform::Surface* destination, int32_t targetBitmap, int32_t image, int32_t x,
                          int32_t y, int32_t width, int32_t height, bool transparent);

// ---- Sprite records ----

inline constexpr int32_t kFirstSprite = 1;
inline constexpr int32_t kLastSprite = 65535;

// The entity of sprite `number` (also one whose deletion is pending), or kNoRecord.
int32_t SpriteEntity(int32_t number);
// True when sprite `number` exists and no deletion is pending.
bool SpriteExists(int32_t number);
// Sprite `number`, made when it has no entity yet and put in use (with its defaults) when it was
// not: its entity, or kNoRecord when no record could be taken (runtime error 101 is pending). A
// sprite whose deletion was pending is in use again and stays.
int32_t MakeSprite(int32_t number);
// Deletes sprite `number`: at once without background saving; otherwise after two frames, so
// each buffer pastes its saved background back once more.
void DeleteSprite(int32_t number);
// The drawn size of the entity's image, truncated toward zero (0 x 0 without an image).
int32_t EntityDrawnWidth(int32_t entity);
int32_t EntityDrawnHeight(int32_t entity);

}  // namespace qm
