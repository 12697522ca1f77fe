// A clean display for each test: the runtime core's clean state, the layer's default machine
// (one primary card, the ordinary modes, enough video memory, the software 3D device), no
// injected faults, no display object, and a headless main window whose client area the test
// places.
#pragma once
#include <gtest/gtest.h>

#include "display/display_setup.h"
#include "display/display_state.h"
#include "display/engine_error_log.h"
#include "display/engine_tables.h"
#include "platform/display/device3d.h"
#include "platform/display/display_backend.h"
#include "platform/display/display_device.h"
#include "platform/display/fault_injection.h"
#include "platform/display/window_details.h"
#include "platform/window.h"
#include "runtime/core_fixture.h"
#include "runtime/system_flags.h"

namespace qm::test {

class DisplayCoreTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetLayer();
    ResetDisplayState();
    ClearLastEngineError();
    SystemFlags = SystemFlagsState{};
    ASSERT_TRUE(platform::CreateMainWindow("Quillmoor", 640, 480, nullptr));
    PlaceClientArea(0, 0, 640, 480);
  }
  void TearDown() override {
    CloseDirectX(false);
    FreeEngineTables();
    ResetLayer();
    ResetDisplayState();
    ClearLastEngineError();
    SystemFlags = SystemFlagsState{};
    platform::DestroyMainWindow();
    CoreTest::TearDown();
  }

  static void ResetLayer() {
    platform::ClearInjectedSurfaceErrors();
    platform::ResetDisplayConfiguration();
    platform::ResetDevice3DConfiguration();
    platform::ResetCursorCounter();
    platform::headless::KeepPresentedFrames();
  }
  static void PlaceClientArea(int x, int y, int width, int height) {
    platform::SetMainWindowPlacement(x, y, width, height);
  }

  // A display as a run makes it: the display object, the mode in full screen, the screen areas
  // with the 3D device. True when every step succeeded.
  static bool MakeDisplay(bool fullScreen, int width = 640, int height = 480, int depth = 16) {
    SetFullScreenFlag(fullScreen ? 1 : 0);
    if (InitDirectX(false, true) == 0) return false;
    if (fullScreen &&
        TheDisplay.directDraw->SetDisplayMode(width, height, depth) != platform::DisplayResult::Ok) {
      return false;
    }
    return CreateScreenAreas(width, height, true) != 0;
  }
};

}  // namespace qm::test
