// The draw-request queue and the replay of the 2D drawing codes (see draw_request_queue.h). The
// replay writes pixels straight into the target's memory: the target's layout is looked up once
// whenever the target changes, never per request, and records are reused through the table's
// free list, so a frame of tens of thousands of dots allocates nothing.
#include "display/draw_request_queue.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/bitmaps.h"
#include "display/engine_tables.h"
#include "display/image_files/image_files.h"
#include "display/images.h"
#include "display/sprites.h"
#include "platform/display/surface.h"
#include "runtime/interpreter.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"

namespace qm {

QueueBitmap QueueCurrentBitmap;
InkColourSet InkColours;

namespace {

struct ScreenState {
  platform::Surface* backBuffer = nullptr;
  bool flipChain = false;
};
ScreenState gScreen;

constexpr int32_t kWhite = 0xFFFFFF;

int32_t FieldMax(uint32_t mask) {
  while (mask != 0 && (mask & 1) == 0) mask >>= 1;
  return static_cast<int32_t>(mask);
}
int32_t FieldShift(uint32_t mask) {
  int32_t shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int32_t ScaleChannel(int32_t max, int32_t value) {
  return static_cast<int32_t>(static_cast<double>(max) / 255.0 * static_cast<double>(value));
}
int32_t ExpandChannel(int32_t max, uint32_t value) {
  return max == 0 ? 0 : static_cast<int32_t>(255.0 / static_cast<double>(max) * static_cast<double>(value));
}

// ---- Taking requests ----

int8_t RepeatForBitmap(int32_t number) { return static_cast<int8_t>(number == 0 ? ScreenRepeatCount() : 1); }

// A new request stamped with the current bitmap and the queuing command; nullptr when the table
// could not grow (error 101 is then pending).
DrawRequest* TakeRequest(int32_t code, int8_t repeatCount) {
  const int32_t index = NewDrawRequest();
  if (index == kNoRecord) return nullptr;
  DrawRequest& request = DrawRequestQueue[index];
  request.code = code;
  request.repeatCount = repeatCount;
  request.bitmapAtQueue = QueueCurrentBitmap.number;
  request.surfaceAtQueue = QueueCurrentBitmap.surface;
  request.queuedAtWord = Interpreter.command != nullptr ? WordIndexOf(Interpreter.command) : -1;
  request.opaque = 0;
  request.text[0] = '\0';
  return &request;
}

DrawRequest* TakeDrawing(int32_t code) {
  return TakeRequest(code, RepeatForBitmap(QueueCurrentBitmap.number));
}

void StoreText(DrawRequest& request, std::string_view text) {
  const std::size_t length = std::min<std::size_t>(text.size(), kDrawRequestTextBytes - 1);
  if (length > 0) std::memcpy(request.text, text.data(), length);  // an empty view may have no data
  request.text[length] = '\0';
}

int32_t FloatBits(float value) {
  int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
float BitsFloat(int32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// ---- The target of the replay ----

// The pixels of the surface being drawn on, looked up once per change of target.
struct Target {
  platform::Surface* surface = nullptr;
  uint8_t* bits = nullptr;
  int32_t pitch = 0, width = 0, height = 0, bytes = 0;
  PixelPacking packing;

  bool Contains(int32_t x, int32_t y) const {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(width) &&
           static_cast<uint32_t>(y) < static_cast<uint32_t>(height);
  }
  uint8_t* At(int32_t x, int32_t y) const {
    return bits + static_cast<std::ptrdiff_t>(y) * pitch + static_cast<std::ptrdiff_t>(x) * bytes;
  }
  void Put(int32_t x, int32_t y, uint32_t pixel) const {
    uint8_t* p = At(x, y);
    switch (bytes) {
      case 2: {
        const auto v = static_cast<uint16_t>(pixel);
        std::memcpy(p, &v, 2);
        break;
      }
      case 3:
        p[0] = static_cast<uint8_t>(pixel);
        p[1] = static_cast<uint8_t>(pixel >> 8);
        p[2] = static_cast<uint8_t>(pixel >> 16);
        break;
      case 4:
        std::memcpy(p, &pixel, 4);
        break;
      default:
        break;
    }
  }
  uint32_t Get(int32_t x, int32_t y) const {
    const uint8_t* p = At(x, y);
    uint32_t v = 0;
    std::memcpy(&v, p, static_cast<std::size_t>(bytes));
    return v;
  }
  // A filled rectangle, both corners inside; the part on the surface is drawn.
  void FillBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t pixel) const {
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, width - 1);
    y2 = std::min(y2, height - 1);
    for (int32_t y = y1; y <= y2; ++y) {
      for (int32_t x = x1; x <= x2; ++x) Put(x, y, pixel);
    }
  }
};

Target gTarget;

// The ink at the start of the last replay pass, and whether requests of that pass are still
// queued for their second replay (a flip chain): those come first in the queue, so the next pass
// starts from the same ink and both buffers receive the same picture.
InkColourSet gInkAtPassStart;
bool gRequestsLeftForNextPass = false;

// False when the surface cannot be drawn on (none, lost, compressed).
bool SelectTarget(platform::Surface* surface) {
  if (surface == gTarget.surface) return gTarget.bits != nullptr;
  gTarget = Target{};
  gTarget.surface = surface;
  if (surface == nullptr || surface->IsLost() || surface->IsLocked()) return false;
  const platform::PixelFormat format = surface->Format();
  gTarget.bytes = platform::BytesPerPixel(format);
  if (gTarget.bytes == 0) return false;
  gTarget.bits = surface->Row(0);
  gTarget.pitch = surface->Pitch();
  gTarget.width = surface->Width();
  gTarget.height = surface->Height();
  gTarget.packing = PackingOf(format);
  return true;
}

// ---- Replay of the drawing codes ----

// A line of floor(length) + 1 points one pixel apart, each truncated toward zero; points off the
// surface are skipped, so a line partly outside draws its visible part.
void DrawLineSegment(double x1, double y1, double x2, double y2, uint32_t pixel) {
  double dx = x2 - x1, dy = y2 - y1;
  const double steps = std::sqrt(dx * dx + dy * dy);
  if (steps > 0) {
    dx /= steps;
    dy /= steps;
  }
  double x = x1, y = y1;
  for (double counter = 0.0; counter <= steps; counter += 1.0) {
    const auto px = static_cast<int32_t>(x), py = static_cast<int32_t>(y);
    if (gTarget.Contains(px, py)) gTarget.Put(px, py, pixel);
    x += dx;
    y += dy;
  }
}

void ReplayEllipse(const DrawRequest& r) {
  const double cx = r.x + 0.5, cy = r.y + 0.5;
  const double rx = BitsFloat(r.x2), ry = BitsFloat(r.y2);
  double previousX = cx + rx, previousY = cy;
  for (double a = -0.06; a <= 6.33; a += 0.0628) {
    const double x = cx + std::cos(a) * rx, y = cy + std::sin(a) * ry;
    DrawLineSegment(previousX, previousY, x, y, InkColours.inkPixel);
    previousX = x;
    previousY = y;
  }
}

void ReplayPoint(const DrawRequest& r) {
  if (!gTarget.Contains(r.x, r.y)) return;
  const int32_t cellIndex = RequestWord(r, 0);
  if (Interpreter.cells == nullptr || static_cast<uint32_t>(cellIndex) >= kOperandCells) return;
  Interpreter.cells[cellIndex].i = ExpandPixelToRgb(gTarget.packing, gTarget.Get(r.x, r.y));
}

void Replay(const DrawRequest& r) {
  if (r.code <= kDrawFadeBitmap) {
    ReplayBitmapRequest(r);
    gTarget = Target{};  // surfaces may have been made, released or rewritten
    return;
  }
  if (r.code >= kDrawGetImage && r.code <= kDrawRotateImage && r.code != kDrawPasteSprite) {
    ReplayImageRequest(r);
    gTarget = Target{};
    return;
  }
  const bool drawable = SelectTarget(r.surfaceAtQueue);
  switch (r.code) {
    case kDrawInk:
      if (r.surfaceAtQueue != nullptr) SetInkColours(PackingOf(r.surfaceAtQueue->Format()), r.x2, r.y2);
      return;
    case kDrawClearColour:
      if (r.surfaceAtQueue != nullptr) SetInkColours(PackingOf(r.surfaceAtQueue->Format()), r.x2, -1);
      return;
    default:
      if (r.code >= kDrawTextFont && r.code <= kDrawTextBoldItalic) {
        ReplayTextRequest(r, nullptr);
        return;
      }
      break;
  }
  if (!drawable) return;
  switch (r.code) {
    case kDrawClear:
      gTarget.FillBox(0, 0, gTarget.width - 1, gTarget.height - 1, InkColours.backgroundPixel);
      break;
    case kDrawDot:
      if (gTarget.Contains(r.x, r.y)) gTarget.Put(r.x, r.y, InkColours.inkPixel);
      break;
    case kDrawBox:
      gTarget.FillBox(r.x, r.y, r.x2, r.y2, InkColours.inkPixel);
      break;
    case kDrawLine:
      DrawLineSegment(r.x, r.y, r.x2, r.y2, InkColours.inkPixel);
      break;
    case kDrawEllipse:
      ReplayEllipse(r);
      break;
    case kDrawPoint:
      ReplayPoint(r);
      break;
    case kDrawPasteSprite:
      if (DisplayEntityTable.IsTaken(r.number) && DisplayEntityTable[r.number].userNumber == r.x2) {
        BlitSprite(r.surfaceAtQueue, r.bitmapAtQueue, r.number, r.x, r.y);
      }
      break;
    default:
      ReplayTextRequest(r, r.surfaceAtQueue);
      gTarget = Target{};  // text drew through its own context: look the target up again
      break;
  }
}

// Replays one request with the queuing command standing as the running one, so an error it raises
// names that command's line.
// An error already waiting to be shown (raised by a command, or by an earlier request) stands: a
// later replay does not put its own in its place.
void ReplayAsQueuingCommand(const DrawRequest& request) {
  const DecodedWord* running = Interpreter.command;
  if (request.queuedAtWord >= 0 && Interpreter.decoded != nullptr)
    Interpreter.command = DecodedAt(request.queuedAtWord);
  if (PendingErrorCode != 0) {
    const RuntimeErrorState first = RuntimeErrors;
    Replay(request);
    RuntimeErrors = first;
  } else {
    Replay(request);
  }
  Interpreter.command = running;
}

}  // namespace

// ---- Screen surfaces ----

void SetScreenSurfaces(platform::Surface* backBuffer, bool flipChain) {
  gScreen.backBuffer = backBuffer;
  gScreen.flipChain = flipChain;
  // Loaded pictures come in the screen's format, so a loaded bitmap has the screen's depth.
  if (backBuffer != nullptr) ImageLoaderInit(backBuffer->Format());
  gTarget = Target{};
  if (QueueCurrentBitmap.number == 0) QueueCurrentBitmap.surface = backBuffer;
}
platform::Surface* BackBufferSurface() { return gScreen.backBuffer; }
int32_t ScreenRepeatCount() { return gScreen.flipChain ? 2 : 1; }

// ---- Colours ----

PixelPacking PackingOf(platform::PixelFormat format) {
  const platform::ChannelMasks masks = platform::MasksOf(format);
  PixelPacking packing;
  packing.redMax = FieldMax(masks.red);
  packing.greenMax = FieldMax(masks.green);
  packing.blueMax = FieldMax(masks.blue);
  packing.redShift = FieldShift(masks.red);
  packing.greenShift = FieldShift(masks.green);
  return packing;
}

uint32_t PackColour(const PixelPacking& p, int32_t colour) {
  const auto c = static_cast<uint32_t>(colour);
  const int32_t r = ScaleChannel(p.redMax, static_cast<int32_t>((c >> 16) & 0xFF));
  const int32_t g = ScaleChannel(p.greenMax, static_cast<int32_t>((c >> 8) & 0xFF));
  const int32_t b = ScaleChannel(p.blueMax, static_cast<int32_t>(c & 0xFF));
  return static_cast<uint32_t>(b) + (static_cast<uint32_t>(r) << p.redShift) +
         (static_cast<uint32_t>(g) << p.greenShift);
}

int32_t ExpandPixelToRgb(const PixelPacking& p, uint32_t v) {
  const int32_t blue = ExpandChannel(p.blueMax, v & static_cast<uint32_t>(p.blueMax));
  const int32_t red = ExpandChannel(p.redMax, (v >> p.redShift) & static_cast<uint32_t>(p.redMax));
  const int32_t green = ExpandChannel(p.greenMax, (v >> p.greenShift) & static_cast<uint32_t>(p.greenMax));
  return blue + (red << 16) + (green << 8);
}

void SetInkColours(const PixelPacking& packing, int32_t background, int32_t foreground) {
  const uint32_t back = PackColour(packing, background);
  InkColours.backgroundPixel = back;
  const int32_t backRgb = ExpandPixelToRgb(packing, back);
  InkColours.backgroundRed = static_cast<uint8_t>(backRgb >> 16);
  InkColours.backgroundGreen = static_cast<uint8_t>(backRgb >> 8);
  InkColours.backgroundBlue = static_cast<uint8_t>(backRgb);
  if (foreground == -1) return;
  const uint32_t ink = PackColour(packing, foreground);
  InkColours.inkPixel = ink;
  const int32_t inkRgb = ExpandPixelToRgb(packing, ink);
  InkColours.inkRed = static_cast<uint8_t>(inkRgb >> 16);
  InkColours.inkGreen = static_cast<uint8_t>(inkRgb >> 8);
  InkColours.inkBlue = static_cast<uint8_t>(inkRgb);
}

// ---- Queue operations ----

void QueueClearScreen() {
  if (DrawRequest* r = TakeDrawing(kDrawClear)) {
    StoreRequestWord(*r, 0, 0);
    StoreRequestWord(*r, 1, 0);
  }
}

void QueueSetClearColour(int32_t colour) {
  if (DrawRequest* r = TakeDrawing(kDrawClearColour)) r->x2 = colour;
}

void QueueInk(int32_t foreground, int32_t background) {
  if (DrawRequest* r = TakeDrawing(kDrawInk)) {
    r->x2 = background;
    r->y2 = foreground;
  }
}

void QueuePasteSprite(int32_t entity, int32_t number, int32_t x, int32_t y) {
  if (DrawRequest* r = TakeDrawing(kDrawPasteSprite)) {
    r->number = entity;
    r->x2 = number;
    r->x = x;
    r->y = y;
  }
}

void QueueDot(int32_t x, int32_t y) {
  if (DrawRequest* r = TakeDrawing(kDrawDot)) {
    r->x = x;
    r->y = y;
  }
}

namespace {
void QueueCorners(int32_t code, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (DrawRequest* r = TakeDrawing(code)) {
    r->x = x1;
    r->y = y1;
    r->x2 = x2;
    r->y2 = y2;
  }
}
}  // namespace

void QueueBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { QueueCorners(kDrawBox, x1, y1, x2, y2); }
void QueueLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { QueueCorners(kDrawLine, x1, y1, x2, y2); }
void QueueEllipse(int32_t x, int32_t y, float radiusX, float radiusY) {
  QueueCorners(kDrawEllipse, x, y, FloatBits(radiusX), FloatBits(radiusY));
}

// Read once: a second replay from the other flip buffer would write the cell a frame later, when
// the statement after POINT may be using it for something else.
void QueuePoint(int32_t x, int32_t y, int32_t resultCellIndex) {
  if (DrawRequest* r = TakeRequest(kDrawPoint, 1)) {
    r->x = x;
    r->y = y;
    StoreRequestWord(*r, 0, resultCellIndex);
  }
}

void QueueTextRequest(int32_t code, int32_t x, int32_t y, std::string_view text, int8_t opaque) {
  if (DrawRequest* r = TakeDrawing(code)) {
    r->x = x;
    r->y = y;
    r->opaque = opaque;
    StoreText(*r, text);
  }
}

void QueueSetting(int32_t code) { TakeRequest(code, 1); }

void QueueTextSetting(int32_t code, int32_t x, int32_t word0, std::string_view text) {
  if (DrawRequest* r = TakeRequest(code, 1)) {
    r->x = x;
    StoreText(*r, text);
    if (text.empty()) StoreRequestWord(*r, 0, word0);
  }
}

// ---- Bitmap and image requests ----

namespace {

DrawRequest* TakeForBitmap(int32_t code, int32_t number) {
  DrawRequest* r = TakeRequest(code, RepeatForBitmap(number));
  if (r != nullptr) r->number = number;
  return r;
}

}  // namespace

void QueueSetCurrentBitmap(int32_t number) {
  TakeRequest(kDrawSetCurrentBitmap, 1);
  QueueCurrentBitmap = QueueBitmap{number, IsBitmapNumber(number) ? BitmapSurface(number) : nullptr};
}

void QueueLoadBitmap(int32_t number, std::string_view fileName) {
  if (DrawRequest* r = TakeForBitmap(kDrawLoadBitmap, number)) StoreText(*r, fileName);
}

void QueueSaveBitmap(int32_t number, std::string_view fileName) {
  if (DrawRequest* r = TakeRequest(kDrawSaveBitmap, 1)) {
    r->number = number;
    StoreText(*r, fileName);
  }
}

void QueueCreateBitmap(int32_t number, int32_t width, int32_t height) {
  if (DrawRequest* r = TakeRequest(kDrawCreateBitmap, 1)) {
    r->number = number;
    r->x2 = width;
    r->y2 = height;
  }
}

void QueueDeleteBitmap(int32_t number) {
  if (DrawRequest* r = TakeRequest(kDrawDeleteBitmap, 1)) r->number = number;
  if (number == QueueCurrentBitmap.number) QueueCurrentBitmap = QueueBitmap{0, gScreen.backBuffer};
}

void QueueCopyBitmap(int32_t source, int32_t destination) {
  if (DrawRequest* r = TakeForBitmap(kDrawCopyBitmap, destination)) {
    r->number = source;
    r->x = 0;
    StoreRequestWord(*r, 4, destination);
  }
}

void QueueCopyBitmapRect(int32_t source, const CopyRect& from, int32_t destination, const CopyRect& to) {
  if (DrawRequest* r = TakeForBitmap(kDrawCopyBitmap, destination)) {
    r->number = source;
    r->x = 1;
    const int32_t words[9] = {from.x1, from.y1, from.x2, from.y2, destination, to.x1, to.y1, to.x2, to.y2};
    for (int word = 0; word < 9; ++word) StoreRequestWord(*r, word, words[word]);
  }
}

void QueueMirrorBitmap(int32_t number) { TakeForBitmap(kDrawMirrorBitmap, number); }
void QueueFlipBitmap(int32_t number) { TakeForBitmap(kDrawFlipBitmap, number); }

void QueueBlurBitmap(int32_t number, int32_t amount) {
  if (DrawRequest* r = TakeForBitmap(kDrawBlurBitmap, number)) StoreRequestWord(*r, 0, amount);
}

void QueueFadeBitmap(int32_t number, int32_t amount) {
  if (DrawRequest* r = TakeForBitmap(kDrawFadeBitmap, number)) StoreRequestWord(*r, 0, amount);
}

void QueueGetImage(int32_t imageIndex, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t textureFlag) {
  if (DrawRequest* r = TakeRequest(kDrawGetImage, 1)) {
    r->number = imageIndex;
    r->x = x1;
    r->y = y1;
    r->x2 = x2;
    r->y2 = y2;
    StoreRequestWord(*r, 0, textureFlag);
  }
  ImageTable[imageIndex].width = x2 - x1;
  ImageTable[imageIndex].height = y2 - y1;
}

void QueuePasteImage(int32_t imageIndex, int32_t x, int32_t y, bool transparent) {
  if (DrawRequest* r = TakeDrawing(kDrawPasteImage)) {
    r->number = imageIndex;
    r->x = x;
    r->y = y;
    r->x2 = transparent ? 1 : 0;
  }
}

void QueueSaveImage(int32_t imageIndex, std::string_view fileName) {
  if (DrawRequest* r = TakeRequest(kDrawSaveImage, 1)) {
    r->number = imageIndex;
    StoreText(*r, fileName);
  }
}

void QueueRotateImage(int32_t imageIndex, int32_t angle) {
  if (DrawRequest* r = TakeRequest(kDrawRotateImage, 1)) {
    r->number = imageIndex;
    r->x = angle;
  }
}

void ForgetQueuedSurface(const platform::Surface* surface) {
  if (surface == nullptr) return;
  if (gTarget.surface == surface) gTarget = Target{};
  if (QueueCurrentBitmap.surface == surface) QueueCurrentBitmap.surface = nullptr;
  if (!DrawRequestQueue.Exists()) return;
  DrawRequestQueue.ForEachUsed([surface](int32_t index) {
    DrawRequest& request = DrawRequestQueue[index];
    if (request.surfaceAtQueue == surface) request.surfaceAtQueue = nullptr;
  });
}

// ---- The replay ----

// While the application is inactive the queue waits untouched: counting the requests down undrawn
// would lose ink changes, text settings and POINT results the program relies on.
void ProcessDrawRequests() {
  if (gScreen.backBuffer == nullptr || !DrawRequestQueue.Exists() || AppActiveFlag != 1) return;
  gTarget = Target{};
  if (gRequestsLeftForNextPass) InkColours = gInkAtPassStart;
  gInkAtPassStart = InkColours;
  DrawRequestQueue.ForEachUsed([](int32_t index) {
    DrawRequest& request = DrawRequestQueue[index];
    --request.repeatCount;
    ReplayAsQueuingCommand(request);
    if (request.repeatCount <= 0) DrawRequestQueue.Release(index);
  });
  gRequestsLeftForNextPass = DrawRequestQueue.UsedCount() > 0;
  gTarget = Target{};
}

void ClearDrawRequests() {
  gRequestsLeftForNextPass = false;
  if (!DrawRequestQueue.Exists()) return;
  DrawRequestQueue.ForEachUsed([](int32_t index) { DrawRequestQueue.Release(index); });
}

void ResetDrawQueueForRun() {
  QueueCurrentBitmap = QueueBitmap{0, gScreen.backBuffer};
  InkColours = InkColourSet{};
  const platform::PixelFormat format =
      gScreen.backBuffer != nullptr ? gScreen.backBuffer->Format() : platform::PixelFormat::R5G6B5;
  SetInkColours(PackingOf(format), 0, kWhite);
  gRequestsLeftForNextPass = false;
  gTarget = Target{};
}

}  // namespace qm
