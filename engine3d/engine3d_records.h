// The 3D engine's records that live in the engine tables: objects with their limbs, meshes,
// textures and lights. Only the fields that the display subsystem and the table operations use
// are here so far; the 3D engine adds its own as it is built.
#pragma once
#include <cstdint>

#include "display/engine_table.h"

namespace qm {
namespace platform {
class Surface;
}
class ObjectModel;
struct TextureListNode;

struct LimbRecord {
  int32_t imageIndex;    // ImageRecord the limb's texture was made from
  int32_t textureIndex;  // TextureRecord while textured from an image (above 0), else 0
};

inline constexpr int32_t kInitialLimbCapacity = 32;

struct ObjectRecord : EngineRecordLinks {
  int32_t limbCount;
  int32_t limbCapacity;
  LimbRecord* limbs;   // owned; doubled on demand
  ObjectModel* model;  // owned
  // The object this one last collided with (an ObjectRecord index), 0 when none.
  int32_t collidedWith;
};

struct MeshRecord : EngineRecordLinks {
  int32_t inUse;  // the mesh's own in-use word, set by every take
  int32_t vertexCount;
  int32_t faceCount;
  float* vertices;
  float* normals;
  int32_t* faces;
  float* textureCoordinates;
};

// The texture embedded in every texture record.
struct Texture {
  platform::Surface* surface;
  void* palette;
  int32_t imageNumber;
  int32_t sourceWidth, sourceHeight;
  int32_t textureWidth, textureHeight;
  int32_t compressed;
  uint8_t transparent;  // 1 = the texture's black is transparent
};

struct TextureRecord : EngineRecordLinks {
  int32_t flag;
  Texture texture;
  TextureListNode* listNode;  // its entry in the shared texture-name list, null when none
};

struct LightRecord : EngineRecordLinks {
  int32_t lightType;
  int32_t enabled;
};

}  // namespace qm
