// Console-style text of a running program: the print cursor PRINT, PRINTC and INPUT draw at, the
// character typed last (INKEY$, WAIT KEY), the entry buffer of everything typed (ENTRY$), and the
// line INPUT edits. The characters come from the window messages of the run (NoteWindowMessage);
// nothing here reads the keyboard device.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"
#include "runtime/subsystem.h"

namespace qm {

struct PrintCursorPosition {
  int32_t x = 0, y = 0;  // pixels; unbounded (text below the display is queued and clipped away)
};

// INPUT's line editor: one for the whole system, since one command runs at a time.
struct InputEditState {
  int32_t length = -1;  // characters typed into the line; -1 while no line is edited
  int32_t startX = 0;   // print cursor x where the line began
  std::string typed;    // the typed characters (at most 255)
  // Every character typed since the waiting INPUT started, oldest first, so a character followed
  // by another message before the next slice is not lost.
  std::string pending;
  uint8_t waiting = 0;  // an INPUT is waiting for its line: characters go to `pending`
};

struct PrintInputState {
  PrintCursorPosition cursor;
  uint8_t lastTypedCharacter = 0;  // character of the last window message; 0 when it was no character
  std::string entryBuffer;         // every character typed since the run started or CLEAR ENTRY BUFFER
  InputEditState input;
};

extern PrintInputState PrintInput;

inline PrintCursorPosition& PrintCursor = PrintInput.cursor;
inline uint8_t LastTypedCharacter() { return PrintInput.lastTypedCharacter; }

// The run's part of the main window procedure: a character message sets the last typed character,
// appends to the entry buffer and feeds a waiting INPUT; any other message clears the last typed
// character.
void NoteWindowMessage(const platform::Message& message);

// Run start: cursor at 0,0, no line edited, no character typed, the entry buffer empty.
void ResetPrintInputForRun();
// CLS: the cursor back to 0,0.
inline void HomePrintCursor() { PrintCursor = PrintCursorPosition{}; }

extern const CommandFamily kPrintInputFamily;

}  // namespace qm
