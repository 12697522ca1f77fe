// String functions: [result][arguments...]. Positions are 1-based; out-of-range positions and
// counts give the empty text or the whole text, never an error. Only SPACE$ refuses a length
// (above 255, error 107); every other function handles texts of any length.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/command_line_text.h"
#include "runtime/float_text.h"
#include "runtime/foundation_commands.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/runtime_errors.h"
#include "runtime/text_building.h"
#include "runtime/value_text.h"

namespace qm {

std::string& CommandLineText() {
  static std::string text;
  return text;
}

namespace {

// Paths come from a 256-byte buffer of the system call: at most 255 characters.
constexpr std::size_t kMaxPathText = 255;

std::string_view NextText(Operands& in) { return CellText(in.String()); }

// The handlers that take a text and a count: [result][text][n].
struct TextAndCount {
  ValueCell& result;
  std::string_view text;
  int32_t n;
};
TextAndCount NextTextAndCount(Operands& in) {
  ValueCell& result = in.String();
  const std::string_view text = NextText(in);
  const int32_t n = in.Int();
  return {result, text, n};
}

// ---- Cutting texts ----

// LEFT$: the first n characters; n of 0 or below gives "", n past the end the whole text.
Pc CmdLeftStr(Pc at) {
  Operands in(at);
  const TextAndCount a = NextTextAndCount(in);
  const std::size_t count = a.n <= 0 ? 0 : static_cast<std::size_t>(a.n);
  StoreStringResult(a.result, a.text.substr(0, count));
  return in.Next();
}

// RIGHT$: the last n characters; n of 0 or below gives "", n past the start the whole text.
Pc CmdRightStr(Pc at) {
  Operands in(at);
  const TextAndCount a = NextTextAndCount(in);
  const std::size_t count = a.n <= 0 ? 0 : std::min(static_cast<std::size_t>(a.n), a.text.size());
  StoreStringResult(a.result, a.text.substr(a.text.size() - count));
  return in.Next();
}

// MID$: the one character at position n. The position is taken as unsigned, so 0, every
// negative n and every n past the end give "".
Pc CmdMidStr(Pc at) {
  Operands in(at);
  const TextAndCount a = NextTextAndCount(in);
  const uint32_t position = static_cast<uint32_t>(a.n);
  const bool inside = position >= 1 && position <= a.text.size();
  StoreStringResult(a.result, inside ? a.text.substr(position - 1, 1) : std::string_view());
  return in.Next();
}

// ---- Making texts ----

// CHR$: the character of the number's low 8 bits; 0 gives "".
Pc CmdChrStr(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  const char code = static_cast<char>(in.Int() & 0xFF);
  StoreStringResult(result, code == 0 ? std::string_view() : std::string_view(&code, 1));
  return in.Next();
}

// SPACE$: n blanks; above 255 raises error 107 and leaves the result as it was.
Pc CmdSpaceStr(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  const int32_t n = in.Int();
  if (n > static_cast<int32_t>(kMaxTextLength)) {
    RaiseRuntimeError(kErrorTextTooLong);
    return in.Next();
  }
  StoreStringResult(result, std::string(n > 0 ? static_cast<std::size_t>(n) : 0, ' '));
  return in.Next();
}

// Case conversion touches only the 26 ASCII letters.
template <char first, char last, int shift>
Pc StoreShiftedLetters(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  std::string text(NextText(in));
  for (char& c : text) {
    if (c >= first && c <= last) c = static_cast<char>(c + shift);
  }
  StoreStringResult(result, text);
  return in.Next();
}

Pc CmdUpperStr(Pc at) { return StoreShiftedLetters<'a', 'z', 'A' - 'a'>(at); }
Pc CmdLowerStr(Pc at) { return StoreShiftedLetters<'A', 'Z', 'a' - 'A'>(at); }

// ---- Measuring texts ----

Pc CmdLen(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  result = static_cast<int32_t>(std::min<std::size_t>(NextText(in).size(), INT32_MAX));
  return in.Next();
}

// ASC: the first character's code, 0 to 255; 0 for the empty text.
Pc CmdAsc(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const std::string_view text = NextText(in);
  result = text.empty() ? 0 : static_cast<unsigned char>(text.front());
  return in.Next();
}

// ---- Numbers as texts ----

void StoreFormatted(ValueCell& result, const char* format, uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, format, value);
  StoreStringResult(result, digits);
}

// BIN$: "%" and the 32 bits, most significant first.
Pc CmdBinStr(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  const uint32_t value = static_cast<uint32_t>(in.Int());
  std::string text = "%";
  for (int bit = 31; bit >= 0; --bit) text += (value >> bit) & 1u ? '1' : '0';
  StoreStringResult(result, text);
  return in.Next();
}

// HEX$: the two's-complement bits in upper-case hexadecimal, without leading zeros.
Pc CmdHexStr(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  StoreFormatted(result, "%X", static_cast<uint32_t>(in.Int()));
  return in.Next();
}

Pc CmdStrStrSL(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", in.Int());
  StoreStringResult(result, digits);
  return in.Next();
}

Pc CmdStrStrSF(Pc at) {
  Operands in(at);
  ValueCell& result = in.String();
  StoreStringResult(result, FormatFloatG(in.Float()));
  return in.Next();
}

// ---- Texts as numbers ----

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipBlanksAndSign(std::string_view text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  return at;
}

std::size_t SkipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at;
}

// The leading decimal number of a text as atof reads it (blanks, a sign, digits with an optional
// point, an optional exponent), up to the first character that does not fit; 0 when none. Only
// this decimal form is read: no hexadecimal, no "inf" or "nan" words.
double LeadingDecimal(std::string_view text) {
  const std::size_t start = SkipBlanksAndSign(text, 0);
  std::size_t end = SkipDigits(text, start);
  bool digits = end > start;
  if (end < text.size() && text[end] == '.') {
    const std::size_t fraction = SkipDigits(text, end + 1);
    digits = digits || fraction > end + 1;
    end = fraction;
  }
  if (!digits) return 0.0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t at = end + 1;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t exponentEnd = SkipDigits(text, at);
    if (exponentEnd > at) end = exponentEnd;
  }
  const std::string number(text.substr(0, end));
  return std::strtod(number.c_str(), nullptr);
}

// The leading integer of a text as atoi reads it (blanks, a sign, digits); 0 when none. Values
// beyond the 32-bit range give the nearest end of the range.
int32_t LeadingInteger(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  int64_t value = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    value = std::min<int64_t>(value * 10 + (text[at] - '0'), INT64_C(1) << 32);
  }
  value = negative ? -value : value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

Pc CmdVal(Pc at) {
  Operands in(at);
  float& result = in.Float();
  result = NearestSingle(LeadingDecimal(NextText(in)));
  return in.Next();
}

Pc CmdValInt(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  result = LeadingInteger(NextText(in));
  return in.Next();
}

// ---- System texts ----

void StorePath(ValueCell& result, std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  StoreStringResult(result, std::string_view(path).substr(0, kMaxPathText));
}

// CL$, APPNAME$, WINDIR$: [result].
Pc CmdClStr(Pc at) {
  StoreStringResult(*at[1].cell, CommandLineText());
  return at + 2;
}
Pc CmdAppnameStr(Pc at) {
  StorePath(*at[1].cell, platform::ExecutablePath());
  return at + 2;
}
Pc CmdWindirStr(Pc at) {
  StorePath(*at[1].cell, platform::WindowsFolder());
  return at + 2;
}

constexpr CommandRegistration kStringCommands[] = {
    {kCmdAsc, "asc[", "LS", CmdAsc},
    {kCmdBinStr, "bin$[", "SL", CmdBinStr},
    {kCmdChrStr, "chr$[", "SL", CmdChrStr},
    {kCmdClStr, "cl$[", "S", CmdClStr},
    {kCmdHexStr, "hex$[", "SL", CmdHexStr},
    {kCmdLeftStr, "left$[", "SSL", CmdLeftStr},
    {kCmdLen, "len[", "LS", CmdLen},
    {kCmdLowerStr, "lower$[", "SS", CmdLowerStr},
    {kCmdMidStr, "mid$[", "SSL", CmdMidStr},
    {kCmdRightStr, "right$[", "SSL", CmdRightStr},
    {kCmdSpaceStr, "space$[", "SL", CmdSpaceStr},
    {kCmdUpperStr, "upper$[", "SS", CmdUpperStr},
    {kCmdStrStrSF, "str$[", "SF", CmdStrStrSF},
    {kCmdStrStrSL, "str$[", "SL", CmdStrStrSL},
    {kCmdValFS, "val[", "FS", CmdVal},
    {kCmdValLS, "val[", "LS", CmdValInt},
    {kCmdAppnameStr, "appname$[", "S", CmdAppnameStr},
    {kCmdWindirStr, "windir$[", "S", CmdWindirStr},
};

}  // namespace

constinit const CommandFamily kStringFamily{kStringCommands, {}};

}  // namespace qm
