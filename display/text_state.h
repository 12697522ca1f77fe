// The text setting of a run and its two fonts: the text font of TEXT and CENTER TEXT (face, size,
// style, character set, opaque or transparent), and the print font of PRINT and the INPUT line.
// The SET TEXT commands are draw requests, so the setting changes when the next frame replays
// them; the queries read the setting as the replay left it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qm {
namespace platform {
class Font;
}

struct TextSetting {
  std::string face = "system";
  int32_t size = 10;
  int8_t opaque = 0;
  int16_t style = 0;  // 0 normal, 1 italic, 2 bold, 3 bold italic
  int32_t charset = 0;
};

extern TextSetting TextState;
// The character set of the last SET TEXT FONT that named one; it decides the print font.
extern int32_t ActiveCharset;

// Run start: "system" 10, transparent, normal, both fonts made afresh.
void ResetTextStateForRun();
// The fonts in use (made when first needed; nullptr when no font can be opened at all).
platform::Font* TextFont();
platform::Font* PrintFont();
// Width and height of `text` (first 255 characters) in a font; 0, 0 without one.
struct TextSize {
  int32_t width = 0, height = 0;
};
TextSize MeasureText(platform::Font* font, std::string_view text);

}  // namespace qm
