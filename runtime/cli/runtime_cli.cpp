// The runtime command line (see runtime_cli.h).
#include "runtime/cli/runtime_cli.h"

#include <algorithm>
#include <cstdio>

#include "compiler/parser.h"
#include "display/display_state.h"
#include "display/mouse_pointer.h"
#include "io/input_state.h"
#include "platform/display/text_context.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/control_flow.h"
#include "runtime/frame_services.h"
#include "runtime/interpreter.h"
#include "runtime/language_words.h"
#include "runtime/program_image.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/subsystem.h"
#include "runtime/sync_timing.h"

namespace qm {
namespace {

constexpr const char* kPrompt = "CLI>";
constexpr const char* kSystemRowMark = ">> ";  // rows the command line writes itself
constexpr const char* kRowPadding = "   ";
constexpr int kPromptX = 2;
constexpr int kTextBackSampleX = 0, kTextBackSampleY = 47;
constexpr uint32_t kYellow = platform::ColorRef(255, 255, 0);
constexpr uint32_t kLightBlue = platform::ColorRef(210, 210, 255);
constexpr uint32_t kWhite = platform::ColorRef(255, 255, 255);
// Keys held back while the edit row is not ready for them (the slide, a commit waiting).
constexpr std::size_t kHeldKeysLimit = 4096;

// Descriptions and compiler words of the interface language.
constexpr int kWordEnded = 36;
constexpr int kWordInterrupted = 37;
constexpr int kWordWarning = 38;
constexpr int kWordError = 39;
constexpr int kWordRuntime = 40;
constexpr int kWordAtLine = 47;

int DisplayWidth() { return Services().display->DisplayWidth(); }
int DisplayHeight() { return Services().display->DisplayHeight(); }

// A text cut to what a row holds.
std::string RowText(std::string text) {
  if (text.size() > kCliRowBytes - 1) text.resize(kCliRowBytes - 1);
  return text;
}

std::string Word(WordSection section, int key) { return GetWord(section, key); }

void SetSyncOff(bool off) {
  SyncOffSetting = off ? 1 : 0;
  RefreshAfterDrawing = off ? 1 : 0;
}

}  // namespace

RuntimeCli gRuntimeCli;

RuntimeCli& TheRuntimeCli() { return gRuntimeCli; }

// ---- Opening and closing ----

void RuntimeCli::Open() {
  state_.closeRequest = 0;
  lastResult_ = CliResult::Stay;
  if (parser_ == nullptr) return;
  OpenCli();
}

void RuntimeCli::OpenCli() {
  state_ = CliState{};
  earlyKeys_.clear();
  escapeDown_ = f12Down_ = false;
  textStarted_ = false;
  // The stopped program's last frame complete on the screen.
  SyncFrame();
  BeginFrame();
  state_.panelWidth = kCliPanelWidth;
  state_.panelHeight = kCliPanelHeight;
  CreateCliPanelImages();
  state_.panelY = DisplayHeight();  // just below the bottom edge
  state_.openDisplayWidth = DisplayWidth();
  state_.panelX = std::max((DisplayWidth() - kCliPanelWidth) / 2, 0);
  panel_.CreateEntity(state_.panelX, state_.panelY);
  // Over a full-screen program the pointer is shown for the close button (a window has its own).
  if (!TheDisplay.windowModeOn && !IsMouseVisible()) {
    ShowMouse(1);
    state_.showedPointer = 1;
  }
  panel_.CreateFont(TextCharset());
  state_.fullyOpen = 0;
  state_.slideOffset = 0;
  // The command line's frames are shown as they come, whatever the program's SYNC mode.
  if (SyncOffSetting == 0) {
    SetSyncOff(true);
    state_.switchedSyncOff = 1;
  }
  open_ = true;
}

void RuntimeCli::CreateCliPanelImages() {
  bool ok = false;
  state_.closeButtonX = panel_.CreateImages(DisplayWidth(), ok);
  state_.closeLit = 0;
  // The text background is the panel picture's own colour, in the current display format.
  state_.textBackColour = panel_.ColourAt(kTextBackSampleX, kTextBackSampleY);
  state_.fillPixel = panel_.PixelAt(kTextBackSampleX, kTextBackSampleY);
}

void RuntimeCli::Close() {
  if (!open_) return;
  CloseCli();
}

void RuntimeCli::CloseCli() {
  panel_.FreeFont();
  // A frame with the panel off the screen pastes back what lay under it.
  panel_.MoveTo(state_.panelX, DisplayHeight() + 32);
  SyncFrame();
  BeginFrame();
  panel_.FreeImages();
  panel_.DeleteEntity();
  if (!TheDisplay.windowModeOn && state_.showedPointer) {
    state_.showedPointer = 0;
    HideMouse();
  }
  SetSyncOff(state_.switchedSyncOff == 0);
  earlyKeys_.clear();
  open_ = false;
}

void RuntimeCli::RebuildPanel() {
  if (!open_) return;
  CreateCliPanelImages();
  state_.redrawAll = 1;
}

void RuntimeCli::PlacePanel(int displayWidth, int displayHeight) {
  if (!open_) return;
  if (displayWidth != state_.openDisplayWidth) {
    state_.panelY = std::max(displayHeight - kCliPanelHeight, 0);
    state_.openDisplayWidth = displayWidth;
  }
  state_.panelX = std::max((displayWidth - kCliPanelWidth) / 2, 0);
}

bool RuntimeCli::FullyOpen() { return parser_ == nullptr || state_.fullyOpen != 0; }

bool RuntimeCli::WaitsForKeys() const {
  return open_ && state_.fullyOpen && !state_.commitPending && !state_.runRequest && earlyKeys_.empty() &&
         lastResult_ == CliResult::Stay && PendingErrorCode == 0;
}

// ---- One frame ----

// Held now (the key state's high bit), or its key-down message arrived since the last frame: a tap
// that starts and ends between two frames is not lost.
bool RuntimeCli::KeyPressed(int virtualKey) {
  const bool held = platform::GetAsyncKeyState(virtualKey) < 0;
  bool& tapped = virtualKey == platform::kVkEscape ? escapeDown_ : f12Down_;
  const bool pressed = held || tapped;
  tapped = false;
  return pressed;
}

CliResult RuntimeCli::Frame() {
  lastResult_ = FrameResult();
  return lastResult_;
}

CliResult RuntimeCli::FrameResult() {
  if (parser_ == nullptr || !open_) {  // nobody to type: the run ends at the stop
    platform::PostQuitMessage(0);
    return CliResult::End;
  }
  if (!DisplayReadyFlag) return CliResult::Stay;
  Slide();
  Drag();
  UpdateText();
  UpdateCloseButton();
  panel_.MoveTo(state_.panelX, state_.panelY);
  // Both keys are read every frame, so a press made while the panel slides in is not acted on later.
  const bool escape = KeyPressed(platform::kVkEscape);
  const bool f12 = KeyPressed(platform::kVkF12);
  if (state_.fullyOpen) {
    if (f12) state_.closeRequest = 1;
    if (escape && !ProgramEndedFlag) {
      platform::PostQuitMessage(0);
      return CliResult::Continue;
    }
    if (state_.runRequest) {
      state_.runRequest = 0;
      platform::PostQuitMessage(0);
      return CliResult::RunTypedLine;
    }
  }
  if (state_.closeRequest) {
    platform::PostQuitMessage(0);
    return CliResult::End;
  }
  return CliResult::Stay;
}

void RuntimeCli::Slide() {
  if (state_.fullyOpen) return;
  state_.slideOffset += kCliSlideStep;
  if (state_.slideOffset >= kCliPanelHeight) {
    state_.slideOffset = kCliPanelHeight;
    state_.fullyOpen = 1;
    StartText();
  }
  state_.panelY = DisplayHeight() - state_.slideOffset;
}

void RuntimeCli::Drag() {
  const int32_t x = MouseState.x, y = MouseState.y;
  if (MouseState.buttons != 1) {
    state_.dragging = 0;
    return;
  }
  if (!state_.dragging && x >= state_.panelX && x <= state_.panelX + kCliPanelWidth && y >= state_.panelY &&
      y <= state_.panelY + kCliPanelHeight) {
    state_.dragging = 1;
    state_.grabOffset = y - state_.panelY;
  }
  if (state_.dragging) {
    const int32_t lowest = std::max(DisplayHeight() - kCliPanelHeight, 0);
    state_.panelY = std::clamp(y - state_.grabOffset, 0, lowest);
  }
}

void RuntimeCli::UpdateCloseButton() {
  const int32_t x = MouseState.x, y = MouseState.y;
  const int32_t left = state_.panelX + state_.closeButtonX;
  const int32_t top = state_.panelY + kCliCloseButtonY;
  state_.closeHover =
      x > left && x < left + kCliCloseButtonWidth && y > top && y < top + kCliCloseButtonHeight;
  if (state_.closeHover && !state_.closeLit) {
    panel_.PasteCloseButton(state_.closeButtonX, kCliCloseButtonY, true);
    state_.closeLit = 1;
  } else if (!state_.closeHover && state_.closeLit) {
    panel_.PasteCloseButton(state_.closeButtonX, kCliCloseButtonY, false);
    state_.closeLit = 0;
  }
  if (state_.closeHover && MouseState.buttons == 1) state_.closeRequest = 1;
}

// ---- The text ----

void RuntimeCli::StartText() {
  state_.lineIndex = 0;
  state_.scroll = 0;
  state_.cursorY = 0;
  state_.historyPos = 0;
  state_.cursorIndex = 0;
  state_.cursorX = panel_.TextWidth(kPrompt);
  state_.redrawEdit = 1;
  std::string first;
  if (!SyncTiming.breakMessage.empty()) {
    first = SyncTiming.breakMessage;
    SyncTiming.breakMessage.clear();
  } else {
    first = Word(WordSection::Desc, ProgramEndedFlag ? kWordEnded : kWordInterrupted);
  }
  state_.editLine = RowText(kSystemRowMark + first);
  SetRow(state_.lineIndex, state_.editLine);
  state_.commitPending = 1;
  textStarted_ = true;
}

void RuntimeCli::SetRow(int32_t row, const std::string& text) {
  state_.lines[static_cast<std::size_t>(row)] = RowText(text);
}

void RuntimeCli::UpdateText() {
  if (state_.commitPending) {
    state_.commitPending = 0;
    NewRow();
    state_.moveCursorPending = 1;
    state_.padEdit = 0;
    state_.redrawEdit = 1;
  }
  if (state_.redrawAll) {
    state_.redrawAll = 0;
    DrawAllRows();
    state_.redrawEdit = 1;
  }
  if (state_.moveCursorPending) {
    state_.moveCursorPending = 0;
    MoveCursor();
  } else if (--state_.blinkCounter < 0) {
    state_.blinkCounter = kCliBlinkFrames;
    state_.cursorVisible = !state_.cursorVisible;
    state_.redrawEdit = 1;
  }
  // Keys that waited for a fresh edit row get it now, in the order they were typed.
  while (textStarted_ && !earlyKeys_.empty() && !state_.commitPending) {
    const platform::Message key = earlyKeys_.front();
    earlyKeys_.erase(earlyKeys_.begin());
    CliWindowProc(key);
  }
  if (state_.redrawAll) {  // a replayed key scrolled
    state_.redrawAll = 0;
    DrawAllRows();
    state_.redrawEdit = 1;
  }
  if (state_.redrawEdit) {
    state_.redrawEdit = 0;
    DrawRow(state_.cursorY, state_.editLine, state_.padEdit != 0);
  }
}

void RuntimeCli::NewRow() {
  state_.editLine.clear();
  state_.scroll = 0;
  if (state_.lineIndex < kCliLastRow) {
    ++state_.lineIndex;
    state_.targetY = state_.cursorY + kCliRowHeight;
  } else {  // the top row scrolls away; the edit row stays the last
    std::rotate(state_.lines.begin(), state_.lines.begin() + 1, state_.lines.end());
    state_.lines[kCliLastRow].clear();
    state_.targetY = state_.cursorY;
  }
  DrawAllRows();
  state_.targetX = panel_.TextWidth(kPrompt);
  state_.cursorIndex = 0;
}

void RuntimeCli::DrawAllRows() {
  panel_.FillRect(0, kCliTextTop, kCliPanelWidth, kCliTextBottom, state_.fillPixel);
  for (int32_t i = 0; i < state_.lineIndex; ++i) {
    DrawRow(i * kCliRowHeight, state_.lines[static_cast<std::size_t>(i)], true);
  }
}

void RuntimeCli::DrawRow(int32_t y, const std::string& text, bool padded) {
  const int top = kCliTextTop + y;
  panel_.DrawText(kPromptX - state_.scroll, top, kPrompt, kYellow, true, state_.textBackColour);
  const std::string shown = padded ? text + kRowPadding : text;
  const uint32_t colour = text.starts_with(kSystemRowMark) ? kLightBlue : kWhite;
  panel_.DrawText(kPromptX + panel_.TextWidth(kPrompt) - state_.scroll, top, shown, colour, true,
                  state_.textBackColour);
  DrawCursorMark();
}

void RuntimeCli::DrawCursorMark() {
  panel_.DrawText(state_.cursorX + kPromptX - state_.scroll, state_.cursorY + kCliTextTop, "_",
                  state_.cursorVisible ? kYellow : state_.textBackColour, false, state_.textBackColour);
}

void RuntimeCli::MoveCursor() {
  state_.cursorVisible = 0;
  DrawCursorMark();
  state_.cursorX = state_.targetX;
  state_.cursorY = state_.targetY;
  state_.cursorVisible = 1;
  DrawCursorMark();
  state_.blinkCounter = kCliBlinkFrames;
}

// A forward move of `width` pixels that would take the cursor past the right margin scrolls.
void RuntimeCli::ScrollForward(int32_t width) {
  if (state_.cursorX + width - state_.scroll > kCliScrollRight) {
    state_.scroll += kCliScrollStep;
    state_.redrawAll = 1;
  }
}

// A backward move of `width` pixels that would take the cursor inside the left margin scrolls back.
void RuntimeCli::ScrollBackward(int32_t width) {
  if (state_.scroll > 0 && state_.cursorX - width - state_.scroll < kCliScrollLeft) {
    state_.scroll = std::max(state_.scroll - kCliScrollStep, 0);
    state_.redrawAll = 1;
  }
}

void RuntimeCli::Recall() {
  if (state_.historyPos == 0) {
    state_.editLine.clear();
  } else {
    const int32_t row = state_.lineIndex - state_.historyPos;
    if (row >= 0 && !state_.lines[static_cast<std::size_t>(row)].empty()) {
      state_.editLine = state_.lines[static_cast<std::size_t>(row)];
    }
  }
  // The cursor goes to the start of the line, which is then in view.
  state_.scroll = 0;
  state_.cursorIndex = 0;
  state_.targetX = panel_.TextWidth(kPrompt);
  state_.targetY = state_.cursorY;
  MoveCursor();
  state_.redrawAll = 1;
}

// ---- Keys ----

void RuntimeCli::CliWindowProc(const platform::Message& message) {
  if (!open_ || (message.id != platform::kMsgKeyDown && message.id != platform::kMsgChar)) return;
  // ESC and F12 act at the next frame, and only once the panel is open (never held back for later).
  if (message.id == platform::kMsgKeyDown && message.wParam == platform::kVkEscape) {
    escapeDown_ = true;
    return;
  }
  if (message.id == platform::kMsgKeyDown && message.wParam == platform::kVkF12) {
    f12Down_ = true;
    return;
  }
  // Until the first row is written, and while a committed row waits for the next frame, the edit
  // row is not ready: keys wait their turn instead of being lost.
  if (!textStarted_ || state_.commitPending) {
    if (earlyKeys_.size() < kHeldKeysLimit) earlyKeys_.push_back(message);
    return;
  }
  if (message.id == platform::kMsgKeyDown) {
    KeyDown(static_cast<int>(message.wParam));
  } else {
    Character(static_cast<uint8_t>(message.wParam));
  }
}

void RuntimeCli::KeyDown(int virtualKey) {
  std::string& line = state_.editLine;
  const auto at = static_cast<std::size_t>(state_.cursorIndex);
  switch (virtualKey) {
    case platform::kVkLeft:
      if (state_.cursorIndex > 0) {
        const int32_t width = panel_.TextWidth(line.substr(at - 1, 1));
        ScrollBackward(width);
        state_.targetX = state_.cursorX - width;
        --state_.cursorIndex;
        state_.targetY = state_.cursorY;
        MoveCursor();
      }
      break;
    case platform::kVkRight:
      if (at < line.size()) {
        const int32_t width = panel_.TextWidth(line.substr(at, 1));
        ScrollForward(width);
        state_.targetX = state_.cursorX + width;
        ++state_.cursorIndex;
        state_.targetY = state_.cursorY;
        MoveCursor();
      }
      break;
    case platform::kVkUp:
      state_.historyPos = std::min(state_.historyPos + 1, kCliLastRow);
      Recall();
      break;
    case platform::kVkDown:
      state_.historyPos = std::max(state_.historyPos - 1, 0);
      Recall();
      break;
    case platform::kVkDelete:
      if (at < line.size()) line.erase(at, 1);
      state_.padEdit = 1;
      state_.redrawEdit = 1;
      break;
    default:
      break;
  }
}

void RuntimeCli::Character(uint8_t c) {
  std::string& line = state_.editLine;
  const auto at = static_cast<std::size_t>(state_.cursorIndex);
  if (c >= 32) {
    // Typing stops at 1,000 characters, wherever the cursor is, so a line always fits its row.
    if (state_.cursorIndex >= kCliEditLimit || line.size() >= static_cast<std::size_t>(kCliEditLimit)) return;
    line.insert(at, 1, static_cast<char>(c));
    const int32_t width = panel_.TextWidth(line.substr(at, 1));
    ScrollForward(width);
    state_.cursorX += width;
    ++state_.cursorIndex;
    state_.padEdit = 0;
    state_.redrawEdit = 1;
  } else if (c == 8) {
    if (state_.cursorIndex == 0) return;
    const int32_t width = panel_.TextWidth(line.substr(at - 1, 1));
    line.erase(at - 1, 1);
    ScrollBackward(width);
    state_.cursorX -= width;
    --state_.cursorIndex;
    state_.padEdit = 1;
    state_.redrawEdit = 1;
  } else if (c == 13) {
    SetRow(state_.lineIndex, line);
    state_.commitPending = 1;
    state_.historyPos = 0;
    SubmitCliLine();
  }
}

// ---- Typed lines and errors ----

void RuntimeCli::SubmitCliLine() {
  if (parser_ == nullptr) return;
  std::string failure;
  if (!parser_->CompileCliLine(state_.editLine, RunningScope)) {
    failure = parser_->errorText.empty() ? "The line could not be compiled" : parser_->errorText;
  } else if (!AppendCliLineToRunner(*parser_)) {
    failure = "The line could not be loaded: " + ProgramVerificationError();
  } else {
    state_.runRequest = 1;  // the row is committed at the next frame, which then runs it
    return;
  }
  // The compiler's answer becomes a committed row of its own, and a fresh edit row follows.
  NewRow();
  MoveCursor();
  state_.editLine = RowText(failure);
  SetRow(state_.lineIndex, state_.editLine);
  state_.commitPending = 1;
}

// The run loop calls this while the error is still pending (PendingErrorIsWarning tells its kind).
void RuntimeCli::ShowError(RuntimeErrorCode, bool, const std::string& text, int sourceLine) {
  if (open_) PrintRuntimeErrorInCli(text, sourceLine);
}

void RuntimeCli::PrintRuntimeErrorInCli(const std::string& message, int sourceLine) {
  if (parser_ == nullptr) return;
  const std::string runtimeWord = Word(WordSection::Desc, kWordRuntime);
  const std::string kind = Word(WordSection::Desc, PendingErrorIsWarning ? kWordWarning : kWordError);
  // The command that raised the error lies in the program, or in the typed line's piece.
  const int32_t word = RuntimeErrors.errorCommandWord >= 0 ? RuntimeErrors.errorCommandWord : ProgramCounter;
  const int32_t start = PieceStartWord();
  char number[16];
  std::snprintf(number, sizeof number, "%d", sourceLine);
  std::string text;
  if (start == 0 || word < start) {
    text = runtimeWord + " " + kind + " " + Word(WordSection::Compiler, kWordAtLine) + " " + number + ". " +
           message;
    parser_->errorLine = sourceLine;
    parser_->errorText = text;
    parser_->errorOrigin = ErrorOrigin::Program;
  } else {
    text = runtimeWord + " " + kind + ". " + message;
    parser_->errorOrigin = ErrorOrigin::CommandLine;
  }
  state_.editLine = RowText(text);
  SetRow(state_.lineIndex, state_.editLine);
  state_.commitPending = 1;
}

}  // namespace qm
