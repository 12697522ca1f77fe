// The display set-up.
#include "display/display_setup.h"

#include <string>

#include "display/device_3d.h"
#include "display/display_card_choice.h"
#include "display/display_state.h"
#include "display/draw_request_queue.h"
#include "display/engine_error_log.h"
#include "display/engine_tables.h"
#include "display/surface_utilities.h"
#include "platform/clock.h"
#include "platform/display/device3d.h"
#include "platform/display/display_device.h"
#include "runtime/diagnostics.h"
#include "runtime/settings.h"

namespace qm {
namespace {

using platform::DisplayResult;
using platform::Surface;
using platform::SurfaceDesc;

constexpr uint32_t kTracePauseMs = 100;

// With TRACEMODE on: a pause, then the line (the pause lets a watcher follow a slow set-up).
void TraceDisplayStep(const std::string& line) {
  if (!TraceModeFlag()) return;
  platform::SleepMs(kTracePauseMs);
  WriteTraceLog(line);
}

void ReleaseSurface(Surface*& surface) {
  if (surface != nullptr) surface->Release();
  surface = nullptr;
}

// The driver GUID the card search finds, "" for the primary.
std::string SearchDisplayCard() {
  std::string foundName, foundDescription, foundGuid;
  const std::string& wanted = TheDisplay.currentCardName;
  for (const platform::DisplayDriverInfo& driver : platform::DisplayConfiguration().drivers) {
    if (wanted.empty()) {
      if (driver.guid.empty()) continue;
    } else {
      TraceDisplayStep("DXINIT: Enumeration Check: " + driver.description);
      TraceDisplayStep("DXINIT: Enumeration Looking for: " + wanted);
      if (!CardNamesMatch(driver.description, wanted)) continue;
      TraceDisplayStep("DXINIT: Found card: " + driver.name);
    }
    foundName = driver.name;
    foundDescription = driver.description;
    foundGuid = driver.guid;
    break;
  }
  if (!foundName.empty()) {
    TheDisplay.cardInUseName = foundDescription;
    TraceDisplayStep("QUILLMOOR: Using Secondary Card");
    return foundGuid;
  }
  TheDisplay.cardInUseName = kPrimaryDisplayDriver;
  TraceDisplayStep("QUILLMOOR: Using Primary Card");
  return {};
}

void ForgetScreenSurfaces() {
  TheDisplay.primary = TheDisplay.backBuffer = TheDisplay.zBuffer = nullptr;
  TheDisplay.screenPalette = nullptr;
  TheDisplay.bitmapSurfaces[0] = nullptr;
  SetScreenSurfaces(nullptr, false);
}

// Images and bitmaps 1-31 and the loaders' slots lose their surfaces.
void ReleaseImageAndBitmapSurfaces() {
  if (ImageTable.Exists()) {
    for (int32_t i = 0; i < ImageTable.Capacity(); ++i) {
      platform::Surface*& owned = ImageTable.ColumnAt(i);
      if (owned == nullptr) continue;
      owned->Release();
      owned = nullptr;
    }
    ImageTable.ForEachUsed([](int32_t i) {
      ImageTable[i].surface = nullptr;
      ImageTable[i].exists = 0;
    });
  }
  for (int32_t slot = 1; slot < kBitmapSlots; ++slot)
    ReleaseSurface(TheDisplay.bitmapSurfaces[static_cast<std::size_t>(slot)]);
}

SurfaceDesc ScreenSurfaceDesc(uint32_t caps) {
  SurfaceDesc desc;
  desc.width = TheDisplay.displayWidth;
  desc.height = TheDisplay.displayHeight;
  desc.caps = caps;
  return desc;
}

// Video memory: a flip chain in full screen, else a primary and a separate back buffer. False
// when the surfaces could not be made there (the caller goes on in system memory).
bool CreateVideoMemorySurfaces() {
  platform::DisplayDevice& display = *TheDisplay.directDraw;
  if (TheDisplay.fullScreenFlag == 1 && TheDisplay.flipChainFlag == 1) {
    SurfaceDesc chain =
        ScreenSurfaceDesc(platform::kCapsPrimary | platform::kCapsFlip | platform::kCapsComplex |
                          platform::kCaps3DDevice | platform::kCapsVideoMemory);
    chain.backBufferCount = 1;
    if (display.CreateSurface(chain, TheDisplay.primary) != DisplayResult::Ok) return false;
    if (TheDisplay.primary->GetAttachedSurface(platform::kCapsBackBuffer, TheDisplay.backBuffer) !=
        DisplayResult::Ok) {
      ReleaseSurface(TheDisplay.primary);
      return false;
    }
    return true;
  }
  TheDisplay.flipChainFlag = 0;
  if (display.CreateSurface(ScreenSurfaceDesc(platform::kCapsPrimary), TheDisplay.primary) !=
      DisplayResult::Ok) {
    return false;
  }
  return display.CreateSurfaceInDisplayFormat(
             ScreenSurfaceDesc(platform::kCaps3DDevice | platform::kCapsVideoMemory),
             TheDisplay.backBuffer) == DisplayResult::Ok;
}

DisplayResult Fail(const char* sentence, DisplayResult result) {
  LogEngineError(sentence);
  return result == DisplayResult::Ok ? DisplayResult::Generic : result;
}

}  // namespace

int32_t SetFullScreenFlag(int32_t fullScreen) {
  TheDisplay.fullScreenFlag = fullScreen;
  return 1;
}

int32_t InitDirectX(bool forcePrimary, bool exclusive) {
  if (TheDisplay.directDraw != nullptr) CloseDirectX(false);
  ForgetScreenSurfaces();
  std::string guid;
  if (TheDisplay.fullScreenFlag != 0 && !forcePrimary &&
      TheDisplay.currentCardName != kPrimaryDisplayDriver) {
    guid = SearchDisplayCard();
  } else {
    TheDisplay.cardInUseName = kPrimaryDisplayDriver;
  }
  if (platform::DisplayDevice::Create(guid, TheDisplay.directDraw) != DisplayResult::Ok) {
    TheDisplay.directDraw = nullptr;
    LogEngineError(kFailedDirectDraw);
    return 0;
  }
  const bool exclusiveFullScreen = TheDisplay.fullScreenFlag == 1 && exclusive;
  const uint32_t level =
      exclusiveFullScreen ? platform::kCoopExclusive | platform::kCoopFullScreen : platform::kCoopNormal;
  if (TheDisplay.directDraw->SetCooperativeLevel(level) != DisplayResult::Ok) {
    LogEngineError(kFailedCooperativeLevel);
    return 0;
  }
  TheDisplay.blitMode = BlitFlipMode() ? 1 : 0;
  TheDisplay.blit3DFlag = 1;
  return 1;
}

int32_t CreateScreenAreas(int32_t width, int32_t height, bool with3D) {
  TheDisplay.displayWidth = width;
  TheDisplay.displayHeight = height;
  if (TheDisplay.directDraw == nullptr) {
    LogEngineError(with3D ? kFailedQueryD3D : kFailedPrimaryUnknown);
    return 0;
  }
  TheDisplay.direct3D = with3D;
  if (CreateScreenSurfaces(with3D) != DisplayResult::Ok) {
    ReleaseScreenSurfaces();
    TheDisplay.direct3D = false;
    return 0;
  }
  SetScreenColourKeys();
  if (with3D && CreateDirect3DDevice() == 0) {
    ReleaseScreenSurfaces();
    TheDisplay.direct3D = false;
    return 0;
  }
  return 1;
}

DisplayResult CreateScreenSurfaces(bool with3D) {
  TheDisplay.systemMemoryModeFlag =
      (!with3D || !EnoughVideoMemory(with3D) || TheDisplay.emulationModeFlag == 1) ? 1 : 0;
  TheDisplay.primary = nullptr;
  TheDisplay.flipChainFlag = TheDisplay.blitMode == 1 ? 0 : 1;
  platform::DisplayDevice& display = *TheDisplay.directDraw;

  if (TheDisplay.systemMemoryModeFlag == 0) {
    if (CreateVideoMemorySurfaces()) {
      if (with3D) {
        if (DisplayResult made = CreateZBuffer(true); made != DisplayResult::Ok) {
          ReleaseScreenSurfaces();
          return Fail(kFailedZBufferVideo, made);
        }
      }
    } else {
      ReleaseSurface(TheDisplay.backBuffer);
      TheDisplay.systemMemoryModeFlag = 1;
    }
  }
  if (TheDisplay.systemMemoryModeFlag == 1) {
    if (TheDisplay.primary == nullptr) {
      if (DisplayResult made =
              display.CreateSurface(ScreenSurfaceDesc(platform::kCapsPrimary), TheDisplay.primary);
          made != DisplayResult::Ok) {
        TheDisplay.primary = nullptr;
        return Fail(kFailedPrimary, made);
      }
    }
    if (DisplayResult made = display.CreateSurfaceInDisplayFormat(
            ScreenSurfaceDesc(platform::kCaps3DDevice | platform::kCapsSystemMemory), TheDisplay.backBuffer);
        made != DisplayResult::Ok) {
      TheDisplay.backBuffer = nullptr;
      ReleaseScreenSurfaces();
      return Fail(kFailedBackBufferSystem, made);
    }
    if (with3D) {
      if (DisplayResult made = CreateZBuffer(false); made != DisplayResult::Ok) {
        ReleaseScreenSurfaces();
        return Fail(kFailedZBufferSystem, made);
      }
    }
    TheDisplay.flipChainFlag = 0;
  }
  if (TheDisplay.primary == nullptr) return Fail(kFailedPrimaryUnknown, DisplayResult::Generic);

  if (TheDisplay.flipChainFlag == 0) {
    platform::Clipper* clipper = display.CreateWindowClipper();
    if (clipper == nullptr) {
      ReleaseScreenSurfaces();
      return Fail(kFailedClipper, DisplayResult::Generic);
    }
    TheDisplay.primary->SetClipper(clipper);
    clipper->Release();  // the primary keeps it
  }
  // No display mode of the layer is palettised, so the screen never needs the palette bitmap.
  TheDisplay.gammaAvailable = true;
  TheDisplay.bitmapSurfaces[0] = TheDisplay.backBuffer;
  TheDisplay.bitmapZeroWidth = TheDisplay.backBuffer->Width();
  TheDisplay.bitmapZeroHeight = TheDisplay.backBuffer->Height();
  TheDisplay.bitmapZeroDepth = platform::BitsPerPixel(TheDisplay.backBuffer->Format());
  SetScreenSurfaces(TheDisplay.backBuffer, TheDisplay.flipChainFlag == 1);
  ReadSurfacePixelFormat(TheDisplay.backBuffer);
  return DisplayResult::Ok;
}

bool EnoughVideoMemory(bool with3D) {
  if (TheDisplay.directDraw == nullptr) return false;
  const uint64_t need = static_cast<uint64_t>(TheDisplay.displayWidth) *
                        static_cast<uint64_t>(TheDisplay.displayHeight) *
                        static_cast<uint64_t>(TheDisplay.requestedBitDepth) / 8 * (with3D ? 3u : 2u);
  uint64_t total = 0, free = 0;
  TheDisplay.directDraw->GetAvailableVideoMemory(total, free);
  return need <= total;
}

DisplayResult CreateZBuffer(bool) {
  // Z formats are searched on the hardware device and then the software one; both report the
  // layer's list, whose first entry is taken.
  const std::vector<int>& depths = platform::Device3DConfiguration().zBufferDepths;
  if (depths.empty() || TheDisplay.backBuffer == nullptr) return DisplayResult::NotFound;
  Surface* zBuffer = nullptr;
  if (DisplayResult made =
          platform::CreateZBuffer(TheDisplay.displayWidth, TheDisplay.displayHeight, depths.front(), zBuffer);
      made != DisplayResult::Ok) {
    return made;
  }
  const DisplayResult attached = TheDisplay.backBuffer->AddAttachedSurface(zBuffer);
  if (attached != DisplayResult::Ok) {
    zBuffer->Release();
    return attached;
  }
  TheDisplay.zBuffer = zBuffer;
  return DisplayResult::Ok;
}

int32_t SetScreenColourKeys() {
  const uint32_t key = TransparentColourKey();
  for (Surface* surface : {TheDisplay.primary, TheDisplay.backBuffer}) {
    if (surface != nullptr) surface->SetColorKey({key, key});
  }
  return 1;
}

void ReleaseDirect3D() {
  if (TheDisplay.device != nullptr) TheDisplay.device->Release();
  TheDisplay.device = nullptr;
  TheDisplay.direct3D = false;
}

void ReleaseScreenSurfaces() {
  TheDisplay.gammaAvailable = false;
  if (TheDisplay.screenPalette != nullptr) TheDisplay.screenPalette->Release();
  TheDisplay.screenPalette = nullptr;
  ReleaseSurface(TheDisplay.backBuffer);
  ReleaseSurface(TheDisplay.primary);
  ReleaseSurface(TheDisplay.zBuffer);
  TheDisplay.bitmapSurfaces[0] = nullptr;
  SetScreenSurfaces(nullptr, false);
}

int32_t CloseDirectX(bool keepDirectDraw) {
  if (TheDisplay.directDraw == nullptr) return 1;
  ReleaseImageAndBitmapSurfaces();
  FreeMousePointerBitmap();
  ReleaseDirect3D();
  ReleaseScreenSurfaces();
  if (!keepDirectDraw) {
    TheDisplay.directDraw->SetCooperativeLevel(platform::kCoopNormal);
    TheDisplay.directDraw->Release();
    TheDisplay.directDraw = nullptr;
  }
  return 1;
}

int32_t GetCurrentBitDepth(bool fullScreen) {
  if (fullScreen) return TheDisplay.best3DDepth;
  Surface* primary = nullptr;
  SurfaceDesc desc;
  desc.caps = platform::kCapsPrimary;
  if (TheDisplay.directDraw == nullptr ||
      TheDisplay.directDraw->CreateSurface(desc, primary) != DisplayResult::Ok) {
    LogEngineError(kFailedCurrentBitDepth);
    return 0;
  }
  const int32_t depth = platform::BitsPerPixel(primary->Format());
  primary->Release();
  return depth;
}

}  // namespace qm
