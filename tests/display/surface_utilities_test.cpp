// The surface utilities: colours matched from the format masks, the pixel format's bits and
// shifts, blits that survive lost surfaces, and our own bitmap resources.
#include "display/surface_utilities.h"

#include <gtest/gtest.h>

#include <string>

#include "display/resource_bitmaps.h"
#include "display_core_fixture.h"
#include "platform/display/dib.h"

namespace qm::test {
namespace {

using platform::PixelFormat;
using platform::Surface;

Surface* MakeSurface(PixelFormat format, int width = 4, int height = 4) {
  platform::SurfaceDesc desc;
  desc.width = width;
  desc.height = height;
  desc.format = format;
  Surface* surface = nullptr;
  EXPECT_EQ(Surface::Create(desc, surface), platform::DisplayResult::Ok);
  return surface;
}

struct MatchCase {
  PixelFormat format;
  int64_t rgb;  // 0x00BBGGRR
  int64_t pixel;
};

class MatchSurfaceColourTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchSurfaceColourTest, ComesFromTheMasksAndLeavesEveryPixelAlone) {
  const MatchCase& c = GetParam();
  Surface* surface = MakeSurface(c.format);
  surface->SetPixelAt(0, 0, 0x1234);
  const uint32_t before = surface->PixelAt(0, 0);
  EXPECT_EQ(MatchSurfaceColour(surface, c.rgb), c.pixel);
  EXPECT_EQ(surface->PixelAt(0, 0), before);
  surface->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MatchSurfaceColourTest,
    ::testing::Values(MatchCase{PixelFormat::R5G6B5, 0xFFFFFF, 0xFFFF},
                      MatchCase{PixelFormat::X1R5G5B5, 0xFFFFFF, 0x7FFF},
                      MatchCase{PixelFormat::R8G8B8, 0x030201, 0x010203},
                      MatchCase{PixelFormat::X8R8G8B8, 0xFFFFFF, 0x00FFFFFF},
                      MatchCase{PixelFormat::R5G6B5, 0, 0}, MatchCase{PixelFormat::X1R5G5B5, 0, 0},
                      MatchCase{PixelFormat::R8G8B8, 0, 0}, MatchCase{PixelFormat::X8R8G8B8, 0, 0},
                      // Pure red (0x0000FF as a colour reference) lands in the high bits.
                      MatchCase{PixelFormat::R5G6B5, 0x0000FF, 0xF800}),
    [](const ::testing::TestParamInfo<MatchCase>& param) {
      return std::string(platform::PixelFormatName(param.param.format)) + "_" + std::to_string(param.index);
    });

TEST(MatchSurfaceColour, MinusOneReadsTheFirstPixelAndNoSurfaceGivesMinusOne) {
  Surface* surface = MakeSurface(PixelFormat::R5G6B5);
  surface->SetPixelAt(0, 0, 0x07E0);
  EXPECT_EQ(MatchSurfaceColour(surface, -1), 0x07E0);
  EXPECT_EQ(MatchSurfaceColour(nullptr, 0xFFFFFF), -1);
  surface->Release();
}

struct FormatBits {
  PixelFormat format;
  ScreenPixelFormatData expected;
};

TEST(ReadSurfacePixelFormat, BitsShiftsAndMaximaOfEveryFormat) {
  const FormatBits cases[] = {
      {PixelFormat::R5G6B5, {5, 6, 5, 5, 11, 31, 63, 31}},
      {PixelFormat::X1R5G5B5, {5, 5, 5, 5, 10, 31, 31, 31}},
      {PixelFormat::R8G8B8, {8, 8, 8, 8, 16, 255, 255, 255}},
      {PixelFormat::X8R8G8B8, {8, 8, 8, 8, 16, 255, 255, 255}},
  };
  for (const FormatBits& c : cases) {
    Surface* surface = MakeSurface(c.format);
    ReadSurfacePixelFormat(surface);
    const ScreenPixelFormatData& got = TheDisplay.screenPixelFormat;
    SCOPED_TRACE(platform::PixelFormatName(c.format));
    EXPECT_EQ(got.blueBits, c.expected.blueBits);
    EXPECT_EQ(got.greenBits, c.expected.greenBits);
    EXPECT_EQ(got.redBits, c.expected.redBits);
    EXPECT_EQ(got.greenShift, c.expected.greenShift);
    EXPECT_EQ(got.redShift, c.expected.redShift);
    EXPECT_EQ(got.blueMax, c.expected.blueMax);
    EXPECT_EQ(got.greenMax, c.expected.greenMax);
    EXPECT_EQ(got.redMax, c.expected.redMax);
    surface->Release();
  }
  ResetDisplayState();
}

// The direct pixel access assumes red above green above blue with blue at bit 0: every format the
// layer offers must be laid out so.
TEST(ReadSurfacePixelFormat, EveryLayerFormatHasTheChannelLayoutTheDrawingAssumes) {
  for (PixelFormat format : platform::kRgbFormats) {
    EXPECT_TRUE(ChannelLayoutIsSupported(platform::MasksOf(format))) << platform::PixelFormatName(format);
  }
  EXPECT_FALSE(ChannelLayoutIsSupported({0x001F, 0x07E0, 0xF800})) << "blue on top";
  EXPECT_FALSE(ChannelLayoutIsSupported({0xF800, 0x07E0, 0x003E})) << "blue not at bit 0";
}

class BlitRetryTest : public DisplayCoreTest {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    source_ = MakeSurface(PixelFormat::R5G6B5);
    source_->Fill(nullptr, 0xF800);
    destination_ = MakeSurface(PixelFormat::R5G6B5);
  }
  void TearDown() override {
    source_->Release();
    destination_->Release();
    DisplayCoreTest::TearDown();
  }
  Surface* source_ = nullptr;
  Surface* destination_ = nullptr;
};

TEST_F(BlitRetryTest, ALostDestinationIsRestoredAndTheBlitCompleted) {
  platform::InjectSurfaceError(platform::SurfaceOp::BltFast, platform::DisplayResult::SurfaceLost, 1);
  EXPECT_EQ(BlitWholeSurface(destination_, source_), 1);
  EXPECT_EQ(destination_->PixelAt(3, 3), 0xF800u);
  EXPECT_EQ(DisplayReadyFlag, 1);
}

TEST_F(BlitRetryTest, ABusySurfaceIsTriedAgainAtOnce) {
  platform::InjectSurfaceError(platform::SurfaceOp::BltFast, platform::DisplayResult::WasStillDrawing, 3);
  EXPECT_EQ(BlitSurfaceAt(destination_, 1, 1, source_, 2, 2, platform::kBltFastNoColorKey), 1);
  EXPECT_EQ(destination_->PixelAt(2, 2), 0xF800u);
  EXPECT_EQ(destination_->PixelAt(0, 0), 0u);
}

TEST_F(BlitRetryTest, AFailingRestoreDropsTheBlitAndMarksTheDisplayNotReadyUnlessAlwaysActive) {
  for (const uint8_t alwaysActive : {uint8_t{0}, uint8_t{1}}) {
    AlwaysActiveFlag = alwaysActive;
    DisplayReadyFlag = 1;
    platform::InjectSurfaceError(platform::SurfaceOp::BltFast, platform::DisplayResult::SurfaceLost, 1);
    platform::InjectSurfaceError(platform::SurfaceOp::Restore, platform::DisplayResult::Generic, 1);
    EXPECT_EQ(BlitWholeSurface(destination_, source_), 1);
    EXPECT_EQ(destination_->PixelAt(0, 0), 0u) << "dropped";
    EXPECT_EQ(DisplayReadyFlag, alwaysActive ? 1 : 0);
  }
}

TEST_F(BlitRetryTest, FillWithoutARectangleFillsTheWholeSurface) {
  FillSurface(destination_, nullptr, 0x07E0);
  EXPECT_EQ(destination_->PixelAt(0, 0), 0x07E0u);
  EXPECT_EQ(destination_->PixelAt(3, 3), 0x07E0u);
}

TEST(PaletteFromBitmap, AMissingResourceGivesThePlainThreeThreeTwoPaletteWithFlagsZero) {
  const PaletteEntries palette = PaletteFromBitmap(999);
  EXPECT_EQ(palette.colours[0], (platform::Rgb{0, 0, 0}));
  EXPECT_EQ(palette.colours[255], (platform::Rgb{255, 255, 255}));
  // 0b101'011'10: red 5, green 3, blue 2.
  EXPECT_EQ(palette.colours[0xAE], (platform::Rgb{5 * 255 / 7, 3 * 255 / 7, 2 * 255 / 3}));
  for (uint8_t flag : palette.flags) EXPECT_EQ(flag, 0);
}

TEST(PaletteFromBitmap, ThePaletteBitmapGivesItsColourTableAndTheEntryFlags) {
  const PaletteEntries palette = PaletteFromBitmap(kPaletteBitmapResource);
  EXPECT_EQ(palette.colours[1], (platform::Rgb{128, 0, 0}));
  EXPECT_EQ(palette.colours[255], (platform::Rgb{255, 255, 255}));
  EXPECT_EQ(palette.flags[9], 2);
  EXPECT_EQ(palette.flags[10], 4);
  EXPECT_EQ(palette.flags[245], 4);
  EXPECT_EQ(palette.flags[246], 2);
}

// The pointer bitmap: 27 x 22 at 8 bits; the arrow's tip and the caret bar in columns 0-1 drawn,
// everything from column 20 on transparent (black), so a blank pointer never shows a dot.
TEST(PointerBitmap, IsOurOwnTwentySevenByTwentyTwoPictureWithATransparentRightPart) {
  platform::DibImage image;
  ASSERT_EQ(platform::DecodeBmpFile(FindBitmapResource(kMousePointerBitmapResource), image),
            platform::DibError::None);
  EXPECT_EQ(image.width, 27);
  EXPECT_EQ(image.height, 22);
  EXPECT_EQ(image.bitsPerPixel, 8);
  for (int y = 0; y < 22; ++y) {
    EXPECT_NE(image.At(0, y), (platform::Rgb{0, 0, 0})) << "caret bar row " << y;
    for (int x = 20; x < 27; ++x) ASSERT_EQ(image.At(x, y), (platform::Rgb{0, 0, 0})) << x << "," << y;
  }
  EXPECT_EQ(image.At(5, 10), (platform::Rgb{255, 255, 255})) << "inside the arrow";
}

TEST_F(BlitRetryTest, ThePointerBitmapLoadsWithTheTransparentKey) {
  ASSERT_TRUE(MakeDisplay(true));
  ASSERT_EQ(LoadMousePointerBitmap(true), 1);
  Surface* pointer = TheDisplay.mousePointerSurface;
  ASSERT_NE(pointer, nullptr);
  EXPECT_EQ(pointer->Width(), 27);
  platform::ColorKey key;
  ASSERT_TRUE(pointer->GetColorKey(key));
  EXPECT_EQ(key.low, 0u);
  EXPECT_EQ(pointer->PixelAt(26, 0), 0u);
  EXPECT_EQ(pointer->PixelAt(5, 10), 0xFFFFu);
  FreeMousePointerBitmap();
  EXPECT_EQ(TheDisplay.mousePointerSurface, nullptr);
}

}  // namespace
}  // namespace qm::test
