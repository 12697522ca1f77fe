// Display entities and the sprite frame steps: entities own their background images, layers and
// creation order decide what covers what, saved backgrounds leave no trail in either buffer of a
// flip chain, deletions wait for both buffers, lost surfaces make the backgrounds be taken
// afresh, and the clipping of scaled, mirrored and flipped blits.
#include <gtest/gtest.h>

#include "sprites_fixture.h"

namespace qm::test {
namespace {

constexpr int32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

int32_t Stripes(int x, int) { return (x / 8) % 2 == 0 ? 0x404040 : 0xC0C0C0; }

TEST_F(SpritesTest, DeletingAnEntityDeletesOnlyTheBackgroundImagesItOwns) {
  MakeScreen();
  const int32_t image = MakeImage(1, 16, 16, kRed);
  const int32_t saving = PlaceSprite(1, 100, 100, 1);
  const int32_t plain = PlaceSprite(2, 200, 100, 1);
  DisplayEntityTable[plain].backgroundSave = 0;
  Frame();
  Frame();
  const int32_t backgrounds[2] = {DisplayEntityTable[saving].backgroundImage[0],
                                  DisplayEntityTable[saving].backgroundImage[1]};
  ASSERT_TRUE(ImageTable.IsTaken(backgrounds[0]) && ImageTable.IsTaken(backgrounds[1]));
  const int32_t imagesBefore = ImageTable.UsedCount();

  EXPECT_EQ(DeleteDisplayEntity(plain), 1);
  EXPECT_EQ(ImageTable.UsedCount(), imagesBefore) << "an entity does not own the image it draws";
  EXPECT_EQ(DeleteDisplayEntity(saving), 1);
  EXPECT_FALSE(ImageTable.IsTaken(backgrounds[0]));
  EXPECT_FALSE(ImageTable.IsTaken(backgrounds[1]));
  EXPECT_TRUE(ImageTable.IsTaken(image));
  EXPECT_EQ(DisplayEntityTable[saving].backgroundImage[0], -1);
  EXPECT_EQ(DeleteDisplayEntity(saving), 0) << "a freed entity is not freed twice";
}

TEST_F(SpritesTest, LayersComeFirstThenCreationOrderWhateverTheNumbers) {
  MakeScreen();
  MakeImage(1, 16, 16, kRed);
  MakeImage(2, 16, 16, kGreen);
  MakeImage(3, 16, 16, kBlue);
  const int32_t top = PlaceSprite(9, 113, 113, 3);
  DisplayEntityTable[top].layer = kPointerLayer;  // made first, drawn last
  PlaceSprite(5, 104, 104, 1);
  PlaceSprite(2, 108, 108, 2);
  Frame();
  EXPECT_EQ(Shown(105, 105), Pack(kRed));
  EXPECT_EQ(Shown(110, 110), Pack(kGreen)) << "sprite 2, made after sprite 5, covers it";
  EXPECT_EQ(Shown(114, 114), Pack(kBlue)) << "the top layer covers both";
}

class SpriteTrailTest : public SpritesTest, public ::testing::WithParamInterface<int> {};

TEST_P(SpriteTrailTest, AMovingSpriteLeavesNoTrailInEitherBuffer) {
  MakeScreen(GetParam());
  PaintBothBuffers(Stripes);
  MakeImage(1, 20, 12, kRed);
  const int32_t sprite = PlaceSprite(1, 30, 40, 1);
  for (int frame = 0; frame < 10; ++frame) {
    DisplayEntity& entity = DisplayEntityTable[sprite];
    entity.x = 30 + frame * 7;
    entity.y = 40 + frame * 3;
    Frame();
    for (int y = 30; y < 90; ++y) {
      for (int x = 20; x < 130; ++x) {
        const bool under = x >= entity.x && x < entity.x + 20 && y >= entity.y && y < entity.y + 12;
        ASSERT_EQ(Shown(x, y), Pack(under ? kRed : Stripes(x, y)))
            << "frame " << frame << " at " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, SpriteTrailTest, ::testing::Values(16, 32));

TEST_F(SpritesTest, AHiddenSpriteStillSavesAndRestoresItsBackground) {
  MakeScreen();
  PaintBothBuffers(Stripes);
  MakeImage(1, 10, 10, kRed);
  const int32_t sprite = PlaceSprite(1, 50, 50, 1);
  Frame();
  Frame();
  DisplayEntityTable[sprite].visible = 0;
  Frame();
  Frame();
  EXPECT_EQ(Shown(55, 55), Pack(Stripes(55, 55)));
  EXPECT_EQ(Back(55, 55), Pack(Stripes(55, 55)));
  EXPECT_NE(DisplayEntityTable[sprite].savedRect[0][2], 0);
  EXPECT_NE(DisplayEntityTable[sprite].savedRect[1][2], 0);
}

TEST_F(SpritesTest, ADeletedSpriteLeavesBothBuffersAndFreesItsNumberAfterTwoFrames) {
  MakeScreen();
  PaintBothBuffers(Stripes);
  MakeImage(1, 10, 10, kRed);
  const int32_t sprite = PlaceSprite(3, 50, 50, 1);
  Frame();
  Frame();
  DeleteSprite(3);
  EXPECT_FALSE(SpriteExists(3));
  EXPECT_EQ(SpriteEntity(3), sprite) << "the record stays while each buffer restores once more";
  Frame();
  EXPECT_EQ(Shown(55, 55), Pack(Stripes(55, 55)));
  Frame();
  EXPECT_EQ(Shown(55, 55), Pack(Stripes(55, 55)));
  EXPECT_EQ(Back(55, 55), Pack(Stripes(55, 55)));
  EXPECT_EQ(SpriteEntity(3), kNoRecord);
  EXPECT_FALSE(DisplayEntityTable.IsTaken(sprite));
}

TEST_F(SpritesTest, ASpriteWithoutBackgroundSavingIsFreedAtOnce) {
  MakeScreen();
  MakeImage(1, 10, 10, kRed);
  const int32_t sprite = PlaceSprite(3, 50, 50, 1);
  DisplayEntityTable[sprite].backgroundSave = 0;
  DeleteSprite(3);
  EXPECT_EQ(SpriteEntity(3), kNoRecord);
  EXPECT_FALSE(DisplayEntityTable.IsTaken(sprite));
}

TEST_F(SpritesTest, ASpriteMadeAgainWhileItsDeletionIsPendingStays) {
  MakeScreen();
  MakeImage(1, 10, 10, kRed);
  PlaceSprite(3, 50, 50, 1);
  Frame();
  DeleteSprite(3);
  Frame();
  const int32_t again = PlaceSprite(3, 60, 60, 1);
  for (int frame = 0; frame < 4; ++frame) Frame();
  EXPECT_TRUE(SpriteExists(3));
  EXPECT_EQ(SpriteEntity(3), again);
  EXPECT_EQ(Shown(65, 65), Pack(kRed));
}

TEST_F(SpritesTest, ASpriteFollowsItsImageNumberSoAReusedImageRecordIsNotShown) {
  MakeScreen();
  const int32_t first = MakeImage(1, 10, 10, kRed);
  PlaceSprite(1, 50, 50, 1);
  Frame();
  ImageNumberMap.Set(1, 0);  // image 1 deleted ...
  DeleteImage(first);
  const int32_t second = MakeImage(2, 10, 10, kGreen);  // ... and its record serves image 2
  ASSERT_EQ(second, first);
  Frame();
  Frame();
  EXPECT_NE(Shown(55, 55), Pack(kGreen));
  EXPECT_NE(Back(55, 55), Pack(kGreen));
  MakeImage(1, 10, 10, kBlue);  // a new image 1 is what the sprite shows
  Frame();
  EXPECT_EQ(Shown(55, 55), Pack(kBlue));
}

TEST_F(SpritesTest, RestoredLostSurfacesMakeTheBackgroundsBeTakenAfresh) {
  MakeScreen();
  PaintBothBuffers(Stripes);
  MakeImage(1, 10, 10, kRed);
  const int32_t sprite = PlaceSprite(1, 50, 50, 1);
  Frame();
  Frame();
  platform::LoseAllSurfaces();
  Frame();  // the flip restores the surfaces (their contents are lost)
  ASSERT_EQ(TheDisplay.spriteBackgroundsReleased, 1);
  // The program draws its background again; the old saves would paste the lost picture back.
  PaintBothBuffers(Stripes);
  DisplayEntityTable[sprite].x = 100;
  Frame();
  EXPECT_EQ(TheDisplay.spriteBackgroundsReleased, 0);
  Frame();
  Frame();
  for (const auto& [x, y] : {std::pair{55, 55}, std::pair{50, 59}}) {
    EXPECT_EQ(Shown(x, y), Pack(Stripes(x, y)));
    EXPECT_EQ(Back(x, y), Pack(Stripes(x, y)));
  }
  EXPECT_EQ(Shown(105, 55), Pack(kRed));
}

TEST_F(SpritesTest, ABackgroundThatCannotBeMadeRaisesOutOfMemoryAndSavesNothing) {
  MakeScreen();
  MakeImage(1, 10, 10, kRed);
  const int32_t sprite = PlaceSprite(1, 50, 50, 1);
  platform::InjectSurfaceError(platform::SurfaceOp::Create, platform::DisplayResult::OutOfMemory, 1);
  SaveSpriteBackgrounds();
  EXPECT_EQ(PendingErrorCode, kErrorOutOfMemory);
  EXPECT_EQ(DisplayEntityTable[sprite].savedRect[0][2], 0);
  RestoreSpriteBackgrounds();  // and nothing is pasted back from it
}

struct ClipCase {
  const char* what;
  int x, y, width, height;
  float scaleX, scaleY;
  bool flipped, mirrored;
  platform::Rect source, destination;
};

TEST_F(SpritesTest, ClippingCutsTheSourceInProportionFromTheDrawnSide) {
  MakeScreen();
  const ClipCase cases[] = {
      {"inside", 10, 20, 32, 16, 1.0f, 1.0f, false, false, {0, 0, 32, 16}, {10, 20, 42, 36}},
      {"left at scale 2", -10, 0, 32, 32, 2.0f, 2.0f, false, false, {5, 0, 32, 32}, {0, 0, 54, 64}},
      {"left at scale 2, mirrored", -10, 0, 32, 32, 2.0f, 2.0f, false, true, {0, 0, 27, 32}, {0, 0, 54, 64}},
      {"top, flipped", 0, -4, 8, 8, 1.0f, 1.0f, true, false, {0, 0, 8, 4}, {0, 0, 8, 4}},
      {"right and bottom", 630, 470, 20, 20, 1.0f, 1.0f, false, false, {0, 0, 10, 10}, {630, 470, 640, 480}},
      {"right, mirrored", 630, 0, 20, 20, 1.0f, 1.0f, false, true, {10, 0, 20, 20}, {630, 0, 640, 20}},
      {"scale 0 partly off-screen", -5, -5, 32, 32, 0.0f, 0.0f, false, false, {}, {}},
      {"wholly outside", 700, 10, 32, 32, 1.0f, 1.0f, false, false, {}, {}},
      {"far outside the int range", 2147483000, 0, 32, 32, 250.0f, 1.0f, false, false, {}, {}},
  };
  for (const ClipCase& c : cases) {
    const BlitRectangles r = ClipBlitRectangles(0, {0, 0, c.width, c.height}, c.x, c.y, c.width, c.height,
                                                c.scaleX, c.scaleY, c.flipped, c.mirrored);
    EXPECT_EQ(r.destination, c.destination) << c.what;
    if (!c.destination.Empty()) {
      EXPECT_EQ(r.source, c.source) << c.what;
    }
  }
}

TEST_F(SpritesTest, AScaledMirroredSpriteIsDrawnCutAtTheScreenEdge) {
  MakeScreen();
  // Column 0 red, the rest green: mirrored, the red column is the sprite's right edge.
  MakePicture(1, 8, 4, [](int x, int) { return x == 0 ? kRed : kGreen; });
  const int32_t sprite = PlaceSprite(1, -4, 10, 1);
  DisplayEntityTable[sprite].scaleX = DisplayEntityTable[sprite].scaleY = 2.0f;
  DisplayEntityTable[sprite].mirrored = 1;
  Frame();
  EXPECT_EQ(Shown(0, 10), Pack(kGreen));
  EXPECT_EQ(Shown(10, 17), Pack(kRed));
  EXPECT_EQ(Shown(11, 10), Pack(kRed));
  EXPECT_NE(Shown(12, 10), Pack(kRed));
}

TEST_F(SpritesTest, ATransparentSpriteSkipsBlackAndAnOpaqueOneDrawsIt) {
  MakeScreen();
  PaintBothBuffers([](int, int) { return kWhite; });
  MakePicture(1, 4, 1, [](int x, int) { return x < 2 ? 0 : kRed; });
  PlaceSprite(1, 10, 10, 1);
  const int32_t opaque = PlaceSprite(2, 10, 20, 1);
  DisplayEntityTable[opaque].transparent = 0;
  Frame();
  EXPECT_EQ(Shown(10, 10), Pack(kWhite));
  EXPECT_EQ(Shown(12, 10), Pack(kRed));
  EXPECT_EQ(Shown(10, 20), Pack(0));
}

TEST_F(SpritesTest, PastingAnImageIsCutToTheTargetBitmap) {
  MakeScreen();
  const int32_t image = MakeImage(1, 10, 10, kRed);
  platform::Surface* bitmap = nullptr;
  ASSERT_EQ(TheDisplay.directDraw->CreateSurfaceInDisplayFormat({20, 20}, bitmap),
            platform::DisplayResult::Ok);
  bitmap->Fill(nullptr, 0);
  TheDisplay.bitmapSurfaces[1] = bitmap;
  PasteImageClipped(bitmap, 1, image, 15, -5, 10, 10, false);
  EXPECT_EQ(bitmap->PixelAt(15, 0), Pack(kRed));
  EXPECT_EQ(bitmap->PixelAt(19, 4), Pack(kRed));
  EXPECT_EQ(bitmap->PixelAt(19, 5), 0u);
  EXPECT_EQ(bitmap->PixelAt(14, 0), 0u);
  TheDisplay.bitmapSurfaces[1] = nullptr;
  bitmap->Release();
}

}  // namespace
}  // namespace qm::test
