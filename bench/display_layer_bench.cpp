// The display layer's hot paths at 640 x 480, in 16 (5-6-5) and 32 bits: a frame of 32,000 single
// pixel colour fills (the design load of one frame of dots), 500 colour-keyed 32 x 32 blits
// (sprites), and presenting a 640 x 480 primary (headless: the conversion through the gamma ramp).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/display/display_backend.h"
#include "platform/display/surface.h"

namespace {
using namespace qm::platform;

constexpr int kWidth = 640, kHeight = 480;

Surface* MakeSurface(int width, int height, PixelFormat format) {
  Surface* s = nullptr;
  Surface::Create({width, height, format, kCapsOffscreenPlain}, s);
  return s;
}

// Positions spread over the surface (a fixed pseudo-random walk, the same in every run).
std::vector<std::pair<int, int>> Positions(int count, int maxX, int maxY) {
  std::vector<std::pair<int, int>> out;
  uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    int x = static_cast<int>((seed >> 8) % static_cast<uint32_t>(maxX));
    seed = seed * 1664525u + 1013904223u;
    int y = static_cast<int>((seed >> 8) % static_cast<uint32_t>(maxY));
    out.emplace_back(x, y);
  }
  return out;
}

void FillSinglePixels(benchmark::State& state, PixelFormat format) {
  constexpr int kDots = 32000;
  Surface* target = MakeSurface(kWidth, kHeight, format);
  std::vector<std::pair<int, int>> dots = Positions(kDots, kWidth, kHeight);
  uint32_t pixel = PackRgb(format, {255, 128, 0});
  for (auto _ : state) {
    for (auto [x, y] : dots) {
      Rect one{x, y, x + 1, y + 1};
      target->Fill(&one, pixel);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kDots);
  target->Release();
}
BENCHMARK_CAPTURE(FillSinglePixels, 16bit, PixelFormat::R5G6B5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(FillSinglePixels, 32bit, PixelFormat::X8R8G8B8)->Unit(benchmark::kMicrosecond);

void KeyedSpriteBlits(benchmark::State& state, PixelFormat format) {
  constexpr int kSprites = 500, kSide = 32;
  Surface* target = MakeSurface(kWidth, kHeight, format);
  Surface* sprite = MakeSurface(kSide, kSide, format);
  // A disc on a transparent (black) ground, so about a fifth of the pixels are skipped.
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      int dx = x - kSide / 2, dy = y - kSide / 2;
      bool inside = dx * dx + dy * dy < (kSide / 2) * (kSide / 2);
      sprite->SetPixelAt(x, y, inside ? PackRgb(format, {40, 200, 90}) : 0u);
    }
  }
  sprite->SetColorKey({0, 0});
  std::vector<std::pair<int, int>> places = Positions(kSprites, kWidth - kSide, kHeight - kSide);
  for (auto _ : state) {
    for (auto [x, y] : places) {
      Rect to{x, y, x + kSide, y + kSide};
      target->Blt(&to, sprite, nullptr, kBltKeySrc);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
  sprite->Release();
  target->Release();
}
BENCHMARK_CAPTURE(KeyedSpriteBlits, 16bit, PixelFormat::R5G6B5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(KeyedSpriteBlits, 32bit, PixelFormat::X8R8G8B8)->Unit(benchmark::kMicrosecond);

void Present640x480(benchmark::State& state, PixelFormat format) {
  Surface* primary = MakeSurface(kWidth, kHeight, format);
  primary->Fill(nullptr, PackRgb(format, {10, 20, 30}));
  GammaRamp gamma = GammaRamp::Identity();
  Rect whole{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    HeadlessDisplayBackend().Present(*primary, whole, gamma);
    benchmark::ClobberMemory();
  }
  primary->Release();
}
BENCHMARK_CAPTURE(Present640x480, 16bit, PixelFormat::R5G6B5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Present640x480, 32bit, PixelFormat::X8R8G8B8)->Unit(benchmark::kMicrosecond);

// A flip chain's Flip swaps memory: the same cost at any size.
void Flip640x480(benchmark::State& state, PixelFormat format) {
  Surface* front = nullptr;
  Surface::Create({kWidth, kHeight, format, kCapsPrimary | kCapsFlip | kCapsComplex, 1, 1}, front);
  for (auto _ : state) front->Flip();
  front->Release();
}
BENCHMARK_CAPTURE(Flip640x480, 16bit, PixelFormat::R5G6B5);
BENCHMARK_CAPTURE(Flip640x480, 32bit, PixelFormat::X8R8G8B8);

}  // namespace

BENCHMARK_MAIN();
