// PRINT, PRINTC, SET CURSOR, INKEY$, ENTRY$, CLEAR ENTRY BUFFER and INPUT: text at the print cursor
// through the display's drawing queue, and the characters the window messages bring.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/float_text.h"
#include "runtime/frame_services.h"
#include "runtime/interpreter.h"
#include "runtime/print_input.h"
#include "runtime/print_transcript.h"
#include "runtime/run_loop.h"
#include "runtime/value_text.h"

namespace qm {

PrintInputState PrintInput;

namespace {

constexpr std::size_t kMaxPrintedText = 255;  // longer texts (ENTRY$ can make them) are cut here
constexpr std::size_t kMaxInputLine = 255;
// Characters kept for a waiting INPUT; beyond this a flood of typing is dropped, not stored.
constexpr std::size_t kMaxPendingCharacters = 4096;

constexpr uint8_t kBackspace = 8;
constexpr uint8_t kEnter = 13;

DisplayServices& Display() { return *Services().display; }

}  // namespace

void NoteWindowMessage(const platform::Message& message) {
  PrintInputState& state = PrintInput;
  if (message.id != platform::kMsgChar) {
    state.lastTypedCharacter = 0;
    return;
  }
  const auto character = static_cast<uint8_t>(message.wParam & 0xFF);
  state.lastTypedCharacter = character;
  state.entryBuffer.push_back(static_cast<char>(character));
  if (state.input.waiting != 0 && state.input.pending.size() < kMaxPendingCharacters) {
    state.input.pending.push_back(static_cast<char>(character));
  }
}

void ResetPrintInputForRun() {
  PrintInput.cursor = PrintCursorPosition{};
  PrintInput.lastTypedCharacter = 0;
  PrintInput.entryBuffer.clear();
  PrintInput.input = InputEditState{};
  ResetTranscript();
}

namespace {

// ---- PRINT and PRINTC ----

// Draws `text` at the print cursor and adds it to the transcript. PRINT draws transparently and
// goes to the next line; PRINTC stays on the line and wraps once it reaches the display's edge.
// In SYNC OFF mode text on the screen ends the slice so it shows at once.
void PrintText(std::string_view text, bool endsLine) {
  text = text.substr(0, kMaxPrintedText);
  const std::string_view drawn = text.empty() && endsLine ? std::string_view(" ") : text;
  Display().QueuePrintText(drawn, PrintCursor.x, PrintCursor.y, !endsLine, false, !endsLine);
  AppendToTranscript(text, endsLine);
  if (Display().DrawingOnScreen()) StopFlag = RefreshAfterDrawing;
}

std::string IntegerText(int32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  return digits;
}

template <bool kEndsLine>
Pc CmdPrintInt(Pc at) {
  Operands in(at);
  PrintText(IntegerText(in.Int()), kEndsLine);
  return in.Next();
}

template <bool kEndsLine>
Pc CmdPrintFloat(Pc at) {
  Operands in(at);
  PrintText(FormatFloatG(in.Float()), kEndsLine);
  return in.Next();
}

template <bool kEndsLine>
Pc CmdPrintText(Pc at) {
  Operands in(at);
  PrintText(CellText(in.String()), kEndsLine);
  return in.Next();
}

// PRINT alone: an empty line.
Pc CmdPrint(Pc at) {
  PrintText({}, true);
  return at + 1;
}

// SET CURSOR x, y: where the next text goes; any position, nothing drawn.
Pc CmdSetCursor(Pc at) {
  Operands in(at);
  PrintCursor.x = in.Int();
  PrintCursor.y = in.Int();
  return in.Next();
}

// ---- Typed characters ----

// INKEY$: the character of the last window message, "" when that was no character. It is not
// consumed. A tight polling loop under SYNC ON lets the window messages in now and then.
Pc CmdInkeyStr(Pc at) {
  Operands in(at);
  if (SyncOffSetting == 0) PumpMessagesThrottled();
  const char typed = static_cast<char>(LastTypedCharacter());
  StoreStringResult(in.String(), typed == 0 ? std::string_view() : std::string_view(&typed, 1));
  return in.Next();
}

// ENTRY$: everything typed since the run started or the buffer was cleared, control codes
// included, whatever its length.
Pc CmdEntryStr(Pc at) {
  Operands in(at);
  if (SyncOffSetting == 0) PumpMessagesThrottled();
  StoreStringResult(in.String(), PrintInput.entryBuffer);
  return in.Next();
}

Pc CmdClearEntryBuffer(Pc at) {
  PrintInput.entryBuffer.clear();
  return at + 1;
}

// ---- INPUT ----

enum class InputKind { Integer, Float, Text };

bool Accepts(InputKind kind, uint8_t c) {
  if (c == kBackspace) return true;
  if (kind == InputKind::Text) return c >= 32 && c <= 127;
  return (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void EchoLine(const std::string& shown) {
  PrintCursor.x = PrintInput.input.startX;
  Display().QueuePrintText(shown, PrintCursor.x, PrintCursor.y, true, true, false);
}

void StartLine() {
  InputEditState& edit = PrintInput.input;
  edit.startX = PrintCursor.x;
  edit.length = 0;
  edit.typed.clear();
  Display().QueuePrintText("_", PrintCursor.x, PrintCursor.y, true, true, false);
}

// One accepted character: backspace takes the last character off (the old echo is erased),
// anything else is appended while the line is shorter than 255; the line is echoed with its mark.
void EditStep(uint8_t c) {
  InputEditState& edit = PrintInput.input;
  if (edit.length == -1) StartLine();
  if (c == kBackspace) {
    if (edit.length > 0) {
      Display().QueueTextAt(edit.typed + "_", edit.startX, PrintCursor.y);
      edit.typed.pop_back();
      --edit.length;
    }
  } else if (edit.typed.size() < kMaxInputLine) {
    edit.typed.push_back(static_cast<char>(c));
    ++edit.length;
  }
  EchoLine(edit.typed + "_");
}

// Enter: the line is drawn without its mark (two blanks cover the old one), the cursor goes to
// the next line, and the value is stored.
void FinishLine(InputKind kind, ValueCell& target) {
  InputEditState& edit = PrintInput.input;
  if (edit.length == -1) StartLine();
  PrintCursor.x = edit.startX;
  Display().QueuePrintText(edit.typed + "  ", PrintCursor.x, PrintCursor.y, false, true, false);
  AppendToTranscript(edit.typed, true);
  switch (kind) {
    case InputKind::Integer:
      target.i = std::atoi(edit.typed.c_str());
      break;
    case InputKind::Float:
      target.f = static_cast<float>(std::atof(edit.typed.c_str()));
      break;
    case InputKind::Text:
      StoreStringResult(target, edit.typed);
      break;
  }
  edit.length = -1;
  edit.typed.clear();
}

// INPUT target: one step per slice. Every character typed since the INPUT started is taken in
// order (the one typed just before it started too); Enter stores the line and the program goes
// on, otherwise INPUT runs again in the next slice. Characters after the Enter wait for the next
// INPUT.
template <InputKind kKind>
Pc CmdInput(Pc at) {
  Operands in(at);
  ValueCell& target = in.Numeric();
  InputEditState& edit = PrintInput.input;
  if (edit.waiting == 0) {
    edit.waiting = 1;
    if (LastTypedCharacter() != 0) edit.pending.push_back(static_cast<char>(LastTypedCharacter()));
  }
  StopFlag = 1;
  std::size_t used = 0;
  bool finished = false;
  while (used < edit.pending.size() && !finished) {
    const auto c = static_cast<uint8_t>(edit.pending[used++]);
    if (c == kEnter) {
      FinishLine(kKind, target);
      finished = true;
    } else if (Accepts(kKind, c)) {
      EditStep(c);
    }
  }
  edit.pending.erase(0, used);
  if (used > 0) PrintInput.lastTypedCharacter = 0;
  if (!finished) return at;
  if (edit.pending.empty()) edit.waiting = 0;
  return in.Next();
}

constexpr CommandRegistration kPrintInputCommands[] = {
    {kCmdPrintL, "print", "L", CmdPrintInt<true>},
    {kCmdPrintF, "print", "F", CmdPrintFloat<true>},
    {kCmdPrintS, "print", "S", CmdPrintText<true>},
    {kCmdPrint, "print", "0", CmdPrint},
    {kCmdPrintcL, "printc", "L", CmdPrintInt<false>},
    {kCmdPrintcF, "printc", "F", CmdPrintFloat<false>},
    {kCmdPrintcS, "printc", "S", CmdPrintText<false>},
    {kCmdSetCursor, "set cursor", "LL", CmdSetCursor},
    {kCmdInkeyStr, "inkey$[", "S", CmdInkeyStr},
    {kCmdEntryStr, "entry$[", "S", CmdEntryStr},
    {kCmdClearEntryBuffer, "clear entry buffer", "0", CmdClearEntryBuffer},
    {kCmdInputL, "input", "L", CmdInput<InputKind::Integer>},
    {kCmdInputF, "input", "F", CmdInput<InputKind::Float>},
    {kCmdInputS, "input", "S", CmdInput<InputKind::Text>},
};

}  // namespace

constinit const CommandFamily kPrintInputFamily{kPrintInputCommands, {}};

}  // namespace qm
