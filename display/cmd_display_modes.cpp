// Display-mode commands: PERFORM CHECKLIST FOR DISPLAY MODES, SET DISPLAY MODE, SCREEN WIDTH,
// HEIGHT, DEPTH, TYPE, FPS and INVALID, CHECK DISPLAY MODE, SET GAMMA.
#include <algorithm>
#include <string>

#include "display/display_commands.h"
#include "display/display_modes.h"
#include "display/display_state.h"
#include "io/checklist.h"
#include "platform/display/display_device.h"
#include "resources/command_ids.h"
#include "runtime/interpreter.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

constexpr int32_t kLowestListedDepth = 16;  // modes of 8 bits are never listed

bool ValidModeDepth(int32_t depth) { return depth == 16 || depth == 24 || depth == 32; }

// Depth is checked before the size; true when both are valid (else the error is raised).
bool CheckModeArguments(int32_t width, int32_t height, int32_t depth) {
  if (!ValidModeDepth(depth)) {
    RaiseRuntimeError(kErrorDisplayModeDepth);
    return false;
  }
  if (width <= 0 || height <= 0) {
    RaiseRuntimeError(kErrorDisplayModeSize);
    return false;
  }
  return true;
}

// The checklist holds 512 entries: modes beyond them are left out.
Pc CmdPerformChecklistForDisplayModes(Pc at) {
  Checklist.count = 0;
  Checklist.hasValues = 1;
  Checklist.hasStrings = 1;
  platform::DisplayDevice* display = TheDisplay.directDraw;
  if (display != nullptr) {
    for (const platform::DisplayMode& mode : display->EnumDisplayModes()) {
      if (mode.bitsPerPixel < kLowestListedDepth || Checklist.count >= kChecklistEntries) continue;
      ChecklistEntry& entry = Checklist.entries[static_cast<std::size_t>(Checklist.count)];
      entry.a = mode.width;
      entry.b = mode.height;
      entry.c = mode.bitsPerPixel;
      SetChecklistText(Checklist.count, std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" +
                                            std::to_string(mode.bitsPerPixel));
      ++Checklist.count;
    }
  }
  Checklist.exists = display != nullptr ? 1 : 0;
  return at + 1;
}

Pc CmdSetDisplayMode(Pc at) {
  Operands in(at);
  int32_t width = in.Int(), height = in.Int(), depth = in.Int();
  if (!CheckModeArguments(width, height, depth)) return in.Next();
  int32_t& emulation = TheDisplay.emulationModeFlag;
  if (ResetDisplay(width, height, depth, emulation, TheDisplay.requestedWidth, TheDisplay.requestedHeight,
                   TheDisplay.requestedDepth, emulation)) {
    TheDisplay.requestedWidth = width;
    TheDisplay.requestedHeight = height;
    TheDisplay.requestedDepth = depth;
    TheDisplay.requestedBitDepth = depth;
  }
  StopFlag = 1;
  return in.Next();
}

template <int32_t DisplayState::*field>
Pc CmdScreenValue(Pc at) {
  at[1].cell->i = TheDisplay.*field;
  return at + 2;
}

Pc CmdScreenType(Pc at) {
  at[1].cell->i = 1 - TheDisplay.systemMemoryModeFlag;
  return at + 2;
}

Pc CmdScreenInvalid(Pc at) {
  at[1].cell->i = TheDisplay.screenInvalidFlag;
  TheDisplay.screenInvalidFlag = 0;
  return at + 2;
}

// 0 when the modes cannot be listed (no display object).
Pc CmdCheckDisplayMode(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t width = in.Int(), height = in.Int(), depth = in.Int();
  if (!CheckModeArguments(width, height, depth)) return in.Next();
  result = 0;
  if (TheDisplay.directDraw == nullptr) return in.Next();
  const std::vector<platform::DisplayMode>& modes = TheDisplay.directDraw->EnumDisplayModes();
  const platform::DisplayMode wanted{width, height, depth};
  result = std::find(modes.begin(), modes.end(), wanted) != modes.end() ? 1 : 0;
  return in.Next();
}

Pc CmdSetGamma(Pc at) {
  Operands in(at);
  const int32_t red = in.Int(), green = in.Int(), blue = in.Int();
  auto inRange = [](int32_t value) { return value >= 0 && value <= 511; };
  if (!inRange(red) || !inRange(green) || !inRange(blue)) {
    RaiseRuntimeWarning(kWarningGammaRange);
  } else {
    SetGamma(red, green, blue);
  }
  StopFlag = 1;
  return in.Next();
}

constexpr CommandRegistration kDisplayModeCommands[] = {
    {kCmdPerformChecklistForDisplayModes, "perform checklist for display modes", "0",
     CmdPerformChecklistForDisplayModes},
    {kCmdSetDisplayMode, "set display mode", "LLL", CmdSetDisplayMode},
    {kCmdScreenWidth, "screen width[", "L", CmdScreenValue<&DisplayState::requestedWidth>},
    {kCmdScreenHeight, "screen height[", "L", CmdScreenValue<&DisplayState::requestedHeight>},
    {kCmdScreenDepth, "screen depth[", "L", CmdScreenValue<&DisplayState::requestedDepth>},
    {kCmdScreenType, "screen type[", "L", CmdScreenType},
    {kCmdScreenFps, "screen fps[", "L", CmdScreenValue<&DisplayState::framesPerSecond>},
    {kCmdScreenInvalid, "screen invalid[", "L", CmdScreenInvalid},
    {kCmdCheckDisplayMode, "check display mode[", "LLLL", CmdCheckDisplayMode},
    {kCmdSetGamma, "set gamma", "LLL", CmdSetGamma},
};

}  // namespace

constinit const CommandFamily kDisplayModeFamily{kDisplayModeCommands, {}};

}  // namespace qm
