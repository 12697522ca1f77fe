// A small toolkit over surfaces for the display set-up, the command-line overlay, the editor and
// the 3D engine: bitmap resources loaded into surfaces, the display palette, RGB colours matched
// into a surface's pixel format, colour keys, blits that survive lost surfaces, and fills.
// Colours passed in as RGB are 0x00BBGGRR values (the order of a Windows colour reference).
#pragma once
#include <array>
#include <cstdint>

#include "platform/display/display_device.h"
#include "platform/display/surface.h"

namespace qm {

// The raw pixel value of `rgb` in the surface's format, computed from the format's channel masks
// (each channel truncated to its high bits); no pixel of the surface is touched. With rgb -1, the
// value of the surface's first pixel. -1 without a surface, for a compressed surface, or when the
// first pixel cannot be read.
int64_t MatchSurfaceColour(platform::Surface* surface, int64_t rgb);
// The surface's source colour key becomes the matched colour. 1, or 0 without a surface.
int32_t SetSurfaceColourKey(platform::Surface* surface, int64_t rgb);
int32_t ApplySurfaceColourKey(platform::Surface* surface, int64_t rgb);
// The colour key of images and screen surfaces: 0 with a palette, else black in the back
// buffer's format.
uint32_t TransparentColourKey();

// The bit counts and shifts of the surface's channels into the display's ScreenPixelFormat. 1.
int32_t ReadSurfacePixelFormat(const platform::Surface* surface);
// True when the masks are red above green above blue with blue at bit 0, each one run of bits:
// the layout the direct pixel access of the drawing code assumes.
bool ChannelLayoutIsSupported(const platform::ChannelMasks& masks);

// Blits that loop: a lost surface is restored and the blit repeated, a busy one repeated at once;
// when a restore fails the display is marked not ready (unless ALWAYS ACTIVE is on) and the blit
// is dropped. Every one returns 1.
int32_t BlitWholeSurface(platform::Surface* destination, platform::Surface* source);
int32_t BlitSurfaceAt(platform::Surface* destination, int x, int y, platform::Surface* source, int width,
                      int height, uint32_t flags);
int32_t BlitSurfaceRect(platform::Surface* destination, int x, int y, platform::Surface* source, int left,
                        int top, int width, int height, uint32_t flags);
int32_t BlitWholeSurfaceAt(platform::Surface* destination, int x, int y, platform::Surface* source,
                           uint32_t flags);
int32_t BlitSurfaceRectTo(platform::Surface* destination, int x, int y, platform::Surface* source,
                          const platform::Rect& sourceRect);
// A colour fill of `rect` (null: the whole surface) with a raw pixel value. 1.
int32_t FillSurface(platform::Surface* surface, const platform::Rect* rect, uint32_t pixel);

// A new off-screen surface in the display's format holding a bitmap resource at its own size
// (system or video memory); null when the resource is missing or broken or no surface can be made.
platform::Surface* LoadBitmapSurface(platform::DisplayDevice* display, int32_t resourceId, bool systemMemory);
// LoadBitmapSurface with the program's display; the surface (null on failure) gets the
// transparent colour key and is stored in `out`. 1.
int32_t LoadBitmapResourceSurface(platform::Surface*& out, int32_t resourceId, bool systemMemory);
// The mouse pointer's bitmap into the display's MousePointerSurface: 1, or 0 when it cannot be
// loaded.
int32_t LoadMousePointerBitmap(bool systemMemory);
int32_t FreeMousePointerBitmap();

// A palette's 256 colours and the flags of each entry.
struct PaletteEntries {
  std::array<platform::Rgb, 256> colours{};
  std::array<uint8_t, 256> flags{};
};
// The 3-3-2 palette, with the colour table of the bitmap resource laid over it when the resource
// exists and has one (its entry flags then 2 for 0-9 and 246-255 and 4 for the rest).
PaletteEntries PaletteFromBitmap(int32_t resourceId);
// A palette object holding PaletteFromBitmap's colours.
platform::Palette* LoadPaletteFromBitmap(int32_t resourceId);

}  // namespace qm
