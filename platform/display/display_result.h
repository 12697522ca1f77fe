// Results of the surface and display calls. The system's display code retries on SurfaceLost and
// WasStillDrawing, so the layer returns those only when a test injects them (fault_injection.h) or
// after a test has marked surfaces lost.
#pragma once

namespace qm::platform {

enum class DisplayResult {
  Ok,
  InvalidRect,      // a rectangle not wholly inside its surface, or empty
  InvalidParams,    // a missing surface, a bad size or combination of flags
  InvalidCaps,      // a surface description the layer cannot make
  SurfaceLost,      // the surface must be restored first
  WasStillDrawing,  // only by injection
  SurfaceBusy,      // locked, or a text context is out
  NotLocked,        // Unlock without a Lock
  Unsupported,      // e.g. a blit between compressed surfaces
  OutOfMemory,
  InvalidMode,      // a display mode not in the list
  NoExclusiveMode,  // a depth change at the normal cooperative level
  NotFound,         // no such driver, device or attached surface
  Generic,          // an injected failure of a create call
};

const char* DisplayResultName(DisplayResult result);

}  // namespace qm::platform
