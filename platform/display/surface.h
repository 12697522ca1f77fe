// Surfaces: rectangles of pixels in CPU memory, in one pixel format, with the operations the display
// code needs of them: lock and unlock, colour fill, blits (stretching, source colour keys, mirroring,
// format conversion), flip chains that swap their memory, reference counts, and the lost state.
//
// Rectangles are strict: without a clipper a rectangle that is empty or not wholly inside its surface
// is refused with InvalidRect and nothing is drawn. A destination surface with a clipper clips the
// destination to the clipper's rectangle instead, and the source follows proportionally.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/display/display_result.h"
#include "platform/display/pixel_format.h"

namespace qm::platform {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Surface capabilities (a subset: what the display code asks for and tests look at).
enum SurfaceCaps : uint32_t {
  kCapsPrimary = 0x0001,
  kCapsBackBuffer = 0x0002,
  kCapsFlip = 0x0004,
  kCapsComplex = 0x0008,
  kCapsOffscreenPlain = 0x0010,
  kCapsSystemMemory = 0x0020,
  kCapsVideoMemory = 0x0040,
  kCaps3DDevice = 0x0080,
  kCapsZBuffer = 0x0100,
  kCapsTexture = 0x0200,
  kCapsMipMap = 0x0400,
  kCapsFrontBuffer = 0x0800,
};

constexpr int kMaxSurfaceSide = 16384;

struct SurfaceDesc {
  int width = 0, height = 0;
  PixelFormat format = PixelFormat::R5G6B5;
  uint32_t caps = kCapsOffscreenPlain;
  int mipLevels = 1;        // with kCapsMipMap: the levels of the chain, halving down to 1x1
  int backBufferCount = 0;  // with kCapsPrimary | kCapsFlip: 1 makes a two-buffer flip chain
};

// Blt flags.
enum BltFlags : uint32_t {
  kBltColorFill = 0x01,
  kBltKeySrc = 0x02,
  kBltMirrorLeftRight = 0x04,
  kBltMirrorUpDown = 0x08,
};
// BltFast flags.
enum BltFastFlags : uint32_t { kBltFastNoColorKey = 0, kBltFastSrcColorKey = 1 };

// Lock flags (accepted; reading and writing are both allowed whatever is asked).
enum LockFlags : uint32_t { kLockWait = 1, kLockReadOnly = 2, kLockWriteOnly = 4 };

struct LockedRect {
  uint8_t* bits = nullptr;  // the rectangle's top-left pixel
  int pitch = 0;            // bytes from one row to the next
  int width = 0, height = 0;
  PixelFormat format = PixelFormat::R5G6B5;
  std::size_t linearSize = 0;  // compressed surfaces: bytes of the whole level
};

struct ColorKey {
  uint32_t low = 0, high = 0;
};

// A clipper restricts blits onto a surface to one rectangle of it (a window's client area).
class Clipper {
 public:
  void SetClipRect(const Rect& rect) {
    rect_ = rect;
    followsWindow_ = false;
  }
  // From now on the rectangle is the main window's client area, wherever the window is.
  void FollowMainWindow() { followsWindow_ = true; }
  Rect ClipRect() const;
  void AddRef() { ++references_; }
  int Release();

 private:
  Rect rect_;
  bool followsWindow_ = false;
  int references_ = 1;
};
Clipper* CreateClipper();

class Palette;

class Surface {
 public:
  // Returns Ok and a surface with one reference, or the reason it cannot be made. A flip chain
  // (kCapsPrimary | kCapsFlip with backBufferCount 1) comes with its back buffer attached.
  static DisplayResult Create(const SurfaceDesc& desc, Surface*& out);

  void AddRef() { ++references_; }
  // Drops one reference; the last one frees the surface (and the references it holds on its
  // attached surfaces, clipper and palette). Returns the references left.
  int Release();
  int References() const { return references_; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  PixelFormat Format() const { return format_; }
  uint32_t Caps() const { return caps_; }
  std::size_t LinearSize() const { return linearSize_; }

  DisplayResult Lock(const Rect* rect, uint32_t flags, LockedRect& out);
  DisplayResult Unlock();
  bool IsLocked() const { return locked_; }

  // Colour fill of a rectangle (null: the whole surface) with a raw pixel value.
  DisplayResult Fill(const Rect* rect, uint32_t pixel);
  // Copies `src`'s rectangle into this surface's rectangle (null: whole surfaces), stretching by
  // nearest neighbour (source index floor(i * srcW / dstW)), converting the pixel format, skipping
  // source pixels within the source's colour key (kBltKeySrc) and mirroring (kBltMirror...).
  // kBltColorFill fills `dstRect` with `fillPixel` instead.
  DisplayResult Blt(const Rect* dstRect, Surface* src, const Rect* srcRect, uint32_t flags,
                    uint32_t fillPixel = 0);
  // Copies `src`'s rectangle to (x, y) without stretching; no clipper applies.
  DisplayResult BltFast(int x, int y, Surface* src, const Rect* srcRect, uint32_t flags);
  // Swaps the memory of this front buffer and its back buffer. The objects stay as they are.
  DisplayResult Flip();

  // Source colour key: raw pixel values in [low, high] are transparent.
  void SetColorKey(const ColorKey& key);
  void ClearColorKey() { hasColorKey_ = false; }
  bool GetColorKey(ColorKey& key) const;

  // The back buffer of a flip chain, the Z buffer or the next mip level, with a reference added.
  DisplayResult GetAttachedSurface(uint32_t caps, Surface*& out);
  // Attaches (and holds a reference on) a Z buffer or another surface.
  DisplayResult AddAttachedSurface(Surface* surface);
  void SetClipper(Clipper* clipper);
  Clipper* GetClipper() const { return clipper_; }
  void SetPalette(Palette* palette);
  Palette* GetPalette() const { return palette_; }

  bool IsLost() const { return lost_; }
  // Clears the lost state (the contents are a marker pattern then: nothing of the old picture), of
  // this surface and of those made with it (a flip chain's back buffer, lower mip levels).
  DisplayResult Restore();
  // A text context on the surface: refused on compressed, locked or lost surfaces.
  DisplayResult BeginTextContext();
  void EndTextContext() { textContextOut_ = false; }
  bool TextContextOut() const { return textContextOut_; }

  // Raw pixel access for tests and readers (no lock state involved). Writable access counts as a
  // write: the surface is no longer known to hold one value.
  uint8_t* Row(int y) {
    if (fillPending_) WritePendingFill();
    uniform_ = false;
    return bits_ + static_cast<std::ptrdiff_t>(y) * pitch_;
  }
  const uint8_t* Row(int y) const {
    if (fillPending_) WritePendingFill();
    return bits_ + static_cast<std::ptrdiff_t>(y) * pitch_;
  }
  uint32_t PixelAt(int x, int y) const;
  // True, with the value, while every pixel is known to hold one raw value.
  bool HoldsOnly(uint32_t& pixel) const {
    pixel = uniformPixel_;
    return uniform_;
  }
  void SetPixelAt(int x, int y, uint32_t pixel);

  // Every surface in existence, for marking them lost and restoring them.
  static const std::vector<Surface*>& LiveSurfaces();
  void MarkLost() { lost_ = !(caps_ & kCapsSystemMemory); }

  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

 private:
  Surface() = default;
  ~Surface();
  DisplayResult Allocate(const SurfaceDesc& desc);
  DisplayResult CheckUsable() const;
  DisplayResult ClipToClipper(Rect& dst, Rect& visible) const;

  int width_ = 0, height_ = 0, pitch_ = 0;
  PixelFormat format_ = PixelFormat::R5G6B5;
  uint32_t caps_ = 0;
  std::size_t linearSize_ = 0;
  uint8_t* bits_ = nullptr;
  std::size_t allocated_ = 0;
  int references_ = 1;
  bool locked_ = false;
  bool textContextOut_ = false;
  bool lost_ = false;
  bool hasColorKey_ = false;
  // Whole-surface fills are kept as a value until the pixels are first used: `uniform_` while every
  // pixel holds `uniformPixel_` (fresh memory holds zeros), `fillPending_` while the memory does not
  // hold it yet. A fill with the value already held costs nothing, so a program that never uses
  // a surface (the Z buffer of a 2D program, the pages of an empty screen) never touches its pages.
  void WritePendingFill() const;
  bool uniform_ = false;
  mutable bool fillPending_ = false;
  uint32_t uniformPixel_ = 0;
  ColorKey colorKey_;
  std::vector<Surface*> attached_;
  Clipper* clipper_ = nullptr;
  Palette* palette_ = nullptr;
};

// Called after a flip or a blit changed what a primary surface shows (the presenter hooks in here).
using PrimaryChangedHook = void (*)(Surface& primary);
void SetPrimaryChangedHook(PrimaryChangedHook hook);

// Test mode: rows of new surfaces are padded (rounded up to 64 bytes, plus 16 more), so code that
// takes the pitch for width times bytes per pixel shows its fault.
void SetPaddedPitchForTests(bool padded);
bool PaddedPitchForTests();

}  // namespace qm::platform
