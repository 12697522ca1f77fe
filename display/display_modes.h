// Display modes, the gamma ramp and the display reset: the one road by which a running program
// changes its display (a new mode, a window or full screen, another card, software emulation, T&L
// use). A reset tears the whole display down and builds it again; bitmaps 1-31, the images and
// the queued drawing do not survive it, and bitmap 0 is current afterwards.
#pragma once
#include <cstdint>

namespace qm {

inline constexpr int32_t kErrorDisplayModeSize = 1501;
inline constexpr int32_t kErrorDisplayModeDepth = 1502;
inline constexpr int32_t kWarningDisplayModeRefused = 1503;
inline constexpr int32_t kWarningScreenAreasRefused = 1504;
inline constexpr int32_t kWarningGammaRange = 1014;

// The mode switch: in a window the client area takes the size; in full screen the card's mode.
// 1, or 0 after "Could not set a display mode of WxHxD" (with the reason when the depth needs
// exclusive mode).
int32_t SetDisplayMode(int32_t width, int32_t height, int32_t depth);
// Each channel 0-511: 256 the identity ramp, 0 black, 511 white, between 256 and 511 a raised
// floor. 1 when the ramp was set, 0 without a gamma control.
int32_t SetGamma(int32_t red, int32_t green, int32_t blue);
// The wanted mode and emulation switch, and the values to fall back to. True when the wanted mode
// was set; false after a fallback (warning 1503 or 1504) or a failure (runtime error 10003 when
// no display object can be made, 10005 when even the fallback's screen areas cannot be made).
bool ResetDisplay(int32_t& width, int32_t& height, int32_t& depth, int32_t& emulation, int32_t fallbackWidth,
                  int32_t fallbackHeight, int32_t fallbackDepth, int32_t fallbackEmulation);
// ResetDisplay with the requested mode as both the wanted mode and the fallback.
bool ResetDisplayToRequestedMode(int32_t fallbackEmulation);
// Managed textures leave video memory (FLUSH VIDEO MEMORY, resume after deactivation). 1.
int32_t FlushVideoMemory();
// Every image loses its surface and its number (a reset's images do not survive it).
void ReleaseImagesForReset();
// The current bitmap is bitmap 0 (number and surface) on the new back buffer, whatever bitmap was
// current before: the old bitmaps are gone.
void RebindScreenTargets();
// Every limb of every object in use loses its texture.
void ClearObjectLimbTextures();

}  // namespace qm
