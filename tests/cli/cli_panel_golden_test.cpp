// Pictures of the panel on the headless display, compared with golden PNG frames in
// tests/cli/golden/. After a deliberate change of the panel, look at the new frames and replace
// the goldens with:
//   QM_UPDATE_GOLDENS=1 build/tests/cli_tests --gtest_filter='CliPanelGolden*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "display/draw_request_queue.h"
#include "display/image_files/image_file_formats.h"
#include "io/input_state.h"
#include "platform/display/surface.h"
#include "runtime/run_loop.h"

namespace qm::test {
namespace {

// The pointer the input devices report: moved to (x, y) with the buttons held.
int gPointerX = 320, gPointerY = 240;
uint16_t gButtons = 0;

InputDeviceReading ScriptedPointer() {
  InputDeviceReading reading;
  reading.dx = gPointerX - MouseState.x;
  reading.dy = gPointerY - MouseState.y;
  reading.buttons = gButtons;
  return reading;
}

std::string GoldenPath(const std::string& name) {
  return std::string(QM_SOURCE_DIR) + "/tests/cli/golden/" + name;
}

// The frame about to be presented, as PNG bytes.
std::string ScreenPng() {
  std::string file;
  const platform::Surface* back = BackBufferSurface();
  if (back == nullptr || WritePngFile(*back, file) != ImageError::None) return {};
  return file;
}

// The frame compared with the golden picture `name`, pixel by pixel (or written as the golden).
void CheckAgainstGolden(const std::string& name, const std::string& png) {
  ASSERT_FALSE(png.empty()) << name << ": no frame";
  if (std::getenv("QM_UPDATE_GOLDENS") != nullptr) {
    std::ofstream(GoldenPath(name), std::ios::binary) << png;
    return;
  }
  std::ifstream in(GoldenPath(name), std::ios::binary);
  const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(golden.empty()) << "no golden " << name;
  auto bytes = [](const std::string& s) {
    return ImageBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  platform::Surface* expected = nullptr;
  platform::Surface* actual = nullptr;
  ASSERT_EQ(ReadPngFile(bytes(golden), platform::PixelFormat::X8R8G8B8, expected), ImageError::None);
  ASSERT_EQ(ReadPngFile(bytes(png), platform::PixelFormat::X8R8G8B8, actual), ImageError::None);
  EXPECT_EQ(actual->Width(), expected->Width()) << name;
  EXPECT_EQ(actual->Height(), expected->Height()) << name;
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < std::min(actual->Height(), expected->Height()); ++y) {
    for (int x = 0; x < std::min(actual->Width(), expected->Width()); ++x) {
      if (actual->PixelAt(x, y) == expected->PixelAt(x, y)) continue;
      if (differing++ == 0) firstX = x, firstY = y;
    }
  }
  EXPECT_EQ(differing, 0) << name << " differs from its golden, first at " << firstX << "," << firstY;
  actual->Release();
  expected->Release();
}

CliStep WhenIdle(std::function<void()> act) { return {CliTest::CliIdleNow, std::move(act)}; }

class CliPanelGolden : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    gPointerX = 320, gPointerY = 240, gButtons = 0;
    SetInputDeviceReader(ScriptedPointer);
  }
  void TearDown() override {
    SetInputDeviceReader(nullptr);
    CliTest::TearDown();
  }
};

constexpr const char* kProgram =
    "cls rgb(40, 120, 40)\nprint \"under the panel\"\nbreak \"checkpoint\"\nend\n";

TEST_F(CliPanelGolden, FullyOpenWithTypedRows) {
  std::string png;
  Run(kProgram, {WhenIdle([] { Type("print 1+1\r"); }), WhenIdle([] { Type("prnt 2\r"); }),
                 WhenIdle([] { Type("a$ = \"typing\""); }), WhenIdle([&] { png = ScreenPng(); })});
  CheckAgainstGolden("fully_open.png", png);
}

TEST_F(CliPanelGolden, TheCloseButtonLightsUnderThePointer) {
  std::string png;
  int32_t closeLit = 0;
  Run(kProgram, {WhenIdle([] {
                   gPointerX = State().panelX + kCliCloseButtonX + 20;
                   gPointerY = State().panelY + kCliCloseButtonY + 10;
                 }),
                 WhenIdle([&] {
                   closeLit = State().closeLit;
                   png = ScreenPng();
                   gPointerX = 100, gPointerY = 100;
                 })});
  EXPECT_EQ(closeLit, 1);
  CheckAgainstGolden("close_lit.png", png);
}

TEST_F(CliPanelGolden, OnANarrowDisplayTheCloseButtonSitsAtTheRightEdge) {
  std::string png;
  RunOptions options;
  options.displayWidth = 512;  // no full-screen mode is this narrow: a window
  options.displayHeight = 384;
  options.fullScreen = false;
  options.windowMode = true;
  Run(kProgram, {WhenIdle([&] {
        EXPECT_EQ(State().closeButtonX, 439);
        EXPECT_EQ(State().panelX, 0);
        png = ScreenPng();
      })},
      options);
  CheckAgainstGolden("narrow_display.png", png);
}

TEST_F(CliPanelGolden, ADragKeepsThePanelOnTheDisplay) {
  std::vector<int32_t> tops;
  std::string png;
  auto note = [&] { tops.push_back(State().panelY); };
  Run(kProgram, {WhenIdle([] {
                   gPointerX = 300, gPointerY = 400;  // inside the panel (rows 336-479)
                   gButtons = 1;
                 }),
                 WhenIdle([&] {
                   note();
                   gPointerY = 0;  // far above: the panel stops at the top
                 }),
                 WhenIdle([&] {
                   note();
                   png = ScreenPng();
                   gPointerY = 479;  // far below: the panel stops at the bottom
                 }),
                 WhenIdle([&] {
                   note();
                   gButtons = 0;
                   gPointerY = 10;
                 }),
                 WhenIdle(note)});
  EXPECT_EQ(tops, (std::vector<int32_t>{336, 0, 336, 336}));
  CheckAgainstGolden("dragged_to_top.png", png);
}

TEST_F(CliPanelGolden, ThePanelIsRebuiltAfterTheDisplayIsReset) {
  std::string png;
  Run(kProgram, {WhenIdle([] { Type("set display mode 800, 600, 32\r"); }), WhenIdle([&] {
                   EXPECT_EQ(State().panelY, 600 - kCliPanelHeight);
                   EXPECT_EQ(State().panelX, 80);
                   png = ScreenPng();
                 })});
  CheckAgainstGolden("after_display_reset.png", png);
}

}  // namespace
}  // namespace qm::test
