// Display modes, gamma and the display reset.
#include "display/display_modes.h"

#include <string>

#include "display/animations.h"
#include "display/display_setup.h"
#include "display/display_state.h"
#include "display/draw_request_queue.h"
#include "display/engine_error_log.h"
#include "display/engine_tables.h"
#include "display/frame_present.h"
#include "display/mouse_pointer.h"
#include "display/number_maps.h"
#include "display/sprites.h"
#include "display/surface_utilities.h"
#include "models/object_model.h"
#include "platform/display/display_device.h"
#include "platform/window.h"
#include "runtime/frame_services.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

using platform::DisplayResult;

constexpr bool kWith3D = true;

void ClearDisplayAfterReset() {
  ClearZBuffer();
  for (int pass = 0; pass < 2; ++pass) {
    ClearScreenSurfaces();
    PresentFrame();
  }
}

void RebuildAfterReset() {
  ClearObjectLimbTextures();
  ClearDisplayAfterReset();
  ReleaseSpriteBackgrounds();  // before the images go: the entities own them
  ReleaseImagesForReset();
  RebindScreenTargets();
  LoadMousePointerBitmap(true);
  RebuildMousePointerImages(1);
  TheDisplay.screenInvalidFlag = 1;
  Services().engine3d->ClearViewportColour(0);
  Services().engine3d->ClearCameraView(0);
  Services().engine3d->ClearCameraView(0);
}

}  // namespace

int32_t SetDisplayMode(int32_t width, int32_t height, int32_t depth) {
  if (TheDisplay.windowModeOn) {
    TheDisplay.windowSettings.clientWidth = width;
    TheDisplay.windowSettings.clientHeight = height;
    ApplyWindowSettings(true, true);
  }
  if (TheDisplay.fullScreenFlag == 0) return 1;
  const DisplayResult result = TheDisplay.directDraw != nullptr
                                   ? TheDisplay.directDraw->SetDisplayMode(width, height, depth)
                                   : DisplayResult::NotFound;
  if (result == DisplayResult::Ok) {
    platform::SetMainWindowPlacement(0, 0, width, height);
    return 1;
  }
  std::string sentence = "Could not set a display mode of " + std::to_string(width) + "x" +
                         std::to_string(height) + "x" + std::to_string(depth);
  if (result == DisplayResult::NoExclusiveMode) sentence += ". Must be in exclusive mode to switch bit-depth";
  LogEngineError(sentence);
  return 0;
}

int32_t SetGamma(int32_t red, int32_t green, int32_t blue) {
  if (TheDisplay.directDraw == nullptr || !TheDisplay.gammaAvailable) return 0;
  platform::GammaRamp ramp;
  auto fill = [](std::array<uint16_t, 256>& channel, int32_t value) {
    const int32_t base = value > 256 ? value - 256 : 0;
    const int32_t slope = value > 256 ? 511 - value : value;
    for (int32_t i = 0; i < 256; ++i)
      channel[static_cast<std::size_t>(i)] = static_cast<uint16_t>(base * 256 + slope * i);
  };
  fill(ramp.red, red);
  fill(ramp.green, green);
  fill(ramp.blue, blue);
  return TheDisplay.directDraw->SetGammaRamp(ramp) == DisplayResult::Ok ? 1 : 0;
}

bool ResetDisplay(int32_t& width, int32_t& height, int32_t& depth, int32_t& emulation, int32_t fallbackWidth,
                  int32_t fallbackHeight, int32_t fallbackDepth, int32_t fallbackEmulation) {
  ClearDrawRequests();
  FreeAllAnimations();
  FreeMousePointerBitmap();
  CloseDirectX(false);
  if (InitDirectX(emulation == 1, true) == 0) {
    RaiseRuntimeError(kErrorDirectX);
    return false;
  }
  DisplayResetMark = 1;
  bool result = true;
  if (SetDisplayMode(width, height, depth) != 0) {
    TheDisplay.displayWidth = width;
    TheDisplay.displayHeight = height;
  } else {
    width = fallbackWidth;
    height = fallbackHeight;
    depth = fallbackDepth;
    emulation = fallbackEmulation;
    SetDisplayMode(width, height, depth);
    RaiseRuntimeWarning(kWarningDisplayModeRefused);
    result = false;
  }
  if (CreateScreenAreas(width, height, kWith3D) == 0) {
    emulation = 1;
    if (CreateScreenAreas(width, height, kWith3D) == 0) {
      width = fallbackWidth;
      height = fallbackHeight;
      depth = fallbackDepth;
      emulation = fallbackEmulation;
      SetDisplayMode(width, height, depth);
      RaiseRuntimeWarning(kWarningScreenAreasRefused);
      result = false;
      // Without screen areas nothing can be drawn or presented: the run cannot go on.
      if (CreateScreenAreas(width, height, kWith3D) == 0) {
        RaiseRuntimeError(kErrorScreenAreas);
        return false;
      }
    }
  }
  RebuildAfterReset();
  return result;
}

bool ResetDisplayToRequestedMode(int32_t fallbackEmulation) {
  const int32_t width = TheDisplay.requestedWidth, height = TheDisplay.requestedHeight;
  const int32_t depth = TheDisplay.requestedDepth;
  return ResetDisplay(TheDisplay.requestedWidth, TheDisplay.requestedHeight, TheDisplay.requestedDepth,
                      TheDisplay.emulationModeFlag, width, height, depth, fallbackEmulation);
}

int32_t FlushVideoMemory() {
  if (TheDisplay.device != nullptr) TheDisplay.device->EvictManagedTextures();
  return 1;
}

void ReleaseImagesForReset() {
  if (!ImageTable.Exists()) return;
  ImageTable.ForEachUsed([](int32_t i) {
    if (i == 0) return;  // record 0 stays reserved: no image number maps to it
    platform::Surface*& owned = ImageTable.ColumnAt(i);
    if (owned != nullptr) owned->Release();
    owned = nullptr;
    ImageTable[i].surface = nullptr;
    ImageTable[i].exists = 0;
    ImageTable.Release(i);
  });
  ImageNumberMap.Clear();
}

void RebindScreenTargets() {
  QueueCurrentBitmap = {0, TheDisplay.backBuffer};
  SetScreenSurfaces(TheDisplay.backBuffer, TheDisplay.flipChainFlag == 1);
}

void ClearObjectLimbTextures() {
  if (!ObjectTable.Exists()) return;
  ObjectTable.ForEachUsed([](int32_t i) {
    ObjectModel* model = ObjectTable[i].model;
    if (model == nullptr) return;
    for (int32_t limb = 1; limb <= ObjectTable[i].limbCount; ++limb) model->SetLimbTexture(limb, 0);
  });
}

}  // namespace qm
