// Display modes, gamma ramps and the display reset: the ramps the layer receives, the mode
// checklist and CHECK DISPLAY MODE without a display, and what a reset leaves behind (bitmap 0
// current, no images, untextured limbs) or, when even the fallback fails, the error that ends
// the run.
#include "display/display_modes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "display/display_subsystem.h"
#include "display/draw_request_queue.h"
#include "display/number_maps.h"
#include "display_core_fixture.h"
#include "io/checklist.h"
#include "models/object_model.h"
#include "resources/command_ids.h"

namespace qm::test {
namespace {

using platform::DisplayResult;

class DisplayModesTest : public DisplayCoreTest {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    Install({&kDisplaySubsystem});
    ASSERT_TRUE(CreateEngineTables());
    InitGameData();
  }

  // Runs one command's handler on operand cells of its own.
  int32_t RunCommand(int32_t id, std::initializer_list<int32_t> arguments, int32_t result = -7) {
    std::array<ValueCell, 5> cells{};
    std::array<DecodedWord, 6> words{};
    words[0].run = FindCommandHandler(id);
    std::size_t i = 0;
    if (result != -7) cells[i++].i = result;
    for (int32_t argument : arguments) cells[i++].i = argument;
    for (std::size_t w = 1; w < words.size(); ++w) words[w].cell = &cells[w - 1];
    EXPECT_NE(words[0].run, nullptr);
    words[0].run(&words[0]);
    return cells[0].i;
  }
};

struct RampCase {
  int32_t value;
  uint16_t first, second, last;
};

TEST_F(DisplayModesTest, GammaRampsAsTheLayerReceivesThem) {
  ASSERT_TRUE(MakeDisplay(true));
  const RampCase cases[] = {
      {256, 0, 256, 65280}, {0, 0, 0, 0}, {511, 65280, 65280, 65280}, {300, 11264, 11475, 65069}};
  for (const RampCase& c : cases) {
    ASSERT_EQ(SetGamma(c.value, c.value, 256), 1);
    const platform::GammaRamp& ramp = TheDisplay.directDraw->GetGammaRamp();
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ramp.red[0], c.first);
    EXPECT_EQ(ramp.red[1], c.second);
    EXPECT_EQ(ramp.red[255], c.last);
    EXPECT_EQ(ramp.green, ramp.red);
    EXPECT_EQ(ramp.blue, platform::GammaRamp::Identity().blue);
  }
  CloseDirectX(false);
  EXPECT_EQ(SetGamma(256, 256, 256), 0) << "no display, no gamma control";
}

TEST_F(DisplayModesTest, GammaOutsideTheRangeWarnsAndChangesNothing) {
  ASSERT_TRUE(MakeDisplay(true));
  RunCommand(kCmdSetGamma, {512, 0, 0});
  EXPECT_EQ(PendingErrorCode, kWarningGammaRange);
  EXPECT_EQ(TheDisplay.directDraw->GetGammaRamp(), platform::GammaRamp::Identity());
}

TEST_F(DisplayModesTest, TheChecklistListsTheModesAboveEightBitsAndStopsAt512) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::DisplayConfiguration().modes = {{640, 480, 8}, {640, 480, 16}, {1024, 768, 32}};
  RunCommand(kCmdPerformChecklistForDisplayModes, {});
  EXPECT_EQ(Checklist.count, 2);
  EXPECT_EQ(Checklist.entries[0].text, "640x480x16");
  EXPECT_EQ(Checklist.entries[1].a, 1024);
  EXPECT_EQ(Checklist.entries[1].c, 32);
  EXPECT_EQ(Checklist.exists, 1);

  std::vector<platform::DisplayMode> many;
  for (int i = 0; i < 600; ++i) many.push_back({320 + i, 240, 16});
  platform::DisplayConfiguration().modes = many;
  RunCommand(kCmdPerformChecklistForDisplayModes, {});
  EXPECT_EQ(Checklist.count, 512);
  EXPECT_EQ(Checklist.entries[511].a, 320 + 511);
}

// Without a display object the modes cannot be listed: CHECK DISPLAY MODE answers 0 and raises
// nothing.
TEST_F(DisplayModesTest, CheckDisplayModeWithoutADisplayAnswersZero) {
  EXPECT_EQ(RunCommand(kCmdCheckDisplayMode, {640, 480, 16}, 5), 0);
  EXPECT_EQ(PendingErrorCode, 0);
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(RunCommand(kCmdCheckDisplayMode, {640, 480, 16}, 5), 1);
  RunCommand(kCmdCheckDisplayMode, {0, 480, 15}, 5);
  EXPECT_EQ(PendingErrorCode, kErrorDisplayModeDepth) << "depth is checked first";
}

TEST_F(DisplayModesTest, ARefusedModeLeavesItsSentence) {
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(SetDisplayMode(801, 601, 16), 0);
  EXPECT_EQ(GetLastEngineError(), "Could not set a display mode of 801x601x16");
  CloseDirectX(false);
  ASSERT_TRUE(MakeDisplay(false));
  TheDisplay.windowModeOn = 1;
  EXPECT_EQ(SetDisplayMode(801, 601, 16), 1) << "a window only takes the size";
  EXPECT_EQ(platform::headless::Window().width, 801);
}

// After a reset bitmap 0 is current, whatever bitmap was; every image is gone with its number;
// the limbs lose their textures; the screen reads invalid once.
TEST_F(DisplayModesTest, AResetLeavesBitmapZeroCurrentAndNoImages) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::Surface* bitmapTwo = nullptr;
  ASSERT_EQ(TheDisplay.directDraw->CreateSurfaceInDisplayFormat({32, 32}, bitmapTwo), DisplayResult::Ok);
  TheDisplay.bitmapSurfaces[2] = bitmapTwo;
  QueueCurrentBitmap = {2, bitmapTwo};
  const int32_t image = NewImage();
  ASSERT_EQ(TheDisplay.directDraw->CreateSurfaceInDisplayFormat({8, 8}, ImageTable.ColumnAt(image)),
            DisplayResult::Ok);
  ImageTable[image].surface = ImageTable.ColumnAt(image);
  ImageTable[image].exists = 1;
  ImageNumberMap.Set(5, image);
  const int32_t object = NewObject();
  ObjectModel model(3);
  ObjectTable[object].model = &model;
  ObjectTable[object].limbCount = 3;
  model.SetLimbTexture(2, 7);

  int32_t width = 800, height = 600, depth = 32, emulation = 0;
  EXPECT_TRUE(ResetDisplay(width, height, depth, emulation, 640, 480, 16, 0));
  EXPECT_EQ(QueueCurrentBitmap.number, 0);
  EXPECT_EQ(QueueCurrentBitmap.surface, TheDisplay.backBuffer);
  EXPECT_EQ(TheDisplay.bitmapSurfaces[2], nullptr);
  EXPECT_EQ(ImageNumberMap.Find(5), 0);
  EXPECT_EQ(ImageTable.UsedCount(), 1) << "record 0 stays reserved";
  EXPECT_EQ(model.LimbTexture(2), 0);
  EXPECT_EQ(TheDisplay.displayWidth, 800);
  EXPECT_EQ(TheDisplay.backBuffer->Width(), 800);
  EXPECT_EQ(TheDisplay.screenInvalidFlag, 1);
  EXPECT_EQ(DisplayResetMark, 1);
  EXPECT_NE(TheDisplay.mousePointerSurface, nullptr);
  ObjectTable[object].model = nullptr;
}

TEST_F(DisplayModesTest, ARefusedModeFallsBackWithWarning1503) {
  ASSERT_TRUE(MakeDisplay(true));
  int32_t width = 801, height = 601, depth = 16, emulation = 0;
  EXPECT_FALSE(ResetDisplay(width, height, depth, emulation, 640, 480, 16, 0));
  EXPECT_EQ(PendingErrorCode, kWarningDisplayModeRefused);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(TheDisplay.backBuffer->Width(), 640);
}

// Screen areas that cannot be made even in emulation fall back to the old mode with 1504; when
// the old mode cannot be made either, nothing could be drawn: the run ends with 10005.
TEST_F(DisplayModesTest, AFallbackThatFailsTooEndsTheRunWith10005) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::InjectSurfaceError(platform::SurfaceOp::Create, DisplayResult::Generic, 1000);
  int32_t width = 800, height = 600, depth = 16, emulation = 0;
  EXPECT_FALSE(ResetDisplay(width, height, depth, emulation, 640, 480, 16, 0));
  EXPECT_EQ(PendingErrorCode, kErrorScreenAreas);
  EXPECT_EQ(PendingErrorIsWarning, 0);
  EXPECT_EQ(TheDisplay.backBuffer, nullptr);
}

TEST_F(DisplayModesTest, ScreenAreasFailingOnceAreMadeAgainInEmulation) {
  ASSERT_TRUE(MakeDisplay(true));
  // The flip chain and then the primary in system memory fail: the first try fails as a whole.
  platform::InjectSurfaceError(platform::SurfaceOp::Create, DisplayResult::Generic, 2);
  int32_t width = 800, height = 600, depth = 16;
  EXPECT_TRUE(ResetDisplay(width, height, depth, TheDisplay.emulationModeFlag, 640, 480, 16, 0));
  EXPECT_EQ(TheDisplay.emulationModeFlag, 1);
  EXPECT_EQ(TheDisplay.systemMemoryModeFlag, 1);
  EXPECT_EQ(PendingErrorCode, 0);
}

}  // namespace
}  // namespace qm::test
