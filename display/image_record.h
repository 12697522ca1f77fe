// An image: a picture in a surface of its own (or borrowed, for the mouse pointer's images),
// reached from the user's image number through ImageNumberMap.
#pragma once
#include <cstdint>

#include "display/engine_table.h"

namespace qm {
namespace platform {
class Surface;
}

struct ImageRecord : EngineRecordLinks {
  int32_t exists;        // 1 while the image has a surface
  int32_t textureIndex;  // TextureRecord while the image serves as a 3D texture; 0 when not
  // The surface drawn from: for images made here the same as the table's surface column entry,
  // which owns it.
  platform::Surface* surface;
  int32_t sourceRect[4];  // left, top, right, bottom of the picture inside the surface
  int32_t width, height;
  int32_t surfaceWidth, surfaceHeight;
  int16_t deleteCountdown;  // frames until a deleted image is freed
};

}  // namespace qm
