// The expectations a conformance program states in its REM lines, which the compiler ignores:
//   REM EXPECT <name> = <value>                 a main-program variable after the run
//   REM EXPECT <name>(<i>[, <j> ...]) = <value> an array element after the run
//   REM EXPECT COMPILE ERROR LINE <n> ["text"]  the compile fails on line n (its text contains it)
//   REM EXPECT RUNTIME ERROR <code> LINE <n>    the run stops with that error, raised on line n
//   REM EXPECT WARNING <code> LINE <n>          the same for a warning
//   REM LIMIT <seconds>                         the run time limit (10 s without it, at most 1e6)
// and the screen, transcript and typing lines of screen_expectations.h (DISPLAY, WINDOWED,
// EXPECT PIXEL, EXPECT PRINTED, INPUT, FRAMES).
// The directive words are written exactly so, in upper case; "REM limit is re-evaluated" is a
// comment. A float value may be "inf", "-inf" or "nan".
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/qmtest/screen_expectations.h"

namespace qm::qmtest {

// A value written in an expectation: an integer, a float or a text in double quotes.
struct ExpectedValue {
  char type = 'l';  // 'l', 'f', 's' (by the variable's name)
  int32_t integer = 0;
  double number = 0.0;
  std::string text;
};

struct VariableExpectation {
  std::string name;              // lower case, type marker included
  std::vector<int32_t> indices;  // empty for a plain variable
  ExpectedValue value;
  int32_t line = 0;  // where the expectation stands
};

struct CompileErrorExpectation {
  int32_t line = 0;
  std::optional<std::string> text;
};

struct StopExpectation {
  bool warning = false;
  int32_t code = 0;
  int32_t line = 0;
};

struct Expectations {
  std::vector<VariableExpectation> variables;
  std::optional<CompileErrorExpectation> compileError;
  std::optional<StopExpectation> stop;
  double limitSeconds = 10.0;
  ScreenExpectations screen;
  // Lines that look like expectations but cannot be read ("line 3: ...").
  std::vector<std::string> problems;
};

inline constexpr double kDefaultLimitSeconds = 10.0;
// The longest limit a program may ask for (about eleven days).
inline constexpr double kLongestLimitSeconds = 1e6;

// Reads the expectations of a program's source text.
Expectations ReadExpectations(std::string_view source);

// Whether a float read back matches the expected one: within 1e-5 relative, or 1e-6 absolute
// near 0. An infinity or a NaN matches only itself.
bool FloatsMatch(double actual, double expected);

}  // namespace qm::qmtest
