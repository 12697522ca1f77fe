// The 3D device shell: the list of devices a program can choose from, device creation on a render
// target, capabilities, texture and Z-buffer formats, the viewport, stored render and texture-stage
// states, transforms and the material, scenes, and Clear of the target and Z buffer within the
// viewport. Drawing primitives belongs to the software rasteriser that builds on this.
//
// The only real device is our software rasteriser, listed honestly as the RGB device without any
// hardware capability. Tests configure other device lists (with hardware flags) to reach the
// display set-up's other paths, and make creation fail by injection.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/display/surface.h"

namespace qm::platform {

// Device GUIDs by name.
inline constexpr const char* kDeviceTnLHal = "IID_IDirect3DTnLHalDevice";
inline constexpr const char* kDeviceHal = "IID_IDirect3DHALDevice";
inline constexpr const char* kDeviceRgb = "IID_IDirect3DRGBDevice";
inline constexpr const char* kDeviceMmx = "IID_IDirect3DMMXDevice";

// Device capability flags.
enum DeviceCaps : uint32_t {
  kDevCapsDrawPrimTlVertex = 0x00000400,
  kDevCapsHwRasterization = 0x00080000,
  kDevCapsHwTransformAndLight = 0x00010000,
};
// Bit-depth flags of render targets and Z buffers.
enum BitDepthFlags : uint32_t { kDepth32 = 0x100, kDepth24 = 0x200, kDepth16 = 0x400 };

struct DeviceDesc {
  std::string guid, name, description;
  uint32_t devCaps = 0;
  uint32_t renderBitDepths = kDepth16 | kDepth24 | kDepth32;
  uint32_t zBufferBitDepths = kDepth16 | kDepth32;
  uint32_t srcBlendCaps = 0, destBlendCaps = 0;
  uint32_t textureFilterCaps = 0, rasterCaps = 0, textureAddressCaps = 0;
  int maxTextureWidth = 2048, maxTextureHeight = 2048;
};

struct TextureFormatDesc {
  std::string name;
  int bitsPerPixel = 0;  // 0 for compressed formats
  uint32_t red = 0, green = 0, blue = 0, alpha = 0;
  std::string fourCC;
};

struct Device3DConfig {
  std::vector<DeviceDesc> devices = {SoftwareDevice()};
  std::vector<TextureFormatDesc> textureFormats = DefaultTextureFormats();
  std::vector<int> zBufferDepths = {16, 32};

  static DeviceDesc SoftwareDevice();
  static std::vector<TextureFormatDesc> DefaultTextureFormats();
};
Device3DConfig& Device3DConfiguration();
void ResetDevice3DConfiguration();

struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;
  float minZ = 0, maxZ = 1;
  friend bool operator==(const Viewport&, const Viewport&) = default;
};

using Matrix = std::array<float, 16>;
enum TransformType { kTransformWorld = 1, kTransformView = 2, kTransformProjection = 3 };

struct ColourValue {
  float r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const ColourValue&, const ColourValue&) = default;
};
struct Material {
  ColourValue diffuse, ambient, specular, emissive;
  float power = 0;
  friend bool operator==(const Material&, const Material&) = default;
};

enum ClearFlags : uint32_t { kClearTarget = 1, kClearZBuffer = 2, kClearStencil = 4 };

class Device3D {
 public:
  // A device of an enumerated GUID drawing into `target` (a surface with kCaps3DDevice), using the
  // Z buffer attached to it, if any. The failure injected for SurfaceOp::Create applies here too.
  static DisplayResult Create(const std::string& guid, Surface* target, Device3D*& out);
  void AddRef() { ++references_; }
  int Release();

  const DeviceDesc& GetCaps() const { return desc_; }
  Surface* RenderTarget() const { return target_; }

  // Refused unless the viewport lies inside the render target.
  DisplayResult SetViewport(const Viewport& viewport);
  const Viewport& GetViewport() const { return viewport_; }

  void SetRenderState(uint32_t state, uint32_t value) { renderStates_[state] = value; }
  uint32_t GetRenderState(uint32_t state) const;
  void SetTextureStageState(int stage, uint32_t type, uint32_t value) { stageStates_[{stage, type}] = value; }
  uint32_t GetTextureStageState(int stage, uint32_t type) const;
  void SetTransform(TransformType type, const Matrix& matrix) { transforms_[type] = matrix; }
  Matrix GetTransform(TransformType type) const;
  void SetMaterial(const Material& material) { material_ = material; }
  const Material& GetMaterial() const { return material_; }

  // Scenes do not nest; EndScene without BeginScene is refused.
  DisplayResult BeginScene();
  DisplayResult EndScene();
  bool InScene() const { return inScene_; }

  // Fills the rectangles (none: the whole viewport), each cut to the viewport: the target with the
  // 0xAARRGGBB colour in its format, the Z buffer with z (0 to 1) scaled to its depth.
  DisplayResult Clear(const std::vector<Rect>& rects, uint32_t flags, uint32_t argb, float z,
                      uint32_t stencil);

  DisplayResult EvictManagedTextures() { return DisplayResult::Ok; }
  DisplayResult PreLoad(Surface*) { return DisplayResult::Ok; }

 private:
  Device3D() = default;
  ~Device3D();

  int references_ = 1;
  DeviceDesc desc_;
  Surface* target_ = nullptr;
  Surface* zBuffer_ = nullptr;
  Viewport viewport_;
  std::map<uint32_t, uint32_t> renderStates_;
  std::map<std::pair<int, uint32_t>, uint32_t> stageStates_;
  std::map<int, Matrix> transforms_;
  Material material_;
  bool inScene_ = false;
};

// A Z buffer surface of 16 or 32 bits to attach to a render target.
DisplayResult CreateZBuffer(int width, int height, int depth, Surface*& out);

}  // namespace qm::platform
