// The engine tables, process-wide, and their life cycle.
#include "display/engine_tables.h"

#include "collision/collision_services.h"
#include "display/number_maps.h"
#include "engine3d/object_collision.h"
#include "runtime/frame_services.h"

namespace qm {

EngineTable<DisplayEntity> DisplayEntityTable(kDisplayEntityCapacity, kTableGrowthReserve);
EngineTable<ImageRecord, platform::Surface*> ImageTable(kImageCapacity, kImageGrowthReserve);
EngineTable<ObjectRecord> ObjectTable(kObjectCapacity, kTableGrowthReserve);
EngineTable<MeshRecord> MeshTable(kMeshCapacity, kTableGrowthReserve);
EngineTable<TextureRecord> TextureTable(kTextureCapacity, kTableGrowthReserve);
EngineTable<DrawRequest> DrawRequestQueue(kDrawRequestCapacity, kTableGrowthReserve);
EngineTable<LightRecord> LightTable(kLightCapacity, kTableGrowthReserve);

namespace {

Engine3DServices& Engine3D() { return *Services().engine3d; }

// Calls `step` with every table, in the order display entities, images, objects, meshes,
// textures, draw requests, lights.
template <typename Step>
void ForEachTable(Step&& step) {
  step(DisplayEntityTable);
  step(ImageTable);
  step(ObjectTable);
  step(MeshTable);
  step(TextureTable);
  step(DrawRequestQueue);
  step(LightTable);
}

// A texture record as the table creates it: an empty embedded texture and its flag word 1.
void MarkTexturesCreated() {
  for (int32_t i = 0; i < TextureTable.Capacity(); ++i) TextureTable[i].flag = 1;
}

void ReleaseEveryTextureByForce() {
  for (int32_t i = 0; i < TextureTable.Capacity(); ++i) Engine3D().ReleaseTexture(i, true);
}

}  // namespace

bool CreateEngineTables() {
  bool created = true;
  ForEachTable([&](auto& table) { created = created && table.Create(); });
  if (!created) {
    ForEachTable([](auto& table) { table.Destroy(); });
    return false;
  }
  MarkTexturesCreated();
  return true;
}

void FreeEngineTables() {
  if (TextureTable.Exists()) ReleaseEveryTextureByForce();
  ForEachTable([](auto& table) { table.Destroy(); });
}

void ClearEngineTables() {
  ForEachTable([](auto& table) { table.ClearRecords(); });
  ClearNumberMaps();
}

void ResetEngineTables() {
  DisplayEntityTable.Reset();
  ImageTable.Reset();
  ObjectTable.Reset();
  MeshTable.Reset();
  NewMesh();
  TextureTable.Reset();
  Engine3D().ClearTextureList();
  DrawRequestQueue.Reset();
  LightTable.Reset();
}

int32_t InitGameData() {
  ClearEngineTables();
  ResetEngineTables();
  NewImage();
  NewObject();
  NewMesh();
  NewTexture();
  DisableCollisionCaching();
  SetDefaultCollisionResponse(ObjectCollisionCallback, 1, nullptr);
  return 1;
}

int32_t FreeGameData() {
  Engine3DServices& engine3d = Engine3D();
  engine3d.CloseStaticWorld();
  for (int32_t i = 0; i < ObjectTable.Capacity(); ++i) engine3d.FreeObjectResources(i);
  for (int32_t i = 0; i < MeshTable.Capacity(); ++i) engine3d.FreeMeshArrays(i);
  engine3d.ClearTextureList();
  engine3d.FreeTextureBatchList();
  return 1;
}

int32_t NewDisplayEntity() {
  const int32_t index = DisplayEntityTable.Take(RecordStart::ZeroFilled);
  if (index == kNoRecord) return kNoRecord;
  DisplayEntity& entity = DisplayEntityTable[index];
  entity.backgroundImage[0] = entity.backgroundImage[1] = -1;
  entity.scaleX = entity.scaleY = 1.0f;
  return index;
}

int32_t NewImage() { return ImageTable.Take(RecordStart::ZeroFilled); }

int32_t NewObject() { return ObjectTable.Take(RecordStart::ZeroFilled); }

int32_t NewMesh() {
  const int32_t index = MeshTable.Take(RecordStart::AsLeft);
  if (index != kNoRecord) MeshTable[index].inUse = 1;
  return index;
}

int32_t NewTexture() {
  const int32_t index = TextureTable.Take(RecordStart::AsLeft);
  if (index == kNoRecord) return kNoRecord;
  TextureRecord& record = TextureTable[index];
  record.texture.imageNumber = 0;
  record.texture.sourceWidth = record.texture.sourceHeight = 0;
  record.texture.textureWidth = record.texture.textureHeight = 0;
  record.listNode = nullptr;
  return index;
}

int32_t NewDrawRequest() { return DrawRequestQueue.Take(RecordStart::AsLeft); }

int32_t NewLight() { return LightTable.Take(RecordStart::ZeroFilled); }

}  // namespace qm
