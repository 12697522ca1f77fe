// AVI animations: the records, their operations and the frame step.
#include "display/animations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "display/animation_sound.h"
#include "display/display_state.h"
#include "display/draw_request_queue.h"
#include "display/frame_present.h"
#include "platform/clock.h"
#include "runtime/packed_files.h"

namespace qm {

std::array<AnimationSlotFlags, kAnimationSlots> AnimationSlots;
std::array<AnimationRecord, kAnimationSlots> AnimationRecords;

namespace {

using platform::DisplayResult;
using platform::Surface;

constexpr std::size_t kFileNameLimit = 255;

AnimationRecord& Record(int32_t n) { return AnimationRecords[static_cast<std::size_t>(n)]; }

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The clock reading at which frame 0 was due, so that `frames` frames have been due by now.
uint32_t StartForFramesShown(const AnimationRecord& r) {
  const double fps = r.stream != nullptr ? r.stream->FramesPerSecond() : 25.0;
  const auto shownMs = static_cast<uint64_t>(static_cast<double>(r.framesDecoded) * 1000.0 / fps);
  return platform::TimeMs() - static_cast<uint32_t>(shownMs);
}

// The destination clipped to the target's surface (the display when the target has none), the
// frame cut in the same proportion. A destination without width or height is left alone: it
// draws nothing.
void ClipAnimationRect(int32_t n) {
  AnimationRecord& r = Record(n);
  r.source = r.frame;
  const Surface* target = AnimationTargetSurface(r.targetBitmap);
  const int64_t width = target != nullptr ? target->Width() : TheDisplay.displayWidth;
  const int64_t height = target != nullptr ? target->Height() : TheDisplay.displayHeight;
  AnimationRect& d = r.destination;
  const int64_t destWidth = int64_t{d.right} - d.left, destHeight = int64_t{d.bottom} - d.top;
  if (destWidth <= 0 || destHeight <= 0) return;
  const double sx = static_cast<double>(r.source.right - r.source.left) / static_cast<double>(destWidth);
  const double sy = static_cast<double>(r.source.bottom - r.source.top) / static_cast<double>(destHeight);
  auto cut = [](double scale, int64_t pixels) {
    return ClampToInt32(static_cast<int64_t>(scale * static_cast<double>(pixels)));
  };
  if (d.left < 0) {
    r.source.left += cut(sx, -int64_t{d.left});
    d.left = 0;
  }
  if (d.top < 0) {
    r.source.top += cut(sy, -int64_t{d.top});
    d.top = 0;
  }
  if (d.right > width) {
    r.source.right -= cut(sx, d.right - width);
    d.right = static_cast<int32_t>(width);
  }
  if (d.bottom > height) {
    r.source.bottom -= cut(sy, d.bottom - height);
    d.bottom = static_cast<int32_t>(height);
  }
}

// The frame's size, as the stream reports it.
void ReadAnimationFormat(int32_t n) {
  AnimationRecord& r = Record(n);
  r.frame = {0, 0, r.stream->Width(), r.stream->Height()};
  r.source = r.frame;
}

// The frame surface in the target's format, holding the last decoded frame when there is one.
int32_t CreateAnimationSample(int32_t n) {
  AnimationRecord& r = Record(n);
  Surface* target = AnimationTargetSurface(r.targetBitmap);
  if (target == nullptr || platform::IsCompressed(target->Format())) return 0;
  ClipAnimationRect(n);
  const int width = r.frame.right, height = r.frame.bottom;
  Surface*& frame = r.frameSurface;
  if (frame != nullptr &&
      (frame->Width() != width || frame->Height() != height || frame->Format() != target->Format())) {
    frame->Release();
    frame = nullptr;
  }
  if (frame == nullptr) {
    platform::SurfaceDesc desc;
    desc.width = width;
    desc.height = height;
    desc.format = target->Format();
    desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    if (Surface::Create(desc, frame) != DisplayResult::Ok) {
      frame = nullptr;
      return 0;
    }
    frame->Fill(nullptr, 0);
    if (r.framesDecoded > 0) r.stream->ConvertFrameInto(*frame);
  }
  r.sampleReady = 1;
  return 1;
}

// Decoding stops; the frame surface keeps the last frame.
void ReleaseAnimationPlayback(int32_t n) { Record(n).running = false; }

void StartRunning(int32_t n) {
  AnimationRecord& r = Record(n);
  r.startMs = StartForFramesShown(r);
  r.running = true;
}

// The last decoded frame onto the target, from the source into the destination rectangle.
void DrawAnimationFrame(int32_t n) {
  AnimationRecord& r = Record(n);
  if (r.sampleReady != 1 || r.frameSurface == nullptr) return;
  Surface* target = AnimationTargetSurface(r.targetBitmap);
  if (target == nullptr) return;
  const platform::Rect destination{r.destination.left, r.destination.top, r.destination.right,
                                   r.destination.bottom};
  const platform::Rect source{r.source.left, r.source.top, r.source.right, r.source.bottom};
  const bool destinationInside = !destination.Empty() && destination.left >= 0 && destination.top >= 0 &&
                                 destination.right <= target->Width() &&
                                 destination.bottom <= target->Height();
  const bool sourceInside = !source.Empty() && source.left >= 0 && source.top >= 0 &&
                            source.right <= r.frameSurface->Width() &&
                            source.bottom <= r.frameSurface->Height();
  if (!destinationInside || !sourceInside) return;
  for (;;) {
    const DisplayResult drawn = target->Blt(&destination, r.frameSurface, &source, 0);
    if (drawn == DisplayResult::WasStillDrawing) continue;
    if (drawn != DisplayResult::SurfaceLost || RestoreLostSurfaces() != 0) return;
  }
}

// Decodes every frame that is due by now (at least one after a start) and keeps the last in the
// frame surface. At the end of the file a looping animation starts again, another one stops.
void UpdateAnimationFrame(int32_t n) {
  AnimationRecord& r = Record(n);
  const uint32_t now = platform::TimeMs();
  const auto due =
      static_cast<int64_t>(static_cast<double>(now - r.startMs) * r.stream->FramesPerSecond() / 1000.0);
  bool decoded = false, ended = false;
  while (r.framesDecoded == 0 || r.framesDecoded <= due) {
    if (!r.stream->NextFrame()) {
      ended = true;
      break;
    }
    ++r.framesDecoded;
    decoded = true;
  }
  if (decoded && r.frameSurface != nullptr) r.stream->ConvertFrameInto(*r.frameSurface);
  if (!ended) return;
  if (r.loop == 1 && r.stream->Rewind()) {
    r.framesDecoded = 0;
    r.startMs = now;
    return;
  }
  ReleaseAnimationPlayback(n);
  AnimationSlots[static_cast<std::size_t>(n)].playing = 0;
}

}  // namespace

Surface* AnimationTargetSurface(int32_t targetBitmap) {
  if (targetBitmap == 0) return BackBufferSurface();
  if (targetBitmap < 0 || targetBitmap >= kBitmapSlots) return nullptr;
  return TheDisplay.bitmapSurfaces[static_cast<std::size_t>(targetBitmap)];
}

int32_t OpenAnimationStream(int32_t n, const std::string& fileName) {
  AnimationRecord& r = Record(n);
  r.stream.reset();
  r.framesDecoded = 0;
  r.stream = AnimationStream::OpenFile(ResolveMediaPath(fileName, "avi"), &AnimationSound(), n);
  return r.stream != nullptr ? 1 : 0;
}

int32_t LoadAnimation(int32_t n, const std::string& fileName) {
  if (OpenAnimationStream(n, fileName) == 0) return 0;
  AnimationRecord& r = Record(n);
  r.fileName = fileName.substr(0, kFileNameLimit);
  r.destination = r.placed = AnimationRect{};
  PlayAnimation(n, false, 0, 0, 0, 0, 0, false);
  DeleteAnimation(n);
  return 1;
}

int32_t PlayAnimation(int32_t n, bool usePosition, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t targetBitmap, bool restart) {
  AnimationRecord& r = Record(n);
  if (targetBitmap >= 0) r.targetBitmap = targetBitmap;
  if (r.running) {
    if (!r.stream->Rewind()) {
      DeleteAnimation(n);
      return 0;
    }
    r.framesDecoded = 0;
  } else if (r.stream != nullptr && restart) {
    DeleteAnimation(n);
  }
  if (usePosition) {
    r.placed = {x1, y1, x2, y2};
  } else {
    x1 = r.placed.left;
    y1 = r.placed.top;
    x2 = r.placed.right;
    y2 = r.placed.bottom;
  }
  if (r.stream == nullptr && OpenAnimationStream(n, r.fileName) == 0) return 0;
  ReadAnimationFormat(n);
  if (x2 != 0 || y2 != 0) {
    r.destination = {x1, y1, x2, y2};
  } else {
    r.destination = {x1, y1, ClampToInt32(int64_t{x1} + r.frame.right),
                     ClampToInt32(int64_t{y1} + r.frame.bottom)};
  }
  if (CreateAnimationSample(n) == 0) {
    DeleteAnimation(n);
    return 0;
  }
  StartRunning(n);
  return 1;
}

int32_t StopAnimation(int32_t n) {
  if (Record(n).stream == nullptr) return 0;
  DeleteAnimation(n);
  return 1;
}

int32_t PauseAnimation(int32_t n) {
  if (!Record(n).running) return 0;
  ReleaseAnimationPlayback(n);
  return 1;
}

int32_t ResumeAnimation(int32_t n) {
  AnimationRecord& r = Record(n);
  if (r.running || r.stream == nullptr) return 0;
  return PlayAnimation(n, false, 0, 0, 0, 0, -1, false);
}

int32_t SetAnimationLoopOn(int32_t n) {
  Record(n).loop = 1;
  return 1;
}

int32_t SetAnimationLoopOff(int32_t n) {
  Record(n).loop = 0;
  return 1;
}

int32_t PlaceAnimation(int32_t n, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  AnimationRecord& r = Record(n);
  r.placed = r.destination = {x1, y1, x2, y2};
  ClipAnimationRect(n);
  return 1;
}

int32_t GetAnimationProperty(int32_t n, int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
  const AnimationRect& d = Record(n).destination;
  x = d.left;
  y = d.top;
  width = ClampToInt32(int64_t{d.right} - d.left);
  height = ClampToInt32(int64_t{d.bottom} - d.top);
  return 1;
}

int32_t DeleteAnimation(int32_t n) {
  AnimationRecord& r = Record(n);
  ReleaseAnimationPlayback(n);
  if (r.frameSurface != nullptr) r.frameSurface->Release();
  r.frameSurface = nullptr;
  r.stream.reset();
  r.framesDecoded = 0;
  return 1;
}

int32_t FreeAllAnimations() {
  for (int32_t n = 0; n < kAnimationSlots; ++n) {
    DeleteAnimation(n);
    Record(n) = AnimationRecord{};
    AnimationSlots[static_cast<std::size_t>(n)] = AnimationSlotFlags{};
  }
  return 1;
}

int32_t UpdateAnimations() {
  for (int32_t n = 0; n < kAnimationSlots; ++n) {
    if (AnimationSlots[static_cast<std::size_t>(n)].exists == 0) continue;
    if (Record(n).running) UpdateAnimationFrame(n);
    DrawAnimationFrame(n);
  }
  return 1;
}

}  // namespace qm
