#include "platform/display/fault_injection.h"

#include <array>

#include "platform/display/surface.h"

namespace qm::platform {
namespace {

struct Injected {
  DisplayResult result = DisplayResult::Ok;
  int count = 0;
  int skip = 0;
};

std::array<Injected, static_cast<int>(SurfaceOp::Count)> gInjected;
SurfaceCallObserver gObserver = nullptr;

}  // namespace

void InjectSurfaceError(SurfaceOp op, DisplayResult result, int count) {
  gInjected[static_cast<int>(op)] = {result, count > 0 ? count : 0, 0};
}

void InjectSurfaceErrorAfter(SurfaceOp op, int skip, DisplayResult result, int count) {
  gInjected[static_cast<int>(op)] = {result, count > 0 ? count : 0, skip > 0 ? skip : 0};
}

void ClearInjectedSurfaceErrors() { gInjected = {}; }

void LoseAllSurfaces() {
  for (Surface* surface : Surface::LiveSurfaces()) surface->MarkLost();
}

void SetSurfaceCallObserver(SurfaceCallObserver observer) { gObserver = observer; }

DisplayResult TakeInjectedError(SurfaceOp op) {
  if (gObserver != nullptr) gObserver(op);
  Injected& injected = gInjected[static_cast<int>(op)];
  if (injected.count == 0) return DisplayResult::Ok;
  if (injected.skip > 0) {
    --injected.skip;
    return DisplayResult::Ok;
  }
  --injected.count;
  return injected.result;
}

}  // namespace qm::platform
