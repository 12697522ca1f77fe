// The bitmap commands: LOAD, SAVE, CREATE, DELETE, COPY, MIRROR, FLIP, BLUR and FADE BITMAP, SET
// CURRENT BITMAP and the bitmap queries. The commands queue requests and test no bitmap number:
// the next frame's replay tests them and raises the errors (bitmaps.h). Loading, saving, creating
// and deleting end the slice so the next command sees the result; the effects end it when they
// change the screen.
#include <cstdint>
#include <string_view>

#include "display/bitmaps.h"
#include "display/display_commands.h"
#include "display/draw_request_queue.h"
#include "display/screen_capture.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

std::string_view NextText(Operands& in) { return CellText(in.String()); }

Pc CmdLoadBitmapToScreen(Pc at) {
  Operands in(at);
  QueueLoadBitmap(0, NextText(in));
  StopFlag = 1;
  return in.Next();
}

Pc CmdLoadBitmap(Pc at) {
  Operands in(at);
  const std::string_view name = NextText(in);
  QueueLoadBitmap(in.Int(), name);
  StopFlag = 1;
  return in.Next();
}

// The screen is written by the frame step once the next frame has been presented.
Pc CmdSaveScreenBitmap(Pc at) {
  Operands in(at);
  RequestSaveBitmap(NextText(in));
  StopFlag = 1;
  return in.Next();
}

Pc CmdSaveBitmap(Pc at) {
  Operands in(at);
  const std::string_view name = NextText(in);
  const int32_t number = in.Int();
  if (number == 0) {
    RequestSaveBitmap(name);
  } else {
    QueueSaveBitmap(number, name);
  }
  StopFlag = 1;
  return in.Next();
}

Pc CmdCreateBitmap(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  const int32_t width = in.Int();
  const int32_t height = in.Int();
  QueueCreateBitmap(number, width, height);
  StopFlag = 1;
  return in.Next();
}

Pc CmdSetCurrentBitmap(Pc at) {
  Operands in(at);
  QueueSetCurrentBitmap(in.Int());
  StopFlag = RefreshAfterDrawing;
  return in.Next();
}

Pc CmdCopyBitmap(Pc at) {
  Operands in(at);
  const int32_t from = in.Int();
  const int32_t to = in.Int();
  QueueCopyBitmap(from, to);
  if (to == 0) StopFlag = RefreshAfterDrawing;
  return in.Next();
}

CopyRect NextCopyRect(Operands& in) {
  CopyRect rect;
  rect.x1 = in.Int();
  rect.y1 = in.Int();
  rect.x2 = in.Int();
  rect.y2 = in.Int();
  return rect;
}

Pc CmdCopyBitmapRect(Pc at) {
  Operands in(at);
  const int32_t from = in.Int();
  const CopyRect fromRect = NextCopyRect(in);
  const int32_t to = in.Int();
  const CopyRect toRect = NextCopyRect(in);
  QueueCopyBitmapRect(from, fromRect, to, toRect);
  if (to == 0) StopFlag = RefreshAfterDrawing;
  return in.Next();
}

Pc CmdDeleteBitmap(Pc at) {
  Operands in(at);
  QueueDeleteBitmap(in.Int());
  StopFlag = 1;
  return in.Next();
}

// MIRROR and FLIP toggle the bitmap's mark when they run, its pixels at the next frame.
Pc CmdMirrorBitmap(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  if (IsBitmapNumber(number)) BitmapInfo(number).mirrored = 1 - BitmapInfo(number).mirrored;
  QueueMirrorBitmap(number);
  if (number == 0) StopFlag = 1;
  return in.Next();
}

Pc CmdFlipBitmap(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  if (IsBitmapNumber(number)) BitmapInfo(number).flipped = 1 - BitmapInfo(number).flipped;
  QueueFlipBitmap(number);
  if (number == 0) StopFlag = 1;
  return in.Next();
}

Pc CmdBlurBitmap(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  QueueBlurBitmap(number, in.Int());
  if (number == 0) StopFlag = 1;
  return in.Next();
}

Pc CmdFadeBitmap(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  QueueFadeBitmap(number, in.Int());
  if (number == 0) StopFlag = 1;
  return in.Next();
}

// ---- Queries ----

Pc CmdBitmapExist(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int();
  if (!IsBitmapNumber(number)) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return in.Next();
  }
  result = BitmapExists(number) ? 1 : 0;
  return in.Next();
}

Pc CmdCurrentBitmap(Pc at) {
  Operands in(at);
  in.Int() = QueueCurrentBitmap.number;
  return in.Next();
}

using InfoField = int32_t BitmapInfoRecord::*;

// A field of the current bitmap's record; 1002 when the current bitmap does not exist.
template <InfoField kField>
Pc CmdCurrentBitmapInfo(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = QueueCurrentBitmap.number;
  if (!IsBitmapNumber(number) || !BitmapExists(number)) {
    RaiseRuntimeError(kErrorBitmapMissing);
    return in.Next();
  }
  result = BitmapInfo(number).*kField;
  return in.Next();
}

// A field of bitmap n's record: 1001 outside 0-31, 1002 when it does not exist.
template <InfoField kField>
Pc CmdBitmapInfo(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int();
  if (!IsBitmapNumber(number)) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return in.Next();
  }
  if (!BitmapExists(number)) {
    RaiseRuntimeError(kErrorBitmapMissing);
    return in.Next();
  }
  result = BitmapInfo(number).*kField;
  return in.Next();
}

constexpr CommandRegistration kBitmapCommands[] = {
    {kCmdLoadBitmapS, "load bitmap", "S", CmdLoadBitmapToScreen},
    {kCmdLoadBitmapSL, "load bitmap", "SL", CmdLoadBitmap},
    {kCmdSaveBitmapS, "save bitmap", "S", CmdSaveScreenBitmap},
    {kCmdSaveBitmapSL, "save bitmap", "SL", CmdSaveBitmap},
    {kCmdCreateBitmap, "create bitmap", "LLL", CmdCreateBitmap},
    {kCmdSetCurrentBitmap, "set current bitmap", "L", CmdSetCurrentBitmap},
    {kCmdCopyBitmapLL, "copy bitmap", "LL", CmdCopyBitmap},
    {kCmdCopyBitmapLLLLLLLLLL, "copy bitmap", "LLLLLLLLLL", CmdCopyBitmapRect},
    {kCmdDeleteBitmap, "delete bitmap", "L", CmdDeleteBitmap},
    {kCmdMirrorBitmap, "mirror bitmap", "L", CmdMirrorBitmap},
    {kCmdFlipBitmap, "flip bitmap", "L", CmdFlipBitmap},
    {kCmdBlurBitmap, "blur bitmap", "LL", CmdBlurBitmap},
    {kCmdFadeBitmap, "fade bitmap", "LL", CmdFadeBitmap},
    {kCmdBitmapExist, "bitmap exist[", "LL", CmdBitmapExist},
    {kCmdCurrentBitmap, "current bitmap[", "L", CmdCurrentBitmap},
    {kCmdBitmapWidthL, "bitmap width[", "L", CmdCurrentBitmapInfo<&BitmapInfoRecord::width>},
    {kCmdBitmapHeightL, "bitmap height[", "L", CmdCurrentBitmapInfo<&BitmapInfoRecord::height>},
    {kCmdBitmapDepthL, "bitmap depth[", "L", CmdCurrentBitmapInfo<&BitmapInfoRecord::depth>},
    {kCmdBitmapMirroredL, "bitmap mirrored[", "L", CmdCurrentBitmapInfo<&BitmapInfoRecord::mirrored>},
    {kCmdBitmapFlippedL, "bitmap flipped[", "L", CmdCurrentBitmapInfo<&BitmapInfoRecord::flipped>},
    {kCmdBitmapWidthLL, "bitmap width[", "LL", CmdBitmapInfo<&BitmapInfoRecord::width>},
    {kCmdBitmapHeightLL, "bitmap height[", "LL", CmdBitmapInfo<&BitmapInfoRecord::height>},
    {kCmdBitmapDepthLL, "bitmap depth[", "LL", CmdBitmapInfo<&BitmapInfoRecord::depth>},
    {kCmdBitmapMirroredLL, "bitmap mirrored[", "LL", CmdBitmapInfo<&BitmapInfoRecord::mirrored>},
    {kCmdBitmapFlippedLL, "bitmap flipped[", "LL", CmdBitmapInfo<&BitmapInfoRecord::flipped>},
};

}  // namespace

constinit const CommandFamily kBitmapFamily{kBitmapCommands, {}};

}  // namespace qm
