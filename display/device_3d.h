// The 3D device that renders into the back buffer: chosen among the T&L HAL, HAL, RGB, MMX and an
// enumerated hardware device, its capabilities read into DeviceCaps, its texture formats listed,
// its viewport, default states, materials and matrices set. Made again after every display reset.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

// Blend factors (the values the device's blend states take).
enum BlendFactor : uint32_t {
  kBlendZero = 1,
  kBlendOne = 2,
  kBlendSrcColor = 3,
  kBlendInvSrcColor = 4,
  kBlendDestColor = 9,
  kBlendInvDestColor = 10,
};
// Blend capability bits of the device's source and destination caps.
enum BlendCaps : uint32_t {
  kBlendCapsZero = 0x001,
  kBlendCapsOne = 0x002,
  kBlendCapsSrcColor = 0x004,
  kBlendCapsInvSrcColor = 0x008,
  kBlendCapsDestColor = 0x100,
  kBlendCapsInvDestColor = 0x200,
};
// Texture filter, raster and texture address capability bits.
enum FilterCaps : uint32_t {
  kFilterCapsMipNearest = 0x004,
  kFilterCapsMipLinear = 0x008,
  kFilterCapsMinLinear = 0x200,
  kFilterCapsMinAnisotropic = 0x400,
  kFilterCapsMagLinear = 0x2000000,
  kFilterCapsMagAnisotropic = 0x4000000,
};
enum RasterCaps : uint32_t { kRasterFogVertex = 0x80, kRasterFogTable = 0x100, kRasterWBuffer = 0x40000 };
enum AddressCaps : uint32_t { kAddressWrap = 1, kAddressMirror = 2, kAddressClamp = 4 };

// Render states and texture-stage states set by the defaults, with their values.
enum RenderState : uint32_t {
  kStateTexturePerspective = 4,
  kStateZEnable = 7,
  kStateFillMode = 8,
  kStateShadeMode = 9,
  kStateZWriteEnable = 14,
  kStateSrcBlend = 19,
  kStateDestBlend = 20,
  kStateCullMode = 22,
  kStateDitherEnable = 26,
  kStateSpecularEnable = 29,
  kStateAmbient = 139,
  kStateLocalViewer = 142,
  kStateNormalizeNormals = 143,
};
enum StageState : uint32_t {
  kStageAddress = 12,
  kStageMagFilter = 16,
  kStageMinFilter = 17,
  kStageMipFilter = 18
};
inline constexpr uint32_t kZBufferTrue = 1, kZBufferUseW = 2;
inline constexpr uint32_t kShadeGouraud = 2, kFillSolid = 3, kCullCcw = 3, kMipFilterLinear = 3,
                          kAddressModeWrap = 1;

// 1 when the device and everything it needs are set; 0 after the sentence.
int32_t CreateDirect3DDevice();
// 1, or 0 when the first pass material cannot be set.
int32_t ApplyDefaultRenderStates();
int32_t ApplyDefaultMatrices();
// The stage 0 filters for a texture filter mode (0 point, 1 linear, 2 anisotropic).
void SetTextureFilterMode(int32_t mode);

// ALPHABLENDING AVAILABLE, FILTERING AVAILABLE, FOG AVAILABLE and 3DBLIT AVAILABLE.
int32_t AlphaBlendingAvailable();
int32_t FilteringAvailable();
int32_t FogAvailable();
int32_t Blit3DAvailable();

inline constexpr const char* kFailedBackBufferDesc =
    "Failed to get surface description of BackBuffer Surface";
inline constexpr const char* kFailedNoHardwareDevice =
    "D3D Devices do not support backbuffer bit-depth and HW Acceleration";
inline constexpr const char* kFailedDeviceSuffix = "Failed to create a D3D Device from BackBuffer Surface";
inline constexpr const char* kFailedTextureFormats = "Failed to create list of available texture formats";
inline constexpr const char* kFailedViewport = "Failed to set Viewport Properties";

}  // namespace qm
