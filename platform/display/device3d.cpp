#include "platform/display/device3d.h"

#include <algorithm>
#include <cmath>

#include "platform/display/fault_injection.h"

namespace qm::platform {
namespace {

Device3DConfig gConfig;

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Z buffers keep their depth in the surface's pixel width: 2 bytes for 16 bits, 4 for 32.
uint32_t ZValue(const Surface& zBuffer, float z) {
  double clamped = std::clamp(static_cast<double>(z), 0.0, 1.0);
  return BytesPerPixel(zBuffer.Format()) == 2 ? static_cast<uint32_t>(std::lround(clamped * 0xFFFF))
                                              : static_cast<uint32_t>(std::llround(clamped * 0xFFFFFFFF));
}

}  // namespace

DeviceDesc Device3DConfig::SoftwareDevice() {
  DeviceDesc d;
  d.guid = kDeviceRgb;
  d.name = "RGB Emulation";
  d.description = "Quillmoor software rasteriser";
  d.devCaps = kDevCapsDrawPrimTlVertex;  // no hardware rasterisation, no hardware transform
  d.srcBlendCaps = d.destBlendCaps = 0x1FFF;
  d.textureFilterCaps = 0x3;  // nearest and linear
  d.rasterCaps = 0;
  d.textureAddressCaps = 0x7;  // wrap, mirror, clamp
  return d;
}

std::vector<TextureFormatDesc> Device3DConfig::DefaultTextureFormats() {
  return {{"X8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, 0, ""},
          {"R5G6B5", 16, 0xF800, 0x07E0, 0x1F, 0, ""},
          {"A1R5G5B5", 16, 0x7C00, 0x03E0, 0x1F, 0x8000, ""},
          {"A4R4G4B4", 16, 0x0F00, 0xF0, 0xF, 0xF000, ""},
          {"DXT1", 0, 0, 0, 0, 0, "DXT1"},
          {"DXT3", 0, 0, 0, 0, 0, "DXT3"},
          {"DXT5", 0, 0, 0, 0, 0, "DXT5"}};
}

Device3DConfig& Device3DConfiguration() { return gConfig; }
void ResetDevice3DConfiguration() { gConfig = Device3DConfig{}; }

DisplayResult CreateZBuffer(int width, int height, int depth, Surface*& out) {
  if (depth != 16 && depth != 32) return DisplayResult::InvalidParams;
  SurfaceDesc desc{width, height, depth == 16 ? PixelFormat::R5G6B5 : PixelFormat::X8R8G8B8, kCapsZBuffer};
  return Surface::Create(desc, out);
}

DisplayResult Device3D::Create(const std::string& guid, Surface* target, Device3D*& out) {
  out = nullptr;
  auto found = std::find_if(gConfig.devices.begin(), gConfig.devices.end(),
                            [&](const DeviceDesc& d) { return d.guid == guid; });
  if (found == gConfig.devices.end()) return DisplayResult::NotFound;
  if (!target || !(target->Caps() & kCaps3DDevice) || IsCompressed(target->Format())) {
    return DisplayResult::InvalidCaps;
  }
  if (DisplayResult injected = TakeInjectedError(SurfaceOp::Create); injected != DisplayResult::Ok) {
    return injected;
  }
  auto* device = new Device3D;
  device->desc_ = *found;
  device->target_ = target;
  target->AddRef();
  target->GetAttachedSurface(kCapsZBuffer, device->zBuffer_);
  device->viewport_ = {0, 0, target->Width(), target->Height(), 0, 1};
  out = device;
  return DisplayResult::Ok;
}

Device3D::~Device3D() {
  if (zBuffer_) zBuffer_->Release();
  target_->Release();
}

int Device3D::Release() {
  int left = --references_;
  if (left == 0) delete this;
  return left;
}

DisplayResult Device3D::SetViewport(const Viewport& viewport) {
  if (viewport.width < 1 || viewport.height < 1 || viewport.x < 0 || viewport.y < 0 ||
      viewport.x + viewport.width > target_->Width() || viewport.y + viewport.height > target_->Height() ||
      viewport.minZ > viewport.maxZ) {
    return DisplayResult::InvalidParams;
  }
  viewport_ = viewport;
  return DisplayResult::Ok;
}

uint32_t Device3D::GetRenderState(uint32_t state) const {
  auto found = renderStates_.find(state);
  return found == renderStates_.end() ? 0 : found->second;
}

uint32_t Device3D::GetTextureStageState(int stage, uint32_t type) const {
  auto found = stageStates_.find({stage, type});
  return found == stageStates_.end() ? 0 : found->second;
}

Matrix Device3D::GetTransform(TransformType type) const {
  auto found = transforms_.find(type);
  return found == transforms_.end() ? kIdentity : found->second;
}

DisplayResult Device3D::BeginScene() {
  if (inScene_) return DisplayResult::InvalidParams;
  inScene_ = true;
  return DisplayResult::Ok;
}

DisplayResult Device3D::EndScene() {
  if (!inScene_) return DisplayResult::InvalidParams;
  inScene_ = false;
  return DisplayResult::Ok;
}

DisplayResult Device3D::Clear(const std::vector<Rect>& rects, uint32_t flags, uint32_t argb, float z,
                              uint32_t) {
  if ((flags & kClearZBuffer) && !zBuffer_) return DisplayResult::InvalidParams;
  Rect view{viewport_.x, viewport_.y, viewport_.x + viewport_.width, viewport_.y + viewport_.height};
  std::vector<Rect> areas = rects.empty() ? std::vector<Rect>{view} : rects;
  uint32_t colour = PackRgb(target_->Format(), {static_cast<uint8_t>(argb >> 16),
                                                static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb)});
  for (const Rect& area : areas) {
    Rect cut{std::max(area.left, view.left), std::max(area.top, view.top), std::min(area.right, view.right),
             std::min(area.bottom, view.bottom)};
    if (cut.Empty()) continue;
    if (flags & kClearTarget) {
      if (DisplayResult r = target_->Fill(&cut, colour); r != DisplayResult::Ok) return r;
    }
    if (flags & kClearZBuffer) {
      Rect zCut{cut.left, cut.top, std::min(cut.right, zBuffer_->Width()),
                std::min(cut.bottom, zBuffer_->Height())};
      if (zCut.Empty()) continue;
      if (DisplayResult r = zBuffer_->Fill(&zCut, ZValue(*zBuffer_, z)); r != DisplayResult::Ok) return r;
    }
  }
  return DisplayResult::Ok;
}

}  // namespace qm::platform
