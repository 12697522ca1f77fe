// Presenting frames: the picture centred in the window's client area with black margins, the
// frame rate on the test clock, nothing while inactive, lost surfaces at the flip, failures that
// count no frame, and the window's rectangle from its client area.
#include "display/frame_present.h"

#include <gtest/gtest.h>

#include "display_core_fixture.h"

namespace qm::test {
namespace {

using platform::DisplayResult;
using platform::SurfaceOp;

constexpr uint32_t kMarker = 0x001F;  // blue on the 5-6-5 desktop... of a 16-bit test desktop
constexpr uint32_t kPicture = 0xF800;

class FramePresentTest : public DisplayCoreTest {
 protected:
  // A 640 x 480 window display on a 16-bit desktop, the picture red, the desktop blue.
  void MakeWindowDisplay(int clientX, int clientY, int clientW, int clientH) {
    platform::DisplayConfiguration().desktopBits = 16;
    PlaceClientArea(clientX, clientY, clientW, clientH);
    ASSERT_TRUE(MakeDisplay(false));
    TheDisplay.primary->SetClipper(nullptr);
    TheDisplay.primary->Fill(nullptr, kMarker);
    TheDisplay.primary->SetClipper(TheDisplay.directDraw->CreateWindowClipper());
    TheDisplay.primary->GetClipper()->Release();
    TheDisplay.backBuffer->Fill(nullptr, kPicture);
  }
};

TEST_F(FramePresentTest, TheDisplayIsCentredInALargerClientAreaWithBlackMargins) {
  MakeWindowDisplay(100, 50, 800, 600);
  ASSERT_EQ(PresentFrame(), 1);
  EXPECT_EQ(TheDisplay.presentOriginX, 180);
  EXPECT_EQ(TheDisplay.presentOriginY, 110);
  platform::Surface& primary = *TheDisplay.primary;
  EXPECT_EQ(primary.PixelAt(180, 110), kPicture);
  EXPECT_EQ(primary.PixelAt(819, 589), kPicture);
  EXPECT_EQ(primary.PixelAt(179, 110), 0u) << "left margin";
  EXPECT_EQ(primary.PixelAt(100, 50), 0u) << "client corner";
  EXPECT_EQ(primary.PixelAt(899, 649), 0u) << "client corner";
  EXPECT_EQ(primary.PixelAt(99, 50), kMarker) << "outside the client area";
  EXPECT_EQ(primary.PixelAt(900, 300), kMarker) << "outside the client area";
}

TEST_F(FramePresentTest, WithoutFillingTheMarginsTheyKeepWhatWasThere) {
  MakeWindowDisplay(100, 50, 800, 600);
  TheDisplay.windowSettings.fillMargins = 0;
  ASSERT_EQ(PresentFrame(), 1);
  EXPECT_EQ(TheDisplay.primary->PixelAt(100, 50), kMarker);
  EXPECT_EQ(TheDisplay.primary->PixelAt(180, 110), kPicture);
}

TEST_F(FramePresentTest, ASmallerClientAreaCropsThePictureEvenly) {
  MakeWindowDisplay(200, 100, 320, 240);
  // Mark the picture's corner and centre to see which part shows.
  TheDisplay.backBuffer->SetPixelAt(160, 120, 0x07E0);
  TheDisplay.backBuffer->SetPixelAt(479, 359, 0x07E0);
  ASSERT_EQ(PresentFrame(), 1);
  EXPECT_EQ(TheDisplay.presentOriginX, 200 - 160);
  EXPECT_EQ(TheDisplay.presentOriginY, 100 - 120);
  EXPECT_EQ(TheDisplay.primary->PixelAt(200, 100), 0x07E0u);
  EXPECT_EQ(TheDisplay.primary->PixelAt(519, 339), 0x07E0u);
  EXPECT_EQ(TheDisplay.primary->PixelAt(199, 100), kMarker);
  EXPECT_EQ(TheDisplay.primary->PixelAt(520, 339), kMarker);
}

TEST_F(FramePresentTest, TheFrameRateIsWorkedOutOnceASecondHasPassed) {
  ASSERT_TRUE(MakeDisplay(true));
  ResetFrameRate();
  for (int frame = 0; frame < 59; ++frame) {
    ASSERT_EQ(PresentFrame(), 1);
    clock_.Advance(frame < 58 ? 17 : 1001 - 58 * 17);
    EXPECT_EQ(TheDisplay.framesPerSecond, 0) << "within the first second";
  }
  ASSERT_EQ(PresentFrame(), 1);  // the 60th, 1,001 ms after the first
  EXPECT_EQ(TheDisplay.framesPerSecond, 59);
}

TEST_F(FramePresentTest, AnInactiveWindowPresentsNothingClearsNoZAndCountsNoFrame) {
  ASSERT_TRUE(MakeDisplay(true));
  TheDisplay.zBuffer->Fill(nullptr, 0x1234);
  AppActiveFlag = 0;
  const int before = platform::headless::LastPresentedFrame().presentCount;
  EXPECT_EQ(PresentFrame(), 0);
  ClearZBuffer();
  EXPECT_EQ(platform::headless::LastPresentedFrame().presentCount, before);
  EXPECT_EQ(TheDisplay.frameCounter, 0u);
  EXPECT_EQ(TheDisplay.zBuffer->PixelAt(0, 0), 0x1234u);
  AppActiveFlag = 1;
  ClearZBuffer();
  EXPECT_EQ(TheDisplay.zBuffer->PixelAt(0, 0), 0xFFFFu) << "the far plane";
}

TEST_F(FramePresentTest, ALostSurfaceAtTheFlipIsRestoredAndTheFrameFlipped) {
  ASSERT_TRUE(MakeDisplay(true));
  TheDisplay.backBuffer->Fill(nullptr, kPicture);
  platform::LoseAllSurfaces();
  EXPECT_EQ(PresentFrame(), 1);
  EXPECT_FALSE(TheDisplay.primary->IsLost());
  EXPECT_EQ(TheDisplay.spriteBackgroundsReleased, 1);
  EXPECT_EQ(TheDisplay.spriteBufferIndex, 1);
  EXPECT_EQ(DisplayReadyFlag, 1);
}

TEST_F(FramePresentTest, AFailingRestoreAtTheFlipPresentsNothing) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::InjectSurfaceError(SurfaceOp::Flip, DisplayResult::SurfaceLost, 1);
  platform::InjectSurfaceError(SurfaceOp::Restore, DisplayResult::Generic, 1);
  EXPECT_EQ(PresentFrame(), 0);
  EXPECT_EQ(DisplayReadyFlag, 0);
  EXPECT_EQ(TheDisplay.frameCounter, 0u);
}

// A flip or copy that fails for another reason than a lost or busy surface showed nothing: it is
// not reported as presented and not counted.
TEST_F(FramePresentTest, AnyOtherFailureReturnsZeroAndCountsNoFrame) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::InjectSurfaceError(SurfaceOp::Flip, DisplayResult::Generic, 1);
  EXPECT_EQ(PresentFrame(), 0);
  EXPECT_EQ(TheDisplay.frameCounter, 0u);
  EXPECT_EQ(TheDisplay.spriteBufferIndex, 0);
  CloseDirectX(false);

  MakeWindowDisplay(0, 0, 640, 480);
  platform::InjectSurfaceError(SurfaceOp::Blt, DisplayResult::Generic, 1);
  EXPECT_EQ(PresentFrame(), 0);
  EXPECT_EQ(TheDisplay.frameCounter, 0u);
}

TEST_F(FramePresentTest, ABusyFlipIsTriedAgain) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::InjectSurfaceError(SurfaceOp::Flip, DisplayResult::WasStillDrawing, 2);
  EXPECT_EQ(PresentFrame(), 1);
  EXPECT_EQ(TheDisplay.frameCounter, 1u);
}

TEST_F(FramePresentTest, ALostBackBufferIsRestoredBeforeTheScreenIsCleared) {
  ASSERT_TRUE(MakeDisplay(true));
  platform::LoseAllSurfaces();
  EXPECT_EQ(ClearScreenSurfaces(), 1);
  EXPECT_EQ(TheDisplay.backBuffer->PixelAt(10, 10), 0u);
  platform::LoseAllSurfaces();
  platform::InjectSurfaceError(SurfaceOp::Restore, DisplayResult::Generic, 1);
  EXPECT_EQ(ClearScreenSurfaces(), 0);
  EXPECT_EQ(DisplayReadyFlag, 0);
}

// SET WINDOW ON's window around a 640 x 480 display: the outer rectangle starts at the screen's
// top left corner and is 648 x 507; the system cursor shows.
TEST_F(FramePresentTest, TheWindowRectangleIsTheClientAreaWithBorderAndCaption) {
  ASSERT_TRUE(MakeDisplay(false));
  platform::ShowCursorCounted(false);  // hidden at run start
  WindowSettingsForWindowOn();
  ApplyWindowSettings(true, true);
  const AppliedWindow& window = LastAppliedWindow();
  EXPECT_EQ(window.style, kStyleOverlappedWindow);
  EXPECT_EQ(window.x, 4 - 4);
  EXPECT_EQ(window.y, 23 - 19 - 4);
  EXPECT_EQ(window.width, 640 + 8);
  EXPECT_EQ(window.height, 480 + 8 + 19);
  EXPECT_EQ(window.title, "");
  EXPECT_FALSE(window.icon);
  EXPECT_GE(platform::ShowCursorCounted(true) - 1, 0) << "the cursor counter";
  EXPECT_EQ(platform::headless::Window().x, 4);
  EXPECT_EQ(platform::headless::Window().width, 640);

  // Only the show command: the rest stays as it was applied.
  TheDisplay.windowSettings.showCommand = kShowMinimize;
  TheDisplay.windowSettings.clientX = 300;
  ApplyWindowSettings(false, true);
  EXPECT_EQ(LastAppliedWindow().showCommand, kShowMinimize);
  EXPECT_EQ(LastAppliedWindow().x, 0);
}

TEST_F(FramePresentTest, TheDesktopWindowComesBackAtRunEndOnlyAfterWindowMode) {
  ASSERT_TRUE(MakeDisplay(false));
  const int applied = LastAppliedWindow().applyCount;
  RestoreDesktopWindow();
  EXPECT_EQ(LastAppliedWindow().applyCount, applied);
  WindowSettingsForWindowOn();
  RestoreDesktopWindow();
  EXPECT_EQ(LastAppliedWindow().style, kStylePopup | kStyleSysMenu | kStyleMinimizeBox);
  EXPECT_EQ(LastAppliedWindow().title, "Quillmoor");
  EXPECT_EQ(TheDisplay.windowModeOn, 0);
}

}  // namespace
}  // namespace qm::test
