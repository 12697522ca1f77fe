// The sdl2 backend on a real display (run under xvfb-run): the platform layer opens a real window
// of the size asked for, SDL2 is loaded then and not before, and a presented picture reaches the
// screen: a screenshot of the X display (ImageMagick's `import`) holds its pixels, through the
// gamma ramp. (Full screen is left out: without a window manager, as under xvfb-run, X never
// resizes a window to the screen; the scaling itself is checked in the platform tests.)
#include <gtest/gtest.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define QM_LEAK_CHECKS 1
#else
#define QM_LEAK_CHECKS 0
#endif

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/display/display_device.h"
#include "platform/loaded_libraries.h"
#include "platform/sdl2/sdl2_window.h"
#include "platform/sdl2/sdl_library.h"
#include "platform/window.h"
#include "tests/platform/temp_folder.h"

namespace qm::platform {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

// The whole X screen as 8-bit RGB rows, taken by ImageMagick.
struct Screenshot {
  int width = 0, height = 0;
  std::string rgb;
  bool Taken() const { return !rgb.empty(); }
  uint32_t At(int x, int y) const {
    std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    auto byte = [&](std::size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(rgb[i + k])); };
    return byte(0) << 16 | byte(1) << 8 | byte(2);
  }
};

Screenshot TakeScreenshot(const testing::TempFolder& folder) {
  Screenshot shot;
  shot.width = ScreenWidth();
  shot.height = ScreenHeight();
  std::string command = "import -window root -depth 8 rgb:'" + folder.Path() + "/screen.rgb' 2>&1";
  if (std::system(command.c_str()) != 0) return shot;
  shot.rgb = folder.Read("screen.rgb");
  if (shot.rgb.size() != static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height) * 3) {
    shot.rgb.clear();
  }
  return shot;
}

// Lets the window system catch up: messages are read and the picture presented again, until the
// screenshot shows what `ready` waits for or a number of tries has passed.
template <typename Present, typename Ready>
Screenshot ScreenshotOnceShown(const testing::TempFolder& folder, Present present, Ready ready) {
#if QM_LEAK_CHECKS
  // The X libraries SDL loads keep a little memory for drawing into the window, which the leak
  // checker finds at exit after they have been unloaded, so no suppression can name them.
  __lsan::ScopedDisabler keptByXLibraries;
#endif
  Screenshot shot;
  for (int attempt = 0; attempt < 50; ++attempt) {
    Message message;
    while (PeekMessage(message, true)) DispatchMessage(message);
    present();
    shot = TakeScreenshot(folder);
    if (shot.Taken() && ready(shot)) break;
    usleep(100 * 1000);
  }
  return shot;
}

class Sdl2WindowSmoke : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    unsetenv("QUILLMOOR_HEADLESS");
  }
  testing::TempFolder folder_;
};

TEST_F(Sdl2WindowSmoke, OpensARealWindowShowsPresentedFramesAndLoadsSdlOnlyThen) {
  EXPECT_FALSE(LibraryMapped("libSDL2")) << "SDL2 was loaded before a window was asked for";

  ASSERT_EQ(InitPlatformWindowing(), WindowBackend::Sdl2);
  ASSERT_TRUE(CreateMainWindow("Quillmoor smoke", kWidth, kHeight, nullptr));
  EXPECT_TRUE(LibraryMapped("libSDL2"));
  ASSERT_NE(Sdl2MainWindow(), nullptr);
  int width = 0, height = 0;
  Sdl().GetWindowSize(Sdl2MainWindow(), &width, &height);
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);

  // Windowed: the primary is the desktop, the window shows its client area.
  ResetDisplayConfiguration();
  DisplayConfiguration().desktopWidth = ScreenWidth();
  DisplayConfiguration().desktopHeight = ScreenHeight();
  DisplayDevice* device = nullptr;
  ASSERT_EQ(DisplayDevice::Create("", device), DisplayResult::Ok);
  Surface* primary = nullptr;
  ASSERT_EQ(device->CreateSurface({0, 0, PixelFormat::X8R8G8B8, kCapsPrimary}, primary), DisplayResult::Ok);
  Clipper* clipper = device->CreateWindowClipper();
  primary->SetClipper(clipper);
  clipper->Release();
  Surface* picture = nullptr;
  ASSERT_EQ(Surface::Create({kWidth, kHeight, PixelFormat::R5G6B5}, picture), DisplayResult::Ok);
  picture->Fill(nullptr, PackRgb(PixelFormat::R5G6B5, {0, 0, 255}));
  Rect corner{0, 0, 10, 10};
  picture->Fill(&corner, PackRgb(PixelFormat::R5G6B5, {255, 0, 0}));
  // The ramp halves blue: the screen shows what the gamma made of the picture.
  GammaRamp ramp = GammaRamp::Identity();
  for (std::size_t i = 0; i < 256; ++i) ramp.blue[i] = static_cast<uint16_t>(i * 128);
  ASSERT_EQ(device->SetGammaRamp(ramp), DisplayResult::Ok);

  Rect client;
  auto present = [&] {
    client = ActiveDisplayBackend().ClientArea();
    ASSERT_EQ(primary->Blt(&client, picture, nullptr, 0), DisplayResult::Ok);
  };
  Screenshot shot = ScreenshotOnceShown(folder_, present, [&](const Screenshot& s) {
    return s.At(client.left + 100, client.top + 100) == 0x00007Cu;
  });
  ASSERT_TRUE(shot.Taken()) << "ImageMagick's import could not read the screen";
  EXPECT_EQ(client.Width(), kWidth);
  EXPECT_EQ(client.Height(), kHeight);
  EXPECT_EQ(shot.At(client.left + 100, client.top + 100), 0x00007Cu);  // 248 blue, halved
  EXPECT_EQ(shot.At(client.left + 5, client.top + 5), 0xF80000u);
  EXPECT_EQ(shot.At(client.right - 1, client.bottom - 1), 0x00007Cu);

  primary->Release();
  picture->Release();
  device->Release();

  DestroyMainWindow();
  EXPECT_FALSE(MainWindowExists());
  ShutDownPlatformWindowing();
}

}  // namespace
}  // namespace qm::platform
