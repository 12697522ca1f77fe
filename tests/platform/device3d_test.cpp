#include "platform/display/device3d.h"

#include "tests/platform/surface_fixture.h"

namespace qm::platform {
namespace {

class Device : public SurfaceFormats {
 protected:
  void SetUp() override {
    SurfaceFormats::SetUp();
    ResetDevice3DConfiguration();
    target_ = Make(640, 480, 0, PixelFormat::Dxt5, kCapsOffscreenPlain | kCaps3DDevice);
  }
  void TearDown() override {
    if (device_) device_->Release();
    ResetDevice3DConfiguration();
    SurfaceFormats::TearDown();
  }
  Surface* AttachZBuffer(int depth) {
    Surface* z = nullptr;
    EXPECT_EQ(CreateZBuffer(640, 480, depth, z), DisplayResult::Ok);
    target_->AddAttachedSurface(z);
    made_.push_back(z);
    return z;
  }
  Surface* target_ = nullptr;
  Device3D* device_ = nullptr;
};

TEST_P(Device, ClearFillsTheTargetAndZBufferOnlyWithinTheViewport) {
  Surface* z = AttachZBuffer(16);
  ASSERT_EQ(Device3D::Create(kDeviceRgb, target_, device_), DisplayResult::Ok);
  ASSERT_EQ(device_->SetViewport({0, 0, 320, 240, 0, 1}), DisplayResult::Ok);
  ASSERT_EQ(device_->Clear({}, kClearTarget | kClearZBuffer, 0x00FF0000, 1.0f, 0), DisplayResult::Ok);
  uint32_t red = Pack(255, 0, 0);
  EXPECT_TRUE(PixelsAre(*target_, [&](int x, int y) { return x < 320 && y < 240 ? red : 0u; }));
  EXPECT_TRUE(PixelsAre(*z, [&](int x, int y) { return x < 320 && y < 240 ? 0xFFFFu : 0u; }));
  if (Format() == PixelFormat::R5G6B5) {
    EXPECT_EQ(red, 0xF800u);
  }
  // Rectangles are cut to the viewport.
  ASSERT_EQ(device_->SetViewport({100, 100, 50, 50, 0, 1}), DisplayResult::Ok);
  uint32_t green = Pack(0, 255, 0);
  ASSERT_EQ(device_->Clear({{0, 0, 120, 120}, {140, 140, 640, 480}}, kClearTarget, 0xFF00FF00, 0, 0),
            DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*target_, [&](int x, int y) {
    bool first = x >= 100 && x < 120 && y >= 100 && y < 120,
         second = x >= 140 && x < 150 && y >= 140 && y < 150;
    if (first || second) return green;
    return x < 320 && y < 240 ? red : 0u;
  }));
}

TEST_P(Device, StatesTransformsAndTheMaterialAreKept) {
  ASSERT_EQ(Device3D::Create(kDeviceRgb, target_, device_), DisplayResult::Ok);
  EXPECT_EQ(device_->GetRenderState(27), 0u);
  device_->SetRenderState(27, 1);
  device_->SetTextureStageState(1, 4, 2);
  EXPECT_EQ(device_->GetRenderState(27), 1u);
  EXPECT_EQ(device_->GetTextureStageState(1, 4), 2u);
  EXPECT_EQ(device_->GetTextureStageState(0, 4), 0u);
  Matrix m{};
  m[0] = 2;
  EXPECT_EQ(device_->GetTransform(kTransformView)[5], 1.0f);  // identity until set
  device_->SetTransform(kTransformWorld, m);
  EXPECT_EQ(device_->GetTransform(kTransformWorld), m);
  Material material;
  material.diffuse = {0.5f, 0.5f, 0.5f, 1};
  device_->SetMaterial(material);
  EXPECT_EQ(device_->GetMaterial(), material);
  EXPECT_EQ(device_->EndScene(), DisplayResult::InvalidParams);
  EXPECT_EQ(device_->BeginScene(), DisplayResult::Ok);
  EXPECT_EQ(device_->BeginScene(), DisplayResult::InvalidParams);
  EXPECT_EQ(device_->EndScene(), DisplayResult::Ok);
  EXPECT_EQ(device_->SetViewport({600, 0, 41, 10, 0, 1}), DisplayResult::InvalidParams);
  EXPECT_EQ(device_->SetViewport({0, 0, 0, 10, 0, 1}), DisplayResult::InvalidParams);
  EXPECT_EQ(device_->GetViewport(), (Viewport{0, 0, 640, 480, 0, 1}));
  EXPECT_EQ(device_->Clear({}, kClearZBuffer, 0, 1, 0), DisplayResult::InvalidParams);  // no Z buffer
}

QM_ALL_SURFACE_FORMATS(Device);

TEST(Devices, TheSoftwareDeviceIsListedHonestly) {
  ResetDevice3DConfiguration();
  const auto& devices = Device3DConfiguration().devices;
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].guid, kDeviceRgb);
  EXPECT_EQ(devices[0].devCaps & (kDevCapsHwRasterization | kDevCapsHwTransformAndLight), 0u);
  std::vector<std::string> names;
  for (const auto& f : Device3DConfiguration().textureFormats) names.push_back(f.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"X8R8G8B8", "R5G6B5", "A1R5G5B5", "A4R4G4B4", "DXT1", "DXT3", "DXT5"}));
  EXPECT_EQ(Device3DConfiguration().zBufferDepths, (std::vector<int>{16, 32}));
}

TEST(Devices, CreationFollowsTheConfiguredListAndInjectedFailures) {
  ResetDevice3DConfiguration();
  ClearInjectedSurfaceErrors();
  Surface* target = nullptr;
  ASSERT_EQ(Surface::Create({64, 48, PixelFormat::R5G6B5, kCaps3DDevice}, target), DisplayResult::Ok);
  Surface* plain = nullptr;
  ASSERT_EQ(Surface::Create({64, 48, PixelFormat::R5G6B5}, plain), DisplayResult::Ok);
  Device3D* device = nullptr;
  EXPECT_EQ(Device3D::Create(kDeviceHal, target, device), DisplayResult::NotFound);
  EXPECT_EQ(Device3D::Create(kDeviceRgb, plain, device), DisplayResult::InvalidCaps);
  DeviceDesc hal = Device3DConfig::SoftwareDevice();
  hal.guid = kDeviceHal;
  hal.devCaps |= kDevCapsHwRasterization;
  Device3DConfiguration().devices.push_back(hal);
  InjectSurfaceError(SurfaceOp::Create, DisplayResult::Generic, 1);
  EXPECT_EQ(Device3D::Create(kDeviceHal, target, device), DisplayResult::Generic);
  ASSERT_EQ(Device3D::Create(kDeviceHal, target, device), DisplayResult::Ok);
  EXPECT_NE(device->GetCaps().devCaps & kDevCapsHwRasterization, 0u);
  EXPECT_EQ(target->References(), 2);
  device->Release();
  EXPECT_EQ(target->References(), 1);
  target->Release();
  plain->Release();
  Surface* z = nullptr;
  EXPECT_EQ(CreateZBuffer(8, 8, 24, z), DisplayResult::InvalidParams);
  ResetDevice3DConfiguration();
}

}  // namespace
}  // namespace qm::platform
