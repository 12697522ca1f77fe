#include "platform/display/surface.h"

#include <sys/mman.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/display/blit_loops.h"
#include "platform/display/display_backend.h"
#include "platform/display/fault_injection.h"
#include "platform/display/palette.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_SURFACES_ON_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QM_SURFACES_ON_HEAP 1
#endif

namespace qm::platform {
namespace {

bool gPaddedPitch = false;
std::vector<Surface*> gLiveSurfaces;
PrimaryChangedHook gPrimaryChanged = nullptr;

// Restored surfaces hold this byte everywhere: what a program did not redraw stands out.
constexpr uint8_t kRestoredMarker = 0xCD;

// Surface memory lies below 2 GiB, so programs that take the address of a locked surface get a
// value that fits in 32 bits. Sanitizer builds use the heap instead, where overruns are caught.
uint8_t* AllocatePixels(std::size_t bytes) {
#ifdef QM_SURFACES_ON_HEAP
  return new (std::nothrow) uint8_t[bytes]();
#else
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (p == MAP_FAILED) {
    p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  }
  return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
#endif
}

void FreePixels(uint8_t* bits, std::size_t bytes) {
  if (!bits) return;
#ifdef QM_SURFACES_ON_HEAP
  (void)bytes;
  delete[] bits;
#else
  munmap(bits, bytes);
#endif
}

int RowPitch(int width, int bytesPerPixel) {
  int bytes = width * bytesPerPixel;
  if (gPaddedPitch) return (bytes + 63) / 64 * 64 + 16;
  return (bytes + 3) / 4 * 4;
}

int MaxMipLevels(int width, int height) {
  int levels = 1;
  for (int side = std::max(width, height); side > 1; side /= 2) ++levels;
  return levels;
}

// A rectangle of `surface` (null: the whole of it), refused unless non-empty and wholly inside.
DisplayResult StrictRect(const Surface& surface, const Rect* rect, Rect& out) {
  if (!rect) {
    out = {0, 0, surface.Width(), surface.Height()};
    return DisplayResult::Ok;
  }
  if (rect->Empty() || rect->left < 0 || rect->top < 0 || rect->right > surface.Width() ||
      rect->bottom > surface.Height()) {
    return DisplayResult::InvalidRect;
  }
  out = *rect;
  return DisplayResult::Ok;
}

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// The source rectangle of a blit within one surface, copied aside. The buffer only grows, so
// repeated blits of the same size allocate nothing.
void CopyToScratch(const Surface& surface, const Rect& source, BlitJob& job) {
  static std::vector<uint8_t> scratch;
  int bytesPerPixel = BytesPerPixel(surface.Format());
  std::size_t rowBytes = static_cast<std::size_t>(source.Width()) * static_cast<std::size_t>(bytesPerPixel);
  std::size_t need = rowBytes * static_cast<std::size_t>(source.Height());
  if (scratch.size() < need) scratch.resize(need);
  for (int y = 0; y < source.Height(); ++y) {
    std::memcpy(scratch.data() + rowBytes * static_cast<std::size_t>(y),
                surface.Row(source.top + y) + static_cast<std::ptrdiff_t>(source.left) * bytesPerPixel,
                rowBytes);
  }
  job.src = scratch.data();
  job.srcPitch = static_cast<int>(rowBytes);
  job.srcLeft = 0;
  job.srcTop = 0;
}

}  // namespace

void SetPaddedPitchForTests(bool padded) { gPaddedPitch = padded; }
bool PaddedPitchForTests() { return gPaddedPitch; }
void SetPrimaryChangedHook(PrimaryChangedHook hook) { gPrimaryChanged = hook; }

int Clipper::Release() {
  int left = --references_;
  if (left == 0) delete this;
  return left;
}

Clipper* CreateClipper() { return new Clipper; }

Rect Clipper::ClipRect() const { return followsWindow_ ? ActiveDisplayBackend().ClientArea() : rect_; }

const std::vector<Surface*>& Surface::LiveSurfaces() { return gLiveSurfaces; }

DisplayResult Surface::Create(const SurfaceDesc& desc, Surface*& out) {
  out = nullptr;
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::Create); injected != DisplayResult::Ok) {
    return injected;
  }
  if (desc.width < 1 || desc.height < 1 || desc.width > kMaxSurfaceSide || desc.height > kMaxSurfaceSide) {
    return DisplayResult::InvalidParams;
  }
  if (static_cast<int>(desc.format) > static_cast<int>(PixelFormat::Dxt5)) return DisplayResult::InvalidCaps;
  bool mipMapped = desc.caps & kCapsMipMap;
  if (desc.mipLevels < 1 || (!mipMapped && desc.mipLevels != 1) ||
      desc.mipLevels > MaxMipLevels(desc.width, desc.height)) {
    return DisplayResult::InvalidParams;
  }
  bool flipChain = (desc.caps & kCapsPrimary) && (desc.caps & kCapsFlip);
  if (desc.backBufferCount < 0 || desc.backBufferCount > 1 || (desc.backBufferCount == 1) != flipChain) {
    return DisplayResult::InvalidCaps;
  }
  auto* surface = new Surface;
  DisplayResult made = surface->Allocate(desc);
  if (made == DisplayResult::Ok && flipChain) {
    SurfaceDesc back = desc;
    back.caps = (desc.caps & ~(kCapsPrimary | kCapsFrontBuffer)) | kCapsBackBuffer;
    back.backBufferCount = 0;
    auto* backBuffer = new Surface;
    made = backBuffer->Allocate(back);
    surface->attached_.push_back(backBuffer);
    surface->caps_ |= kCapsFrontBuffer;
  }
  for (int level = 1; made == DisplayResult::Ok && level < desc.mipLevels; ++level) {
    SurfaceDesc next = desc;
    next.width = std::max(1, desc.width >> level);
    next.height = std::max(1, desc.height >> level);
    next.mipLevels = 1;
    auto* mip = new Surface;
    made = mip->Allocate(next);
    Surface* parent = surface;
    while (!parent->attached_.empty()) parent = parent->attached_.back();
    parent->attached_.push_back(mip);
  }
  if (made != DisplayResult::Ok) {
    surface->Release();
    return made;
  }
  out = surface;
  return DisplayResult::Ok;
}

DisplayResult Surface::Allocate(const SurfaceDesc& desc) {
  gLiveSurfaces.push_back(this);
  width_ = desc.width;
  height_ = desc.height;
  format_ = desc.format;
  caps_ = desc.caps & ~kCapsFlip;
  if (desc.caps & kCapsFlip) caps_ |= kCapsFlip;
  if (IsCompressed(format_)) {
    int blocksAcross = (width_ + 3) / 4, blocksDown = (height_ + 3) / 4;
    pitch_ = blocksAcross * BytesPerBlock(format_);
    linearSize_ = static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(blocksDown);
  } else {
    pitch_ = RowPitch(width_, BytesPerPixel(format_));
    linearSize_ = static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_);
  }
  allocated_ = linearSize_;
  bits_ = AllocatePixels(allocated_);
  if (!bits_) {
    allocated_ = 0;
    return DisplayResult::OutOfMemory;
  }
  uniform_ = true;  // both allocators hand out zeroed memory
  uniformPixel_ = 0;
  return DisplayResult::Ok;
}

Surface::~Surface() {
  for (Surface* attached : attached_) attached->Release();
  if (clipper_) clipper_->Release();
  if (palette_) palette_->Release();
  FreePixels(bits_, allocated_);
  std::erase(gLiveSurfaces, this);
}

int Surface::Release() {
  int left = --references_;
  if (left == 0) delete this;
  return left;
}

DisplayResult Surface::CheckUsable() const {
  if (lost_) return DisplayResult::SurfaceLost;
  if (locked_ || textContextOut_) return DisplayResult::SurfaceBusy;
  return DisplayResult::Ok;
}

DisplayResult Surface::Lock(const Rect* rect, uint32_t, LockedRect& out) {
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::Lock); injected != DisplayResult::Ok) {
    return injected;
  }
  if (DisplayResult usable = CheckUsable(); usable != DisplayResult::Ok) return usable;
  Rect area;
  if (IsCompressed(format_) && rect) return DisplayResult::InvalidRect;  // whole levels only
  if (DisplayResult inside = StrictRect(*this, rect, area); inside != DisplayResult::Ok) return inside;
  out.bits = Row(area.top) + static_cast<std::ptrdiff_t>(area.left) * BytesPerPixel(format_);
  out.pitch = pitch_;
  out.width = area.Width();
  out.height = area.Height();
  out.format = format_;
  out.linearSize = linearSize_;
  locked_ = true;
  return DisplayResult::Ok;
}

DisplayResult Surface::Unlock() {
  if (!locked_) return DisplayResult::NotLocked;
  locked_ = false;
  return DisplayResult::Ok;
}

DisplayResult Surface::Fill(const Rect* rect, uint32_t pixel) {
  return Blt(rect, nullptr, nullptr, kBltColorFill, pixel);
}

// With a clipper the destination may reach outside it: the part inside the clipper's rectangle
// (and the surface) is drawn, and the source follows in proportion.
DisplayResult Surface::ClipToClipper(Rect& dst, Rect& visible) const {
  Rect bounds = Intersect(clipper_->ClipRect(), {0, 0, width_, height_});
  if (dst.Empty()) return DisplayResult::InvalidRect;
  // A rectangle wider or taller than an int can count is refused rather than wrapped.
  if (int64_t{dst.right} - dst.left > INT_MAX || int64_t{dst.bottom} - dst.top > INT_MAX) {
    return DisplayResult::InvalidRect;
  }
  visible = Intersect(dst, bounds);
  return DisplayResult::Ok;
}

DisplayResult Surface::Blt(const Rect* dstRect, Surface* src, const Rect* srcRect, uint32_t flags,
                           uint32_t fillPixel) {
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::Blt); injected != DisplayResult::Ok) {
    return injected;
  }
  if (DisplayResult usable = CheckUsable(); usable != DisplayResult::Ok) return usable;
  if (IsCompressed(format_)) return DisplayResult::Unsupported;
  Rect dst{0, 0, width_, height_}, visible;
  if (clipper_) {
    if (dstRect) dst = *dstRect;
    if (DisplayResult clipped = ClipToClipper(dst, visible); clipped != DisplayResult::Ok) return clipped;
  } else {
    if (DisplayResult inside = StrictRect(*this, dstRect, dst); inside != DisplayResult::Ok) return inside;
    visible = dst;
  }
  if (flags & kBltColorFill) {
    const uint32_t pixel = fillPixel & PixelValueMask(format_);
    if (visible.left == 0 && visible.top == 0 && visible.right == width_ && visible.bottom == height_) {
      if (!uniform_ || pixel != uniformPixel_) {
        uniform_ = fillPending_ = true;
        uniformPixel_ = pixel;
      }
    } else if (!visible.Empty() && !(uniform_ && pixel == uniformPixel_)) {
      // (A part filled with the value the whole surface holds changes nothing, and its memory
      // stays untouched.)
      FillPixels(format_,
                 {Row(visible.top) + static_cast<std::ptrdiff_t>(visible.left) * BytesPerPixel(format_),
                  pitch_, visible.Width(), visible.Height(), pixel});
    }
    return DisplayResult::Ok;
  }
  if (!src) return DisplayResult::InvalidParams;
  if (src != this) {
    if (DisplayResult usable = src->CheckUsable(); usable != DisplayResult::Ok) return usable;
  }
  if (IsCompressed(src->format_)) return DisplayResult::Unsupported;
  Rect source;
  if (DisplayResult inside = StrictRect(*src, srcRect, source); inside != DisplayResult::Ok) return inside;
  if (visible.Empty()) return DisplayResult::Ok;
  if (src->uniform_ && src->format_ == format_ && !((flags & kBltKeySrc) && src->hasColorKey_)) {
    // Every source pixel holds one value: the copy is a fill, and the source's memory is not read
    // (a cleared back buffer whose pixels were never written stays untouched), and a destination
    // that holds that value throughout stays as it is (saving and restoring the background of a
    // sprite on an empty screen touches neither).
    if (!(uniform_ && uniformPixel_ == src->uniformPixel_)) {
      FillPixels(format_,
                 {Row(visible.top) + static_cast<std::ptrdiff_t>(visible.left) * BytesPerPixel(format_),
                  pitch_, visible.Width(), visible.Height(), src->uniformPixel_});
    }
    if ((caps_ & kCapsPrimary) && gPrimaryChanged) gPrimaryChanged(*this);
    return DisplayResult::Ok;
  }
  BlitJob job;
  job.src = static_cast<const Surface*>(src)->Row(0);
  job.srcPitch = src->pitch_;
  job.srcLeft = source.left;
  job.srcTop = source.top;
  bool plainCopy = source.Width() == dst.Width() && source.Height() == dst.Height() &&
                   !(flags & (kBltMirrorLeftRight | kBltMirrorUpDown)) &&
                   !((flags & kBltKeySrc) && hasColorKey_);
  if (src == this && !plainCopy && !Intersect(source, visible).Empty()) {
    // Stretching, keyed or mirrored within one surface: read from a copy of the source rectangle,
    // so the result is what the rectangle held before the blit.
    CopyToScratch(*this, source, job);
  }
  job.dst = Row(visible.top) + static_cast<std::ptrdiff_t>(visible.left) * BytesPerPixel(format_);
  job.dstPitch = pitch_;
  job.cols = visible.Width();
  job.rows = visible.Height();
  job.srcW = source.Width();
  job.srcH = source.Height();
  job.fullW = dst.Width();
  job.fullH = dst.Height();
  job.offX = visible.left - dst.left;
  job.offY = visible.top - dst.top;
  job.mirrorX = flags & kBltMirrorLeftRight;
  job.mirrorY = flags & kBltMirrorUpDown;
  job.keyed = (flags & kBltKeySrc) && src->hasColorKey_;
  job.keyLow = src->colorKey_.low;
  job.keyHigh = src->colorKey_.high;
  BlitPixels(src->format_, format_, job);
  if ((caps_ & kCapsPrimary) && gPrimaryChanged) gPrimaryChanged(*this);
  return DisplayResult::Ok;
}

DisplayResult Surface::BltFast(int x, int y, Surface* src, const Rect* srcRect, uint32_t flags) {
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::BltFast); injected != DisplayResult::Ok) {
    return injected;
  }
  if (!src) return DisplayResult::InvalidParams;
  Rect source;
  if (DisplayResult inside = StrictRect(*src, srcRect, source); inside != DisplayResult::Ok) return inside;
  if (int64_t{x} + source.Width() > width_ || int64_t{y} + source.Height() > height_) {
    return DisplayResult::InvalidRect;  // checked before the sum, which could leave the int range
  }
  Rect dst{x, y, x + source.Width(), y + source.Height()};
  if (DisplayResult inside = StrictRect(*this, &dst, dst); inside != DisplayResult::Ok) return inside;
  Clipper* clipper = clipper_;
  clipper_ = nullptr;  // BltFast never clips
  DisplayResult result = Blt(&dst, src, &source, (flags & kBltFastSrcColorKey) ? uint32_t{kBltKeySrc} : 0u);
  clipper_ = clipper;
  return result;
}

DisplayResult Surface::Flip() {
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::Flip); injected != DisplayResult::Ok) {
    return injected;
  }
  auto back = std::find_if(attached_.begin(), attached_.end(),
                           [](const Surface* s) { return s->caps_ & kCapsBackBuffer; });
  if (!(caps_ & kCapsFrontBuffer) || back == attached_.end()) return DisplayResult::InvalidCaps;
  if (DisplayResult usable = CheckUsable(); usable != DisplayResult::Ok) return usable;
  if (DisplayResult usable = (*back)->CheckUsable(); usable != DisplayResult::Ok) return usable;
  std::swap(bits_, (*back)->bits_);
  std::swap(allocated_, (*back)->allocated_);
  std::swap(uniform_, (*back)->uniform_);
  std::swap(fillPending_, (*back)->fillPending_);
  std::swap(uniformPixel_, (*back)->uniformPixel_);
  if (gPrimaryChanged) gPrimaryChanged(*this);
  return DisplayResult::Ok;
}

void Surface::SetColorKey(const ColorKey& key) {
  colorKey_ = key;
  hasColorKey_ = true;
}

bool Surface::GetColorKey(ColorKey& key) const {
  if (hasColorKey_) key = colorKey_;
  return hasColorKey_;
}

DisplayResult Surface::GetAttachedSurface(uint32_t caps, Surface*& out) {
  out = nullptr;
  for (Surface* attached : attached_) {
    if ((attached->caps_ & caps) == caps) {
      attached->AddRef();
      out = attached;
      return DisplayResult::Ok;
    }
  }
  return DisplayResult::NotFound;
}

DisplayResult Surface::AddAttachedSurface(Surface* surface) {
  if (!surface || surface == this) return DisplayResult::InvalidParams;
  if (std::find(attached_.begin(), attached_.end(), surface) != attached_.end()) {
    return DisplayResult::InvalidParams;
  }
  surface->AddRef();
  attached_.push_back(surface);
  return DisplayResult::Ok;
}

void Surface::SetClipper(Clipper* clipper) {
  if (clipper) clipper->AddRef();
  if (clipper_) clipper_->Release();
  clipper_ = clipper;
}

void Surface::SetPalette(Palette* palette) {
  if (palette) palette->AddRef();
  if (palette_) palette_->Release();
  palette_ = palette;
}

DisplayResult Surface::Restore() {
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::Restore); injected != DisplayResult::Ok) {
    return injected;
  }
  if (lost_) {
    std::memset(bits_, kRestoredMarker, allocated_);
    uniform_ = fillPending_ = false;
    lost_ = false;
  }
  // The surfaces made with this one (a flip chain's back buffer, lower mip levels) come back with it.
  for (Surface* attached : attached_) {
    if ((attached->caps_ & (kCapsBackBuffer | kCapsMipMap)) && attached->lost_) {
      if (DisplayResult restored = attached->Restore(); restored != DisplayResult::Ok) return restored;
    }
  }
  return DisplayResult::Ok;
}

DisplayResult Surface::BeginTextContext() {
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::TextContext); injected != DisplayResult::Ok) {
    return injected;
  }
  if (IsCompressed(format_)) return DisplayResult::Unsupported;
  if (DisplayResult usable = CheckUsable(); usable != DisplayResult::Ok) return usable;
  textContextOut_ = true;
  uniform_ = false;
  return DisplayResult::Ok;
}

void Surface::WritePendingFill() const {
  fillPending_ = false;
  FillPixels(format_, {bits_, pitch_, width_, height_, uniformPixel_});
}

uint32_t Surface::PixelAt(int x, int y) const {
  const uint8_t* p = Row(y) + static_cast<std::ptrdiff_t>(x) * BytesPerPixel(format_);
  switch (BytesPerPixel(format_)) {
    case 2:
      return static_cast<uint32_t>(p[0] | p[1] << 8);
    case 3:
      return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
    default:
      return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24;
  }
}

void Surface::SetPixelAt(int x, int y, uint32_t pixel) {
  uint8_t* p = Row(y) + static_cast<std::ptrdiff_t>(x) * BytesPerPixel(format_);
  for (int i = 0; i < BytesPerPixel(format_); ++i) p[i] = static_cast<uint8_t>(pixel >> (8 * i));
}

}  // namespace qm::platform
