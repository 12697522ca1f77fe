// The runtime command line's record: one for the process, zero-filled each time the command line
// opens. Geometry in panel pixels; the text rows are the committed lines of the text area.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace qm {

inline constexpr int32_t kCliPanelWidth = 640;
inline constexpr int32_t kCliPanelHeight = 144;
inline constexpr int32_t kCliRows = 6;
inline constexpr int32_t kCliLastRow = kCliRows - 1;
inline constexpr int32_t kCliRowHeight = 15;
inline constexpr int32_t kCliTextTop = 45;         // the text area's top inside the panel
inline constexpr int32_t kCliTextBottom = 135;     // and its bottom (six rows of 15 pixels)
inline constexpr std::size_t kCliRowBytes = 1024;  // a row holds at most 1,023 characters
inline constexpr int32_t kCliEditLimit = 1000;     // typing stops at this many characters
inline constexpr int32_t kCliSlideStep = 20;       // pixels the panel rises per frame
inline constexpr int32_t kCliBlinkFrames = 10;     // the blink counter's start (11 frames per phase)
inline constexpr int32_t kCliScrollStep = 64;
inline constexpr int32_t kCliScrollRight = 448;  // the cursor may go this far right of the visible edge
inline constexpr int32_t kCliScrollLeft = 64;    // and no nearer than this to it
inline constexpr int32_t kCliCloseButtonX = 565;
inline constexpr int32_t kCliCloseButtonY = 7;
inline constexpr int32_t kCliCloseButtonWidth = 66;
inline constexpr int32_t kCliCloseButtonHeight = 22;
inline constexpr int32_t kCliNarrowEndWidth = 111;
inline constexpr int32_t kCliCloseFromRight = 73;  // close button x from a narrow display's right edge

struct CliState {
  int32_t panelX = 0, panelY = 0;
  int32_t panelWidth = 0, panelHeight = 0;
  int32_t closeButtonX = 0;
  int32_t openDisplayWidth = 0;
  uint8_t closeHover = 0, closeLit = 0;
  uint8_t showedPointer = 0;
  int16_t fullyOpen = 0;
  int32_t slideOffset = 0;
  uint8_t switchedSyncOff = 0;
  int32_t dragging = 0, grabOffset = 0;
  uint32_t textBackColour = 0;  // 0x00BBGGRR
  uint32_t fillPixel = 0;       // the same colour as a pixel of the panel image
  std::array<std::string, kCliRows> lines;
  int32_t historyPos = 0;
  int32_t commitPending = 0;
  int32_t redrawEdit = 0;
  int32_t padEdit = 0;
  int32_t redrawAll = 0;
  int32_t lineIndex = 0;
  std::string editLine;
  int32_t scroll = 0;
  int32_t blinkCounter = 0;
  int32_t cursorVisible = 0;
  int32_t moveCursorPending = 0;
  int32_t cursorIndex = 0;
  int32_t cursorX = 0, targetX = 0;
  int32_t cursorY = 0, targetY = 0;
  int32_t runRequest = 0;
  int32_t closeRequest = 0;
};

}  // namespace qm
