// The collision library's settings that the run start sets.
#include "collision/collision_services.h"

namespace qm {
namespace {

struct CollisionSettings {
  bool cachingEnabled = true;
  CollisionResponse defaultResponse;
};

CollisionSettings gCollisionSettings;

}  // namespace

void DisableCollisionCaching() { gCollisionSettings.cachingEnabled = false; }
bool CollisionCachingEnabled() { return gCollisionSettings.cachingEnabled; }

void SetDefaultCollisionResponse(CollisionResponseCallback callback, int32_t type, void* clientData) {
  gCollisionSettings.defaultResponse = {callback, type, clientData};
}
const CollisionResponse& DefaultCollisionResponse() { return gCollisionSettings.defaultResponse; }

void ResetCollisionServices() { gCollisionSettings = CollisionSettings{}; }

}  // namespace qm
