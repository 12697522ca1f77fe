// One queued 2D drawing, bitmap or text request, replayed by the next frame onto the surface
// that was current when it was queued.
#pragma once
#include <cstdint>
#include <cstring>

#include "display/engine_table.h"

namespace qm {
namespace platform {
class Surface;
}

inline constexpr int kDrawRequestTextBytes = 256;  // 255 characters and the terminator

struct DrawRequest : EngineRecordLinks {
  int32_t code;
  int32_t x, y;
  int8_t repeatCount;  // replays left
  int32_t bitmapAtQueue;
  platform::Surface* surfaceAtQueue;
  int32_t x2, y2;
  int32_t number;  // bitmap number, ImageRecord or DisplayEntity index, by code
  int8_t opaque;
  int32_t queuedAtWord;  // word index of the command that queued it: replay errors report its line
  // A zero-terminated text, or int32 arguments ("text words") for some codes.
  char text[kDrawRequestTextBytes];
};

// The int32 arguments some codes keep in the text field, by word number.
inline void StoreRequestWord(DrawRequest& request, int word, int32_t value) {
  std::memcpy(request.text + word * 4, &value, sizeof value);
}
inline int32_t RequestWord(const DrawRequest& request, int word) {
  int32_t value;
  std::memcpy(&value, request.text + word * 4, sizeof value);
  return value;
}

}  // namespace qm
