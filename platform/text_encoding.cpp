// CP1252 <-> UTF-8. Bytes 0x00-0x7F and 0xA0-0xFF are the same code points; 0x80-0x9F hold the
// typographic characters below. The five bytes CP1252 leaves undefined map to the C1 control
// code points of the same number, so every byte survives a round trip.
#include "platform/text_encoding.h"

#include <array>
#include <cstdint>

namespace qm::platform {
namespace {

constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char32_t CodePointOfByte(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControlRange[byte - 0x80] : byte;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The CP1252 byte of a code point, or -1.
int ByteOfCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHighControlRange[i] == cp) return 0x80 + i;
  }
  return -1;
}

// Decodes one UTF-8 sequence at `at`; false (and one byte consumed) when it is not valid.
bool DecodeUtf8(std::string_view text, std::size_t& at, char32_t& cp) {
  uint8_t lead = static_cast<uint8_t>(text[at]);
  if (lead < 0x80) {
    cp = lead;
    ++at;
    return true;
  }
  int extra = (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
  if (extra < 0 || at + extra >= text.size()) {
    ++at;
    return false;
  }
  cp = lead & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    uint8_t next = static_cast<uint8_t>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return false;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++at;
    return false;
  }
  at += extra + 1;
  return true;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, CodePointOfByte(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8(text, at, cp)) {
      out += replacement;
      continue;
    }
    int byte = ByteOfCodePoint(cp);
    out += byte < 0 ? replacement : static_cast<char>(byte);
  }
  return out;
}

}  // namespace qm::platform
