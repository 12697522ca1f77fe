// The display set-up: the display object on the chosen card, the screen surfaces (primary, back
// buffer, Z buffer, clipper), the 3D device on the back buffer, and their release.
// Every failing step reports one English sentence through LogEngineError and returns 0; the caller
// turns it into a system error (InitDirectX 10003, the display mode 10004, CreateScreenAreas
// 10005), or during a run into a runtime error or warning. With TRACEMODE on each step writes a
// trace line after a pause of 100 ms.
#pragma once
#include <cstdint>

#include "platform/display/surface.h"

namespace qm {

// Whether the next display is exclusive full screen (1) or a window (0). Returns 1.
int32_t SetFullScreenFlag(int32_t fullScreen);
// The display object: in full screen on the card CurrentCardName names (a secondary card is
// searched unless `forcePrimary`), the cooperative level exclusive when full screen and
// `exclusive`, else normal. 1, or 0 after the sentence.
int32_t InitDirectX(bool forcePrimary, bool exclusive);
// The screen surfaces of width x height, with the 3D device when `with3D`. 1, or 0 after the
// sentence with nothing of it left.
int32_t CreateScreenAreas(int32_t width, int32_t height, bool with3D);
// The primary, back buffer and (with 3D) Z buffer, the clipper without a flip chain, the gamma
// control, bitmap 0's size. Ok, or the failing result after the sentence.
platform::DisplayResult CreateScreenSurfaces(bool with3D);
// True when the video memory holds the screen surfaces (three of them with 3D, else two).
bool EnoughVideoMemory(bool with3D);
// The Z buffer attached to the back buffer, in video or system memory.
platform::DisplayResult CreateZBuffer(bool videoMemory);
// The transparent colour key on the primary and the back buffer. 1.
int32_t SetScreenColourKeys();
void ReleaseDirect3D();
void ReleaseScreenSurfaces();
// Releases the image surfaces, bitmaps 1-31, the device and the screen surfaces; without
// `keepDirectDraw` the display object too (the desktop's mode comes back). 1.
int32_t CloseDirectX(bool keepDirectDraw);
// The depth for a display: with `fullScreen` the best 3D depth, else the desktop's (0 after the
// sentence when it cannot be read).
int32_t GetCurrentBitDepth(bool fullScreen);

// Engine error sentences of the set-up.
inline constexpr const char* kFailedDirectDraw = "Failed to create DirectDraw Interface";
inline constexpr const char* kFailedCooperativeLevel = "Failed to set cooperative level for DirectDraw";
inline constexpr const char* kFailedQueryD3D = "Failed to query D3D Interface";
inline constexpr const char* kFailedZBufferVideo = "Failed to create a Z-Buffer in video memory";
inline constexpr const char* kFailedPrimary = "Failed to create a Primary Surface";
inline constexpr const char* kFailedBackBufferSystem = "Failed to create a BackBuffer in system memory";
inline constexpr const char* kFailedZBufferSystem = "Failed to create a Z-Buffer in system memory";
inline constexpr const char* kFailedPrimaryUnknown = "Failed to create a Primary Surface for unknown reason";
inline constexpr const char* kFailedClipper = "Failed to create a Clipper Object";
inline constexpr const char* kFailedCurrentBitDepth =
    "Could not create primary surface to ascertain current bitdepth";

}  // namespace qm
