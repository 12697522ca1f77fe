// The display's engine tables and number maps through a run's life: creation, the run start, the
// run end and exit, and what they ask of the 3D engine and the collision library.
#include "display/engine_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collision/collision_services.h"
#include "display/number_maps.h"
#include "engine3d/object_collision.h"
#include "runtime/core_fixture.h"
#include "table_checks.h"

namespace qm::test {
namespace {

// Records what the tables ask of the 3D engine.
class TableRecordingEngine3D : public Engine3DServices {
 public:
  void ClearTextureList() override { calls.push_back("ClearTextureList"); }
  void CloseStaticWorld() override { calls.push_back("CloseStaticWorld"); }
  void FreeObjectResources(int32_t index) override { freedObjects.push_back(index); }
  void FreeMeshArrays(int32_t index) override { freedMeshes.push_back(index); }
  void FreeTextureBatchList() override { calls.push_back("FreeTextureBatchList"); }
  void ReleaseTexture(int32_t index, bool forced) override {
    if (forced) forcedTextures.push_back(index);
    tablesExistedAtRelease = tablesExistedAtRelease && ImageTable.Exists() && TextureTable.Exists();
  }

  std::vector<std::string> calls;
  std::vector<int32_t> freedObjects, freedMeshes, forcedTextures;
  bool tablesExistedAtRelease = true;
};

std::vector<int32_t> Indices(int32_t count) {
  std::vector<int32_t> indices;
  for (int32_t i = 0; i < count; ++i) indices.push_back(i);
  return indices;
}

class EngineTablesTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    engine3dSubsystem_.services.engine3d = &engine3d_;
    Install({&engine3dSubsystem_});
    ResetCollisionServices();
    ASSERT_TRUE(CreateEngineTables());
  }
  void TearDown() override {
    FreeEngineTables();
    ResetCollisionServices();
    CoreTest::TearDown();
  }

  TableRecordingEngine3D engine3d_;
  Subsystem engine3dSubsystem_;
};

TEST_F(EngineTablesTest, TablesAreCreatedAtTheirInitialCapacities) {
  EXPECT_EQ(DisplayEntityTable.Capacity(), 2);
  EXPECT_EQ(ImageTable.Capacity(), 16);
  EXPECT_EQ(ObjectTable.Capacity(), 2);
  EXPECT_EQ(MeshTable.Capacity(), 2);
  EXPECT_EQ(TextureTable.Capacity(), 2);
  EXPECT_EQ(DrawRequestQueue.Capacity(), 2);
  EXPECT_EQ(LightTable.Capacity(), 8);
  for (int32_t i = 0; i < TextureTable.Capacity(); ++i) {
    EXPECT_EQ(TextureTable[i].flag, 1);
    EXPECT_EQ(TextureTable[i].texture.surface, nullptr);
  }
}

TEST_F(EngineTablesTest, TheRunStartReservesRecordZeroAndEmptiesEveryMap) {
  for (NumberMap* map : {&SpriteNumberMap, &ImageNumberMap, &ObjectNumberMap, &MatrixNumberMap,
                         &MeshNumberMap, &LightNumberMap})
    map->Set(map->Last(), 9);
  EXPECT_EQ(InitGameData(), 1);

  EXPECT_EQ(UsedIndices(ImageTable), std::vector<int32_t>{0});
  EXPECT_EQ(UsedIndices(ObjectTable), std::vector<int32_t>{0});
  EXPECT_EQ(UsedIndices(TextureTable), std::vector<int32_t>{0});
  EXPECT_EQ(UsedIndices(MeshTable), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(MeshTable[1].inUse, 1);
  EXPECT_EQ(DisplayEntityTable.UsedCount() + DrawRequestQueue.UsedCount() + LightTable.UsedCount(), 0);
  for (const NumberMap* map : {&SpriteNumberMap, &ImageNumberMap, &ObjectNumberMap, &MatrixNumberMap,
                               &MeshNumberMap, &LightNumberMap})
    for (int32_t number = map->First(); number <= map->Last(); ++number) ASSERT_EQ(map->Find(number), 0);
  EXPECT_EQ(engine3d_.calls, std::vector<std::string>{"ClearTextureList"});
  EXPECT_FALSE(CollisionCachingEnabled());
  EXPECT_EQ(DefaultCollisionResponse().callback, &ObjectCollisionCallback);
  EXPECT_EQ(DefaultCollisionResponse().type, 1);
  EXPECT_EQ(DefaultCollisionResponse().clientData, nullptr);
}

TEST_F(EngineTablesTest, ARunsGrownCapacityStaysForTheNextRunWithEmptyLists) {
  InitGameData();
  for (int sprite = 0; sprite < 40; ++sprite) ASSERT_NE(NewDisplayEntity(), kNoRecord);
  FreeGameData();
  InitGameData();
  EXPECT_EQ(DisplayEntityTable.Capacity(), 64);
  EXPECT_EQ(DisplayEntityTable.UsedCount(), 0);
  EXPECT_EQ(DisplayEntityTable.UsedHead(), kNoRecord);
  ExpectListsWhole(DisplayEntityTable);
  EXPECT_EQ(NewDisplayEntity(), 0);
}

TEST_F(EngineTablesTest, ANewDisplayEntityIsInvisibleAtNaturalScaleWithoutBackgrounds) {
  InitGameData();
  const int32_t index = NewDisplayEntity();
  DisplayEntityTable[index].visible = 1;
  DisplayEntityTable[index].scaleX = 3.0f;
  DisplayEntityTable.Release(index);
  const DisplayEntity& entity = DisplayEntityTable[NewDisplayEntity()];
  EXPECT_EQ(entity.visible, 0);
  EXPECT_EQ(entity.layer, 0);
  EXPECT_EQ(entity.scaleX, 1.0f);
  EXPECT_EQ(entity.scaleY, 1.0f);
  EXPECT_EQ(entity.backgroundImage[0], -1);
  EXPECT_EQ(entity.backgroundImage[1], -1);
}

TEST_F(EngineTablesTest, TheRunEndFreesWhatEveryObjectAndMeshRecordOwns) {
  InitGameData();
  for (int i = 0; i < 3; ++i) NewObject();
  engine3d_.calls.clear();
  EXPECT_EQ(FreeGameData(), 1);
  EXPECT_EQ(engine3d_.freedObjects, Indices(ObjectTable.Capacity()));
  EXPECT_EQ(engine3d_.freedMeshes, Indices(MeshTable.Capacity()));
  EXPECT_EQ(engine3d_.calls,
            (std::vector<std::string>{"CloseStaticWorld", "ClearTextureList", "FreeTextureBatchList"}));
  EXPECT_EQ(ObjectTable.UsedCount(), 4) << "the records stay until the next run start";
}

TEST_F(EngineTablesTest, ExitReleasesEveryTextureByForceWhileTheTablesStillExist) {
  InitGameData();
  for (int i = 0; i < 3; ++i) NewTexture();
  const int32_t capacity = TextureTable.Capacity();
  FreeEngineTables();
  EXPECT_EQ(engine3d_.forcedTextures, Indices(capacity));
  EXPECT_TRUE(engine3d_.tablesExistedAtRelease);
  EXPECT_FALSE(DisplayEntityTable.Exists());
  EXPECT_FALSE(LightTable.Exists());
  ASSERT_TRUE(CreateEngineTables());
  EXPECT_EQ(TextureTable.Capacity(), 2);
}

TEST_F(EngineTablesTest, TheCollisionResponseRecordsEachObjectAsTheOthersHit) {
  InitGameData();
  while (ObjectTable.UsedTail() < 5) NewObject();
  ObjectCollisionCallback(nullptr, MakeCollisionKey(3, 2), MakeCollisionKey(5, 0), nullptr);
  EXPECT_EQ(ObjectTable[3].collidedWith, 5);
  EXPECT_EQ(ObjectTable[5].collidedWith, 3);
  ObjectCollisionCallback(nullptr, MakeCollisionKey(4, 1), MakeCollisionKey(1 << 20, 1), nullptr);
  EXPECT_EQ(ObjectTable[4].collidedWith, 1 << 20) << "an index beyond the table is not written";
  EXPECT_EQ(ObjectIndexOfCollisionKey(MakeCollisionKey(60000, 7)), 60000) << "keys of large tables fit";
}

TEST(NumberMapTest, NumbersOutsideAMapsRangeHaveNoRecordAndCannotBeMapped) {
  struct Case {
    const NumberMap* map;
    int32_t first, last;
  };
  for (const Case& c : {Case{&SpriteNumberMap, 1, 65535}, Case{&MeshNumberMap, 1, 65534},
                        Case{&LightNumberMap, 0, 65535}, Case{&ImageNumberMap, 1, 65535}}) {
    NumberMap map(c.map->First(), c.map->Last());
    EXPECT_EQ(map.First(), c.first);
    EXPECT_EQ(map.Last(), c.last);
    for (int32_t number : {c.first - 1, c.last + 1, -70000, 1 << 20}) {
      SCOPED_TRACE(number);
      EXPECT_FALSE(map.Set(number, 5));
      EXPECT_EQ(map.Find(number), 0);
    }
    EXPECT_TRUE(map.Set(c.last, 5));
    EXPECT_TRUE(map.Set(c.first, 6));
    EXPECT_EQ(map.Find(c.last), 5);
    map.Clear();
    EXPECT_EQ(map.Find(c.last), 0);
    EXPECT_EQ(map.Find(c.first), 0) << "every number set since the last clear is unmapped";
    EXPECT_TRUE(map.Set(c.first + 1, 7));
    map.Clear();
    EXPECT_EQ(map.Find(c.first + 1), 0);
  }
}

}  // namespace
}  // namespace qm::test
