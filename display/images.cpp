// Images and the replay of the image requests (see images.h).
#include "display/images.h"

#include <algorithm>
#include <cstring>

#include "display/bitmaps.h"
#include "display/draw_request_queue.h"
#include "display/engine_tables.h"
#include "display/number_maps.h"
#include "display/sprites.h"
#include "display/surface_utilities.h"
#include "io/file_helpers.h"
#include "platform/display/surface.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;
using platform::Surface;

constexpr int16_t kDeleteCountdownFrames = 2;  // one frame per flip buffer

bool HoldsImage(int32_t index) { return index > 0 && ImageTable.Exists() && ImageTable.IsTaken(index); }

// The format image surfaces take: the screen's, or the loaders' before any screen.
platform::PixelFormat ImageFormat() {
  if (Surface* back = BackBufferSurface(); back != nullptr) return back->Format();
  return ImageLoaderDisplayFormat();
}

void SetTransparentKey(Surface* surface) {
  const uint32_t key = TransparentColourKey();
  surface->SetColorKey({key, key});
}

// Releases the surface the record owns and leaves it without a picture.
void ReleaseImageSurface(int32_t index) {
  Surface*& owned = ImageTable.ColumnAt(index);
  if (owned != nullptr) owned->Release();
  owned = nullptr;
  ImageRecord& image = ImageTable[index];
  image.surface = nullptr;
  image.exists = 0;
}

void MarkWithoutPicture(int32_t index) {
  ReleaseImageSurface(index);
  ImageRecord& image = ImageTable[index];
  image.width = image.height = 0;
  image.surfaceWidth = image.surfaceHeight = 0;
  image.sourceRect[0] = image.sourceRect[1] = image.sourceRect[2] = image.sourceRect[3] = 0;
}

int32_t GrabIntoImage(int32_t index, Surface* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!HoldsImage(index)) return 1;
  const int64_t width = static_cast<int64_t>(x2) - x1, height = static_cast<int64_t>(y2) - y1;
  if (source == nullptr || width > platform::kMaxSurfaceSide || height > platform::kMaxSurfaceSide ||
      CreateImageSurface(index, static_cast<int32_t>(width), static_cast<int32_t>(height)) == 0) {
    MarkWithoutPicture(index);
    return 1;
  }
  BlitSurfaceRectTo(ImageTable[index].surface, 0, 0, source, Rect{x1, y1, x2, y2});
  return 1;
}

// ---- Replays ----

void ReplayGetImage(const DrawRequest& r) {
  Surface* target = r.surfaceAtQueue;
  if (target == nullptr || !HoldsImage(r.number)) return;
  if (r.x >= r.x2 || r.y >= r.y2) {
    RaiseRuntimeError(kErrorImageRectEmpty);
    return;
  }
  if (r.x < 0 || r.y < 0 || r.x2 > target->Width() || r.y2 > target->Height()) {
    RaiseRuntimeError(kErrorImageRectOutside);
    return;
  }
  GrabIntoImage(r.number, target, r.x, r.y, r.x2, r.y2);
}

void ReplayPasteImage(const DrawRequest& r) {
  if (r.surfaceAtQueue == nullptr || !ImageHasPicture(r.number)) return;
  const ImageRecord& image = ImageTable[r.number];
  const int32_t width = image.sourceRect[2] - image.sourceRect[0];
  const int32_t height = image.sourceRect[3] - image.sourceRect[1];
  for (int32_t pass = 0; pass < BlitOverdrawCount(); ++pass)
    PasteImageClipped(r.surfaceAtQueue, r.bitmapAtQueue, r.number, r.x, r.y, width, height, r.x2 != 0);
}

void ReplaySaveImage(const DrawRequest& r) {
  if (!ImageHasPicture(r.number)) {
    RaiseRuntimeError(kErrorImageMissing);
    return;
  }
  const ImageRecord& image = ImageTable[r.number];
  bool saved = false;
  if (CreateBitmapSurface(kScratchBitmapSlot, image.width, image.height) != 0) {
    PasteImageClipped(BitmapSurface(kScratchBitmapSlot), kScratchBitmapSlot, r.number, 0, 0, image.width,
                      image.height, false);
    saved = SaveBitmapToFile(kScratchBitmapSlot, r.text) == ImageError::None;
  }
  DeleteBitmapSurface(kScratchBitmapSlot);
  if (!saved) RaiseRuntimeError(kErrorBitmapNotSaved);
}

void ReplayRotateImage(const DrawRequest& r) {
  if (r.surfaceAtQueue == nullptr || !ImageHasPicture(r.number)) return;
  RotateImage(r.number, r.x);
}

}  // namespace

// ---- Looking images up ----

int32_t FindImage(int32_t number) { return IsImageNumber(number) ? ImageNumberMap.Find(number) : 0; }

int32_t ImageWidth(int32_t index) { return HoldsImage(index) ? ImageTable[index].width : 0; }
int32_t ImageHeight(int32_t index) { return HoldsImage(index) ? ImageTable[index].height : 0; }
Surface* ImageSurfaceOf(int32_t index) { return HoldsImage(index) ? ImageTable[index].surface : nullptr; }
bool ImageHasPicture(int32_t index) {
  return HoldsImage(index) && ImageTable[index].exists == 1 && ImageTable[index].surface != nullptr;
}

// ---- Making and deleting images ----

int32_t NewImageRecord() {
  const int32_t index = NewImage();
  return index == kNoRecord ? 0 : index;
}

int32_t CreateImageSurface(int32_t index, int32_t width, int32_t height) {
  if (!HoldsImage(index)) return 0;
  ImageRecord& image = ImageTable[index];
  Surface*& owned = ImageTable.ColumnAt(index);
  const bool keep = owned != nullptr && image.surface == owned && image.surfaceWidth == width &&
                    image.surfaceHeight == height;
  if (!keep) {
    ReleaseImageSurface(index);
    if (width < 1 || height < 1) return 0;
    platform::SurfaceDesc desc;
    desc.width = width;
    desc.height = height;
    desc.format = ImageFormat();
    desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    Surface* surface = nullptr;
    if (Surface::Create(desc, surface) != DisplayResult::Ok) return 0;
    SetTransparentKey(surface);
    owned = surface;
    ImageTable[index].surface = surface;
    ImageTable[index].surfaceWidth = width;
    ImageTable[index].surfaceHeight = height;
  }
  ImageRecord& record = ImageTable[index];
  record.sourceRect[0] = 0;
  record.sourceRect[1] = 0;
  record.sourceRect[2] = width;
  record.sourceRect[3] = height;
  record.width = width;
  record.height = height;
  record.exists = 1;
  return 1;
}

int32_t GrabScreenIntoImage(int32_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return GrabIntoImage(index, BackBufferSurface(), x1, y1, x2, y2);
}

int32_t GrabBitmapIntoImage(int32_t index, int32_t slot, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return GrabIntoImage(index, BitmapSurface(slot), x1, y1, x2, y2);
}

int32_t NewImageFromBitmapRect(int32_t slot, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t index = NewImageRecord();
  if (index != 0) GrabBitmapIntoImage(index, slot, x1, y1, x2, y2);
  return index;
}

int32_t NewImageFromWholeBitmap(int32_t slot) {
  Surface* surface = BitmapSurface(slot);
  const int32_t width = surface != nullptr ? surface->Width() : 0;
  const int32_t height = surface != nullptr ? surface->Height() : 0;
  return NewImageFromBitmapRect(slot, 0, 0, width, height);
}

int32_t DeleteImage(int32_t index) {
  if (!HoldsImage(index)) return 0;
  ReleaseImageSurface(index);
  ImageTable[index].deleteCountdown = 0;
  ImageTable.Release(index);
  return 1;
}

int32_t DeleteImageLater(int32_t number) {
  const int32_t index = FindImage(number);
  if (index == 0) return 0;
  ImageTable[index].deleteCountdown = kDeleteCountdownFrames;
  ImageNumberMap.Set(number, 0);
  return 1;
}

// A deletion is carried out whether or not the image ever got a picture: a failed grab must not
// keep its record for ever.
void ProcessDeferredImageDeletions() {
  if (!ImageTable.Exists()) return;
  ImageTable.ForEachUsed([](int32_t index) {
    ImageRecord& image = ImageTable[index];
    if (image.deleteCountdown <= 0) return;
    if (--image.deleteCountdown == 0) DeleteImage(index);
  });
}

int32_t LoadImageFromFile(const std::string& fileName, int32_t number) {
  if (!FileExists(fileName)) {
    RaiseRuntimeError(kWarningFileMissing);
    return 0;
  }
  if (LoadBitmapFromFile(kScratchBitmapSlot, fileName) == 0) {
    RaiseRuntimeWarning(kWarningBitmapUnreadable);
    return 0;
  }
  Surface* loaded = BitmapSurface(kScratchBitmapSlot);
  int32_t index = FindImage(number);
  if (index == 0) {
    index = NewImageRecord();
    if (index != 0) ImageNumberMap.Set(number, index);
  }
  if (index != 0) {
    if (CreateImageSurface(index, loaded->Width(), loaded->Height()) == 0) {
      MarkWithoutPicture(index);
    } else {
      // The file's pixels as they are (a compressed file is unpacked by the blit); the image's own
      // colour key makes black transparent when it is pasted so.
      const Rect whole{0, 0, loaded->Width(), loaded->Height()};
      Surface* picture = ImageTable[index].surface;
      for (;;) {
        const DisplayResult result = picture->Blt(&whole, loaded, &whole, 0);
        if (result != DisplayResult::WasStillDrawing) break;
      }
    }
  }
  DeleteBitmapSurface(kScratchBitmapSlot);
  return index;
}

namespace {

// Writes every pixel x, y of a w x h picture where `turns` clockwise quarter turns take it. The
// picture is walked in tiles of 32 x 32 pixels: a turn reads rows and writes columns, and a tile's
// rows and columns stay in the cache, where walking whole rows would write down columns of
// power-of-two strides that all fall into a few cache sets.
template <int kBytes>
void TurnPixels(const platform::LockedRect& from, const platform::LockedRect& to, int w, int h, int turns) {
  constexpr int kTile = 32;
  // Where pixel 0, y lands (for each y, from the turn) and how far pixel x + 1 is from pixel x.
  auto landing = [&](int y, std::ptrdiff_t& step) -> std::ptrdiff_t {
    switch (turns) {
      case 1:
        step = to.pitch;
        return static_cast<std::ptrdiff_t>(h - 1 - y) * kBytes;
      case 2:
        step = -kBytes;
        return static_cast<std::ptrdiff_t>(h - 1 - y) * to.pitch +
               static_cast<std::ptrdiff_t>(w - 1) * kBytes;
      case 3:
        step = -static_cast<std::ptrdiff_t>(to.pitch);
        return static_cast<std::ptrdiff_t>(w - 1) * to.pitch + static_cast<std::ptrdiff_t>(y) * kBytes;
      default:
        step = kBytes;
        return static_cast<std::ptrdiff_t>(y) * to.pitch;
    }
  };
  for (int tileY = 0; tileY < h; tileY += kTile) {
    for (int tileX = 0; tileX < w; tileX += kTile) {
      const int endX = std::min(w, tileX + kTile);
      for (int y = tileY; y < std::min(h, tileY + kTile); ++y) {
        const uint8_t* in = from.bits + static_cast<std::ptrdiff_t>(y) * from.pitch;
        std::ptrdiff_t step = 0;
        uint8_t* out = to.bits + landing(y, step) + step * tileX;
        for (int x = tileX; x < endX; ++x, out += step)
          std::memcpy(out, in + static_cast<std::ptrdiff_t>(x) * kBytes, kBytes);
      }
    }
  }
}

}  // namespace

// Turns are made straight in memory, one pixel at a time in the order the rows are read; four
// turns are no turn, so only angle / 90 modulo 4 of them are made.
Surface* RotateSurface(Surface* surface, int32_t angle) {
  const int32_t quarters = angle / 90;
  if (surface == nullptr || quarters <= 0) return nullptr;
  const int turns = quarters % 4;
  const int w = surface->Width(), h = surface->Height();
  const bool swapped = turns % 2 == 1;
  platform::SurfaceDesc desc;
  desc.width = swapped ? h : w;
  desc.height = swapped ? w : h;
  desc.format = surface->Format();
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  const int bytes = platform::BytesPerPixel(surface->Format());
  if (bytes == 0) return nullptr;
  Surface* turned = nullptr;
  if (Surface::Create(desc, turned) != DisplayResult::Ok) return nullptr;
  platform::LockedRect from, to;
  if (surface->Lock(nullptr, platform::kLockWait | platform::kLockReadOnly, from) != DisplayResult::Ok) {
    turned->Release();
    return nullptr;
  }
  if (turned->Lock(nullptr, platform::kLockWait | platform::kLockWriteOnly, to) != DisplayResult::Ok) {
    surface->Unlock();
    turned->Release();
    return nullptr;
  }
  switch (bytes) {
    case 2:
      TurnPixels<2>(from, to, w, h, turns);
      break;
    case 3:
      TurnPixels<3>(from, to, w, h, turns);
      break;
    default:
      TurnPixels<4>(from, to, w, h, turns);
      break;
  }
  turned->Unlock();
  surface->Unlock();
  return turned;
}

void RotateImage(int32_t index, int32_t angle) {
  if (!ImageHasPicture(index)) return;
  Surface* turned = RotateSurface(ImageTable[index].surface, angle);
  if (turned == nullptr) return;
  // A borrowed surface (the mouse pointer's) stays with its owner; the turned one is the image's.
  ReleaseImageSurface(index);
  SetTransparentKey(turned);
  ImageTable.ColumnAt(index) = turned;
  ImageRecord& image = ImageTable[index];
  image.surface = turned;
  image.exists = 1;
  image.textureIndex = 0;
  image.surfaceWidth = image.width = turned->Width();
  image.surfaceHeight = image.height = turned->Height();
  image.sourceRect[0] = image.sourceRect[1] = 0;
  image.sourceRect[2] = image.width;
  image.sourceRect[3] = image.height;
}

void ReplayImageRequest(const DrawRequest& r) {
  switch (r.code) {
    case kDrawGetImage:
      ReplayGetImage(r);
      break;
    case kDrawPasteImage:
      ReplayPasteImage(r);
      break;
    case kDrawSaveImage:
      ReplaySaveImage(r);
      break;
    case kDrawRotateImage:
      ReplayRotateImage(r);
      break;
    default:
      break;
  }
}

}  // namespace qm
