// The display object: the drivers a program can choose from, cooperative levels, display modes,
// video memory, surfaces in the display's format, clippers, palettes and the gamma ramp. Drivers,
// modes, the video memory and the virtual desktop come from a configuration that tests change;
// the defaults describe one ordinary machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/display/display_backend.h"
#include "platform/display/palette.h"
#include "platform/display/surface.h"

namespace qm::platform {

struct DisplayDriverInfo {
  std::string guid;  // empty for the primary display driver
  std::string description;
  std::string name;
};

struct DisplayMode {
  int width = 0, height = 0, bitsPerPixel = 0;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

struct DisplayConfig {
  std::vector<DisplayDriverInfo> drivers{{"", "Primary Display Driver", "display"}};
  // 320x240, 640x480, 800x600 and 1024x768 at 16, 24 and 32 bits.
  std::vector<DisplayMode> modes = DefaultModes();
  uint64_t videoMemoryBytes = 64u << 20;
  // The virtual desktop a windowed primary stands for (the screen's system metrics).
  int desktopWidth = 1024, desktopHeight = 768, desktopBits = 32;
  int captionHeight = 19;        // what the full-screen metrics leave out for a window's caption
  bool sixteenBitIs555 = false;  // 16-bit modes as 5-5-5 instead of 5-6-5

  static std::vector<DisplayMode> DefaultModes();
};

// The configuration in force; tests change it and put the default back with the reset.
DisplayConfig& DisplayConfiguration();
void ResetDisplayConfiguration();

// Cooperative levels.
enum CooperativeFlags : uint32_t { kCoopFullScreen = 0x01, kCoopNormal = 0x08, kCoopExclusive = 0x10 };

class DisplayDevice {
 public:
  // The device of the driver with this GUID (empty: the primary). NotFound for an unknown GUID.
  static DisplayResult Create(const std::string& guid, DisplayDevice*& out);
  void AddRef() { ++references_; }
  int Release();

  // kCoopNormal, or kCoopExclusive | kCoopFullScreen (which must come together).
  DisplayResult SetCooperativeLevel(uint32_t flags);
  uint32_t CooperativeLevel() const { return cooperative_; }
  bool FullScreen() const { return cooperative_ & kCoopFullScreen; }

  const std::vector<DisplayMode>& EnumDisplayModes() const;
  // InvalidMode for a mode not listed; NoExclusiveMode for a depth change at the normal level.
  DisplayResult SetDisplayMode(int width, int height, int bitsPerPixel);
  DisplayResult RestoreDisplayMode();
  DisplayMode CurrentMode() const { return mode_; }
  PixelFormat DisplayFormat() const;

  // A surface in `desc.format`; a primary surface is made in the display's format, the size of
  // the mode in exclusive full screen and of the virtual desktop otherwise. Surfaces that are not
  // in system memory count against the video memory.
  DisplayResult CreateSurface(SurfaceDesc desc, Surface*& out);
  // The same in the display's format (for descriptions that name no pixel format).
  DisplayResult CreateSurfaceInDisplayFormat(SurfaceDesc desc, Surface*& out);
  void GetAvailableVideoMemory(uint64_t& total, uint64_t& free) const;
  DisplayResult RestoreAllSurfaces();

  // A clipper that follows the main window's client area (in desktop coordinates).
  Clipper* CreateWindowClipper();

  DisplayResult SetGammaRamp(const GammaRamp& ramp);
  const GammaRamp& GetGammaRamp() const { return gamma_; }

  // The display object that presents (the last one created and not yet released).
  static DisplayDevice* Current();
  // What the main window shows of the primary: all of it in full screen, else the client area.
  Rect ShownRectangle(const Surface& primary) const;

 private:
  DisplayDevice() = default;
  ~DisplayDevice();

  int references_ = 1;
  uint32_t cooperative_ = kCoopNormal;
  DisplayMode desktopMode_;
  DisplayMode mode_;
  GammaRamp gamma_ = GammaRamp::Identity();
};

}  // namespace qm::platform
