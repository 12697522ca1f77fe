// The run-time loader of SDL2, and the headless paths that never load it.
#include "platform/sdl2/sdl_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "platform/loaded_libraries.h"
#include "platform/window.h"

namespace qm::platform {
namespace {

struct UnusableLibrary {
  const char* name;
  const char* library;
  const char* errorPart;  // what the error must name
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const UnusableLibrary& c, std::ostream* out) { *out << c.name; }

class SdlLoaderRefuses : public ::testing::TestWithParam<UnusableLibrary> {};

TEST_P(SdlLoaderRefuses, AndLeavesTheTableEmpty) {
  SdlFunctions functions;
  std::string error;
  EXPECT_FALSE(LoadSdlFunctionsFrom(GetParam().library, functions, error));
  EXPECT_NE(error.find(GetParam().errorPart), std::string::npos) << error;
  EXPECT_EQ(functions.GetError, nullptr);
  EXPECT_EQ(functions.CreateWindow, nullptr);
  EXPECT_EQ(functions.DestroyTexture, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Loader, SdlLoaderRefuses,
                         ::testing::Values(UnusableLibrary{"missingLibrary", "libqm-missing-library.so.0",
                                                           "libqm-missing-library"},
                                           UnusableLibrary{"libraryWithoutSdl", "libc.so.6",
                                                           "SDL2 lacks SDL_GetError"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Without a display named in the environment the system runs headless, quietly, and SDL2 is
// never loaded.
TEST(SdlLoading, NoDisplayMeansHeadlessWithoutSdl) {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "QUILLMOOR_HEADLESS"}) {
    unsetenv(variable);
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(InitPlatformWindowing(), WindowBackend::Headless);
  EXPECT_TRUE(CreateMainWindow("Quillmoor Editor", 640, 480, nullptr));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(SdlLoaded());
  EXPECT_FALSE(LibraryMapped("libSDL2"));
  DestroyMainWindow();
  ShutDownPlatformWindowing();
  setenv("QUILLMOOR_HEADLESS", "1", 1);
}

TEST(SdlLoading, HeadlessRequestedOpensAWindowWithoutSdl) {
  setenv("QUILLMOOR_HEADLESS", "1", 1);
  setenv("DISPLAY", ":0", 1);
  EXPECT_EQ(InitPlatformWindowing(), WindowBackend::Headless);
  EXPECT_TRUE(CreateMainWindow("Quillmoor Editor", 640, 480, nullptr));
  EXPECT_FALSE(LibraryMapped("libSDL2"));
  DestroyMainWindow();
  ShutDownPlatformWindowing();
  unsetenv("DISPLAY");
}

}  // namespace
}  // namespace qm::platform
