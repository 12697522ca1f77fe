// The 2D drawing commands: CLS, INK, the colour functions, DOT, LINE, BOX, CIRCLE, ELLIPSE and
// POINT. Each drawing queues a request that the next frame replays onto the bitmap current now
// (draw_request_queue.h); in SYNC OFF mode drawing on the screen ends the slice so it shows at
// once. None of them raises an error: what lies outside the target is simply not drawn.
#include <cstdint>

#include "display/display_commands.h"
#include "display/draw_request_queue.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/print_input.h"

namespace qm {
namespace {

void ShowScreenDrawing() {
  if (QueueCurrentBitmap.number == 0) StopFlag = RefreshAfterDrawing;
}

// CLS: the current bitmap cleared to the background colour; the print cursor back to 0,0.
Pc CmdCls(Pc at) {
  QueueClearScreen();
  HomePrintCursor();
  ShowScreenDrawing();
  return at + 1;
}

// CLS colour: the background colour becomes `colour`, then as CLS.
Pc CmdClsL(Pc at) {
  Operands in(at);
  QueueSetClearColour(in.Int());
  QueueClearScreen();
  HomePrintCursor();
  ShowScreenDrawing();
  return in.Next();
}

// INK foreground, background: packed at the next frame for the surface drawn on now.
Pc CmdInk(Pc at) {
  Operands in(at);
  const int32_t foreground = in.Int();
  const int32_t background = in.Int();
  QueueInk(foreground, background);
  return in.Next();
}

// RGB(r, g, b): r x 65536 + g x 256 + b on the whole values, unmasked.
Pc CmdRgb(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const auto r = static_cast<uint32_t>(in.Int());
  const auto g = static_cast<uint32_t>(in.Int());
  const auto b = static_cast<uint32_t>(in.Int());
  result = static_cast<int32_t>(r * 65536u + g * 256u + b);
  return in.Next();
}

template <int kShift>
Pc CmdRgbChannel(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  result = static_cast<int32_t>((static_cast<uint32_t>(in.Int()) >> kShift) & 0xFFu);
  return in.Next();
}

Pc CmdDot(Pc at) {
  Operands in(at);
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  QueueDot(x, y);
  ShowScreenDrawing();
  return in.Next();
}

struct Corners {
  int32_t x1, y1, x2, y2;
};
Corners NextCorners(Operands& in) {
  const int32_t x1 = in.Int();
  const int32_t y1 = in.Int();
  const int32_t x2 = in.Int();
  const int32_t y2 = in.Int();
  return {x1, y1, x2, y2};
}

Pc CmdLine(Pc at) {
  Operands in(at);
  const Corners c = NextCorners(in);
  QueueLine(c.x1, c.y1, c.x2, c.y2);
  ShowScreenDrawing();
  return in.Next();
}

// BOX: both corners inside; x2 left of x1 or y2 above y1 draws nothing. Ends the slice in SYNC
// OFF mode whatever the bitmap.
Pc CmdBox(Pc at) {
  Operands in(at);
  const Corners c = NextCorners(in);
  QueueBox(c.x1, c.y1, c.x2, c.y2);
  StopFlag = RefreshAfterDrawing;
  return in.Next();
}

Pc CmdCircle(Pc at) {
  Operands in(at);
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  const auto radius = static_cast<float>(in.Int());
  QueueEllipse(x, y, radius, radius);
  ShowScreenDrawing();
  return in.Next();
}

Pc CmdEllipse(Pc at) {
  Operands in(at);
  const Corners c = NextCorners(in);
  QueueEllipse(c.x1, c.y1, static_cast<float>(c.x2), static_cast<float>(c.y2));
  ShowScreenDrawing();
  return in.Next();
}

// POINT(x, y): the colour of a pixel, read at the next frame; the slice ends so the next
// statement sees it. Outside the bitmap the result is left as it was.
Pc CmdPoint(Pc at) {
  Operands in(at);
  ValueCell& result = in.Numeric();
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  QueuePoint(x, y, static_cast<int32_t>(&result - Interpreter.cells));
  StopFlag = 1;
  return in.Next();
}

constexpr CommandRegistration kDrawingCommands[] = {
    {kCmdCls, "cls", "0", CmdCls},
    {kCmdClsL, "cls", "L", CmdClsL},
    {kCmdInk, "ink", "LL", CmdInk},
    {kCmdRgb, "rgb[", "LLLL", CmdRgb},
    {kCmdRgbr, "rgbr[", "LL", CmdRgbChannel<16>},
    {kCmdRgbg, "rgbg[", "LL", CmdRgbChannel<8>},
    {kCmdRgbb, "rgbb[", "LL", CmdRgbChannel<0>},
    {kCmdDot, "dot", "LL", CmdDot},
    {kCmdLine, "line", "LLLL", CmdLine},
    {kCmdBox, "box", "LLLL", CmdBox},
    {kCmdCircle, "circle", "LLL", CmdCircle},
    {kCmdEllipse, "ellipse", "LLLL", CmdEllipse},
    {kCmdPoint, "point[", "LLL", CmdPoint},
};

}  // namespace

constinit const CommandFamily kDrawingFamily{kDrawingCommands, {}};

}  // namespace qm
