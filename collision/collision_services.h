// What the rest of the system asks of the collision library before it is built in full: its
// caching switch and the default response for pairs of collision objects without one of their
// own. The library's tests read the same state.
#pragma once
#include <cstdint>

namespace qm {

// A collision object is registered under its object's record index x 100000 + its limb number.
// 64 bits wide, so every record index of a grown object table has a key.
using CollisionKey = int64_t;
inline constexpr CollisionKey kCollisionKeyObjectFactor = 100000;

constexpr CollisionKey MakeCollisionKey(int32_t objectIndex, int32_t limb) {
  return objectIndex * kCollisionKeyObjectFactor + limb;
}
constexpr int32_t ObjectIndexOfCollisionKey(CollisionKey key) {
  return static_cast<int32_t>(key / kCollisionKeyObjectFactor);
}

// Called for a colliding pair: the client data given with the response, both keys, and the
// contact data of the pair.
using CollisionResponseCallback = void (*)(void* clientData, CollisionKey first, CollisionKey second,
                                           const void* contact);

struct CollisionResponse {
  CollisionResponseCallback callback = nullptr;
  int32_t type = 0;
  void* clientData = nullptr;
};

// Switches caching off, so that each test checks every pair of collision objects.
void DisableCollisionCaching();
bool CollisionCachingEnabled();

// The response used for every pair without a response of its own.
void SetDefaultCollisionResponse(CollisionResponseCallback callback, int32_t type, void* clientData);
const CollisionResponse& DefaultCollisionResponse();

// Caching on and no default response, as the library starts (tests).
void ResetCollisionServices();

}  // namespace qm
