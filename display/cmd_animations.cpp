// The animation commands: LOAD, DELETE, PLAY, LOOP, STOP, PAUSE, RESUME and PLACE ANIMATION, and
// the animation queries. Each checks the animation number (1-32, else 2001) and then that the
// animation exists (2004) before anything else; a failed check skips the command's operands. No
// animation command ends the slice. 2002, 2007, 2008, 2009 and 2010 are raised as warnings.
#include <cstdint>
#include <string>

#include "display/animations.h"
#include "display/display_commands.h"
#include "display/display_state.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

constexpr RuntimeErrorCode kErrorAnimationNumber = 2001;
constexpr RuntimeErrorCode kErrorAnimationOpen = 2002;
constexpr RuntimeErrorCode kErrorAnimationMissing = 2004;
constexpr RuntimeErrorCode kErrorAnimationPlay = 2007;
constexpr RuntimeErrorCode kErrorAnimationNotPlaying = 2008;
constexpr RuntimeErrorCode kErrorAnimationPaused = 2009;
constexpr RuntimeErrorCode kErrorAnimationNotPaused = 2010;
constexpr RuntimeErrorCode kErrorBitmapNumber = 1001;
constexpr RuntimeErrorCode kErrorBitmapMissing = 1002;
constexpr int32_t kLastAnimation = 32, kLastBitmap = 31;

AnimationSlotFlags& Slot(int32_t n) { return AnimationSlots[static_cast<std::size_t>(n)]; }

bool NumberInRange(int32_t n) {
  if (n >= 1 && n <= kLastAnimation) return true;
  RaiseRuntimeError(kErrorAnimationNumber);
  return false;
}

// The number is in range and the animation exists.
bool AnimationReady(int32_t n) {
  if (!NumberInRange(n)) return false;
  if (Slot(n).exists) return true;
  RaiseRuntimeError(kErrorAnimationMissing);
  return false;
}

// Bitmap 0 is the screen; 1-31 must exist.
bool BitmapReady(int32_t bitmap) {
  if (bitmap < 0 || bitmap > kLastBitmap) {
    RaiseRuntimeError(kErrorBitmapNumber);
    return false;
  }
  if (AnimationTargetSurface(bitmap) != nullptr) return true;
  RaiseRuntimeError(kErrorBitmapMissing);
  return false;
}

void MarkPlaying(int32_t n, bool looping) {
  AnimationSlotFlags& slot = Slot(n);
  slot.playing = 1;
  slot.looping = looping ? 1 : 0;
  slot.paused = 0;
}

Pc CmdLoadAnimation(Pc at) {
  Operands in(at);
  const std::string file = CellText(in.String());
  const int32_t n = in.Int();
  if (!NumberInRange(n)) return in.Next();
  if (Slot(n).exists) {
    DeleteAnimation(n);
    Slot(n) = AnimationSlotFlags{};
  }
  if (LoadAnimation(n, file) == 0) {
    RaiseRuntimeError(kErrorAnimationOpen);
    return in.Next();
  }
  Slot(n) = AnimationSlotFlags{1, 0, 0, 0};
  return in.Next();
}

Pc CmdDeleteAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  if (!AnimationReady(n)) return in.Next();
  DeleteAnimation(n);
  Slot(n).exists = 0;
  return in.Next();
}

// PLAY ANIMATION in its four forms: `usePosition` with the rectangle read, `bitmap` -1 for the screen
// form.
void Play(int32_t n, bool usePosition, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t bitmap) {
  if (PlayAnimation(n, usePosition, x1, y1, x2, y2, bitmap < 0 ? 0 : bitmap, true) == 0) {
    RaiseRuntimeError(kErrorAnimationPlay);
    return;
  }
  SetAnimationLoopOff(n);
  MarkPlaying(n, false);
}

Pc CmdPlayAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  if (AnimationReady(n)) Play(n, false, 0, 0, 0, 0, -1);
  return in.Next();
}

Pc CmdPlayAnimationAt(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  const int32_t x = in.Int();
  const int32_t y = in.Int();
  if (AnimationReady(n)) Play(n, true, x, y, 0, 0, -1);
  return in.Next();
}

Pc CmdPlayAnimationStretched(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  const int32_t x1 = in.Int();
  const int32_t y1 = in.Int();
  const int32_t x2 = in.Int();
  const int32_t y2 = in.Int();
  if (AnimationReady(n)) Play(n, true, x1, y1, x2, y2, -1);
  return in.Next();
}

Pc CmdPlayAnimationIntoBitmap(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  const int32_t bitmap = in.Int();
  const int32_t x1 = in.Int();
  const int32_t y1 = in.Int();
  const int32_t x2 = in.Int();
  const int32_t y2 = in.Int();
  if (AnimationReady(n) && BitmapReady(bitmap)) Play(n, true, x1, y1, x2, y2, bitmap);
  return in.Next();
}

// LOOP ANIMATION: as PLAY without starting an open animation again, looping. An animation that
// cannot be played raises 2007 as PLAY does, and its flags stay as they were.
void Loop(int32_t n, bool usePosition, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t bitmap) {
  if (PlayAnimation(n, usePosition, x1, y1, x2, y2, bitmap, false) == 0) {
    RaiseRuntimeError(kErrorAnimationPlay);
    return;
  }
  SetAnimationLoopOn(n);
  MarkPlaying(n, true);
}

Pc CmdLoopAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  if (AnimationReady(n)) Loop(n, false, 0, 0, 0, 0, 0);
  return in.Next();
}

Pc CmdLoopAnimationIntoBitmap(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  const int32_t bitmap = in.Int();
  const int32_t x1 = in.Int();
  const int32_t y1 = in.Int();
  const int32_t x2 = in.Int();
  const int32_t y2 = in.Int();
  if (AnimationReady(n) && BitmapReady(bitmap)) Loop(n, true, x1, y1, x2, y2, bitmap);
  return in.Next();
}

Pc CmdStopAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  if (!AnimationReady(n)) return in.Next();
  if (StopAnimation(n) == 0) {
    RaiseRuntimeError(kErrorAnimationNotPlaying);
    return in.Next();
  }
  Slot(n).playing = 0;
  Slot(n).looping = 0;
  return in.Next();
}

Pc CmdPauseAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  if (!AnimationReady(n)) return in.Next();
  if (PauseAnimation(n) == 0) {
    RaiseRuntimeError(kErrorAnimationNotPlaying);
  } else if (Slot(n).paused) {
    RaiseRuntimeError(kErrorAnimationPaused);
  } else {
    Slot(n).paused = 1;
  }
  return in.Next();
}

Pc CmdResumeAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  if (!AnimationReady(n)) return in.Next();
  if (ResumeAnimation(n) == 0) {
    RaiseRuntimeError(kErrorAnimationNotPaused);
    return in.Next();
  }
  Slot(n).paused = 0;
  return in.Next();
}

Pc CmdPlaceAnimation(Pc at) {
  Operands in(at);
  const int32_t n = in.Int();
  const int32_t x1 = in.Int();
  const int32_t y1 = in.Int();
  const int32_t x2 = in.Int();
  const int32_t y2 = in.Int();
  if (AnimationReady(n)) PlaceAnimation(n, x1, y1, x2, y2);
  return in.Next();
}

// ANIMATION EXIST(n): 1 or 0; only the number is checked.
Pc CmdAnimationExist(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t n = in.Int();
  if (NumberInRange(n)) result = Slot(n).exists;
  return in.Next();
}

// The other queries: a flag of the slot, or a value of the destination rectangle.
template <int32_t (*kRead)(int32_t n)>
Pc CmdAnimationQuery(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t n = in.Int();
  if (AnimationReady(n)) result = kRead(n);
  return in.Next();
}

int32_t PlayingFlag(int32_t n) { return Slot(n).playing; }
int32_t PausedFlag(int32_t n) { return Slot(n).paused; }
int32_t LoopingFlag(int32_t n) { return Slot(n).looping; }
template <int kWhich>
int32_t Property(int32_t n) {
  int32_t values[4] = {};
  GetAnimationProperty(n, values[0], values[1], values[2], values[3]);
  return values[kWhich];
}

constexpr CommandRegistration kAnimationCommands[] = {
    {kCmdLoadAnimation, "load animation", "SL", CmdLoadAnimation},
    {kCmdDeleteAnimation, "delete animation", "L", CmdDeleteAnimation},
    {kCmdPlayAnimationL, "play animation", "L", CmdPlayAnimation},
    {kCmdPlayAnimationLLL, "play animation", "LLL", CmdPlayAnimationAt},
    {kCmdPlayAnimationLLLLL, "play animation", "LLLLL", CmdPlayAnimationStretched},
    {kCmdPlayAnimationLLLLLL, "play animation", "LLLLLL", CmdPlayAnimationIntoBitmap},
    {kCmdStopAnimation, "stop animation", "L", CmdStopAnimation},
    {kCmdPauseAnimation, "pause animation", "L", CmdPauseAnimation},
    {kCmdResumeAnimation, "resume animation", "L", CmdResumeAnimation},
    {kCmdPlaceAnimation, "place animation", "LLLLL", CmdPlaceAnimation},
    {kCmdLoopAnimationL, "loop animation", "L", CmdLoopAnimation},
    {kCmdLoopAnimationLLLLLL, "loop animation", "LLLLLL", CmdLoopAnimationIntoBitmap},
    {kCmdAnimationExist, "animation exist[", "LL", CmdAnimationExist},
    {kCmdAnimationPlaying, "animation playing[", "LL", CmdAnimationQuery<PlayingFlag>},
    {kCmdAnimationPaused, "animation paused[", "LL", CmdAnimationQuery<PausedFlag>},
    {kCmdAnimationLooping, "animation looping[", "LL", CmdAnimationQuery<LoopingFlag>},
    {kCmdAnimationPositionX, "animation position x[", "LL", CmdAnimationQuery<Property<0>>},
    {kCmdAnimationPositionY, "animation position y[", "LL", CmdAnimationQuery<Property<1>>},
    {kCmdAnimationWidth, "animation width[", "LL", CmdAnimationQuery<Property<2>>},
    {kCmdAnimationHeight, "animation height[", "LL", CmdAnimationQuery<Property<3>>},
};

}  // namespace

constinit const CommandFamily kAnimationFamily{kAnimationCommands, {}};

}  // namespace qm
