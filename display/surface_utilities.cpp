// The surface utilities.
#include "display/surface_utilities.h"

#include <bit>
#include <cstddef>
#include <span>

#include "display/display_state.h"
#include "display/resource_bitmaps.h"
#include "platform/display/dib.h"
#include "runtime/run_loop.h"
#include "runtime/system_flags.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Rect;
using platform::Surface;

int BitLength(uint32_t mask) { return 32 - std::countl_zero(mask); }

// A lost surface that cannot be restored takes the display out of use, unless the program asked
// to run on while inactive.
void MarkDisplayNotReady() {
  if (!AlwaysActiveFlag) DisplayReadyFlag = 0;
}

// Restores whichever of the two surfaces is lost; false when a restore fails.
bool RestoreLostPair(Surface* destination, Surface* source) {
  for (Surface* surface : {destination, source}) {
    if (surface == nullptr || !surface->IsLost()) continue;
    if (surface->Restore() != DisplayResult::Ok) return false;
  }
  // A lost result with neither surface lost was injected: restoring the destination is what the
  // loop does then too, and it fails only when a failing restore was injected as well.
  if (!destination->IsLost() && (source == nullptr || !source->IsLost())) {
    return destination->Restore() == DisplayResult::Ok;
  }
  return true;
}

int32_t BltFastWithRetry(Surface* destination, int x, int y, Surface* source, const Rect* sourceRect,
                         uint32_t flags) {
  if (destination == nullptr || source == nullptr) return 1;
  for (;;) {
    const DisplayResult result = destination->BltFast(x, y, source, sourceRect, flags);
    if (result == DisplayResult::WasStillDrawing) continue;
    if (result != DisplayResult::SurfaceLost) return 1;
    if (!RestoreLostPair(destination, source)) {
      MarkDisplayNotReady();
      return 1;
    }
  }
}

uint32_t ReadUint32(std::span<const uint8_t> bytes, std::size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

PaletteEntries ThreeThreeTwoPalette() {
  PaletteEntries palette;
  for (int i = 0; i < 256; ++i) {
    palette.colours[static_cast<std::size_t>(i)] = {static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7),
                                                    static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
                                                    static_cast<uint8_t>((i & 3) * 255 / 3)};
  }
  return palette;
}

// Lays the colour table of a BMP file over the palette; false when the file has none usable.
bool ReadColourTable(std::span<const uint8_t> file, PaletteEntries& palette) {
  constexpr std::size_t kFileHeader = 14;
  if (file.size() < kFileHeader + 40) return false;
  const uint32_t headerSize = ReadUint32(file, kFileHeader);
  const uint32_t bitCount = static_cast<uint32_t>(file[kFileHeader + 14]) | file[kFileHeader + 15] << 8;
  if (headerSize < 40 || bitCount > 8 || bitCount == 0) return false;
  uint32_t count = ReadUint32(file, kFileHeader + 32);
  if (count == 0) count = 1u << bitCount;
  if (count > 256) count = 256;
  const std::size_t table = kFileHeader + headerSize;
  if (table > file.size() || (file.size() - table) / 4 < count) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const std::size_t at = table + i * 4;
    palette.colours[i] = {file[at + 2], file[at + 1], file[at]};
  }
  for (std::size_t i = 0; i < 256; ++i) palette.flags[i] = (i < 10 || i >= 246) ? 2 : 4;
  return true;
}

}  // namespace

int64_t MatchSurfaceColour(Surface* surface, int64_t rgb) {
  if (surface == nullptr || platform::IsCompressed(surface->Format())) return -1;
  if (rgb == -1) {
    if (surface->IsLost() || surface->Width() < 1) return -1;
    return surface->PixelAt(0, 0);
  }
  const auto colour = static_cast<uint32_t>(rgb);
  const platform::Rgb channels{static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                               static_cast<uint8_t>(colour >> 16)};
  return platform::PackRgb(surface->Format(), channels);
}

int32_t SetSurfaceColourKey(Surface* surface, int64_t rgb) {
  const int64_t key = MatchSurfaceColour(surface, rgb);
  if (key < 0) return 0;
  surface->SetColorKey({static_cast<uint32_t>(key), static_cast<uint32_t>(key)});
  return 1;
}

int32_t ApplySurfaceColourKey(Surface* surface, int64_t rgb) {
  SetSurfaceColourKey(surface, rgb);
  return 1;
}

uint32_t TransparentColourKey() {
  if (TheDisplay.screenPalette != nullptr) return 0;
  const int64_t black = MatchSurfaceColour(TheDisplay.backBuffer, 0);
  return black < 0 ? 0 : static_cast<uint32_t>(black);
}

bool ChannelLayoutIsSupported(const platform::ChannelMasks& masks) {
  auto isRun = [](uint32_t mask) {
    return mask != 0 && std::has_single_bit((mask >> std::countr_zero(mask)) + 1);
  };
  if (!isRun(masks.red) || !isRun(masks.green) || !isRun(masks.blue)) return false;
  return std::countr_zero(masks.blue) == 0 && std::countr_zero(masks.green) == BitLength(masks.blue) &&
         std::countr_zero(masks.red) == BitLength(masks.green);
}

int32_t ReadSurfacePixelFormat(const Surface* surface) {
  if (surface == nullptr) return 1;
  const platform::ChannelMasks masks = platform::MasksOf(surface->Format());
  if (!ChannelLayoutIsSupported(masks)) return 1;  // compressed: no channels to read
  ScreenPixelFormatData& format = TheDisplay.screenPixelFormat;
  format.blueBits = BitLength(masks.blue);
  format.greenBits = BitLength(masks.green) - format.blueBits;
  format.redBits = BitLength(masks.red) - format.blueBits - format.greenBits;
  format.greenShift = format.blueBits;
  format.redShift = format.blueBits + format.greenBits;
  format.blueMax = (1 << format.blueBits) - 1;
  format.greenMax = (1 << format.greenBits) - 1;
  format.redMax = (1 << format.redBits) - 1;
  return 1;
}

int32_t BlitWholeSurface(Surface* destination, Surface* source) {
  return BltFastWithRetry(destination, 0, 0, source, nullptr, platform::kBltFastNoColorKey);
}

int32_t BlitSurfaceAt(Surface* destination, int x, int y, Surface* source, int width, int height,
                      uint32_t flags) {
  const Rect rect{0, 0, width, height};
  return BltFastWithRetry(destination, x, y, source, &rect, flags);
}

int32_t BlitSurfaceRect(Surface* destination, int x, int y, Surface* source, int left, int top, int width,
                        int height, uint32_t flags) {
  const Rect rect{left, top, left + width, top + height};
  return BltFastWithRetry(destination, x, y, source, &rect, flags);
}

int32_t BlitWholeSurfaceAt(Surface* destination, int x, int y, Surface* source, uint32_t flags) {
  return BltFastWithRetry(destination, x, y, source, nullptr, flags);
}

int32_t BlitSurfaceRectTo(Surface* destination, int x, int y, Surface* source, const Rect& sourceRect) {
  return BltFastWithRetry(destination, x, y, source, &sourceRect, platform::kBltFastNoColorKey);
}

int32_t FillSurface(Surface* surface, const Rect* rect, uint32_t pixel) {
  if (surface == nullptr) return 1;
  while (surface->Blt(rect, nullptr, nullptr, platform::kBltColorFill, pixel) ==
         DisplayResult::WasStillDrawing) {
  }
  return 1;
}

Surface* LoadBitmapSurface(platform::DisplayDevice* display, int32_t resourceId, bool systemMemory) {
  const std::span<const uint8_t> bytes = FindBitmapResource(resourceId);
  if (display == nullptr || bytes.empty()) return nullptr;
  platform::DibImage image;
  if (platform::DecodeBmpFile(bytes, image) != platform::DibError::None) return nullptr;
  platform::SurfaceDesc desc;
  desc.width = image.width;
  desc.height = image.height;
  desc.caps = platform::kCapsOffscreenPlain |
              (systemMemory ? platform::kCapsSystemMemory : platform::kCapsVideoMemory);
  Surface* surface = nullptr;
  if (display->CreateSurfaceInDisplayFormat(desc, surface) != DisplayResult::Ok) return nullptr;
  platform::DrawDibImage(image, *surface, 0, 0);
  return surface;
}

int32_t LoadBitmapResourceSurface(Surface*& out, int32_t resourceId, bool systemMemory) {
  out = LoadBitmapSurface(TheDisplay.directDraw, resourceId, systemMemory);
  if (out != nullptr) out->SetColorKey({TransparentColourKey(), TransparentColourKey()});
  return 1;
}

int32_t LoadMousePointerBitmap(bool systemMemory) {
  FreeMousePointerBitmap();
  LoadBitmapResourceSurface(TheDisplay.mousePointerSurface, kMousePointerBitmapResource, systemMemory);
  return TheDisplay.mousePointerSurface != nullptr ? 1 : 0;
}

int32_t FreeMousePointerBitmap() {
  if (TheDisplay.mousePointerSurface != nullptr) TheDisplay.mousePointerSurface->Release();
  TheDisplay.mousePointerSurface = nullptr;
  return 1;
}

PaletteEntries PaletteFromBitmap(int32_t resourceId) {
  PaletteEntries palette = ThreeThreeTwoPalette();
  const std::span<const uint8_t> bytes = FindBitmapResource(resourceId);
  if (!bytes.empty() && !ReadColourTable(bytes, palette)) palette = ThreeThreeTwoPalette();
  return palette;
}

platform::Palette* LoadPaletteFromBitmap(int32_t resourceId) {
  return platform::CreatePalette(PaletteFromBitmap(resourceId).colours);
}

}  // namespace qm
