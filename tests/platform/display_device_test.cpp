#include "platform/display/display_device.h"

#include "platform/display/window_details.h"
#include "platform/headless/scripted_input.h"
#include "platform/window.h"
#include "tests/platform/surface_fixture.h"

namespace qm::platform {
namespace {

class Display : public SurfaceFormats {
 protected:
  void SetUp() override {
    SurfaceFormats::SetUp();
    ResetDisplayConfiguration();
    headless::ResetHeadlessPlatform();
    headless::KeepPresentedFrames();
    DisplayConfiguration().desktopBits = BitsPerPixel(Format());
    DisplayConfiguration().sixteenBitIs555 = Format() == PixelFormat::X1R5G5B5;
    ASSERT_EQ(DisplayDevice::Create("", device_), DisplayResult::Ok);
  }
  void TearDown() override {
    for (Surface* s : made_) s->Release();
    made_.clear();
    device_->Release();
    headless::ResetHeadlessPlatform();
    ResetDisplayConfiguration();
    SurfaceFormats::TearDown();
  }
  Surface* Create(const SurfaceDesc& desc) {
    Surface* s = nullptr;
    EXPECT_EQ(device_->CreateSurface(desc, s), DisplayResult::Ok);
    if (s) made_.push_back(s);
    return s;
  }
  // Full screen at 640x480 in this test's depth, with a two-buffer flip chain.
  Surface* FullScreenFlipChain(Surface*& back) {
    EXPECT_EQ(device_->SetCooperativeLevel(kCoopExclusive | kCoopFullScreen), DisplayResult::Ok);
    EXPECT_EQ(device_->SetDisplayMode(640, 480, BitsPerPixel(Format())), DisplayResult::Ok);
    Surface* front = Create({0, 0, Format(), kCapsPrimary | kCapsFlip | kCapsComplex, 1, 1});
    EXPECT_EQ(front->GetAttachedSurface(kCapsBackBuffer, back), DisplayResult::Ok);
    made_.push_back(back);
    return front;
  }

  // A pixel of this format as the headless presenter records it (0x00RRGGBB, identity gamma).
  uint32_t Shown(uint32_t pixel) const {
    Rgb c = UnpackPixel(Format(), pixel);
    return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
  }

  DisplayDevice* device_ = nullptr;
};

TEST_P(Display, FlipShowsTheBackBufferAndLeavesTheFrameBeforeLastBehind) {
  Surface* back = nullptr;
  Surface* front = FullScreenFlipChain(back);
  EXPECT_EQ(front->Format(), Format());
  uint32_t red = Pack(255, 0, 0), green = Pack(0, 255, 0);
  Rect dot{5, 5, 6, 6};
  back->Fill(nullptr, green);
  ASSERT_EQ(front->Flip(), DisplayResult::Ok);
  back->Fill(&dot, red);
  ASSERT_EQ(front->Flip(), DisplayResult::Ok);
  EXPECT_EQ(front->PixelAt(5, 5), red);
  EXPECT_EQ(back->PixelAt(5, 5), green);  // the older frame
  const headless::PresentedFrame& frame = headless::LastPresentedFrame();
  EXPECT_EQ(frame.presentCount, 2);
  EXPECT_TRUE(frame.fullScreen);
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 480);
  EXPECT_EQ(frame.At(5, 5), Shown(red));
  EXPECT_EQ(frame.At(6, 5), 0u);
}

TEST_P(Display, ModesAreTheConfiguredListAndOthersAreRefused) {
  EXPECT_EQ(device_->EnumDisplayModes().size(), 12u);
  EXPECT_EQ(device_->SetDisplayMode(801, 601, 16), DisplayResult::InvalidMode);
  int otherDepth = BitsPerPixel(Format()) == 32 ? 16 : 32;
  EXPECT_EQ(device_->SetDisplayMode(640, 480, otherDepth), DisplayResult::NoExclusiveMode);
  EXPECT_EQ(device_->SetDisplayMode(640, 480, BitsPerPixel(Format())), DisplayResult::Ok);
  ASSERT_EQ(device_->SetCooperativeLevel(kCoopExclusive | kCoopFullScreen), DisplayResult::Ok);
  EXPECT_EQ(device_->SetDisplayMode(800, 600, otherDepth), DisplayResult::Ok);
  EXPECT_EQ(device_->CurrentMode(), (DisplayMode{800, 600, otherDepth}));
  EXPECT_EQ(device_->SetCooperativeLevel(kCoopExclusive), DisplayResult::InvalidParams);
  DisplayConfiguration().modes = {{512, 384, 16}};
  EXPECT_EQ(device_->SetDisplayMode(512, 384, 16), DisplayResult::Ok);
  EXPECT_EQ(device_->SetDisplayMode(640, 480, 16), DisplayResult::InvalidMode);
}

TEST_P(Display, AWindowedPrimaryIsTheDesktopAndItsClipperIsTheClientArea) {
  ASSERT_TRUE(CreateMainWindow("t", 320, 240, nullptr));
  SetMainWindowPlacement(100, 50, 320, 240);
  Surface* primary = Create({0, 0, Format(), kCapsPrimary});
  EXPECT_EQ(primary->Width(), 1024);
  EXPECT_EQ(primary->Height(), 768);
  Surface* flip = nullptr;
  EXPECT_EQ(device_->CreateSurface({0, 0, Format(), kCapsPrimary | kCapsFlip, 1, 1}, flip),
            DisplayResult::NoExclusiveMode);
  Clipper* clipper = device_->CreateWindowClipper();
  primary->SetClipper(clipper);
  clipper->Release();
  uint32_t white = Pack(255, 255, 255);
  Surface* picture = Make(320, 240, white);
  Rect centred{90, 40, 410, 280};  // 10 pixels off the client area on each side
  ASSERT_EQ(primary->Blt(&centred, picture, nullptr, 0), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(
      *primary, [&](int x, int y) { return x >= 100 && x < 410 && y >= 50 && y < 280 ? white : 0u; }));
  const headless::PresentedFrame& frame = headless::LastPresentedFrame();
  ASSERT_EQ(frame.width, 320);
  EXPECT_EQ(frame.At(0, 0), Shown(white));
  EXPECT_EQ(frame.At(319, 239), 0u);
  DestroyMainWindow();
}

TEST_P(Display, TheGammaRampIsStoredAndAppliedToThePresentedPicture) {
  Surface* back = nullptr;
  Surface* front = FullScreenFlipChain(back);
  GammaRamp ramp;
  for (std::size_t i = 0; i < 256; ++i) {
    ramp.red[i] = 65280;  // red always full, green and blue always off
  }
  ASSERT_EQ(device_->SetGammaRamp(ramp), DisplayResult::Ok);
  EXPECT_EQ(device_->GetGammaRamp(), ramp);
  back->Fill(nullptr, Pack(10, 200, 30));
  ASSERT_EQ(front->Flip(), DisplayResult::Ok);
  EXPECT_EQ(headless::LastPresentedFrame().At(3, 3), 0xFF0000u);
}

TEST_P(Display, VideoMemoryIsTheConfiguredAmount) {
  DisplayConfiguration().videoMemoryBytes = 1u << 20;
  uint64_t total = 0, free = 0;
  device_->GetAvailableVideoMemory(total, free);
  EXPECT_EQ(total, 1u << 20);
  Surface* s = Create({100, 100, Format(), kCapsOffscreenPlain});
  uint64_t freeAfter = 0;
  device_->GetAvailableVideoMemory(total, freeAfter);
  EXPECT_EQ(free - freeAfter, s->LinearSize());
  Surface* big = nullptr;
  EXPECT_EQ(device_->CreateSurface({1024, 768, Format(), kCapsOffscreenPlain}, big),
            DisplayResult::OutOfMemory);
  EXPECT_TRUE(Create({1024, 768, Format(), kCapsOffscreenPlain | kCapsSystemMemory}) != nullptr);
}

TEST_P(Display, RestoreAllSurfacesEndsTheLostState) {
  Surface* back = nullptr;
  Surface* front = FullScreenFlipChain(back);
  LoseAllSurfaces();
  EXPECT_EQ(front->Flip(), DisplayResult::SurfaceLost);
  InjectSurfaceError(SurfaceOp::Restore, DisplayResult::Generic, 1);
  EXPECT_EQ(device_->RestoreAllSurfaces(), DisplayResult::Generic);
  EXPECT_EQ(device_->RestoreAllSurfaces(), DisplayResult::Ok);
  EXPECT_EQ(front->Flip(), DisplayResult::Ok);
}

QM_ALL_SURFACE_FORMATS(Display);

TEST(DisplayDrivers, OnePrimaryByDefaultAndMoreByConfiguration) {
  ResetDisplayConfiguration();
  ASSERT_EQ(DisplayConfiguration().drivers.size(), 1u);
  EXPECT_EQ(DisplayConfiguration().drivers[0].guid, "");
  EXPECT_EQ(DisplayConfiguration().drivers[0].description, "Primary Display Driver");
  DisplayDevice* device = nullptr;
  EXPECT_EQ(DisplayDevice::Create("{card-2}", device), DisplayResult::NotFound);
  DisplayConfiguration().drivers.push_back({"{card-2}", "Second Card", "card2"});
  ASSERT_EQ(DisplayDevice::Create("{card-2}", device), DisplayResult::Ok);
  EXPECT_EQ(DisplayDevice::Current(), device);
  device->Release();
  EXPECT_EQ(DisplayDevice::Current(), nullptr);
  ResetDisplayConfiguration();
}

TEST(DisplayPalette, EntriesAreKeptByTheSurfaceThatHoldsThem) {
  std::array<Rgb, 256> entries{};
  entries[7] = {1, 2, 3};
  Palette* palette = CreatePalette(entries);
  Surface* s = nullptr;
  ASSERT_EQ(Surface::Create({4, 4, PixelFormat::R5G6B5}, s), DisplayResult::Ok);
  s->SetPalette(palette);
  palette->Release();
  EXPECT_EQ(s->GetPalette()->entries[7], (Rgb{1, 2, 3}));
  s->Release();
}

TEST(PictureScaling, WholeNumberScalesWhereTheyFitAndTheAspectKeptWhereNot) {
  struct Case {
    int areaW, areaH, picW, picH;
    Rect viewport;
  };
  const Case cases[] = {
      {1920, 1080, 640, 480, {320, 60, 1600, 1020}}, {800, 600, 640, 480, {80, 60, 720, 540}},
      {640, 480, 640, 480, {0, 0, 640, 480}},        {600, 400, 640, 480, {33, 0, 566, 400}},
      {2560, 1440, 320, 240, {320, 0, 2240, 1440}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PictureViewport(c.areaW, c.areaH, c.picW, c.picH), c.viewport) << c.areaW << "x" << c.areaH;
  }
  Rect twice = PictureViewport(1920, 1080, 640, 480);
  int x = 321, y = 61;
  AreaPointToPicture(twice, 640, 480, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
  x = 1599, y = 1019;
  AreaPointToPicture(twice, 640, 480, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(639, 479));
  x = 5, y = 1070;  // in the margin: the nearest picture pixel
  AreaPointToPicture(twice, 640, 480, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(0, 479));
}

TEST(WindowDetails, TheCursorShowCounterHidesBelowZero) {
  headless::ResetHeadlessPlatform();
  ASSERT_TRUE(CreateMainWindow("t", 64, 48, nullptr));
  ResetCursorCounter();
  EXPECT_EQ(ShowCursorCounted(false), -1);
  EXPECT_FALSE(headless::Window().cursorShown);
  EXPECT_EQ(ShowCursorCounted(false), -2);
  EXPECT_EQ(ShowCursorCounted(true), -1);
  EXPECT_FALSE(headless::Window().cursorShown);
  EXPECT_EQ(ShowCursorCounted(true), 0);
  EXPECT_TRUE(headless::Window().cursorShown);
  EXPECT_EQ(ShowCursorCounted(true), 1);
  ResetCursorCounter();
  DestroyMainWindow();
}

TEST(WindowDetails, StyleAndShowCommandAreKept) {
  ResetMainWindowDetails();
  EXPECT_EQ(MainWindowStyle(), static_cast<uint32_t>(kStyleOverlappedWindow));
  EXPECT_EQ(MainWindowShowCommand(), kShowNormal);
  SetMainWindowStyle(kStylePopup | kStyleSysMenu | kStyleMinimizeBox);
  ShowMainWindow(kShowMinimize);
  EXPECT_EQ(MainWindowStyle(), kStylePopup | kStyleSysMenu | kStyleMinimizeBox);
  EXPECT_EQ(MainWindowShowCommand(), kShowMinimize);
  ResetMainWindowDetails();
}

TEST(WindowDetails, CaptureAndTheVirtualScreensMetrics) {
  SetMouseCapture();
  EXPECT_TRUE(MouseCaptureSet());
  EXPECT_TRUE(headless::MouseCaptured());
  ReleaseMouseCapture();
  EXPECT_FALSE(headless::MouseCaptured());
  ResetDisplayConfiguration();
  DisplayConfiguration().desktopWidth = 1280;
  DisplayConfiguration().desktopHeight = 1024;
  EXPECT_EQ(GetSystemMetrics(kMetricScreenWidth), 1280);
  EXPECT_EQ(GetSystemMetrics(kMetricScreenHeight), 1024);
  EXPECT_EQ(GetSystemMetrics(kMetricFullScreenWidth), 1280);
  EXPECT_EQ(GetSystemMetrics(kMetricFullScreenHeight), 1024 - 19);
  ResetDisplayConfiguration();
}

}  // namespace
}  // namespace qm::platform
