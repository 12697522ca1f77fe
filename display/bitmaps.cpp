// Bitmaps, their effects and the replay of the bitmap requests (see bitmaps.h).
#include "display/bitmaps.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "display/display_state.h"
#include "display/draw_request_queue.h"
#include "display/surface_utilities.h"
#include "io/file_helpers.h"
#include "platform/display/surface.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;
using platform::Surface;

std::array<BitmapInfoRecord, kBitmapSlots> gBitmapInfo;

bool IsSlot(int32_t slot) { return slot >= 0 && slot < kBitmapSlots; }

void ReadInfoFromSurface(int32_t slot) {
  Surface* surface = BitmapSurface(slot);
  if (surface == nullptr) return;
  BitmapInfoRecord& info = gBitmapInfo[static_cast<std::size_t>(slot)];
  info.width = surface->Width();
  info.height = surface->Height();
  info.depth = platform::BitsPerPixel(surface->Format());
}

// The pixel format new bitmap surfaces take: the screen's, or the loaders' before any screen.
platform::PixelFormat BitmapFormat() {
  if (Surface* back = BackBufferSurface(); back != nullptr) return back->Format();
  return ImageLoaderDisplayFormat();
}

Surface* NewSystemSurface(int32_t width, int32_t height) {
  if (width < 1 || height < 1 || width > platform::kMaxSurfaceSide || height > platform::kMaxSurfaceSide)
    return nullptr;
  platform::SurfaceDesc desc;
  desc.width = width;
  desc.height = height;
  desc.format = BitmapFormat();
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  Surface* surface = nullptr;
  return Surface::Create(desc, surface) == DisplayResult::Ok ? surface : nullptr;
}

void MarkDisplayNotReady() {
  if (!AlwaysActiveFlag) DisplayReadyFlag = 0;
}

// A Blt in the surface call loop: a lost surface is restored and the call repeated, a busy one
// repeated at once. The last result (Ok, or why it gave up).
DisplayResult BltInLoop(Surface* destination, const Rect* destinationRect, Surface* source,
                        const Rect* sourceRect) {
  for (;;) {
    const DisplayResult result = destination->Blt(destinationRect, source, sourceRect, 0);
    if (result == DisplayResult::WasStillDrawing) continue;
    if (result != DisplayResult::SurfaceLost) return result;
    Surface* lost = source->IsLost() ? source : destination;
    if (lost->Restore() != DisplayResult::Ok) {
      MarkDisplayNotReady();
      return result;
    }
  }
}

DisplayResult BltFastInLoop(Surface* destination, int x, int y, Surface* source, const Rect* sourceRect) {
  for (;;) {
    const DisplayResult result = destination->BltFast(x, y, source, sourceRect, platform::kBltFastNoColorKey);
    if (result == DisplayResult::WasStillDrawing) continue;
    if (result != DisplayResult::SurfaceLost) return result;
    Surface* lost = source->IsLost() ? source : destination;
    if (lost->Restore() != DisplayResult::Ok) {
      MarkDisplayNotReady();
      return result;
    }
  }
}

// Locks the whole surface, waiting while it is busy. False when it cannot be locked.
bool LockWhole(Surface* surface, platform::LockedRect& locked) {
  for (;;) {
    const DisplayResult result = surface->Lock(nullptr, platform::kLockWait, locked);
    if (result == DisplayResult::Ok) return true;
    if (result != DisplayResult::WasStillDrawing) return false;
  }
}

// The pixels of a locked RGB surface, and its channels as the effects split them (blue at bit 0).
// Pixels are read and written by a byte width fixed at compile time (ForPixelBytes), so the
// per-pixel copies are single moves.
struct LockedPixels {
  platform::LockedRect rect;
  int bytes = 0;
  PixelPacking packing;

  uint8_t* RowAt(int y) const { return rect.bits + static_cast<std::ptrdiff_t>(y) * rect.pitch; }
  template <int kBytes>
  static uint32_t Get(const uint8_t* row, int x) {
    uint32_t v = 0;
    std::memcpy(&v, row + static_cast<std::ptrdiff_t>(x) * kBytes, kBytes);
    return v;
  }
  template <int kBytes>
  static void Put(uint8_t* row, int x, uint32_t v) {
    std::memcpy(row + static_cast<std::ptrdiff_t>(x) * kBytes, &v, kBytes);
  }
};

// Calls body(std::integral_constant<int, bytes>) for 2, 3 or 4 bytes per pixel.
template <typename Body>
void ForPixelBytes(int bytes, Body&& body) {
  switch (bytes) {
    case 2:
      body(std::integral_constant<int, 2>{});
      break;
    case 3:
      body(std::integral_constant<int, 3>{});
      break;
    case 4:
      body(std::integral_constant<int, 4>{});
      break;
    default:
      break;
  }
}

// x / count for the sums of a blur window (count 1 to 81, each channel sum at most 81 x 255) as a
// multiplication: (x x (2^32 / count + 1)) >> 32 is exactly x / count over that whole range.
constexpr int32_t kLargestBlurWindow = 9;
struct WindowDivisors {
  std::array<uint64_t, kLargestBlurWindow * kLargestBlurWindow + 1> inverse{};
  constexpr WindowDivisors() {
    for (std::size_t count = 1; count < inverse.size(); ++count)
      inverse[count] = (uint64_t{1} << 32) / count + 1;
  }
};
constexpr WindowDivisors kWindowDivisors;

// Locks an RGB surface for an effect. False (nothing locked) for a null, lost, busy or compressed
// surface.
bool LockForEffect(Surface* surface, LockedPixels& pixels) {
  if (surface == nullptr) return false;
  if (!ChannelLayoutIsSupported(platform::MasksOf(surface->Format()))) return false;
  if (!LockWhole(surface, pixels.rect)) return false;
  pixels.bytes = platform::BytesPerPixel(surface->Format());
  pixels.packing = PackingOf(surface->Format());
  ReadSurfacePixelFormat(surface);
  return true;
}

// ---- Replay helpers ----

// Raises the error of a bitmap number that names no usable bitmap: 1001 outside 0-31, 1002 for
// a bitmap above 0 without a surface. The surface, or null after raising.
Surface* ResolveBitmap(int32_t number) {
  if (!IsBitmapNumber(number)) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return nullptr;
  }
  Surface* surface = BitmapSurface(number);
  if (surface == nullptr) RaiseRuntimeError(kErrorBitmapMissing);
  return surface;
}

void MakeCurrent(int32_t number) { QueueCurrentBitmap = QueueBitmap{number, BitmapSurface(number)}; }

void ReplaySetCurrentBitmap() {
  const int32_t number = QueueCurrentBitmap.number;
  if (!IsBitmapNumber(number)) {
    RaiseRuntimeError(kErrorBitmapNumber);
  } else if (BitmapSurface(number) == nullptr) {
    RaiseRuntimeError(kErrorBitmapMissing);
  }
}

void ReplayLoadBitmap(const DrawRequest& r) {
  const int32_t n = r.number;
  if (!IsBitmapNumber(n)) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return;
  }
  if (!FileExists(r.text)) {
    RaiseRuntimeError(kWarningFileMissing);
    return;
  }
  Surface* loaded = LoadImageFileToSurface(r.text);
  if (loaded == nullptr) {
    // A screen load under a flip chain reports an unreadable file once, on its last replay.
    if (r.repeatCount <= 0) {
      RaiseRuntimeWarning(kWarningBitmapUnreadable);
      return;
    }
  } else if (n == 0) {
    CopyImageIntoSurface(BackBufferSurface(), loaded);
    loaded->Release();
  } else if (Surface*& slot = TheDisplay.bitmapSurfaces[static_cast<std::size_t>(n)]; slot == nullptr) {
    slot = loaded;
    if (!IsDdsFileName(r.text)) {
      const uint32_t key = TransparentColourKey();
      slot->SetColorKey({key, key});
    }
  } else {
    CopyImageIntoSurface(slot, loaded);
    loaded->Release();
  }
  ReadInfoFromSurface(n);
  MakeCurrent(n);
}

void ReplaySaveBitmap(const DrawRequest& r) {
  Surface* surface = ResolveBitmap(r.number);
  if (surface == nullptr) return;
  if (SaveSurfaceToImageFile(surface, r.text) != ImageError::None) RaiseRuntimeError(kErrorBitmapNotSaved);
}

void ReplayCreateBitmap(const DrawRequest& r) {
  const int32_t n = r.number;
  if (n == 0) {
    RaiseRuntimeError(kErrorCreateScreenBitmap);
    return;
  }
  if (!IsBitmapNumber(n)) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return;
  }
  if (CreateBitmapSurface(n, r.x2, r.y2) == 0) {
    RaiseRuntimeError(kErrorBitmapNotCreated);
    return;
  }
  MakeCurrent(n);
}

void ReplayDeleteBitmap(const DrawRequest& r) {
  const int32_t n = r.number;
  if (!IsBitmapNumber(n)) {
    RaiseRuntimeError(kErrorBitmapNumber);
  } else if (n == 0) {
    RaiseRuntimeError(kErrorDeleteScreenBitmap);
  } else if (BitmapSurface(n) == nullptr) {
    RaiseRuntimeError(kErrorBitmapMissing);
  } else {
    DeleteBitmapSurface(n);
  }
}

// A copy rectangle (both corners inside) as a surface rectangle, with its error: 1010 outside the
// bitmap, 1011 empty or reversed. 0 when it is good.
RuntimeErrorCode CheckCopyRect(const int32_t (&c)[4], const BitmapInfoRecord& info, Rect& rect) {
  const int64_t right = static_cast<int64_t>(c[2]) + 1, bottom = static_cast<int64_t>(c[3]) + 1;
  if (c[0] < 0 || c[1] < 0 || right > info.width || bottom > info.height) return kErrorCopyRectOutside;
  if (c[2] <= c[0] || c[3] <= c[1]) return kErrorCopyRectEmpty;
  rect = Rect{c[0], c[1], static_cast<int>(right), static_cast<int>(bottom)};
  return 0;
}

void ReplayCopyBitmap(const DrawRequest& r) {
  const int32_t from = r.number, to = RequestWord(r, 4);
  if (!IsBitmapNumber(from) || !IsBitmapNumber(to)) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return;
  }
  if (r.x == 0 && from == to) {
    RaiseRuntimeError(kErrorCopyOntoItself);
    return;
  }
  Surface* source = BitmapSurface(from);
  Surface* destination = BitmapSurface(to);
  if (source == nullptr || destination == nullptr) {
    RaiseRuntimeError(kErrorBitmapMissing);
    return;
  }
  const BitmapInfoRecord& sourceInfo = BitmapInfo(from);
  const BitmapInfoRecord& destinationInfo = BitmapInfo(to);
  DisplayResult result = DisplayResult::Ok;
  if (r.x == 0) {
    if (sourceInfo.width > destinationInfo.width || sourceInfo.height > destinationInfo.height) {
      RaiseRuntimeError(kErrorCopySourceLarger);
      return;
    }
    result = BltFastInLoop(destination, 0, 0, source, nullptr);
    if (result != DisplayResult::Ok) result = BltInLoop(destination, nullptr, source, nullptr);
  } else {
    const int32_t fromCorners[4] = {RequestWord(r, 0), RequestWord(r, 1), RequestWord(r, 2),
                                    RequestWord(r, 3)};
    const int32_t toCorners[4] = {RequestWord(r, 5), RequestWord(r, 6), RequestWord(r, 7), RequestWord(r, 8)};
    Rect sourceRect, destinationRect;
    for (const RuntimeErrorCode error : {CheckCopyRect(fromCorners, sourceInfo, sourceRect),
                                         CheckCopyRect(toCorners, destinationInfo, destinationRect)}) {
      if (error != 0) {
        RaiseRuntimeError(error);
        return;
      }
    }
    result = BltInLoop(destination, &destinationRect, source, &sourceRect);
  }
  if (result != DisplayResult::Ok && result != DisplayResult::WasStillDrawing)
    RaiseRuntimeError(kErrorBitmapBlit);
}

void ReplayEffect(const DrawRequest& r) {
  Surface* surface = ResolveBitmap(r.number);
  if (surface == nullptr) return;
  const int32_t amount = RequestWord(r, 0);
  switch (r.code) {
    case kDrawMirrorBitmap:
      MirrorSurface(surface);
      break;
    case kDrawFlipBitmap:
      FlipSurface(surface);
      break;
    case kDrawBlurBitmap:
      if (amount < 1 || amount > 8) {
        RaiseRuntimeError(kErrorBlurAmount);
        return;
      }
      BlurSurface(surface, amount + 1);
      break;
    default:
      if (amount < 0 || amount > 100) {
        RaiseRuntimeError(kErrorFadeAmount);
        return;
      }
      FadeSurface(surface, amount);
      break;
  }
}

}  // namespace

// ---- Slots ----

BitmapInfoRecord& BitmapInfo(int32_t slot) {
  static BitmapInfoRecord outside;
  if (!IsSlot(slot)) {
    outside = BitmapInfoRecord{};
    return outside;
  }
  BitmapInfoRecord& info = gBitmapInfo[static_cast<std::size_t>(slot)];
  if (slot == 0) {
    info.width = TheDisplay.bitmapZeroWidth;
    info.height = TheDisplay.bitmapZeroHeight;
    info.depth = TheDisplay.bitmapZeroDepth;
  }
  return info;
}

Surface* BitmapSurface(int32_t slot) {
  if (slot == 0) return BackBufferSurface();
  return IsSlot(slot) ? TheDisplay.bitmapSurfaces[static_cast<std::size_t>(slot)] : nullptr;
}

bool BitmapExists(int32_t number) { return number == 0 || BitmapSurface(number) != nullptr; }

int32_t CreateBitmapSurface(int32_t slot, int32_t width, int32_t height) {
  if (slot < 1 || !IsSlot(slot)) return 0;
  DeleteBitmapSurface(slot);
  Surface* surface = NewSystemSurface(width, height);
  if (surface == nullptr) return 0;
  TheDisplay.bitmapSurfaces[static_cast<std::size_t>(slot)] = surface;
  ReadInfoFromSurface(slot);
  return 1;
}

int32_t DeleteBitmapSurface(int32_t slot) {
  if (slot < 1 || !IsSlot(slot)) return 1;
  Surface*& surface = TheDisplay.bitmapSurfaces[static_cast<std::size_t>(slot)];
  if (surface == nullptr) return 1;
  ForgetQueuedSurface(surface);
  surface->Release();
  surface = nullptr;
  return 1;
}

ImageError SaveBitmapToFile(int32_t slot, const std::string& name) {
  Surface* surface = slot >= 1 ? BitmapSurface(slot) : nullptr;
  if (surface == nullptr) return ImageError::NoSurface;
  return SaveSurfaceToImageFile(surface, name);
}

int32_t LoadBitmapFromFile(int32_t slot, const std::string& name) {
  if (slot < 1 || !IsSlot(slot)) return 0;
  DeleteBitmapSurface(slot);
  Surface* loaded = LoadImageFileToSurface(name);
  if (loaded == nullptr) return 0;
  if (!IsDdsFileName(name)) {
    const uint32_t key = TransparentColourKey();
    loaded->SetColorKey({key, key});
  }
  TheDisplay.bitmapSurfaces[static_cast<std::size_t>(slot)] = loaded;
  ReadInfoFromSurface(slot);
  return 1;
}

bool IsDdsFileName(std::string_view name) {
  if (name.size() < 3) return false;
  const std::string_view ending = name.substr(name.size() - 3);
  return std::equal(ending.begin(), ending.end(), "dds", [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

void CopyImageIntoSurface(Surface* destination, Surface* source) {
  if (destination == nullptr || source == nullptr) return;
  const Rect rect{0, 0, std::min(destination->Width(), source->Width()),
                  std::min(destination->Height(), source->Height())};
  const DisplayResult result = BltInLoop(destination, &rect, source, nullptr);
  if (result != DisplayResult::Ok && result != DisplayResult::WasStillDrawing)
    RaiseRuntimeError(kErrorBitmapBlit);
}

// ---- Effects ----

int32_t MirrorSurface(Surface* surface) {
  LockedPixels p;
  if (!LockForEffect(surface, p)) return 0;
  ForPixelBytes(p.bytes, [&](auto bytes) {
    constexpr int kBytes = decltype(bytes)::value;
    const int w = p.rect.width;
    for (int y = 0; y < p.rect.height; ++y) {
      uint8_t* row = p.RowAt(y);
      for (int i = 0; i < w / 2; ++i) {
        const uint32_t left = LockedPixels::Get<kBytes>(row, i);
        LockedPixels::Put<kBytes>(row, i, LockedPixels::Get<kBytes>(row, w - 1 - i));
        LockedPixels::Put<kBytes>(row, w - 1 - i, left);
      }
    }
  });
  surface->Unlock();
  return 1;
}

int32_t FlipSurface(Surface* surface) {
  LockedPixels p;
  if (!LockForEffect(surface, p)) return 0;
  const std::size_t rowBytes = static_cast<std::size_t>(p.rect.width) * static_cast<std::size_t>(p.bytes);
  std::vector<uint8_t> swap;
  try {
    swap.resize(rowBytes);
  } catch (const std::bad_alloc&) {
    surface->Unlock();
    return 0;
  }
  const int h = p.rect.height;
  for (int i = 0; i < h / 2; ++i) {
    uint8_t* top = p.RowAt(i);
    uint8_t* bottom = p.RowAt(h - 1 - i);
    std::memcpy(swap.data(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, swap.data(), rowBytes);
  }
  surface->Unlock();
  return 1;
}

// The box average of every pixel over the window rows y + lo to y + hi and columns x + lo to
// x + hi, taking only pixels inside the surface, each channel's sum divided by the number of
// pixels taken. Worked out with running sums: each row's horizontal window sums are made once,
// when the row first enters the window (before it is rewritten), and kept in a ring of `window`
// rows; a column's vertical sum adds the row entering the window and drops the one leaving it.
// The sums, and so the pixels, are exactly those of averaging every window pixel by pixel.
int32_t BlurSurface(Surface* surface, int32_t window) {
  if (window < 1 || window > kLargestBlurWindow) return 0;
  LockedPixels p;
  if (!LockForEffect(surface, p)) return 0;
  const int w = p.rect.width, h = p.rect.height;
  const auto uw = static_cast<std::size_t>(w);
  std::vector<uint32_t> ring, column, rowChannels;
  try {
    ring.assign(static_cast<std::size_t>(window) * uw * 3, 0);
    column.assign(uw * 3, 0);
    rowChannels.assign(uw * 3, 0);
  } catch (const std::bad_alloc&) {
    surface->Unlock();
    return 0;
  }
  ForPixelBytes(p.bytes, [&](auto bytes) {
    constexpr int kBytes = decltype(bytes)::value;
    const int lo = -(window / 2), hi = window - window / 2 - 1;
    const PixelPacking& k = p.packing;
    const auto redMax = static_cast<uint32_t>(k.redMax), greenMax = static_cast<uint32_t>(k.greenMax);
    const auto blueMax = static_cast<uint32_t>(k.blueMax);
    auto ringRow = [&](int row) { return ring.data() + static_cast<std::size_t>(row % window) * uw * 3; };
    // The horizontal window sums of `row` (still unchanged) into its ring slot.
    auto sumRow = [&](int row, uint32_t* out) {
      const uint8_t* bits = p.RowAt(row);
      for (int x = 0; x < w; ++x) {
        const uint32_t v = LockedPixels::Get<kBytes>(bits, x);
        uint32_t* c = &rowChannels[static_cast<std::size_t>(x) * 3];
        c[0] = (v >> k.redShift) & redMax;
        c[1] = (v >> k.greenShift) & greenMax;
        c[2] = v & blueMax;
      }
      uint32_t sum[3] = {0, 0, 0};
      // The window of column x covers columns x + lo to x + hi; it slides along the row.
      for (int x = 0; x <= std::min(hi, w - 1); ++x) {
        for (int c = 0; c < 3; ++c) sum[c] += rowChannels[static_cast<std::size_t>(x) * 3 + c];
      }
      for (int x = 0; x < w; ++x) {
        for (int c = 0; c < 3; ++c) out[static_cast<std::size_t>(x) * 3 + c] = sum[c];
        const int entering = x + 1 + hi, leaving = x + lo;
        if (entering < w) {
          for (int c = 0; c < 3; ++c) sum[c] += rowChannels[static_cast<std::size_t>(entering) * 3 + c];
        }
        if (leaving >= 0) {
          for (int c = 0; c < 3; ++c) sum[c] -= rowChannels[static_cast<std::size_t>(leaving) * 3 + c];
        }
      }
    };
    auto addRow = [&](const uint32_t* sums) {
      for (std::size_t i = 0; i < uw * 3; ++i) column[i] += sums[i];
    };
    auto dropRow = [&](const uint32_t* sums) {
      for (std::size_t i = 0; i < uw * 3; ++i) column[i] -= sums[i];
    };
    // Rows 0 to hi - 1 enter before the first output row.
    for (int row = 0; row < std::min(hi, h); ++row) {
      sumRow(row, ringRow(row));
      addRow(ringRow(row));
    }
    for (int y = 0; y < h; ++y) {
      const int leaving = y + lo - 1, entering = y + hi;
      if (leaving >= 0) dropRow(ringRow(leaving));
      if (entering < h) {
        sumRow(entering, ringRow(entering));
        addRow(ringRow(entering));
      }
      const int rows = std::min(h - 1, y + hi) - std::max(0, y + lo) + 1;
      uint8_t* out = p.RowAt(y);
      for (int x = 0; x < w; ++x) {
        const int count = rows * (std::min(w - 1, x + hi) - std::max(0, x + lo) + 1);
        const uint64_t inverse = kWindowDivisors.inverse[static_cast<std::size_t>(count)];
        const uint32_t* sum = &column[static_cast<std::size_t>(x) * 3];
        const auto red = static_cast<uint32_t>((sum[0] * inverse) >> 32);
        const auto green = static_cast<uint32_t>((sum[1] * inverse) >> 32);
        const auto blue = static_cast<uint32_t>((sum[2] * inverse) >> 32);
        LockedPixels::Put<kBytes>(out, x, blue + (red << k.redShift) + (green << k.greenShift));
      }
    }
  });
  surface->Unlock();
  return 1;
}

// Each channel through a table of value x amount / 100 (channels have at most 8 bits).
int32_t FadeSurface(Surface* surface, int32_t amount) {
  LockedPixels p;
  if (!LockForEffect(surface, p)) return 0;
  const auto a = static_cast<uint32_t>(std::clamp(amount, 0, 100));
  std::array<uint32_t, 256> faded{};
  for (uint32_t v = 0; v < faded.size(); ++v) faded[v] = v * a / 100;
  ForPixelBytes(p.bytes, [&](auto bytes) {
    constexpr int kBytes = decltype(bytes)::value;
    const PixelPacking& k = p.packing;
    const auto redMax = static_cast<uint32_t>(k.redMax), greenMax = static_cast<uint32_t>(k.greenMax);
    const auto blueMax = static_cast<uint32_t>(k.blueMax);
    for (int y = 0; y < p.rect.height; ++y) {
      uint8_t* row = p.RowAt(y);
      for (int x = 0; x < p.rect.width; ++x) {
        const uint32_t v = LockedPixels::Get<kBytes>(row, x);
        const uint32_t red = faded[(v >> k.redShift) & redMax];
        const uint32_t green = faded[(v >> k.greenShift) & greenMax];
        const uint32_t blue = faded[v & blueMax];
        LockedPixels::Put<kBytes>(row, x, blue + (red << k.redShift) + (green << k.greenShift));
      }
    }
  });
  surface->Unlock();
  return 1;
}

// ---- Replay ----

void ReplayBitmapRequest(const DrawRequest& r) {
  switch (r.code) {
    case kDrawSetCurrentBitmap:
      ReplaySetCurrentBitmap();
      break;
    case kDrawLoadBitmap:
      ReplayLoadBitmap(r);
      break;
    case kDrawSaveBitmap:
      ReplaySaveBitmap(r);
      break;
    case kDrawCreateBitmap:
      ReplayCreateBitmap(r);
      break;
    case kDrawDeleteBitmap:
      ReplayDeleteBitmap(r);
      break;
    case kDrawCopyBitmap:
      ReplayCopyBitmap(r);
      break;
    case kDrawMirrorBitmap:
    case kDrawFlipBitmap:
    case kDrawBlurBitmap:
    case kDrawFadeBitmap:
      ReplayEffect(r);
      break;
    default:
      break;
  }
}

}  // namespace qm
