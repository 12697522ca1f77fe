// The engine tables of the display and the 3D engine, and the whole-table operations that prepare
// and tear down the run-time data: CreateEngineTables once at start-up, InitGameData at every
// display set-up of the editor loop and at the start of every run, FreeGameData at the end of
// every run and whenever the editor loop closes the display, FreeEngineTables once at exit.
// Capacities reached in a run stay for later runs.
#pragma once
#include <cstdint>

#include "display/display_entity.h"
#include "display/draw_request.h"
#include "display/engine_table.h"
#include "display/image_record.h"
#include "engine3d/engine3d_records.h"

namespace qm {

// Initial capacities, and the free records kept before a take (the image table keeps more).
inline constexpr int32_t kDisplayEntityCapacity = 2;
inline constexpr int32_t kImageCapacity = 16;
inline constexpr int32_t kObjectCapacity = 2;
inline constexpr int32_t kMeshCapacity = 2;
inline constexpr int32_t kTextureCapacity = 2;
inline constexpr int32_t kDrawRequestCapacity = 2;
inline constexpr int32_t kLightCapacity = 8;
inline constexpr int32_t kTableGrowthReserve = 4;
inline constexpr int32_t kImageGrowthReserve = 12;

extern EngineTable<DisplayEntity> DisplayEntityTable;
// Beside each image record, the surface it owns (the table's column): kept when the records are
// cleared, grown with them.
extern EngineTable<ImageRecord, platform::Surface*> ImageTable;
extern EngineTable<ObjectRecord> ObjectTable;
extern EngineTable<MeshRecord> MeshTable;
extern EngineTable<TextureRecord> TextureTable;
extern EngineTable<DrawRequest> DrawRequestQueue;
extern EngineTable<LightRecord> LightTable;

// Allocates every table at its initial capacity. False when memory is exhausted.
bool CreateEngineTables();
// Deletes every table; before the textures go, the 3D engine releases each one by force.
void FreeEngineTables();
// Every record of every table zero-filled, and the six number maps emptied.
void ClearEngineTables();
// Every table emptied and chained afresh; mesh record 0 taken and the texture-name list emptied.
void ResetEngineTables();

// Run start: tables cleared and reset, image, object and texture record 0 and mesh records 0
// and 1 taken (so no user's number ever maps to them), collision caching off and the 3D engine's
// response installed as the collision library's default. Returns 1.
int32_t InitGameData();
// Run end: the 3D engine frees the static world, what object and mesh records own, the
// texture-name list and the texture batch list. The records stay; the next InitGameData clears
// them. Returns 1.
int32_t FreeGameData();

// Takes a record as its table starts one; kNoRecord when none could be taken (runtime error 101
// is then pending). The kinds' own Parts add what each New does beyond this.
int32_t NewDisplayEntity();  // zero-filled; scale 1.0, no background images
int32_t NewImage();          // zero-filled
int32_t NewObject();         // zero-filled
int32_t NewMesh();           // as left, its in-use word set
int32_t NewTexture();        // as left, its texture and list node cleared
int32_t NewDrawRequest();    // as left: every queue operation writes what its replay reads
int32_t NewLight();          // zero-filled

}  // namespace qm
