// AVI animations 1-32: loading, playing or looping them at a rectangle of the screen or of a
// bitmap, pausing, resuming, stopping, placing, and the frame step's drawing of every animation.
//
// An animation's life: loaded (its name and rectangles only) -> playing (the file open, frames
// decoded at the file's rate by the system clock and drawn every frame) -> at the end of the file
// rewound when looping, else stopped with the last frame still drawn every frame -> paused (no
// decoding, the last frame still drawn) -> resumed (decoding goes on where it stopped) -> stopped
// or deleted (nothing left to draw). Loading a number that exists deletes it first.
//
// Frames are drawn onto the target's surface as it is at each frame (the back buffer for the
// screen, or the bitmap's surface), stretched from the frame into the destination rectangle. The
// destination is clipped to that surface, and the frame is cut in proportion; a destination of no
// width or height draws nothing.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "display/animation_stream.h"
#include "platform/display/surface.h"

namespace qm {

inline constexpr int32_t kAnimationSlots = 33;  // indexed by animation number; 0 is never used

struct AnimationSlotFlags {
  uint8_t exists = 0, playing = 0, paused = 0, looping = 0;
};

struct AnimationRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct AnimationRecord {
  std::string fileName;                       // as the program gave it, at most 255 characters
  int32_t targetBitmap = 0;                   // 0 the screen, 1-31 a bitmap
  std::unique_ptr<AnimationStream> stream;    // the open file
  bool running = false;                       // frames are being decoded (the stream plays)
  platform::Surface* frameSurface = nullptr;  // the last decoded frame, in the target's format
  AnimationRect destination, source, frame, placed;
  int32_t sampleReady = 0;  // 1 once a frame surface has been made
  int32_t loop = 0;
  // Decoding pace: the clock reading at which frame 0 was due, and the frames decoded so far.
  uint32_t startMs = 0;
  int64_t framesDecoded = 0;
};

extern std::array<AnimationSlotFlags, kAnimationSlots> AnimationSlots;
extern std::array<AnimationRecord, kAnimationSlots> AnimationRecords;

// The operations; each returns 1 or 0 as described.
// Opens the record's file (looked up among packed files first): 1, or 0 when it is no playable AVI.
int32_t OpenAnimationStream(int32_t n, const std::string& fileName);
// Opens the file to learn its frame size and fills the rectangles (destination 0, 0, width,
// height clipped to the display), then closes it again. 1, or 0 when the file cannot be played.
int32_t LoadAnimation(int32_t n, const std::string& fileName);
// Plays n: with `usePosition` at (x1, y1, x2, y2) (x2 and y2 both 0: the frame's own size at x1,
// y1), else at the placed rectangle; `targetBitmap` -1 keeps the record's target. A playing
// animation is rewound; with `restart` an open but paused one starts again from its file. 1, or 0
// (with everything it made released) when the file cannot be played.
int32_t PlayAnimation(int32_t n, bool usePosition, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t targetBitmap, bool restart);
int32_t StopAnimation(int32_t n);    // 0 when the file is not open
int32_t PauseAnimation(int32_t n);   // 0 when it is not playing
int32_t ResumeAnimation(int32_t n);  // 0 when it is not paused
int32_t SetAnimationLoopOn(int32_t n);
int32_t SetAnimationLoopOff(int32_t n);
int32_t PlaceAnimation(int32_t n, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
int32_t GetAnimationProperty(int32_t n, int32_t& x, int32_t& y, int32_t& width, int32_t& height);
int32_t DeleteAnimation(int32_t n);
// Every animation deleted and forgotten (run end, display reset).
int32_t FreeAllAnimations();
// The frame step: every existing animation decodes the frame that is due and draws its last frame.
int32_t UpdateAnimations();

// The surface animations with this target draw on now (null when the bitmap has none).
platform::Surface* AnimationTargetSurface(int32_t targetBitmap);

}  // namespace qm
