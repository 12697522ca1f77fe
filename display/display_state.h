// The display's process-wide state: the display object and its screen surfaces, the 3D device,
// the switches that choose how the next display is built, the mode a program asked for, the
// frame counter, and the main window's settings while a program runs. One display exists at a
// time. Main thread only.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "platform/display/device3d.h"
#include "platform/display/display_device.h"
#include "platform/display/palette.h"
#include "platform/display/surface.h"

namespace qm {

inline constexpr const char* kPrimaryDisplayDriver = "Primary Display Driver";
inline constexpr int32_t kBitmapSlots = 34;  // bitmaps 0-31, and slots 32 and 33 for the loaders
inline constexpr int32_t kMaxTextureFormats = 99;

// Bit counts, shifts and maxima of a surface's red, green and blue masks (red above green above
// blue, blue at bit 0: the only layouts the display layer offers).
struct ScreenPixelFormatData {
  int32_t blueBits = 0, greenBits = 0, redBits = 0;
  int32_t greenShift = 0, redShift = 0;
  int32_t blueMax = 0, greenMax = 0, redMax = 0;
};

// The main window while a program runs (applied by ApplyWindowSettings).
struct WindowSettingsData {
  std::string windowTitle = "Quillmoor";
  uint32_t windowStyle = 0;
  int32_t showCommand = 10;
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t borderWidth = 0, captionHeight = 0;
  int32_t clientX = 0, clientY = 0;
  bool windowIcon = true;  // the program's icon, or none
  uint8_t systemCursorShown = 0;
  uint8_t fillMargins = 1;
};

struct DisplayState {
  // The display object and what hangs on it.
  platform::DisplayDevice* directDraw = nullptr;
  bool direct3D = false;  // the 3D interface was taken from the display object
  platform::Device3D* device = nullptr;
  platform::Surface* primary = nullptr;
  platform::Surface* backBuffer = nullptr;  // bitmap 0: the target of all drawing
  platform::Surface* zBuffer = nullptr;
  platform::Palette* screenPalette = nullptr;
  bool gammaAvailable = false;
  platform::Surface* mousePointerSurface = nullptr;

  // How the next display is built, and how the present one was.
  int32_t fullScreenFlag = 1;
  int32_t flipChainFlag = 0;
  int32_t systemMemoryModeFlag = 0;
  int32_t emulationModeFlag = 0;
  int32_t tnlEnabledFlag = 1;
  int32_t blitMode = 0;  // BLITFLIPMODE of this display: 1 copies instead of flipping
  int32_t blit3DFlag = 0;
  int32_t displayWidth = 640, displayHeight = 480;
  std::string currentCardName = kPrimaryDisplayDriver;
  std::string cardInUseName = kPrimaryDisplayDriver;
  ScreenPixelFormatData screenPixelFormat;

  // Bitmap surfaces (0 is the back buffer) with bitmap 0's size.
  std::array<platform::Surface*, kBitmapSlots> bitmapSurfaces{};
  int32_t bitmapZeroWidth = 0, bitmapZeroHeight = 0, bitmapZeroDepth = 0;

  // The mode a program asked for (SCREEN WIDTH, HEIGHT, DEPTH).
  int32_t requestedWidth = 640, requestedHeight = 480, requestedDepth = 16;
  int32_t requestedBitDepth = 16;  // the depth the video-memory test uses
  int32_t best3DDepth = 16;
  uint8_t screenInvalidFlag = 0;

  // Presenting.
  int32_t spriteBufferIndex = 0;
  int32_t presentOriginX = 0, presentOriginY = 0;
  int32_t framesPerSecond = 0;
  uint32_t frameCounter = 0, counterAtUpdate = 0, lastRateUpdate = 0;
  bool frameClockStarted = false;
  uint8_t spriteBackgroundsReleased = 0;  // set when lost surfaces were restored

  WindowSettingsData windowSettings;
  uint8_t windowModeOn = 0;
};

extern DisplayState TheDisplay;

// The 3D device's name and capability flags, set each time a device is created.
struct DeviceCapabilities {
  std::string deviceName;  // "T&L", "HAL", "RGB", "MMX" or "OTHER"
  int32_t hardwareDeviceFlag = 0;
  std::string enumeratedDeviceGuid, enumeratedDeviceName;
  int32_t viewportWidth = 0, viewportHeight = 0;
  int32_t ghostBlendMode = 0, altGhostBlendMode = 0;
  uint32_t ghostBlendSource = 0, ghostBlendDestination = 0;
  uint32_t altGhostBlendSource = 0, altGhostBlendDestination = 0;
  int32_t textureFilterMode = 0;
  int32_t fogCapabilityFlag = 0, tableFogFlag = 0;
  int32_t wBufferSupported = 0, mipmapSupported = 0;
  int32_t textureWrapSupported = 0, textureMirrorSupported = 0, textureClampSupported = 0;
  int32_t tlVertexDrawFlag = 0, alphaPremultipliedFlag = 0;
  int32_t compressedTexturesSupported = 0;
  std::array<platform::TextureFormatDesc, kMaxTextureFormats> textureFormats;
  int32_t textureFormatCount = 0;
};

extern DeviceCapabilities DeviceCaps;

// Everything back to the state before any display (tests).
void ResetDisplayState();

}  // namespace qm
