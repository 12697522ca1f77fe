// The 3D device: the order in which devices are tried and the sentence when none can be made,
// the software device reachable on a machine without hardware, the blend pairs, the texture
// formats, the viewport and the default states.
#include "display/device_3d.h"

#include <gtest/gtest.h>

#include <string>

#include "display_core_fixture.h"

namespace qm::test {
namespace {

using platform::DeviceDesc;
using platform::DisplayResult;

DeviceDesc HardwareDevice(const char* guid, const char* name) {
  DeviceDesc desc = platform::Device3DConfig::SoftwareDevice();
  desc.guid = guid;
  desc.name = name;
  desc.devCaps = platform::kDevCapsHwRasterization | platform::kDevCapsDrawPrimTlVertex;
  return desc;
}

// A machine with every device: T&L HAL, HAL, the software devices and an extra hardware card.
void ListEveryDevice() {
  platform::Device3DConfig& config = platform::Device3DConfiguration();
  config.devices = {HardwareDevice("{fast-card}", "Fast Card 3D"),
                    HardwareDevice(platform::kDeviceTnLHal, "T&L HAL"),
                    HardwareDevice(platform::kDeviceHal, "HAL"), platform::Device3DConfig::SoftwareDevice()};
  DeviceDesc mmx = platform::Device3DConfig::SoftwareDevice();
  mmx.guid = platform::kDeviceMmx;
  config.devices.push_back(mmx);
}

struct ChoiceCase {
  const char* name;
  bool everyDevice;  // else the layer's own list: the software device alone
  int emulation, tnl;
  int failures;  // device creations that fail first
  std::string deviceName;
  int hardware;
  std::string sentence;  // when no device is made
};

class DeviceChoiceTest : public DisplayCoreTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(DeviceChoiceTest, TriesTheDevicesInOrder) {
  const ChoiceCase& c = GetParam();
  if (c.everyDevice) ListEveryDevice();
  TheDisplay.emulationModeFlag = c.emulation;
  TheDisplay.tnlEnabledFlag = c.tnl;
  SetFullScreenFlag(1);
  ASSERT_EQ(InitDirectX(false, true), 1);
  ASSERT_EQ(TheDisplay.directDraw->SetDisplayMode(640, 480, 16), DisplayResult::Ok);
  // The screen surfaces first (four creations in a flip chain with a Z buffer... or system memory).
  ASSERT_EQ(CreateScreenSurfaces(true), DisplayResult::Ok);
  platform::InjectSurfaceError(platform::SurfaceOp::Create, DisplayResult::Generic, c.failures);
  const int32_t made = CreateDirect3DDevice();
  if (c.sentence.empty()) {
    ASSERT_EQ(made, 1) << GetLastEngineError();
    EXPECT_EQ(DeviceCaps.deviceName, c.deviceName);
    EXPECT_EQ(DeviceCaps.hardwareDeviceFlag, c.hardware);
  } else {
    EXPECT_EQ(made, 0);
    EXPECT_EQ(GetLastEngineError(), c.sentence);
    EXPECT_EQ(TheDisplay.device, nullptr);
  }
}

const std::string kDeviceFailure = "Failed to create a D3D Device from BackBuffer Surface";

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceChoiceTest,
    ::testing::Values(ChoiceCase{"TnlFirst", true, 0, 1, 0, "T&L", 1, ""},
                      ChoiceCase{"DisabledTnlTriesHalFirst", true, 0, 0, 0, "HAL", 1, ""},
                      ChoiceCase{"SoftwareAfterTheHardwareFailed", true, 0, 1, 2, "RGB", 0, ""},
                      ChoiceCase{"EveryDeviceFails", true, 0, 1, 4, "", 0,
                                 "[..000. & Fast Card 3D] " + kDeviceFailure},
                      ChoiceCase{"EmulationTriesRgbThenMmx", true, 1, 1, 1, "MMX", 0, ""},
                      ChoiceCase{"EmulationWithEveryDeviceFailing", true, 1, 1, 3, "", 0,
                                 "[..2.00 & Fast Card 3D] " + kDeviceFailure},
                      ChoiceCase{"DisabledTnlWithEveryDeviceFailing", true, 0, 0, 3, "", 0,
                                 "[..200. & Fast Card 3D] " + kDeviceFailure},
                      // Without any hardware device the software device is made, with emulation on or off.
                      ChoiceCase{"SoftwareOnlyMachine", false, 0, 1, 0, "RGB", 0, ""},
                      ChoiceCase{"SoftwareOnlyMachineInEmulation", false, 1, 1, 0, "RGB", 0, ""}),
    [](const ::testing::TestParamInfo<ChoiceCase>& param) { return std::string(param.param.name); });

class DeviceCapsTest : public DisplayCoreTest {
 protected:
  bool MakeWith(const DeviceDesc& desc) {
    platform::Device3DConfiguration().devices = {desc};
    return MakeDisplay(true);
  }
};

TEST_F(DeviceCapsTest, NineBlendPairsGiveModeOneAndTheMultiplyingSeven) {
  DeviceDesc desc = platform::Device3DConfig::SoftwareDevice();
  desc.srcBlendCaps = desc.destBlendCaps = kBlendCapsZero | kBlendCapsOne | kBlendCapsSrcColor |
                                           kBlendCapsInvSrcColor | kBlendCapsDestColor |
                                           kBlendCapsInvDestColor;
  ASSERT_TRUE(MakeWith(desc));
  EXPECT_EQ(DeviceCaps.ghostBlendMode, 1);
  EXPECT_EQ(DeviceCaps.altGhostBlendMode, 7);
  EXPECT_EQ(DeviceCaps.ghostBlendSource, kBlendOne);
  EXPECT_EQ(DeviceCaps.ghostBlendDestination, kBlendInvSrcColor);
  EXPECT_EQ(DeviceCaps.altGhostBlendSource, kBlendZero);
  EXPECT_EQ(DeviceCaps.altGhostBlendDestination, kBlendSrcColor);
  EXPECT_EQ(AlphaBlendingAvailable(), 1);
}

TEST_F(DeviceCapsTest, OnlyTheDestColourPairsGiveTheLastOfThem) {
  DeviceDesc desc = platform::Device3DConfig::SoftwareDevice();
  desc.srcBlendCaps = kBlendCapsDestColor;
  desc.destBlendCaps = kBlendCapsZero | kBlendCapsSrcColor;  // pairs 6 and 5
  ASSERT_TRUE(MakeWith(desc));
  EXPECT_EQ(DeviceCaps.ghostBlendMode, 5);
  EXPECT_EQ(DeviceCaps.altGhostBlendMode, 5);
}

TEST_F(DeviceCapsTest, NoBlendPairGivesZeroAndNoAlphaBlending) {
  DeviceDesc desc = platform::Device3DConfig::SoftwareDevice();
  desc.srcBlendCaps = desc.destBlendCaps = 0;
  ASSERT_TRUE(MakeWith(desc));
  EXPECT_EQ(DeviceCaps.ghostBlendMode, 0);
  EXPECT_EQ(DeviceCaps.altGhostBlendMode, 0);
  EXPECT_EQ(AlphaBlendingAvailable(), 0);
}

TEST_F(DeviceCapsTest, FiltersFogAndAddressModesComeFromTheCaps) {
  DeviceDesc desc = platform::Device3DConfig::SoftwareDevice();
  desc.textureFilterCaps = kFilterCapsMinLinear | kFilterCapsMagLinear | kFilterCapsMipLinear;
  desc.rasterCaps = kRasterFogTable;
  desc.textureAddressCaps = kAddressWrap | kAddressClamp;
  ASSERT_TRUE(MakeWith(desc));
  EXPECT_EQ(DeviceCaps.textureFilterMode, 1);
  EXPECT_EQ(FilteringAvailable(), 1);
  EXPECT_EQ(DeviceCaps.fogCapabilityFlag, 1);
  EXPECT_EQ(DeviceCaps.tableFogFlag, 1);
  EXPECT_EQ(DeviceCaps.mipmapSupported, 1);
  EXPECT_EQ(DeviceCaps.textureWrapSupported, 1);
  EXPECT_EQ(DeviceCaps.textureMirrorSupported, 0);
  EXPECT_EQ(DeviceCaps.textureClampSupported, 1);
  EXPECT_EQ(TheDisplay.device->GetTextureStageState(0, kStageMinFilter), 2u);
  CloseDirectX(false);

  // Emulation turns filtering and dithering off.
  TheDisplay.emulationModeFlag = 1;
  ASSERT_TRUE(MakeWith(desc));
  EXPECT_EQ(DeviceCaps.textureFilterMode, 0);
  EXPECT_EQ(TheDisplay.device->GetRenderState(kStateDitherEnable), 0u);
}

TEST_F(DeviceCapsTest, MoreThanNinetyNineTextureFormatsKeepTheFirstNinetyNine) {
  platform::Device3DConfig& config = platform::Device3DConfiguration();
  config.textureFormats.clear();
  for (int i = 0; i < 120; ++i)
    config.textureFormats.push_back({"F" + std::to_string(i), 16, 0xF800, 0x7E0, 0x1F, 0, ""});
  config.textureFormats[100].fourCC = "DXT1";  // beyond the table: not counted
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(DeviceCaps.textureFormatCount, 99);
  EXPECT_EQ(DeviceCaps.textureFormats[98].name, "F98");
  EXPECT_EQ(DeviceCaps.compressedTexturesSupported, 0);
}

TEST_F(DeviceCapsTest, TheDefaultFormatsIncludeCompressedOnes) {
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(DeviceCaps.compressedTexturesSupported, 1);
}

TEST_F(DeviceCapsTest, TheViewportCoversTheDisplayAndTheDefaultStatesAreSet) {
  ASSERT_TRUE(MakeDisplay(true, 800, 600, 32));
  const platform::Viewport viewport = TheDisplay.device->GetViewport();
  EXPECT_EQ(viewport, (platform::Viewport{0, 0, 800, 600, 0.0f, 1.0f}));
  EXPECT_EQ(DeviceCaps.viewportWidth, 800);
  platform::Device3D& device = *TheDisplay.device;
  EXPECT_EQ(device.GetRenderState(kStateZEnable), kZBufferTrue);
  EXPECT_EQ(device.GetRenderState(kStateZWriteEnable), 1u);
  EXPECT_EQ(device.GetRenderState(kStateShadeMode), kShadeGouraud);
  EXPECT_EQ(device.GetRenderState(kStateCullMode), kCullCcw);
  EXPECT_EQ(device.GetRenderState(kStateDitherEnable), 1u);
  EXPECT_EQ(device.GetTextureStageState(0, kStageMipFilter), kMipFilterLinear);
  EXPECT_EQ(device.GetMaterial().diffuse, (platform::ColourValue{0.5f, 0.5f, 0.5f, 0.0f}));
  EXPECT_EQ(device.GetTransform(platform::kTransformWorld)[0], 1.0f);
}

}  // namespace
}  // namespace qm::test
