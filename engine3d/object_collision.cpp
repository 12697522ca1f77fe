// The 3D engine's collision response.
#include "engine3d/object_collision.h"

#include "display/engine_tables.h"

namespace qm {
namespace {

void RecordHit(int32_t objectIndex, int32_t otherIndex) {
  if (ObjectTable.IsTaken(objectIndex)) ObjectTable[objectIndex].collidedWith = otherIndex;
}

}  // namespace

void ObjectCollisionCallback(void* /*clientData*/, CollisionKey first, CollisionKey second,
                             const void* /*contact*/) {
  const int32_t firstObject = ObjectIndexOfCollisionKey(first);
  const int32_t secondObject = ObjectIndexOfCollisionKey(second);
  RecordHit(firstObject, secondObject);
  RecordHit(secondObject, firstObject);
}

}  // namespace qm
