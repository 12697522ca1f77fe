// The text setting, its fonts, and the replay of the text requests (see text_state.h).
#include "display/text_state.h"

#include <cstring>

#include "display/draw_request_queue.h"
#include "platform/display/fonts.h"
#include "platform/display/text_context.h"

namespace qm {

TextSetting TextState;
int32_t ActiveCharset = 0;

namespace {

constexpr std::size_t kMaxMeasuredText = 255;
constexpr int kPrintFontSize = 10;

struct Fonts {
  std::unique_ptr<platform::Font> text;
  std::unique_ptr<platform::Font> print;
  bool textStale = true;
  bool printStale = true;
};
Fonts gFonts;

// After a SET TEXT FONT that named a character set, a size given without one is a character
// height in points at 96 dots per inch (a negative height), in that character set.
int32_t PointsAsCharacterHeight(int32_t points) {
  constexpr int64_t kDotsPerInch = 96, kPointsPerInch = 72;
  const int64_t dots = (static_cast<int64_t>(points) * kDotsPerInch + kPointsPerInch / 2) / kPointsPerInch;
  return -static_cast<int32_t>(dots);
}

void MakeTextFont() {
  platform::FontRequest request;
  const bool pointsInActiveCharset = TextState.charset == 0 && ActiveCharset != 0;
  request.height = pointsInActiveCharset ? PointsAsCharacterHeight(TextState.size) : TextState.size;
  request.weight = TextState.style >= 2 ? platform::kWeightBold : platform::kWeightNormal;
  request.italic = TextState.style == 1 || TextState.style == 3;
  request.charset = TextState.charset != 0 ? TextState.charset : ActiveCharset;
  request.quality = platform::kQualityNonAntialiased;
  request.face = TextState.face;
  gFonts.text = platform::Font::Create(request);
  gFonts.textStale = false;
}

// "system" with a cell height of 10, or "fixedsys" of 10 points in the active character set.
void MakePrintFont() {
  platform::FontRequest request;
  request.height = ActiveCharset == 0 ? kPrintFontSize : PointsAsCharacterHeight(kPrintFontSize);
  request.charset = ActiveCharset;
  request.quality = platform::kQualityNonAntialiased;
  request.face = ActiveCharset == 0 ? "system" : "fixedsys";
  gFonts.print = platform::Font::Create(request);
  gFonts.printStale = false;
}

void ApplyTextSettingRequest(const DrawRequest& r) {
  switch (r.code) {
    case kDrawTextFont:
      TextState.face.assign(r.text);
      TextState.charset = r.x;
      if (r.x != 0 && r.x != ActiveCharset) {
        ActiveCharset = r.x;
        gFonts.printStale = true;
      }
      break;
    case kDrawTextSize: {
      int32_t size;
      std::memcpy(&size, r.text, sizeof size);
      TextState.size = size;
      break;
    }
    case kDrawTextOpaque:
      TextState.opaque = 1;
      return;
    case kDrawTextTransparent:
      TextState.opaque = 0;
      return;
    default:
      TextState.style = static_cast<int16_t>(r.code - kDrawTextNormal);
      break;
  }
  gFonts.textStale = true;
}

uint32_t InkColourRef() {
  return platform::ColorRef(InkColours.inkRed, InkColours.inkGreen, InkColours.inkBlue);
}
uint32_t BackgroundColourRef() {
  return platform::ColorRef(InkColours.backgroundRed, InkColours.backgroundGreen, InkColours.backgroundBlue);
}

void DrawTextRequest(const DrawRequest& r, platform::Surface& target) {
  const bool printFont = r.code == kDrawPrintText || r.code == kDrawEraseText;
  platform::Font* font = printFont ? PrintFont() : TextFont();
  if (font == nullptr) return;
  platform::TextContext context;
  if (platform::TextContext::Open(target, context) != platform::DisplayResult::Ok) return;
  context.SelectFont(font);
  bool opaque = TextState.opaque != 0;
  if (r.code == kDrawPrintText) opaque = r.opaque != 0;
  if (r.code == kDrawEraseText) opaque = true;
  context.SetOpaque(opaque);
  context.SetBackgroundColor(BackgroundColourRef());
  context.SetTextColor(r.code == kDrawEraseText ? BackgroundColourRef() : InkColourRef());
  const std::string_view text(r.text);
  int32_t x = r.x;
  if (r.code == kDrawCenterText) x -= context.GetTextExtent(text).cx / 2;
  context.TextOut(x, r.y, text);
  context.Close();
}

}  // namespace

void ResetTextStateForRun() {
  TextState = TextSetting{};
  ActiveCharset = 0;
  gFonts.textStale = true;
  gFonts.printStale = true;
}

platform::Font* TextFont() {
  if (gFonts.textStale) MakeTextFont();
  return gFonts.text.get();
}

platform::Font* PrintFont() {
  if (gFonts.printStale) MakePrintFont();
  return gFonts.print.get();
}

TextSize MeasureText(platform::Font* font, std::string_view text) {
  if (font == nullptr) return {};
  text = text.substr(0, kMaxMeasuredText);
  return {text.empty() ? 0 : font->TextWidth(text), text.empty() ? 0 : font->CellHeight()};
}

void ReplayTextRequest(const DrawRequest& request, platform::Surface* target) {
  if (request.code >= kDrawTextFont && request.code <= kDrawTextBoldItalic) {
    ApplyTextSettingRequest(request);
    return;
  }
  const bool drawsText = request.code == kDrawPrintText || request.code == kDrawEraseText ||
                         request.code == kDrawText || request.code == kDrawCenterText;
  if (drawsText && target != nullptr) DrawTextRequest(request, *target);
}

}  // namespace qm
