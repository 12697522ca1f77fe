// Window commands (SET WINDOW ON and OFF, LAYOUT, POSITION, SIZE, TITLE, and the show commands),
// and the switches that rebuild the display: SET EMULATION ON and OFF, SET GRAPHICS CARD,
// DISABLE and ENABLE TNL; FLUSH VIDEO MEMORY. None raises an error of its own; the rebuild raises
// what the display reset raises.
#include <string>

#include "display/display_card_choice.h"
#include "display/display_commands.h"
#include "display/display_modes.h"
#include "display/display_setup.h"
#include "display/display_state.h"
#include "display/frame_present.h"
#include "resources/command_ids.h"
#include "runtime/interpreter.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

constexpr int32_t kErrorGraphicsCardNotFound = 9011;
constexpr std::size_t kWindowTitleLimit = 255;
constexpr int32_t kFramedBorder = 8, kFramedCaption = 19;

void ApplyInFull() { ApplyWindowSettings(true, true); }

Pc CmdSetEmulationOn(Pc at) {
  TheDisplay.emulationModeFlag = 1;
  ResetDisplayToRequestedMode(0);
  return at + 1;
}

Pc CmdSetEmulationOff(Pc at) {
  TheDisplay.emulationModeFlag = 0;
  ResetDisplayToRequestedMode(1);
  return at + 1;
}

// A name no driver has falls back to the primary driver, and raises 9011 once rebuilt.
Pc CmdSetGraphicsCard(Pc at) {
  const std::string name = CellText(*at[1].cell);
  TheDisplay.currentCardName = name;
  ResetDisplayToRequestedMode(TheDisplay.emulationModeFlag);
  if (PendingErrorCode == 0 && !CardNamesMatch(TheDisplay.cardInUseName, name))
    RaiseRuntimeError(kErrorGraphicsCardNotFound);
  return at + 2;
}

Pc CmdDisableTnl(Pc at) {
  TheDisplay.tnlEnabledFlag = 0;
  ResetDisplayToRequestedMode(0);
  return at + 1;
}

Pc CmdEnableTnl(Pc at) {
  TheDisplay.tnlEnabledFlag = 1;
  ResetDisplayToRequestedMode(0);
  return at + 1;
}

Pc CmdFlushVideoMemory(Pc at) {
  FlushVideoMemory();
  return at + 1;
}

Pc CmdSetWindowOn(Pc at) {
  SetFullScreenFlag(0);
  ResetDisplayToRequestedMode(0);
  WindowSettingsForWindowOn();
  ApplyInFull();
  return at + 1;
}

Pc CmdSetWindowOff(Pc at) {
  WindowSettingsForDesktop();
  TheDisplay.windowSettings.borderWidth = 0;
  TheDisplay.windowSettings.captionHeight = 0;
  ApplyInFull();
  SetFullScreenFlag(1);
  ResetDisplayToRequestedMode(0);
  return at + 1;
}

// Style 1 is a framed overlapped window, anything else a bare popup; caption 1 adds a caption
// (and the frame it needs); icon 1 shows the program's icon.
Pc CmdSetWindowLayout(Pc at) {
  Operands in(at);
  const int32_t style = in.Int(), caption = in.Int(), icon = in.Int();
  WindowSettingsData& settings = TheDisplay.windowSettings;
  const bool framed = style == 1;
  settings.borderWidth = framed ? kFramedBorder : 0;
  settings.captionHeight = framed ? kFramedCaption : 0;
  settings.windowStyle = framed ? kStyleOverlappedWindow : kStylePopup;
  if (caption == 1) {
    settings.borderWidth = kFramedBorder;
    settings.captionHeight = kFramedCaption;
    settings.windowStyle |= kStyleCaption;
  }
  settings.windowIcon = icon == 1;
  ApplyInFull();
  return in.Next();
}

Pc CmdSetWindowPosition(Pc at) {
  Operands in(at);
  TheDisplay.windowSettings.clientX = in.Int();
  TheDisplay.windowSettings.clientY = in.Int();
  ApplyInFull();
  return in.Next();
}

Pc CmdSetWindowSize(Pc at) {
  Operands in(at);
  TheDisplay.windowSettings.clientWidth = in.Int();
  TheDisplay.windowSettings.clientHeight = in.Int();
  ApplyInFull();
  return in.Next();
}

Pc CmdSetWindowTitle(Pc at) {
  TheDisplay.windowSettings.windowTitle = std::string(CellText(*at[1].cell)).substr(0, kWindowTitleLimit);
  ApplyWindowSettings(true, false);
  return at + 2;
}

template <int32_t showCommand>
Pc CmdShowCommand(Pc at) {
  TheDisplay.windowSettings.showCommand = showCommand;
  ApplyWindowSettings(false, true);
  return at + 1;
}

constexpr CommandRegistration kWindowCommands[] = {
    {kCmdSetEmulationOn, "set emulation on", "0", CmdSetEmulationOn},
    {kCmdSetEmulationOff, "set emulation off", "0", CmdSetEmulationOff},
    {kCmdSetGraphicsCard, "set graphics card", "S", CmdSetGraphicsCard},
    {kCmdDisableTnl, "disable tnl", "0", CmdDisableTnl},
    {kCmdEnableTnl, "enable tnl", "0", CmdEnableTnl},
    {kCmdFlushVideoMemory, "flush video memory", "0", CmdFlushVideoMemory},
    {kCmdSetWindowOn, "set window on", "0", CmdSetWindowOn},
    {kCmdSetWindowOff, "set window off", "0", CmdSetWindowOff},
    {kCmdSetWindowLayout, "set window layout", "LLL", CmdSetWindowLayout},
    {kCmdSetWindowPosition, "set window position", "LL", CmdSetWindowPosition},
    {kCmdSetWindowSize, "set window size", "LL", CmdSetWindowSize},
    {kCmdHideWindow, "hide window", "0", CmdShowCommand<kShowHide>},
    {kCmdShowWindow, "show window", "0", CmdShowCommand<kShowShow>},
    {kCmdSetWindowTitle, "set window title", "S", CmdSetWindowTitle},
    {kCmdMinimizeWindow, "minimize window", "0", CmdShowCommand<kShowMinimize>},
    {kCmdMaximizeWindow, "maximize window", "0", CmdShowCommand<kShowMaximize>},
    {kCmdRestoreWindow, "restore window", "0", CmdShowCommand<kShowNormal>},
};

}  // namespace

constinit const CommandFamily kWindowFamily{kWindowCommands, {}};

}  // namespace qm
