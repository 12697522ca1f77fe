#include "display/sprite_collision.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/display_entity.h"
#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "platform/display/surface.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::LockedRect;
using platform::Surface;

int64_t ScaledSize(int32_t size, float scale) {
  const double scaled = static_cast<double>(size) * static_cast<double>(scale);
  if (!(scaled > 0)) return 0;
  return scaled >= 2147483647.0 ? INT32_MAX : static_cast<int64_t>(scaled);
}

SpriteRect ScreenRect(const DisplayEntity& sprite, const ImageRecord& image) {
  SpriteRect rect;
  rect.left = static_cast<int64_t>(sprite.x) - sprite.offsetX;
  rect.top = static_cast<int64_t>(sprite.y) - sprite.offsetY;
  rect.right = rect.left + ScaledSize(image.width, sprite.scaleX);
  rect.bottom = rect.top + ScaledSize(image.height, sprite.scaleY);
  return rect;
}

// The source index of each screen pixel along one side: `count` screen pixels from `from` within
// a side `drawn` long showing `size` source pixels, reversed when mirrored. Indexes are held inside
// the image.
void SourceIndexes(std::vector<int32_t>& out, int64_t count, int64_t from, int64_t drawn, int32_t size,
                   bool reversed) {
  out.resize(static_cast<std::size_t>(count));  // grows once to the largest overlap, then stays
  const float ratio = static_cast<float>(size) / static_cast<float>(drawn);
  for (int64_t i = 0; i < count; ++i) {
    const float at = static_cast<float>(from + i) * ratio;
    const auto index = static_cast<int64_t>(reversed ? static_cast<float>(size - 1) - at : at);
    out[static_cast<std::size_t>(i)] = static_cast<int32_t>(std::clamp<int64_t>(index, 0, size - 1));
  }
}

uint32_t ReadPixel(const uint8_t* at, int bytes) {
  switch (bytes) {
    case 2: {
      uint16_t value;
      std::memcpy(&value, at, 2);
      return value;
    }
    case 3:
      return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
             static_cast<uint32_t>(at[2]) << 16;
    default: {
      uint32_t value;
      std::memcpy(&value, at, 4);
      return value;
    }
  }
}

struct ImageView {
  const uint8_t* first = nullptr;  // the picture's top-left pixel
  int pitch = 0, bytes = 0;
  // The colour bits: an unused top bit or byte never makes two pixels collide.
  uint32_t colourBits = 0;
};

ImageView ViewOf(const LockedRect& lock, const ImageRecord& image) {
  ImageView view;
  view.bytes = platform::BytesPerPixel(lock.format);
  view.pitch = lock.pitch;
  const platform::ChannelMasks masks = platform::MasksOf(lock.format);
  view.colourBits = masks.red | masks.green | masks.blue;
  view.first = lock.bits + static_cast<std::ptrdiff_t>(image.sourceRect[1]) * lock.pitch +
               static_cast<std::ptrdiff_t>(image.sourceRect[0]) * view.bytes;
  return view;
}

bool PicturesShareABit(const ImageView& a, const ImageView& b, const std::vector<int32_t>& rowsA,
                       const std::vector<int32_t>& columnsA, const std::vector<int32_t>& rowsB,
                       const std::vector<int32_t>& columnsB) {
  for (std::size_t i = 0; i < rowsA.size(); ++i) {
    const uint8_t* rowA = a.first + static_cast<std::ptrdiff_t>(rowsA[i]) * a.pitch;
    const uint8_t* rowB = b.first + static_cast<std::ptrdiff_t>(rowsB[i]) * b.pitch;
    for (std::size_t j = 0; j < columnsA.size(); ++j) {
      const uint32_t pixelA = ReadPixel(rowA + static_cast<std::ptrdiff_t>(columnsA[j]) * a.bytes, a.bytes);
      const uint32_t pixelB = ReadPixel(rowB + static_cast<std::ptrdiff_t>(columnsB[j]) * b.bytes, b.bytes);
      if ((pixelA & pixelB & a.colourBits & b.colourBits) != 0) return true;
    }
  }
  return false;
}

// The pictures' sides fit their surfaces, so no index can leave a surface.
bool PictureFitsSurface(const ImageRecord& image, const Surface& surface) {
  return image.width > 0 && image.height > 0 && image.sourceRect[0] >= 0 && image.sourceRect[1] >= 0 &&
         image.sourceRect[0] + image.width <= surface.Width() &&
         image.sourceRect[1] + image.height <= surface.Height();
}

}  // namespace

int32_t SpriteOverlapHit(int32_t a, int32_t b) {
  if (!DisplayEntityTable.IsTaken(a) || !DisplayEntityTable.IsTaken(b)) return 0;
  const DisplayEntity& first = DisplayEntityTable[a];
  const DisplayEntity& second = DisplayEntityTable[b];
  if (first.inUse != 1 || second.inUse != 1) return 0;
  const int32_t imageA = EntityImage(first), imageB = EntityImage(second);
  const ImageRecord* pictureA = DrawableImage(imageA);
  const ImageRecord* pictureB = DrawableImage(imageB);
  if (pictureA == nullptr || pictureB == nullptr) return 0;
  const SpriteRect rectA = ScreenRect(first, *pictureA), rectB = ScreenRect(second, *pictureB);
  if (rectA.left > rectB.right || rectA.top > rectB.bottom || rectA.right <= rectB.left ||
      rectA.bottom <= rectB.top) {
    return 0;
  }
  return SpritePixelCollision(imageA, rectA, imageB, rectB, first.flipped == 1, first.mirrored == 1,
                              second.flipped == 1, second.mirrored == 1);
}

int32_t SpritePixelCollision(int32_t imageA, const SpriteRect& rectA, int32_t imageB, const SpriteRect& rectB,
                             bool flippedA, bool mirroredA, bool flippedB, bool mirroredB) {
  const ImageRecord* a = DrawableImage(imageA);
  const ImageRecord* b = DrawableImage(imageB);
  if (a == nullptr || b == nullptr) return 0;
  const int64_t left = std::max(rectA.left, rectB.left), top = std::max(rectA.top, rectB.top);
  const int64_t right = std::min(rectA.right, rectB.right), bottom = std::min(rectA.bottom, rectB.bottom);
  if (right <= left || bottom <= top) return 0;
  if (!PictureFitsSurface(*a, *a->surface) || !PictureFitsSurface(*b, *b->surface)) return 0;

  // Kept between tests, so testing in every frame allocates nothing once they have grown.
  static std::vector<int32_t> rowsA, columnsA, rowsB, columnsB;
  SourceIndexes(rowsA, bottom - top, top - rectA.top, rectA.bottom - rectA.top, a->height, flippedA);
  SourceIndexes(columnsA, right - left, left - rectA.left, rectA.right - rectA.left, a->width, mirroredA);
  SourceIndexes(rowsB, bottom - top, top - rectB.top, rectB.bottom - rectB.top, b->height, flippedB);
  SourceIndexes(columnsB, right - left, left - rectB.left, rectB.right - rectB.left, b->width, mirroredB);

  Surface* surfaceA = a->surface;
  Surface* surfaceB = b->surface;
  LockedRect lockA, lockB;
  if (surfaceA->Lock(nullptr, platform::kLockReadOnly | platform::kLockWait, lockA) != DisplayResult::Ok)
    return 0;
  const bool shared = surfaceB == surfaceA;
  if (shared) {
    lockB = lockA;
  } else if (surfaceB->Lock(nullptr, platform::kLockReadOnly | platform::kLockWait, lockB) !=
             DisplayResult::Ok) {
    surfaceA->Unlock();
    return 0;
  }
  const bool hit = platform::BytesPerPixel(lockA.format) > 0 && platform::BytesPerPixel(lockB.format) > 0 &&
                   PicturesShareABit(ViewOf(lockA, *a), ViewOf(lockB, *b), rowsA, columnsA, rowsB, columnsB);
  if (!shared) surfaceB->Unlock();
  surfaceA->Unlock();
  return hit ? 1 : 0;
}

}  // namespace qm
