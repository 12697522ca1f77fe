#include "platform/display/display_device.h"

#include <algorithm>

namespace qm::platform {
namespace {

DisplayConfig gConfig;
DisplayDevice* gCurrent = nullptr;

void PresentChangedPrimary(Surface& primary) {
  DisplayDevice* device = DisplayDevice::Current();
  if (!device) return;
  Rect shown = device->ShownRectangle(primary);
  if (shown.Empty()) return;
  ActiveDisplayBackend().Present(primary, shown, device->GetGammaRamp());
}

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

}  // namespace

std::vector<DisplayMode> DisplayConfig::DefaultModes() {
  std::vector<DisplayMode> modes;
  for (auto [w, h] : {std::pair{320, 240}, {640, 480}, {800, 600}, {1024, 768}}) {
    for (int bits : {16, 24, 32}) modes.push_back({w, h, bits});
  }
  return modes;
}

DisplayConfig& DisplayConfiguration() { return gConfig; }
void ResetDisplayConfiguration() { gConfig = DisplayConfig{}; }

DisplayResult DisplayDevice::Create(const std::string& guid, DisplayDevice*& out) {
  out = nullptr;
  auto found = std::find_if(gConfig.drivers.begin(), gConfig.drivers.end(),
                            [&](const DisplayDriverInfo& d) { return d.guid == guid; });
  if (found == gConfig.drivers.end() && !guid.empty()) return DisplayResult::NotFound;
  out = new DisplayDevice;
  out->desktopMode_ = {gConfig.desktopWidth, gConfig.desktopHeight, gConfig.desktopBits};
  out->mode_ = out->desktopMode_;
  gCurrent = out;
  SetPrimaryChangedHook(PresentChangedPrimary);
  return DisplayResult::Ok;
}

DisplayDevice::~DisplayDevice() {
  if (gCurrent == this) gCurrent = nullptr;
  if (FullScreen()) ActiveDisplayBackend().SetFullScreen(false);
}

int DisplayDevice::Release() {
  int left = --references_;
  if (left == 0) delete this;
  return left;
}

DisplayDevice* DisplayDevice::Current() { return gCurrent; }

DisplayResult DisplayDevice::SetCooperativeLevel(uint32_t flags) {
  bool exclusive = flags & kCoopExclusive, fullScreen = flags & kCoopFullScreen;
  bool normal = flags & kCoopNormal;
  if (exclusive != fullScreen || normal == exclusive) return DisplayResult::InvalidParams;
  cooperative_ = flags & (kCoopNormal | kCoopExclusive | kCoopFullScreen);
  ActiveDisplayBackend().SetFullScreen(fullScreen);
  if (!fullScreen) mode_ = desktopMode_;
  return DisplayResult::Ok;
}

const std::vector<DisplayMode>& DisplayDevice::EnumDisplayModes() const { return gConfig.modes; }

DisplayResult DisplayDevice::SetDisplayMode(int width, int height, int bitsPerPixel) {
  DisplayMode wanted{width, height, bitsPerPixel};
  if (std::find(gConfig.modes.begin(), gConfig.modes.end(), wanted) == gConfig.modes.end()) {
    return DisplayResult::InvalidMode;
  }
  if (!(cooperative_ & kCoopExclusive) && bitsPerPixel != mode_.bitsPerPixel) {
    return DisplayResult::NoExclusiveMode;
  }
  mode_ = wanted;
  return DisplayResult::Ok;
}

DisplayResult DisplayDevice::RestoreDisplayMode() {
  mode_ = desktopMode_;
  return DisplayResult::Ok;
}

PixelFormat DisplayDevice::DisplayFormat() const {
  return FormatOfDepth(mode_.bitsPerPixel, gConfig.sixteenBitIs555);
}

DisplayResult DisplayDevice::CreateSurface(SurfaceDesc desc, Surface*& out) {
  out = nullptr;
  if (desc.caps & kCapsPrimary) {
    desc.format = DisplayFormat();
    desc.width = mode_.width;
    desc.height = mode_.height;
    if (!FullScreen() && (desc.caps & kCapsFlip)) return DisplayResult::NoExclusiveMode;
  }
  if (!(desc.caps & kCapsSystemMemory)) {
    desc.caps |= kCapsVideoMemory;
    uint64_t total = 0, free = 0;
    GetAvailableVideoMemory(total, free);
    uint64_t need = static_cast<uint64_t>(desc.width) * static_cast<uint64_t>(desc.height) *
                    static_cast<uint64_t>(std::max(1, BitsPerPixel(desc.format))) / 8 *
                    static_cast<uint64_t>(1 + desc.backBufferCount);
    if (need > free) return DisplayResult::OutOfMemory;
  }
  return Surface::Create(desc, out);
}

DisplayResult DisplayDevice::CreateSurfaceInDisplayFormat(SurfaceDesc desc, Surface*& out) {
  desc.format = DisplayFormat();
  return CreateSurface(desc, out);
}

void DisplayDevice::GetAvailableVideoMemory(uint64_t& total, uint64_t& free) const {
  total = gConfig.videoMemoryBytes;
  uint64_t used = 0;
  for (const Surface* s : Surface::LiveSurfaces()) {
    if (s->Caps() & kCapsVideoMemory) used += s->LinearSize();
  }
  free = used >= total ? 0 : total - used;
}

DisplayResult DisplayDevice::RestoreAllSurfaces() {
  for (Surface* s : Surface::LiveSurfaces()) {
    if (!s->IsLost()) continue;
    if (DisplayResult restored = s->Restore(); restored != DisplayResult::Ok) return restored;
  }
  return DisplayResult::Ok;
}

Clipper* DisplayDevice::CreateWindowClipper() {
  Clipper* clipper = CreateClipper();
  clipper->FollowMainWindow();
  return clipper;
}

DisplayResult DisplayDevice::SetGammaRamp(const GammaRamp& ramp) {
  gamma_ = ramp;
  return DisplayResult::Ok;
}

Rect DisplayDevice::ShownRectangle(const Surface& primary) const {
  Rect whole{0, 0, primary.Width(), primary.Height()};
  if (FullScreen()) return whole;
  return Intersect(ActiveDisplayBackend().ClientArea(), whole);
}

}  // namespace qm::platform
