// Sprite frames on a 640 x 480 full-screen display (a flip chain) at 16 and 32 bits: 1,000
// sprites of 32 x 32 with background saving, and 100 sprites of 64 x 64 scaled 1.5 and mirrored,
// each iteration one frame (restore, save, draw, flip) with every sprite moved; and the collision
// test of two overlapping 256 x 256 sprites without a colliding pixel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "display/display_entity.h"
#include "display/display_setup.h"
#include "display/display_state.h"
#include "display/draw_request_queue.h"
#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "display/frame_present.h"
#include "display/number_maps.h"
#include "display/sprite_collision.h"
#include "display/sprites.h"
#include "platform/window.h"

namespace qm {
namespace {

bool MakeScreen(int depth) {
  setenv("QUILLMOOR_HEADLESS", "1", 0);
  CloseDirectX(false);
  if (!platform::MainWindowExists() && !platform::CreateMainWindow("Quillmoor", 640, 480, nullptr))
    return false;
  SetFullScreenFlag(1);
  if (InitDirectX(false, true) == 0) return false;
  if (TheDisplay.directDraw->SetDisplayMode(640, 480, depth) != platform::DisplayResult::Ok) return false;
  if (CreateScreenAreas(640, 480, true) == 0) return false;
  if (!DisplayEntityTable.Exists()) CreateEngineTables();
  InitGameData();
  return true;
}

// Image `number`: a w x h picture with a black (transparent) border and a pattern of `rgb` and
// `other`.
void MakeImage(int32_t number, int width, int height, int32_t rgb, int32_t other) {
  const int32_t index = NewImage();
  SizeOwnedImage(index, width, height);
  const PixelPacking packing = PackingOf(TheDisplay.backBuffer->Format());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool border = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
      ImageTable[index].surface->SetPixelAt(x, y,
                                            border ? 0 : PackColour(packing, (x + y) % 3 == 0 ? rgb : other));
    }
  }
  ImageNumberMap.Set(number, index);
}

void PlaceSprite(int32_t number, int32_t image, float scale, bool mirrored) {
  DisplayEntity& sprite = DisplayEntityTable[MakeSprite(number)];
  sprite.imageNumber = image;
  sprite.imageIndex = ImageNumberMap.Find(image);
  sprite.scaleX = sprite.scaleY = scale;
  sprite.mirrored = mirrored ? 1 : 0;
}

void MoveSprites(int32_t count, int32_t frame, int32_t spanX, int32_t spanY) {
  for (int32_t n = 1; n <= count; ++n) {
    DisplayEntity& sprite = DisplayEntityTable[SpriteEntity(n)];
    sprite.x = (n * 37 + frame * 3) % spanX;
    sprite.y = (n * 53 + frame * 2) % spanY;
  }
}

void SpriteFrames(benchmark::State& state, int depth, int32_t count, int size, float scale, bool mirrored) {
  if (!MakeScreen(depth)) {
    state.SkipWithError("no display");
    return;
  }
  MakeImage(1, size, size, 0xC08040, 0x604020);
  for (int32_t n = 1; n <= count; ++n) PlaceSprite(n, 1, scale, mirrored);
  const auto drawn = static_cast<int32_t>(static_cast<float>(size) * scale);
  int32_t frame = 0;
  for (; frame < 4; ++frame) {  // backgrounds made for both buffers, outside the timing
    MoveSprites(count, frame, 640 - drawn, 480 - drawn);
    RestoreSpriteBackgrounds();
    SaveSpriteBackgrounds();
    DrawSprites();
    PresentFrame();
  }
  for (auto _ : state) {
    MoveSprites(count, frame++, 640 - drawn, 480 - drawn);
    RestoreSpriteBackgrounds();
    ProcessDeferredDeletions();
    SaveSpriteBackgrounds();
    DrawSprites();
    PresentFrame();
  }
  state.counters["sprites"] = static_cast<double>(count);
}

void BM_Sprites1000Of32At16(benchmark::State& s) { SpriteFrames(s, 16, 1000, 32, 1.0f, false); }
void BM_Sprites1000Of32At32(benchmark::State& s) { SpriteFrames(s, 32, 1000, 32, 1.0f, false); }
void BM_Sprites100Of64ScaledMirroredAt16(benchmark::State& s) { SpriteFrames(s, 16, 100, 64, 1.5f, true); }
void BM_Sprites100Of64ScaledMirroredAt32(benchmark::State& s) { SpriteFrames(s, 32, 100, 64, 1.5f, true); }

// Red against green: in both depths the two colours share no bit, so every pair of the 256 x 256
// overlap is tested.
void CollisionWithoutHit(benchmark::State& state, int depth) {
  if (!MakeScreen(depth)) {
    state.SkipWithError("no display");
    return;
  }
  MakeImage(1, 256, 256, 0xFF0000, 0x800000);
  MakeImage(2, 256, 256, 0x00FF00, 0x008000);
  PlaceSprite(1, 1, 1.0f, false);
  PlaceSprite(2, 2, 1.0f, false);
  DisplayEntityTable[SpriteEntity(1)].x = 100;
  DisplayEntityTable[SpriteEntity(2)].x = 100;
  if (SpriteOverlapHit(SpriteEntity(1), SpriteEntity(2)) != 0) {
    state.SkipWithError("the two sprites collide");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(SpriteOverlapHit(SpriteEntity(1), SpriteEntity(2)));
}

void BM_CollisionOf256NoHitAt16(benchmark::State& s) { CollisionWithoutHit(s, 16); }
void BM_CollisionOf256NoHitAt32(benchmark::State& s) { CollisionWithoutHit(s, 32); }

BENCHMARK(BM_Sprites1000Of32At16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sprites1000Of32At32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sprites100Of64ScaledMirroredAt16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sprites100Of64ScaledMirroredAt32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollisionOf256NoHitAt16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollisionOf256NoHitAt32)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
