// Fault injection for the display layer: tests make the next calls of one operation fail with a
// chosen result (always a finite number of times, since callers retry), mark every surface lost, or
// make restores fail. Nothing here happens on its own.
#pragma once
#include "platform/display/display_result.h"

namespace qm::platform {

enum class SurfaceOp { Create, Lock, Blt, BltFast, Flip, Restore, TextContext, Count };

// The next `count` calls of `op` return `result` without doing anything.
void InjectSurfaceError(SurfaceOp op, DisplayResult result, int count);
// The same after `skip` calls of `op` have gone through (to fail a later step of a sequence).
void InjectSurfaceErrorAfter(SurfaceOp op, int skip, DisplayResult result, int count);
// Drops every injected error.
void ClearInjectedSurfaceErrors();
// Marks every surface lost (system-memory surfaces excepted): each operation on it then returns
// SurfaceLost until it is restored.
void LoseAllSurfaces();

// Tests that count surface calls (how many blits a command made) install an observer: it is told
// of every call of every operation, before any injected error. nullptr removes it.
using SurfaceCallObserver = void (*)(SurfaceOp op);
void SetSurfaceCallObserver(SurfaceCallObserver observer);

// For the layer: the injected result of `op`, or Ok when none is waiting (uses one up).
DisplayResult TakeInjectedError(SurfaceOp op);

}  // namespace qm::platform
