// The image commands: GET, LOAD, SAVE, PASTE, ROTATE and DELETE IMAGE and IMAGE EXIST. Each tests
// its image number when it runs (501 outside 1-65535, 502 for an image that does not exist);
// grabbing, pasting, saving and turning happen at the next frame (images.h).
#include <cstdint>
#include <string>
#include <string_view>

#include "display/display_commands.h"
#include "display/draw_request_queue.h"
#include "display/images.h"
#include "display/number_maps.h"
#include "io/file_helpers.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

// The longest file name a request or a load keeps; longer names are cut.
constexpr std::size_t kFileNameLimit = 255;

std::string NextFileName(Operands& in) {
  const std::string_view text = CellText(in.String());
  return std::string(text.substr(0, kFileNameLimit));
}

// False (501 raised) outside 1-65535.
bool CheckImageNumber(int32_t number) {
  if (IsImageNumber(number)) return true;
  RaiseRuntimeError(kErrorImageNumber);
  return false;
}

// The record of an existing image; 0 after raising 501 or 502.
int32_t ExistingImage(int32_t number) {
  if (!CheckImageNumber(number)) return 0;
  const int32_t index = FindImage(number);
  if (index == 0) RaiseRuntimeError(kErrorImageMissing);
  return index;
}

void ShowScreenDrawing() {
  if (QueueCurrentBitmap.number == 0) StopFlag = RefreshAfterDrawing;
}

void GetImage(Operands& in, bool withTextureFlag) {
  const int32_t number = in.Int();
  const int32_t x1 = in.Int();
  const int32_t y1 = in.Int();
  const int32_t x2 = in.Int();
  const int32_t y2 = in.Int();
  const int32_t textureFlag = withTextureFlag ? in.Int() : 0;
  StopFlag = RefreshAfterDrawing;
  if (!CheckImageNumber(number)) return;
  int32_t index = FindImage(number);
  if (index == 0) {
    index = NewImageRecord();
    if (index == 0) return;  // 101 is pending
    ImageNumberMap.Set(number, index);
  }
  QueueGetImage(index, x1, y1, x2, y2, textureFlag);
}

Pc CmdGetImage(Pc at) {
  Operands in(at);
  GetImage(in, false);
  return in.Next();
}

// The texture flag (0 plain, 1 also a texture, 2 a texture with transparency) concerns the 3D
// engine, which takes the image's picture from the record.
Pc CmdGetImageForTexture(Pc at) {
  Operands in(at);
  GetImage(in, true);
  return in.Next();
}

void LoadImage(Operands& in, bool withTextureMode) {
  const std::string name = NextFileName(in);
  const int32_t number = in.Int();
  if (withTextureMode) in.Int();
  StopFlag = RefreshAfterDrawing;
  if (!CheckImageNumber(number)) return;
  LoadImageFromFile(name, number);
}

Pc CmdLoadImage(Pc at) {
  Operands in(at);
  LoadImage(in, false);
  return in.Next();
}

Pc CmdLoadImageForTexture(Pc at) {
  Operands in(at);
  LoadImage(in, true);
  return in.Next();
}

// SAVE IMAGE never replaces a file: 106 when it exists already.
Pc CmdSaveImage(Pc at) {
  Operands in(at);
  const std::string name = NextFileName(in);
  const int32_t number = in.Int();
  StopFlag = RefreshAfterDrawing;
  const int32_t index = ExistingImage(number);
  if (index == 0) return in.Next();
  if (FileExists(name)) {
    RaiseRuntimeError(kErrorFileExists);
    return in.Next();
  }
  QueueSaveImage(index, name);
  return in.Next();
}

Pc CmdDeleteImage(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  if (ExistingImage(number) != 0) DeleteImageLater(number);
  return in.Next();
}

Pc CmdImageExist(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t number = in.Int();
  if (!CheckImageNumber(number)) return in.Next();
  result = FindImage(number) != 0 ? 1 : 0;
  return in.Next();
}

// PASTE IMAGE n, x, y draws every pixel; with a fourth value, black is left out unless it is 0.
Pc CmdPasteImage(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  if (const int32_t index = ExistingImage(number); index != 0) QueuePasteImage(index, x, y, false);
  ShowScreenDrawing();
  return in.Next();
}

Pc CmdPasteImageFlag(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  const bool transparent = in.Int() != 0;
  if (const int32_t index = ExistingImage(number); index != 0) QueuePasteImage(index, x, y, transparent);
  ShowScreenDrawing();
  return in.Next();
}

Pc CmdRotateImage(Pc at) {
  Operands in(at);
  const int32_t number = in.Int();
  const int32_t angle = in.Int();
  if (const int32_t index = ExistingImage(number); index != 0) QueueRotateImage(index, angle);
  return in.Next();
}

constexpr CommandRegistration kImageCommands[] = {
    {kCmdGetImageLLLLL, "get image", "LLLLL", CmdGetImage},
    {kCmdGetImageLLLLLL, "get image", "LLLLLL", CmdGetImageForTexture},
    {kCmdLoadImageSL, "load image", "SL", CmdLoadImage},
    {kCmdLoadImageSLL, "load image", "SLL", CmdLoadImageForTexture},
    {kCmdSaveImage, "save image", "SL", CmdSaveImage},
    {kCmdDeleteImage, "delete image", "L", CmdDeleteImage},
    {kCmdImageExist, "image exist[", "LL", CmdImageExist},
    {kCmdPasteImageLLL, "paste image", "LLL", CmdPasteImage},
    {kCmdPasteImageLLLL, "paste image", "LLLL", CmdPasteImageFlag},
    {kCmdRotateImage, "rotate image", "LL", CmdRotateImage},
};

}  // namespace

constinit const CommandFamily kImageFamily{kImageCommands, {}};

}  // namespace qm
