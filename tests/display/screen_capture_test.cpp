// Screen capture: SAVE BITMAP of the screen and the snapshot key record a name; the frame step
// writes the picture it has just presented into that file.
#include "display/screen_capture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "display/display_services.h"
#include "display/draw_request_queue.h"
#include "display/engine_tables.h"
#include "display/frame_present.h"
#include "display/image_files/image_files.h"
#include "display_core_fixture.h"
#include "platform/keys.h"
#include "runtime/main_window_proc.h"
#include "tests/platform/temp_folder.h"

namespace qm::test {
namespace {

using platform::PixelFormat;
using platform::Rect;
using platform::Rgb;

constexpr int32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// The display's services with a stand-in for the sprites: a green square drawn onto the back
// buffer where the frame step draws the sprites, just before the present.
class ServicesWithSprite : public DisplayCoreServices {
 public:
  void DrawSprites() override {
    const Rect square{300, 200, 340, 240};
    TheDisplay.backBuffer->Blt(&square, nullptr, nullptr, platform::kBltColorFill,
                               PackColour(PackingOf(TheDisplay.backBuffer->Format()), kGreen));
  }
};

// The colour a 24-bit file pixel has when the screen held `colour` in `format`.
Rgb AsStored(PixelFormat format, int32_t colour) {
  return platform::UnpackPixel(format, PackColour(PackingOf(format), colour));
}

// A pixel of a 24-bit bottom-up bitmap file of width x height.
Rgb FilePixel(const std::string& file, int width, int height, int x, int y) {
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  const std::size_t at =
      54 + static_cast<std::size_t>(height - 1 - y) * row + static_cast<std::size_t>(x) * 3;
  return {static_cast<uint8_t>(file[at + 2]), static_cast<uint8_t>(file[at + 1]),
          static_cast<uint8_t>(file[at])};
}

struct CaptureCase {
  const char* name;
  bool fullScreen;
  int depth;
};

class ScreenCaptureTest : public DisplayCoreTest, public ::testing::WithParamInterface<CaptureCase> {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    display_.services.display = &services_;
    Install({&display_});
    ScreenCapture() = ScreenCaptureState{};
    AppActiveFlag = 1;
    DisplayReadyFlag = 1;
  }
  void TearDown() override {
    ScreenCapture() = ScreenCaptureState{};
    ClearDrawRequests();
    DisplayCoreTest::TearDown();
  }

  // A display as a run has it, cleared to red and presented, with the drawing queue ready.
  void MakeRedScreen(bool fullScreen, int depth) {
    ASSERT_TRUE(MakeDisplay(fullScreen, 640, 480, depth));
    services_.InitGameData();
    ImageLoaderInit(TheDisplay.backBuffer->Format());
    ResetDrawQueueForRun();
    InkColours.backgroundPixel = PackColour(PackingOf(TheDisplay.backBuffer->Format()), kRed);
    for (int pass = 0; pass < 2; ++pass) {
      ClearScreenSurfaces();
      PresentFrame();
    }
  }
  // One pass of the run loop whose slice queues a blue box and asks for the capture.
  void PassThatSavesTheScreen(const std::string& name) {
    BeginFrame();
    QueueInk(kBlue, 0);
    QueueBox(0, 0, 100, 100);
    RequestSaveBitmap(name);
    SyncFrame();
  }

  Subsystem display_;
  ServicesWithSprite services_;
  platform::testing::TempFolder folder_;
};

TEST_P(ScreenCaptureTest, TheFileHoldsThePresentedFrameWithSpritesButNotTheDrawingQueuedInThatSlice) {
  const CaptureCase& c = GetParam();
  if (!c.fullScreen) PlaceClientArea(100, 50, 800, 600);
  MakeRedScreen(c.fullScreen, c.depth);
  // In a window the rest of the desktop shows something else: it must not reach the file.
  if (!c.fullScreen)
    TheDisplay.primary->Fill(nullptr, PackColour(PackingOf(TheDisplay.primary->Format()), 0xFFFF00));
  const std::string path = folder_ / "s.bmp";
  PassThatSavesTheScreen(path);

  const std::string file = folder_.Read("s.bmp");
  ASSERT_EQ(file.size(), 921654u);
  const PixelFormat format = TheDisplay.backBuffer->Format();
  struct Probe {
    int x, y;
    int32_t colour;
  };
  const Probe probes[] = {{0, 0, kRed},       {50, 50, kRed},     {639, 479, kRed},
                          {300, 200, kGreen}, {339, 239, kGreen}, {340, 240, kRed}};
  for (const Probe& p : probes) {
    EXPECT_EQ(FilePixel(file, 640, 480, p.x, p.y), AsStored(format, p.colour)) << "at " << p.x << "," << p.y;
  }
  EXPECT_EQ(ScreenCapture().saveBitmapPending, 0);
  EXPECT_EQ(ScreenCapture().captureSurface, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Displays, ScreenCaptureTest,
                         ::testing::Values(CaptureCase{"FullScreen16", true, 16},
                                           CaptureCase{"FullScreen32", true, 32},
                                           CaptureCase{"Window", false, 16}),
                         [](const ::testing::TestParamInfo<CaptureCase>& param) {
                           return std::string(param.param.name);
                         });

class ScreenCaptureRequestTest : public ScreenCaptureTest {};

TEST_F(ScreenCaptureRequestTest, TwoRequestsInOnePassWriteOnlyTheLastName) {
  MakeRedScreen(true, 16);
  BeginFrame();
  RequestSaveBitmap(folder_ / "first.bmp");
  RequestSaveBitmap(folder_ / "second.bmp");
  SyncFrame();
  EXPECT_FALSE(std::filesystem::exists(folder_ / "first.bmp"));
  EXPECT_EQ(folder_.Read("second.bmp").size(), 921654u);
  // The request was served: the next frame writes nothing more.
  std::filesystem::remove(folder_ / "second.bmp");
  BeginFrame();
  SyncFrame();
  EXPECT_FALSE(std::filesystem::exists(folder_ / "second.bmp"));
}

TEST_F(ScreenCaptureRequestTest, TheSnapshotKeyWritesTheFirstFreeNameAtTheEndOfTheFrame) {
  MakeRedScreen(true, 16);
  gSettings.programFolder = folder_.Path() + "/";
  folder_.Write("snapshot.bmp", "taken");
  folder_.Write("snapshot1.bmp", "taken");
  platform::headless::ScriptKeyPress(platform::kVkF9);
  platform::Message message;
  while (platform::PeekMessage(message, true)) {
    platform::TranslateMessage(message);
    MainWindowProc(message);
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ / "snapshot2.bmp")) << "not before the frame ends";
  BeginFrame();
  SyncFrame();
  const std::string file = folder_.Read("snapshot2.bmp");
  ASSERT_EQ(file.size(), 921654u);
  EXPECT_EQ(FilePixel(file, 640, 480, 320, 240), AsStored(TheDisplay.backBuffer->Format(), kRed));
  EXPECT_EQ(folder_.Read("snapshot.bmp"), "taken");
  EXPECT_EQ(folder_.Read("snapshot1.bmp"), "taken");
}

TEST_F(ScreenCaptureRequestTest, FailedOrDroppedCapturesWriteNothingAndKeepTheOldFile) {
  MakeRedScreen(true, 16);
  struct Case {
    const char* name;
    bool active;
  };
  // A name with no writer (pcx, psd, tif), and a request while the application is inactive.
  for (const Case& c : {Case{"old.pcx", true}, Case{"old.tif", true}, Case{"old.bmp", false}}) {
    folder_.Write(c.name, "old contents");
    AppActiveFlag = c.active ? 1 : 0;
    RequestSaveBitmap(folder_ / c.name);
    EXPECT_EQ(CaptureScreenToFile(), c.active ? 0 : 1) << c.name;
    EXPECT_EQ(folder_.Read(c.name), "old contents") << c.name;
    EXPECT_EQ(ScreenCapture().captureSurface, nullptr) << c.name;
  }
}

TEST_F(ScreenCaptureRequestTest, ALongNameIsCutToTheFieldAndTheSurfaceIsReleasedOnce) {
  RequestSaveBitmap(std::string(400, 'a') + ".bmp");
  EXPECT_EQ(ScreenCapture().pendingCaptureName.size(), kCaptureNameLimit);
  EXPECT_EQ(ReleaseCaptureSurface(), 0);
}

}  // namespace
}  // namespace qm::test
