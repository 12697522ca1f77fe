// The display set-up by layer configuration: windowed and full screen, copy mode, system memory,
// each injected failure's sentence (and the system error a run start makes of it), the card
// search's trace lines.
#include "display/display_setup.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "display/display_subsystem.h"
#include "display/draw_request_queue.h"
#include "display_core_fixture.h"
#include "runtime/diagnostics.h"

namespace qm::test {
namespace {

using platform::DisplayResult;
using platform::SurfaceOp;

class DisplaySetupTest : public DisplayCoreTest {};

TEST_F(DisplaySetupTest, AWindowedDisplayHasNormalLevelNoFlipChainAndAClipperOnThePrimary) {
  TheDisplay.currentCardName = "Fast Card";  // a window never searches for a card
  ASSERT_TRUE(MakeDisplay(false));
  EXPECT_EQ(TheDisplay.directDraw->CooperativeLevel(), platform::kCoopNormal);
  EXPECT_EQ(TheDisplay.cardInUseName, kPrimaryDisplayDriver);
  EXPECT_EQ(TheDisplay.flipChainFlag, 0);
  EXPECT_NE(TheDisplay.primary->GetClipper(), nullptr);
  EXPECT_EQ(TheDisplay.primary->Width(), 1024) << "the primary stands for the desktop";
  EXPECT_EQ(TheDisplay.backBuffer->Width(), 640);
  EXPECT_EQ(ScreenRepeatCount(), 1);
  EXPECT_EQ(TheDisplay.systemMemoryModeFlag, 0);
}

TEST_F(DisplaySetupTest, FullScreenMakesAFlipChainWithAZBufferAndTheDevice) {
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(TheDisplay.directDraw->CooperativeLevel(), platform::kCoopExclusive | platform::kCoopFullScreen);
  EXPECT_EQ(TheDisplay.flipChainFlag, 1);
  EXPECT_EQ(TheDisplay.primary->GetClipper(), nullptr);
  EXPECT_NE(TheDisplay.zBuffer, nullptr);
  EXPECT_NE(TheDisplay.device, nullptr);
  EXPECT_EQ(ScreenRepeatCount(), 2);
  EXPECT_EQ(BackBufferSurface(), TheDisplay.backBuffer);
  EXPECT_EQ(TheDisplay.bitmapZeroWidth, 640);
  EXPECT_EQ(TheDisplay.bitmapZeroDepth, 16);
  EXPECT_EQ(TheDisplay.blit3DFlag, 1);
}

TEST_F(DisplaySetupTest, BlitFlipModeGivesASeparateBackBufferInFullScreen) {
  gSettings.blitFlipMode = true;
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(TheDisplay.flipChainFlag, 0);
  EXPECT_NE(TheDisplay.primary->GetClipper(), nullptr);
  EXPECT_EQ(TheDisplay.systemMemoryModeFlag, 0);
  EXPECT_EQ(ScreenRepeatCount(), 1);
}

TEST_F(DisplaySetupTest, EmulationOrTooLittleVideoMemoryPutsTheScreenInSystemMemory) {
  TheDisplay.emulationModeFlag = 1;
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(TheDisplay.systemMemoryModeFlag, 1);
  EXPECT_EQ(TheDisplay.flipChainFlag, 0);
  EXPECT_TRUE(TheDisplay.backBuffer->Caps() & platform::kCapsSystemMemory);
  CloseDirectX(false);

  TheDisplay.emulationModeFlag = 0;
  platform::DisplayConfiguration().videoMemoryBytes = 640 * 480 * 2;  // less than three screens
  ASSERT_TRUE(MakeDisplay(true));
  EXPECT_EQ(TheDisplay.systemMemoryModeFlag, 1);
}

struct InjectedFailure {
  const char* name;
  bool fullScreen;
  bool emulation;
  int skip;   // surface creations that go through first
  int count;  // creations that fail then
  std::string sentence;
};

class DisplaySetupFailureTest : public DisplayCoreTest,
                                public ::testing::WithParamInterface<InjectedFailure> {};

TEST_P(DisplaySetupFailureTest, LeavesItsSentenceAndNoScreenSurfaces) {
  const InjectedFailure& c = GetParam();
  TheDisplay.emulationModeFlag = c.emulation ? 1 : 0;
  SetFullScreenFlag(c.fullScreen ? 1 : 0);
  ASSERT_EQ(InitDirectX(false, true), 1);
  platform::InjectSurfaceErrorAfter(SurfaceOp::Create, c.skip, DisplayResult::Generic, c.count);
  EXPECT_EQ(CreateScreenAreas(640, 480, true), 0);
  EXPECT_EQ(GetLastEngineError(), c.sentence);
  EXPECT_EQ(TheDisplay.primary, nullptr);
  EXPECT_EQ(TheDisplay.backBuffer, nullptr);
  EXPECT_EQ(TheDisplay.device, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DisplaySetupFailureTest,
    ::testing::Values(InjectedFailure{"ZBufferInVideoMemory", true, false, 1, 1, kFailedZBufferVideo},
                      InjectedFailure{"PrimaryAfterTheChainFailed", true, false, 0, 2, kFailedPrimary},
                      InjectedFailure{"PrimaryInSystemMemory", false, true, 0, 1, kFailedPrimary},
                      InjectedFailure{"BackBufferInSystemMemory", false, true, 1, 1, kFailedBackBufferSystem},
                      InjectedFailure{"ZBufferInSystemMemory", false, true, 2, 1, kFailedZBufferSystem},
                      // Emulation tries RGB and MMX; the layer lists no hardware device to try last.
                      InjectedFailure{"Device", false, true, 3, 2,
                                      std::string("[..2.00] ") + "D3D Devices do not support "
                                                                 "backbuffer bit-depth and HW Acceleration"}),
    [](const ::testing::TestParamInfo<InjectedFailure>& param) { return std::string(param.param.name); });

// A run whose screen areas cannot be made ends its start-up with system error 10005, and the
// error's text ends with the sentence.
TEST_F(DisplaySetupTest, ARunStartWhoseScreenAreasFailEndsWithSystemError10005) {
  Install({&kDisplaySubsystem});
  platform::InjectSurfaceError(SurfaceOp::Create, DisplayResult::Generic, 2);
  EXPECT_FALSE(InitGameCore(true, false, false));
  EXPECT_EQ(PendingErrorCode, kErrorScreenAreas);
  EXPECT_EQ(GetLastEngineError(), kFailedPrimary);
  const std::string text = FormatRuntimeErrorText();
  EXPECT_NE(text.find(kFailedPrimary), std::string::npos) << text;
  CloseGameCore(false);
  EXPECT_EQ(TheDisplay.directDraw, nullptr);
}

// A clock whose calendar follows its milliseconds, so each trace line gets its own key.
class TracingClock : public platform::ManualClock {
 public:
  platform::CalendarTime UtcNow() override {
    const uint32_t ms = Milliseconds();
    return {2024,
            3,
            5,
            14,
            static_cast<int>(ms / 60000 % 60),
            static_cast<int>(ms / 1000 % 60),
            static_cast<int>(ms % 1000),
            2};
  }
};

TEST_F(DisplaySetupTest, TheCardSearchTracesEachDriverItCheckedAndTheCardFound) {
  char pattern[] = "/tmp/qm-displaytrace-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path folder = pattern;
  gSettings.programFolder = folder.string() + "/";
  gSettings.traceModeFlag = true;
  TracingClock clock;
  platform::Clock* previous = platform::InstallClock(&clock);
  platform::DisplayConfiguration().drivers.push_back({"{card-2}", "Fast Card", "fastcard"});
  TheDisplay.currentCardName = "Fast Card";
  SetFullScreenFlag(1);
  ASSERT_EQ(InitDirectX(false, true), 1);
  EXPECT_EQ(TheDisplay.cardInUseName, "Fast Card");
  FlushDiagnosticsLog();
  platform::InstallClock(previous);
  std::ifstream in(folder / "QM.LOG", std::ios::binary);
  std::stringstream log;
  log << in.rdbuf();
  const std::string text = log.str();
  const std::string lines[] = {"DXINIT: Enumeration Check: Primary Display Driver",
                               "DXINIT: Enumeration Looking for: Fast Card",
                               "DXINIT: Enumeration Check: Fast Card", "DXINIT: Found card: fastcard",
                               "QUILLMOOR: Using Secondary Card"};
  std::size_t at = 0;
  for (const std::string& line : lines) {
    const std::size_t found = text.find(line, at);
    EXPECT_NE(found, std::string::npos) << line << "\n" << text;
    if (found != std::string::npos) at = found;
  }
  DeleteDiagnosticsLog();
  std::filesystem::remove_all(folder);
}

TEST_F(DisplaySetupTest, ANameNoDriverHasFallsBackToThePrimaryCard) {
  TheDisplay.currentCardName = "No Such Card";
  SetFullScreenFlag(1);
  ASSERT_EQ(InitDirectX(false, true), 1);
  EXPECT_EQ(TheDisplay.cardInUseName, kPrimaryDisplayDriver);
}

TEST_F(DisplaySetupTest, CloseReleasesEverySurfaceAndTheDisplayObject) {
  ASSERT_TRUE(MakeDisplay(true));
  CloseDirectX(false);
  EXPECT_EQ(TheDisplay.directDraw, nullptr);
  EXPECT_EQ(platform::DisplayDevice::Current(), nullptr);
  EXPECT_TRUE(platform::Surface::LiveSurfaces().empty());
}

}  // namespace
}  // namespace qm::test
