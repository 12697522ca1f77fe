// Sprite collision, tested on demand from the sprites' current places, hot spots, scales,
// mirroring and flipping and the pixels of their images: the screen rectangles must overlap, then
// at least one pair of overlapping pixels must have a set bit in common (colour 0 never collides).
// What was drawn on the screen plays no part; hidden sprites collide like shown ones.
#pragma once
#include <cstdint>

namespace qm {

// A sprite's screen rectangle: right and bottom exclusive.
struct SpriteRect {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
};

// 1 when display entities `a` and `b` are both sprites in use with images and touch (rectangles,
// then pixels), else 0. The pointer, the overlay and 3D entries never collide.
int32_t SpriteOverlapHit(int32_t a, int32_t b);

// The pixel test over the overlap of two images drawn into `rectA` and `rectB`: 1 at the first
// pair of overlapping pixels whose values share a set bit, else 0 (also when a surface cannot be
// read).
int32_t SpritePixelCollision(int32_t imageA, const SpriteRect& rectA, int32_t imageB, const SpriteRect& rectB,
                             bool flippedA, bool mirroredA, bool flippedB, bool mirroredB);

}  // namespace qm
