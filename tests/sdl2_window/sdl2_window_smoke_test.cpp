// The sdl2 backend on a real display (run under xvfb-run): the platform layer opens a real window
// of the size asked for, and SDL2 is loaded then and not before.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/loaded_libraries.h"
#include "platform/sdl2/sdl2_window.h"
#include "platform/sdl2/sdl_library.h"
#include "platform/window.h"

namespace qm::platform {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

TEST(Sdl2WindowSmoke, OpensARealWindowAndLoadsSdlOnlyThen) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
  unsetenv("QUILLMOOR_HEADLESS");
  EXPECT_FALSE(LibraryMapped("libSDL2")) << "SDL2 was loaded before a window was asked for";

  ASSERT_EQ(InitPlatformWindowing(), WindowBackend::Sdl2);
  ASSERT_TRUE(CreateMainWindow("Quillmoor smoke", kWidth, kHeight, nullptr));
  EXPECT_TRUE(LibraryMapped("libSDL2"));
  ASSERT_NE(Sdl2MainWindow(), nullptr);
  int width = 0, height = 0;
  Sdl().GetWindowSize(Sdl2MainWindow(), &width, &height);
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  Message message;
  while (PeekMessage(message, true)) DispatchMessage(message);

  // A presented frame read back from the window is checked here once the display layer draws.

  DestroyMainWindow();
  EXPECT_FALSE(MainWindowExists());
  ShutDownPlatformWindowing();
}

}  // namespace
}  // namespace qm::platform
