// What a conformance program expects of the screen, of what it printed and of the typing it
// gets, in REM lines beside the other expectations (expectations.h):
//   REM DISPLAY <w>,<h>,<depth>                       the run's display mode (640,480,16 without it)
//   REM WINDOWED                                      the run in a window, without a flip chain
//   REM EXPECT PIXEL <x>,<y> = RGB(<r>,<g>,<b>)       a pixel of the last presented frame
//   REM EXPECT PIXEL <x>,<y> BITMAP <n> = RGB(...)    a pixel of bitmap n at the end of the run
//   REM EXPECT PRINTED <k> = "<text>"                 line k (from 1) of the PRINT transcript
//   REM EXPECT PRINTED LINES = <count>                the transcript's lines
//   REM INPUT "<chars>"                               typed one per frame from the first frame;
//                                                     \r Enter, \b Backspace, \e Escape, \\ a backslash;
//                                                     named keys \{ESC}, \{F12}, \{UP}, \{DELETE}, ...
//                                                     each pressed and released in its frame, and
//                                                     \{WAIT}, a frame in which nothing is typed.
//                                                     A program with named keys runs with the runtime
//                                                     command line; once everything is typed, F12
//                                                     leaves it when it waits for keys.
//   REM FRAMES <n>                                    the run stops after n presented frames
// A pixel is compared with RGB(r,g,b) packed into the surface's pixel format as INK packs it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::qmtest {

struct PixelExpectation {
  int32_t x = 0, y = 0;
  int32_t bitmap = -1;  // -1: the last presented frame
  int32_t colour = 0;   // 0xRRGGBB
  int32_t line = 0;
};

struct PrintedExpectation {
  int32_t number = 0;  // the transcript line, from 1
  std::string text;
};

// One frame's typing: a character (its character message alone), a key pressed and released (with
// what the key types), or nothing.
struct TypedInput {
  uint8_t character = 0;
  int virtualKey = 0;  // above 0: a named key
  bool Nothing() const { return character == 0 && virtualKey == 0; }
};

struct ScreenExpectations {
  int32_t width = 640, height = 480, depth = 16;
  bool windowed = false;
  std::vector<PixelExpectation> pixels;
  std::vector<PrintedExpectation> printed;
  std::optional<int32_t> printedLines;
  std::vector<TypedInput> typed;  // REM INPUT, escapes and named keys resolved
  bool namedKeys = false;         // REM INPUT names keys: the run has the command line
  std::optional<int32_t> frames;  // REM FRAMES
};

// Reads a REM line's directive after "REM" when it is one of these; `understood` then says
// whether it could be read. False when the line holds none of them.
bool ReadScreenDirective(std::string_view text, ScreenExpectations& screen, bool& understood);
// The same for the words after "REM EXPECT" (PIXEL and PRINTED).
bool ReadScreenExpectation(std::string_view text, int32_t line, ScreenExpectations& screen, bool& understood);

}  // namespace qm::qmtest
