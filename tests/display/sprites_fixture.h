// A full-screen display with a flip chain and emptied engine tables, with helpers that make
// numbered images of one colour or of a picture drawn by the test, and run the sprite steps of a
// frame in the run loop's order.
#pragma once
#include <gtest/gtest.h>

#include <functional>

#include "display/display_entity.h"
#include "display/draw_request_queue.h"
#include "display/entity_images.h"
#include "display/frame_present.h"
#include "display/images.h"
#include "display/mouse_pointer.h"
#include "display/number_maps.h"
#include "display/sprites.h"
#include "display_core_fixture.h"
#include "io/input_state.h"

namespace qm::test {

class SpritesTest : public DisplayCoreTest {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    ASSERT_TRUE(CreateEngineTables());
    InitGameData();
    MousePointer = MousePointerState{};
    MouseState = MouseStateRecord{};
  }
  void TearDown() override {
    ReleaseOwnedImages();
    MousePointer = MousePointerState{};
    DisplayCoreTest::TearDown();
  }

  static void ReleaseOwnedImages() {
    if (!ImageTable.Exists()) return;
    for (int32_t i = 0; i < ImageTable.Capacity(); ++i) {
      platform::Surface*& owned = ImageTable.ColumnAt(i);
      if (owned != nullptr) owned->Release();
      owned = nullptr;
    }
  }

  // Full screen at `depth` bits: a flip chain of two buffers.
  void MakeScreen(int depth = 16) {
    ASSERT_TRUE(MakeDisplay(true, 640, 480, depth));
    ASSERT_EQ(TheDisplay.flipChainFlag, 1);
  }

  static uint32_t Pack(int32_t rgb) { return PackColour(PackingOf(TheDisplay.backBuffer->Format()), rgb); }

  // Image `number`, `width` x `height`, each pixel `colour(x, y)` (0xRRGGBB).
  static int32_t MakePicture(int32_t number, int width, int height,
                             const std::function<int32_t(int, int)>& colour) {
    const int32_t index = NewImage();
    EXPECT_TRUE(SizeOwnedImage(index, width, height));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) ImageTable[index].surface->SetPixelAt(x, y, Pack(colour(x, y)));
    if (number > 0) ImageNumberMap.Set(number, index);
    return index;
  }
  static int32_t MakeImage(int32_t number, int width, int height, int32_t rgb) {
    return MakePicture(number, width, height, [rgb](int, int) { return rgb; });
  }

  // The same picture in both buffers of the flip chain.
  static void PaintBothBuffers(const std::function<int32_t(int, int)>& colour) {
    for (int pass = 0; pass < 2; ++pass) {
      for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) TheDisplay.backBuffer->SetPixelAt(x, y, Pack(colour(x, y)));
      PresentFrame();
    }
  }

  // The sprite steps of one frame: BeginFrame's restore, then SyncFrame's deletions, save, draw
  // and present.
  static void Frame() {
    AnimateMousePointer();
    RestoreSpriteBackgrounds();
    ProcessDeferredDeletions();
    SaveSpriteBackgrounds();
    DrawSprites();
    PresentFrame();
  }

  static uint32_t Shown(int x, int y) { return TheDisplay.primary->PixelAt(x, y); }
  static uint32_t Back(int x, int y) { return TheDisplay.backBuffer->PixelAt(x, y); }

  // A sprite as SPRITE makes it.
  static int32_t PlaceSprite(int32_t number, int32_t x, int32_t y, int32_t image) {
    const int32_t entity = MakeSprite(number);
    DisplayEntity& sprite = DisplayEntityTable[entity];
    sprite.x = x;
    sprite.y = y;
    sprite.imageNumber = image;
    const int32_t index = ImageNumberMap.Find(image);
    sprite.imageIndex = index > 0 ? index : -1;
    return entity;
  }
};

}  // namespace qm::test
