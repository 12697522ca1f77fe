// The 3D engine's response to a colliding pair of collision objects.
#pragma once
#include "collision/collision_services.h"

namespace qm {

// The default response the run start installs in the collision library: turns both keys back
// into object record indices and records each object as the other's hit. Keys that name no object
// in use are skipped.
void ObjectCollisionCallback(void* clientData, CollisionKey first, CollisionKey second, const void* contact);

}  // namespace qm
