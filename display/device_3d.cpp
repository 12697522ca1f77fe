// The 3D device and its capabilities.
#include "display/device_3d.h"

#include <array>
#include <cmath>
#include <string>

#include "display/display_state.h"
#include "display/engine_error_log.h"
#include "platform/display/device3d.h"

namespace qm {
namespace {

using platform::Device3D;
using platform::DeviceDesc;
using platform::DisplayResult;

// One attempt per candidate device: its status letter, "1" made and "0" failed.
struct DeviceAttempts {
  std::string letters = "......";

  bool Try(const std::string& guid, const char* name, bool hardware, std::size_t letter) {
    DeviceCaps.deviceName = name;
    DeviceCaps.hardwareDeviceFlag = hardware ? 1 : 0;
    Device3D* device = nullptr;
    const bool made = Device3D::Create(guid, TheDisplay.backBuffer, device) == DisplayResult::Ok;
    letters[letter] = made ? '1' : '0';
    if (made) TheDisplay.device = device;
    return made;
  }
};

uint32_t DepthFlag(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 16:
      return platform::kDepth16;
    case 24:
      return platform::kDepth24;
    case 32:
      return platform::kDepth32;
    default:
      return 0;
  }
}

// The first hardware-rasterising device that renders at the back buffer's depth, for the last
// attempt. False when the layer lists none (only the software devices can then be made).
bool FindHardwareDevice(int bitsPerPixel) {
  const uint32_t depth = DepthFlag(bitsPerPixel);
  for (const DeviceDesc& desc : platform::Device3DConfiguration().devices) {
    if ((desc.devCaps & platform::kDevCapsHwRasterization) && depth != 0 && (desc.renderBitDepths & depth)) {
      DeviceCaps.enumeratedDeviceGuid = desc.guid;
      DeviceCaps.enumeratedDeviceName = desc.name;
      return true;
    }
  }
  return false;
}

// Tries the devices in the order the switches ask for. Emulation: the software devices RGB and
// then MMX. Otherwise the T&L HAL (unless T&L is disabled), the HAL and then RGB. Last, the
// enumerated hardware device.
bool ChooseDevice(DeviceAttempts& attempts, bool hardwareListed) {
  if (TheDisplay.emulationModeFlag == 1) {
    attempts.letters[2] = '2';
    if (attempts.Try(platform::kDeviceRgb, "RGB", false, 4)) return true;
    if (attempts.Try(platform::kDeviceMmx, "MMX", false, 5)) return true;
  } else {
    bool made = false;
    if (TheDisplay.tnlEnabledFlag == 1) {
      made = attempts.Try(platform::kDeviceTnLHal, "T&L", true, 2);
    } else {
      attempts.letters[2] = '2';
    }
    if (made) return true;
    if (attempts.Try(platform::kDeviceHal, "HAL", true, 3)) return true;
    if (attempts.Try(platform::kDeviceRgb, "RGB", false, 4)) return true;
  }
  if (!hardwareListed) return false;
  Device3D* device = nullptr;
  DeviceCaps.deviceName = "OTHER";
  DeviceCaps.hardwareDeviceFlag = 1;
  if (Device3D::Create(DeviceCaps.enumeratedDeviceGuid, TheDisplay.backBuffer, device) != DisplayResult::Ok)
    return false;
  TheDisplay.device = device;
  return true;
}

struct BlendPair {
  int32_t mode;
  uint32_t sourceCap, destinationCap;
  uint32_t source, destination;
};

// In the order they are tested: a later pair the device supports replaces an earlier one.
constexpr std::array<BlendPair, 9> kGhostBlendPairs = {{
    {9, kBlendCapsZero, kBlendCapsInvSrcColor, kBlendZero, kBlendInvSrcColor},
    {8, kBlendCapsInvDestColor, kBlendCapsInvSrcColor, kBlendInvDestColor, kBlendInvSrcColor},
    {6, kBlendCapsDestColor, kBlendCapsZero, kBlendDestColor, kBlendZero},
    {5, kBlendCapsDestColor, kBlendCapsSrcColor, kBlendDestColor, kBlendSrcColor},
    {7, kBlendCapsZero, kBlendCapsSrcColor, kBlendZero, kBlendSrcColor},
    {4, kBlendCapsDestColor, kBlendCapsOne, kBlendDestColor, kBlendOne},
    {3, kBlendCapsOne, kBlendCapsOne, kBlendOne, kBlendOne},
    {2, kBlendCapsInvDestColor, kBlendCapsOne, kBlendInvDestColor, kBlendOne},
    {1, kBlendCapsOne, kBlendCapsInvSrcColor, kBlendOne, kBlendInvSrcColor},
}};

const BlendPair* PairOfMode(int32_t mode) {
  for (const BlendPair& pair : kGhostBlendPairs) {
    if (pair.mode == mode) return &pair;
  }
  return nullptr;
}

void ReadBlendModes(const DeviceDesc& caps) {
  DeviceCaps.ghostBlendMode = 0;
  DeviceCaps.altGhostBlendMode = 0;
  for (const BlendPair& pair : kGhostBlendPairs) {
    if (!(caps.srcBlendCaps & pair.sourceCap) || !(caps.destBlendCaps & pair.destinationCap)) continue;
    DeviceCaps.ghostBlendMode = pair.mode;
    if (pair.mode >= 5 && pair.mode <= 7) DeviceCaps.altGhostBlendMode = pair.mode;
  }
}

void ReadCapabilityFlags(const DeviceDesc& caps) {
  ReadBlendModes(caps);
  const uint32_t filter = caps.textureFilterCaps;
  if ((filter & kFilterCapsMagAnisotropic) && (filter & kFilterCapsMinAnisotropic)) {
    DeviceCaps.textureFilterMode = 2;
  } else if ((filter & kFilterCapsMagLinear) && (filter & kFilterCapsMinLinear)) {
    DeviceCaps.textureFilterMode = 1;
  } else {
    DeviceCaps.textureFilterMode = 0;
  }
  const bool fogTable = caps.rasterCaps & kRasterFogTable, fogVertex = caps.rasterCaps & kRasterFogVertex;
  DeviceCaps.fogCapabilityFlag = fogTable || fogVertex ? 1 : 0;
  DeviceCaps.tableFogFlag = fogTable && !fogVertex ? 1 : 0;
  DeviceCaps.wBufferSupported = (caps.rasterCaps & kRasterWBuffer) ? 1 : 0;
  DeviceCaps.mipmapSupported = (filter & (kFilterCapsMipNearest | kFilterCapsMipLinear)) ? 1 : 0;
  DeviceCaps.textureWrapSupported = (caps.textureAddressCaps & kAddressWrap) ? 1 : 0;
  DeviceCaps.textureMirrorSupported = (caps.textureAddressCaps & kAddressMirror) ? 1 : 0;
  DeviceCaps.textureClampSupported = (caps.textureAddressCaps & kAddressClamp) ? 1 : 0;
  DeviceCaps.tlVertexDrawFlag = (caps.devCaps & platform::kDevCapsDrawPrimTlVertex) ? 1 : 0;
  DeviceCaps.alphaPremultipliedFlag = 0;  // no surface format of the layer is premultiplied
}

void ListTextureFormats() {
  DeviceCaps.textureFormatCount = 0;
  DeviceCaps.compressedTexturesSupported = 0;
  for (const platform::TextureFormatDesc& format : platform::Device3DConfiguration().textureFormats) {
    if (DeviceCaps.textureFormatCount == kMaxTextureFormats) break;
    DeviceCaps.textureFormats[static_cast<std::size_t>(DeviceCaps.textureFormatCount++)] = format;
    const std::string& code = format.fourCC;
    if (code.size() == 4 && code.compare(0, 3, "DXT") == 0 && code[3] >= '1' && code[3] <= '5') {
      DeviceCaps.compressedTexturesSupported = 1;
    }
  }
}

platform::Matrix IdentityMatrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

// A left-handed perspective projection with the camera's default range and field of view.
platform::Matrix DefaultProjection() {
  constexpr float kNear = 1.0f, kFar = 3000.0f, kFieldOfView = 1.0814433f;
  const float aspect =
      static_cast<float>(TheDisplay.displayWidth) / static_cast<float>(TheDisplay.displayHeight);
  const float yScale = 1.0f / std::tan(kFieldOfView / 2.0f);
  const float xScale = yScale / aspect;
  const float q = kFar / (kFar - kNear);
  return {xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -q * kNear, 0};
}

}  // namespace

int32_t CreateDirect3DDevice() {
  if (TheDisplay.device != nullptr) TheDisplay.device->Release();
  TheDisplay.device = nullptr;
  if (TheDisplay.backBuffer == nullptr) {
    LogEngineError(kFailedBackBufferDesc);
    return 0;
  }
  DeviceCaps.enumeratedDeviceGuid.clear();
  DeviceCaps.enumeratedDeviceName.clear();
  const bool hardwareListed = FindHardwareDevice(platform::BitsPerPixel(TheDisplay.backBuffer->Format()));
  DeviceAttempts attempts;
  if (!ChooseDevice(attempts, hardwareListed)) {
    if (!hardwareListed) {
      LogEngineError(std::string("[") + attempts.letters + "] " + kFailedNoHardwareDevice);
    } else {
      LogEngineError("[" + attempts.letters + " & " + DeviceCaps.enumeratedDeviceName + "] " +
                     kFailedDeviceSuffix);
    }
    return 0;
  }
  const DeviceDesc& caps = TheDisplay.device->GetCaps();
  if (TheDisplay.device->InScene()) TheDisplay.device->EndScene();
  ReadCapabilityFlags(caps);
  ListTextureFormats();
  const platform::Viewport viewport{0, 0, TheDisplay.displayWidth, TheDisplay.displayHeight, 0.0f, 1.0f};
  if (TheDisplay.device->SetViewport(viewport) != DisplayResult::Ok) {
    LogEngineError(kFailedViewport);
    return 0;
  }
  DeviceCaps.viewportWidth = viewport.width;
  DeviceCaps.viewportHeight = viewport.height;
  if (ApplyDefaultRenderStates() == 0) return 0;
  ApplyDefaultMatrices();
  return 1;
}

int32_t ApplyDefaultRenderStates() {
  Device3D* device = TheDisplay.device;
  if (device == nullptr) return 0;
  device->SetRenderState(kStateZEnable, DeviceCaps.wBufferSupported ? kZBufferUseW : kZBufferTrue);
  device->SetRenderState(kStateZWriteEnable, 1);
  if (const BlendPair* pair = PairOfMode(DeviceCaps.ghostBlendMode)) {
    DeviceCaps.ghostBlendSource = pair->source;
    DeviceCaps.ghostBlendDestination = pair->destination;
  }
  if (const BlendPair* pair = PairOfMode(DeviceCaps.altGhostBlendMode)) {
    DeviceCaps.altGhostBlendSource = pair->source;
    DeviceCaps.altGhostBlendDestination = pair->destination;
  }
  device->SetRenderState(kStateTexturePerspective, 1);
  device->SetRenderState(kStateSpecularEnable, 0);
  device->SetRenderState(kStateShadeMode, kShadeGouraud);
  if (TheDisplay.emulationModeFlag == 1) {
    device->SetRenderState(kStateDitherEnable, 0);
    DeviceCaps.textureFilterMode = 0;
  } else {
    device->SetRenderState(kStateDitherEnable, 1);
  }
  device->SetTextureStageState(0, kStageMipFilter, kMipFilterLinear);
  SetTextureFilterMode(DeviceCaps.textureFilterMode);
  device->SetRenderState(kStateFillMode, kFillSolid);
  device->SetRenderState(kStateCullMode, kCullCcw);
  device->SetRenderState(kStateNormalizeNormals, 1);
  device->SetRenderState(kStateLocalViewer, 0);
  device->SetRenderState(kStateAmbient, 0);
  device->SetTextureStageState(0, kStageAddress, kAddressModeWrap);
  platform::Material first;
  first.diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
  first.ambient = {0.5f, 0.5f, 0.5f, 0.0f};
  device->SetMaterial(first);
  return 1;
}

int32_t ApplyDefaultMatrices() {
  Device3D* device = TheDisplay.device;
  if (device == nullptr) return 0;
  device->SetTransform(platform::kTransformProjection, DefaultProjection());
  device->SetTransform(platform::kTransformWorld, IdentityMatrix());
  device->SetTransform(platform::kTransformView, IdentityMatrix());
  return 1;
}

void SetTextureFilterMode(int32_t mode) {
  if (TheDisplay.device == nullptr) return;
  // Point 1, linear 2; anisotropic is 5 when magnifying and 3 when minifying.
  const uint32_t magnify = mode == 2 ? 5 : (mode == 1 ? 2 : 1);
  const uint32_t minify = mode == 2 ? 3 : (mode == 1 ? 2 : 1);
  TheDisplay.device->SetTextureStageState(0, kStageMagFilter, magnify);
  TheDisplay.device->SetTextureStageState(0, kStageMinFilter, minify);
}

int32_t AlphaBlendingAvailable() { return DeviceCaps.ghostBlendMode != 0 ? 1 : 0; }
int32_t FilteringAvailable() { return DeviceCaps.textureFilterMode != 0 ? 1 : 0; }
int32_t FogAvailable() { return DeviceCaps.fogCapabilityFlag == 1 ? 1 : 0; }
int32_t Blit3DAvailable() { return TheDisplay.blit3DFlag == 1 ? 1 : 0; }

}  // namespace qm
