// Reading the screen, transcript and typing expectations (see screen_expectations.h).
#include "tools/qmtest/screen_expectations.h"

#include <cctype>
#include <charconv>

#include "platform/keys.h"
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

// The named keys of REM INPUT, written \{NAME}.
struct NamedKey {
  std::string_view name;
  int virtualKey;
};
constexpr NamedKey kNamedKeys[] = {
    {"ESC", platform::kVkEscape},    {"ENTER", platform::kVkReturn}, {"BACKSPACE", platform::kVkBack},
    {"TAB", platform::kVkTab},       {"UP", platform::kVkUp},        {"DOWN", platform::kVkDown},
    {"LEFT", platform::kVkLeft},     {"RIGHT", platform::kVkRight},  {"DELETE", platform::kVkDelete},
    {"INSERT", platform::kVkInsert}, {"HOME", platform::kVkHome},    {"END", platform::kVkEnd},
    {"PGUP", platform::kVkPrior},    {"PGDN", platform::kVkNext},    {"SPACE", platform::kVkSpace},
};
constexpr std::string_view kWaitName = "WAIT";

// The virtual key of a name (F1-F12 and the table above), 0 for none.
int NamedVirtualKey(std::string_view name) {
  for (const NamedKey& key : kNamedKeys) {
    if (key.name == name) return key.virtualKey;
  }
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
    int n = 0;
    for (char c : name.substr(1)) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    if (n >= 1 && n <= 12) return platform::FunctionKey(n);
  }
  return 0;
}

// REM INPUT's escapes: \r Enter, \b Backspace, \e Escape, \\ a backslash, \{NAME} a named key.
bool ResolveEscapes(std::string_view text, ScreenExpectations& screen) {
  std::vector<TypedInput>& out = screen.typed;
  out.clear();
  auto character = [&out](char c) { out.push_back(TypedInput{static_cast<uint8_t>(c), 0}); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      character(text[i]);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case 'r':
        character('\r');
        break;
      case 'b':
        character('\b');
        break;
      case 'e':
        character('\x1b');
        break;
      case '\\':
        character('\\');
        break;
      case '{': {
        const std::size_t end = text.find('}', i);
        if (end == std::string_view::npos) return false;
        const std::string_view name = text.substr(i + 1, end - i - 1);
        i = end;
        screen.namedKeys = true;
        if (name == kWaitName) {
          out.push_back(TypedInput{});
          break;
        }
        const int key = NamedVirtualKey(name);
        if (key == 0) return false;
        out.push_back(TypedInput{0, key});
        break;
      }
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
    understood = TakeQuoted(text, quoted) && ResolveEscapes(quoted, screen);
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
