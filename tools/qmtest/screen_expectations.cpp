// Reading the screen, transcript and typing expectations (see screen_expectations.h).
#include "tools/qmtest/screen_expectations.h"

#include <cctype>
#include <charconv>

#include "tools/qmtest/directive_words.h"

namespace qm::qmtest {
namespace {

bool TakeInteger(std::string_view& text, int32_t& value) {
  const char* begin = text.data();
  const auto [stop, error] = std::from_chars(begin, begin + text.size(), value);
  if (error != std::errc() || stop == begin) return false;
  text = Trim(text.substr(static_cast<std::size_t>(stop - begin)));
  return true;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text = Trim(text.substr(1));
  return true;
}

// "<a>,<b>[,<c> ...]": `count` integers separated by commas.
bool TakeIntegers(std::string_view& text, int32_t* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !TakeChar(text, ',')) return false;
    if (!TakeInteger(text, values[i])) return false;
  }
  return true;
}

// A text in double quotes that ends the line.
bool TakeQuoted(std::string_view text, std::string& out) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  out.assign(text.substr(1, text.size() - 2));
  return true;
}

// REM INPUT's escapes: \r Enter, \b Backspace, \e Escape, \\ a backslash.
bool ResolveEscapes(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case 'r':
        out.push_back('\r');
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'e':
        out.push_back('\x1b');
        break;
      case '\\':
        out.push_back('\\');
        break;
      default:
        return false;
    }
  }
  return true;
}

bool ReadPixel(std::string_view text, int32_t line, ScreenExpectations& screen) {
  PixelExpectation pixel;
  pixel.line = line;
  int32_t at[2];
  if (!TakeIntegers(text, at, 2)) return false;
  pixel.x = at[0];
  pixel.y = at[1];
  if (TakeWord(text, "BITMAP") && (!TakeInteger(text, pixel.bitmap) || pixel.bitmap < 0)) return false;
  int32_t rgb[3];
  if (!TakeChar(text, '=') || text.substr(0, 3) != "RGB") return false;
  text = Trim(text.substr(3));
  if (!TakeChar(text, '(') || !TakeIntegers(text, rgb, 3) || !TakeChar(text, ')') || !text.empty())
    return false;
  for (int32_t c : rgb) {
    if (c < 0 || c > 255) return false;
  }
  pixel.colour = rgb[0] << 16 | rgb[1] << 8 | rgb[2];
  screen.pixels.push_back(pixel);
  return true;
}

bool ReadPrinted(std::string_view text, ScreenExpectations& screen) {
  if (TakeWord(text, "LINES")) {
    int32_t count = 0;
    if (!TakeChar(text, '=') || !TakeInteger(text, count) || !text.empty() || count < 0) return false;
    screen.printedLines = count;
    return true;
  }
  PrintedExpectation printed;
  if (!TakeInteger(text, printed.number) || printed.number < 1 || !TakeChar(text, '=')) return false;
  if (!TakeQuoted(text, printed.text)) return false;
  screen.printed.push_back(printed);
  return true;
}

}  // namespace

bool ReadScreenDirective(std::string_view text, ScreenExpectations& screen, bool& understood) {
  if (TakeWord(text, "DISPLAY")) {
    int32_t mode[3];
    understood = TakeIntegers(text, mode, 3) && text.empty() && mode[0] > 0 && mode[1] > 0 &&
                 (mode[2] == 16 || mode[2] == 24 || mode[2] == 32);
    if (understood) {
      screen.width = mode[0];
      screen.height = mode[1];
      screen.depth = mode[2];
    }
    return true;
  }
  if (TakeWord(text, "WINDOWED")) {
    understood = text.empty();
    screen.windowed = true;
    return true;
  }
  if (TakeWord(text, "INPUT")) {
    std::string quoted;
    understood = TakeQuoted(text, quoted) && ResolveEscapes(quoted, screen.typed);
    return true;
  }
  if (TakeWord(text, "FRAMES")) {
    int32_t frames = 0;
    understood = TakeInteger(text, frames) && text.empty() && frames > 0;
    if (understood) screen.frames = frames;
    return true;
  }
  return false;
}

bool ReadScreenExpectation(std::string_view text, int32_t line, ScreenExpectations& screen,
                           bool& understood) {
  if (TakeWord(text, "PIXEL")) {
    understood = ReadPixel(text, line, screen);
    return true;
  }
  if (TakeWord(text, "PRINTED")) {
    understood = ReadPrinted(text, screen);
    return true;
  }
  return false;
}

}  // namespace qm::qmtest
