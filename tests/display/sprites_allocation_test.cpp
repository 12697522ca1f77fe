// A steady frame of sprites allocates nothing: moving sprites with saved backgrounds, scaled and
// mirrored ones, the pointer, and collision tests, counted by this test program's own operator
// new (every other allocator call of the program goes through it too, uncounted).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "display/sprite_collision.h"
#include "display/surface_utilities.h"
#include "sprites_fixture.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

// GCC takes a replaced operator new that calls malloc for a mismatch with the free below.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { ::operator delete(memory); }

namespace qm::test {
namespace {

TEST_F(SpritesTest, ASteadyFrameAllocatesNothing) {
  MakeScreen(32);
  ASSERT_EQ(LoadMousePointerBitmap(true), 1);
  ShowMouse(1);
  MakeImage(1, 32, 32, 0xFF8000);
  MakeImage(2, 64, 64, 0x00FF80);
  for (int32_t n = 1; n <= 100; ++n) {
    const int32_t entity = PlaceSprite(n, (n * 37) % 600, (n * 53) % 440, n % 4 == 0 ? 2 : 1);
    if (n % 4 == 0) {
      DisplayEntityTable[entity].scaleX = DisplayEntityTable[entity].scaleY = 1.5f;
      DisplayEntityTable[entity].mirrored = 1;
    }
  }
  auto step = [](int frame) {
    for (int32_t n = 1; n <= 100; ++n) {
      DisplayEntity& sprite = DisplayEntityTable[SpriteEntity(n)];
      // Whole on the screen while warming up, then across the edges and back.
      const int32_t swing = frame < 4 ? 0 : (frame % 3 - 1) * 130;
      sprite.x = (n * 37) % 500 + 40 + swing;
      sprite.y = (n * 53) % 350 + 40 + swing;
    }
    MouseState.x = 100 + frame;
    for (int32_t n = 2; n <= 100; ++n) SpriteOverlapHit(SpriteEntity(1), SpriteEntity(n));
    Frame();
  };
  for (int frame = 0; frame < 4; ++frame) step(frame);  // backgrounds and buffers reach their sizes
  gAllocations = 0;
  gCounting = true;
  for (int frame = 4; frame < 14; ++frame) step(frame);
  gCounting = false;
  EXPECT_EQ(gAllocations.load(), 0);
}

}  // namespace
}  // namespace qm::test
