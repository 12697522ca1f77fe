// Sprite collision: rectangles first, then pixels whose values share a set bit, with scale,
// mirroring and flipping; the walk over all sprites; and SPRITE HIT reporting a collision once.
#include "display/sprite_collision.h"

#include <gtest/gtest.h>

#include "sprites_fixture.h"

namespace qm::test {
namespace {

constexpr int32_t kRed = 0xFF0000, kGreen = 0x00FF00, kYellow = 0xFFFF00;

class SpriteCollisionTest : public SpritesTest {
 protected:
  void SetUp() override {
    SpritesTest::SetUp();
    MakeScreen(16);
  }
  static DisplayEntity& Sprite(int32_t number) { return DisplayEntityTable[SpriteEntity(number)]; }
  static int32_t Hit(int32_t n, int32_t m) { return SpriteOverlapHit(SpriteEntity(n), SpriteEntity(m)); }
};

TEST_F(SpriteCollisionTest, OverlappingPixelsCollideOnlyWhenTheirValuesShareABit) {
  struct Case {
    const char* what;
    int32_t colourA, colourB;
    int32_t bx, by;  // sprite B's place; A is at 100, 100, both 16 x 16
    int32_t expected;
  };
  const Case cases[] = {
      {"all black", 0, 0, 108, 108, 0},
      {"black against red", 0, kRed, 108, 108, 0},
      {"equal colours", kRed, kRed, 108, 108, 1},
      {"pure red against pure green in 5-6-5", kRed, kGreen, 108, 108, 0},
      {"yellow against green", kYellow, kGreen, 108, 108, 1},
      {"touching along an edge", kRed, kRed, 116, 100, 0},
      {"touching below", kRed, kRed, 100, 116, 0},
      {"apart", kRed, kRed, 200, 200, 0},
  };
  for (const Case& c : cases) {
    MakeImage(1, 16, 16, c.colourA);
    MakeImage(2, 16, 16, c.colourB);
    PlaceSprite(1, 100, 100, 1);
    PlaceSprite(2, c.bx, c.by, 2);
    EXPECT_EQ(Hit(1, 2), c.expected) << c.what;
    EXPECT_EQ(Hit(2, 1), c.expected) << c.what << ", the other way round";
  }
}

TEST_F(SpriteCollisionTest, ScaleMirroringAndFlippingChooseThePixelsTested) {
  // A: 4 x 4 with only its top-left pixel set. B: one red pixel.
  MakePicture(1, 4, 4, [](int x, int y) { return x == 0 && y == 0 ? kRed : 0; });
  MakeImage(2, 1, 1, kRed);
  struct Case {
    const char* what;
    float scale;
    int32_t mirrored, flipped;
    int32_t bx, by;
    int32_t expected;
  };
  const Case cases[] = {
      {"natural size, on the pixel", 1.0f, 0, 0, 10, 10, 1},
      {"natural size, next to it", 1.0f, 0, 0, 11, 10, 0},
      {"scale 2 covers 2 x 2", 2.0f, 0, 0, 11, 11, 1},
      {"scale 2, outside the block", 2.0f, 0, 0, 12, 10, 0},
      {"mirrored: the left column tests the rightmost", 1.0f, 1, 0, 13, 10, 1},
      {"mirrored, the left column", 1.0f, 1, 0, 10, 10, 0},
      {"flipped: the bottom row", 1.0f, 0, 1, 10, 13, 1},
      {"mirrored and flipped at scale 2", 2.0f, 1, 1, 17, 17, 1},
  };
  for (const Case& c : cases) {
    PlaceSprite(1, 10, 10, 1);
    Sprite(1).scaleX = Sprite(1).scaleY = c.scale;
    Sprite(1).mirrored = c.mirrored;
    Sprite(1).flipped = c.flipped;
    PlaceSprite(2, c.bx, c.by, 2);
    EXPECT_EQ(Hit(1, 2), c.expected) << c.what;
  }
}

TEST_F(SpriteCollisionTest, SpritesWithoutImagesOrNotInUseNeverCollide) {
  MakeImage(1, 16, 16, kRed);
  PlaceSprite(1, 100, 100, 1);
  PlaceSprite(2, 100, 100, 7);  // image 7 does not exist
  EXPECT_EQ(Hit(1, 2), 0);
  PlaceSprite(3, 100, 100, 1);
  EXPECT_EQ(Hit(1, 3), 1);
  EXPECT_EQ(Hit(1, 1), 1) << "a sprite with a set pixel touches itself";
  DeleteSprite(3);  // pending: not in use
  EXPECT_EQ(Hit(1, 3), 0);
}

}  // namespace
}  // namespace qm::test
