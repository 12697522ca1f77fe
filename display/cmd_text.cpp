// TEXT and CENTER TEXT, the SET TEXT settings and the text queries. The settings are draw requests
// (text_state.h): they take effect at the next frame, and the queries see them from then on.
#include <cstdint>
#include <string_view>

#include "display/display_commands.h"
#include "display/draw_request_queue.h"
#include "display/text_state.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

std::string_view NextText(Operands& in) { return CellText(in.String()); }

template <int32_t kCode>
Pc CmdTextAt(Pc at) {
  Operands in(at);
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  QueueTextRequest(kCode, x, y, NextText(in));
  if (QueueCurrentBitmap.number == 0) StopFlag = RefreshAfterDrawing;
  return in.Next();
}

Pc CmdSetTextFontS(Pc at) {
  Operands in(at);
  QueueTextSetting(kDrawTextFont, 0, 0, NextText(in));
  StopFlag = RefreshAfterDrawing;
  return in.Next();
}

Pc CmdSetTextFontSL(Pc at) {
  Operands in(at);
  const std::string_view face = NextText(in);
  QueueTextSetting(kDrawTextFont, in.Int(), 0, face);
  StopFlag = RefreshAfterDrawing;
  return in.Next();
}

Pc CmdSetTextSize(Pc at) {
  Operands in(at);
  QueueTextSetting(kDrawTextSize, 0, in.Int(), {});
  StopFlag = RefreshAfterDrawing;
  return in.Next();
}

// SET TEXT OPAQUE and TRANSPARENT do not end the slice; the style settings do in SYNC OFF mode.
template <int32_t kCode, bool kEndsSlice>
Pc CmdTextSetting(Pc at) {
  QueueSetting(kCode);
  if (kEndsSlice) StopFlag = RefreshAfterDrawing;
  return at + 1;
}

Pc CmdTextFontStr(Pc at) {
  Operands in(at);
  StoreStringResult(in.String(), TextState.face);
  return in.Next();
}

Pc CmdTextSize(Pc at) {
  Operands in(at);
  in.Int() = TextState.size;
  return in.Next();
}

Pc CmdTextBackgroundType(Pc at) {
  Operands in(at);
  in.Int() = TextState.opaque;
  return in.Next();
}

Pc CmdTextStyle(Pc at) {
  Operands in(at);
  in.Int() = TextState.style;
  return in.Next();
}

// TEXT WIDTH and TEXT HEIGHT measure in the text font (the first 255 characters).
Pc CmdTextWidth(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  result = MeasureText(TextFont(), NextText(in)).width;
  return in.Next();
}

Pc CmdTextHeight(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  result = MeasureText(TextFont(), NextText(in)).height;
  return in.Next();
}

constexpr CommandRegistration kTextCommands[] = {
    {kCmdText, "text", "LLS", CmdTextAt<kDrawText>},
    {kCmdCenterText, "center text", "LLS", CmdTextAt<kDrawCenterText>},
    {kCmdSetTextFontS, "set text font", "S", CmdSetTextFontS},
    {kCmdSetTextFontSL, "set text font", "SL", CmdSetTextFontSL},
    {kCmdSetTextSize, "set text size", "L", CmdSetTextSize},
    {kCmdSetTextOpaque, "set text opaque", "0", CmdTextSetting<kDrawTextOpaque, false>},
    {kCmdSetTextTransparent, "set text transparent", "0", CmdTextSetting<kDrawTextTransparent, false>},
    {kCmdSetTextToNormal, "set text to normal", "0", CmdTextSetting<kDrawTextNormal, true>},
    {kCmdSetTextToItalic, "set text to italic", "0", CmdTextSetting<kDrawTextItalic, true>},
    {kCmdSetTextToBold, "set text to bold", "0", CmdTextSetting<kDrawTextBold, true>},
    {kCmdSetTextToBolditalic, "set text to bolditalic", "0", CmdTextSetting<kDrawTextBoldItalic, true>},
    {kCmdTextFontStr, "text font$[", "S", CmdTextFontStr},
    {kCmdTextSize, "text size[", "L", CmdTextSize},
    {kCmdTextBackgroundType, "text background type[", "L", CmdTextBackgroundType},
    {kCmdTextStyle, "text style[", "L", CmdTextStyle},
    {kCmdTextWidth, "text width[", "LS", CmdTextWidth},
    {kCmdTextHeight, "text height[", "LS", CmdTextHeight},
};

}  // namespace

constinit const CommandFamily kTextFamily{kTextCommands, {}};

}  // namespace qm
