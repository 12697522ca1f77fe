// The bitmap effects and image turns: BLUR BITMAP with amount 8 (a 9x9 window) and FADE BITMAP on a
// 640x480 surface at 16 and 32 bits, and ROTATE IMAGE of a 256x256 picture by a quarter turn.
// Beside each, the way the effect is defined (every window pixel summed for every pixel; one
// single-pixel blit per pixel turned), which gives the same pixels, for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/bitmaps.h"
#include "display/draw_request_queue.h"
#include "display/images.h"
#include "platform/display/surface.h"

namespace qm {
namespace {

using platform::PixelFormat;
using platform::Surface;

Surface* NewPicture(int w, int h, PixelFormat format) {
  platform::SurfaceDesc desc;
  desc.width = w;
  desc.height = h;
  desc.format = format;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  Surface* surface = nullptr;
  if (Surface::Create(desc, surface) != platform::DisplayResult::Ok) return nullptr;
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      surface->SetPixelAt(x, y, seed >> 8);
    }
  }
  return surface;
}

// Every pixel the average of the window's pixels inside the surface, each summed anew, written
// into a second buffer and copied back.
void PlainBlur(Surface& s, int window) {
  const PixelPacking k = PackingOf(s.Format());
  const int w = s.Width(), h = s.Height(), bytes = platform::BytesPerPixel(s.Format());
  const int lo = -(window / 2), hi = window - window / 2 - 1;
  std::vector<uint8_t> out(static_cast<std::size_t>(s.Pitch()) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t r = 0, g = 0, b = 0, n = 0;
      for (int wy = std::max(0, y + lo); wy <= std::min(h - 1, y + hi); ++wy) {
        const uint8_t* row = s.Row(wy);
        for (int wx = std::max(0, x + lo); wx <= std::min(w - 1, x + hi); ++wx) {
          uint32_t v = 0;
          std::memcpy(&v, row + wx * bytes, static_cast<std::size_t>(bytes));
          r += (v >> k.redShift) & static_cast<uint32_t>(k.redMax);
          g += (v >> k.greenShift) & static_cast<uint32_t>(k.greenMax);
          b += v & static_cast<uint32_t>(k.blueMax);
          ++n;
        }
      }
      const uint32_t v = b / n + ((r / n) << k.redShift) + ((g / n) << k.greenShift);
      std::memcpy(&out[static_cast<std::size_t>(y * s.Pitch() + x * bytes)], &v,
                  static_cast<std::size_t>(bytes));
    }
  }
  for (int y = 0; y < h; ++y)
    std::memcpy(s.Row(y), &out[static_cast<std::size_t>(y * s.Pitch())], static_cast<std::size_t>(w * bytes));
}

enum class Effect { Blur, PlainBlur, Fade };

void BitmapEffect(benchmark::State& state, Effect effect, PixelFormat format) {
  Surface* picture = NewPicture(640, 480, format);
  if (picture == nullptr) {
    state.SkipWithError("no surface");
    return;
  }
  for (auto _ : state) {
    switch (effect) {
      case Effect::Blur:
        BlurSurface(picture, 9);
        break;
      case Effect::PlainBlur:
        PlainBlur(*picture, 9);
        break;
      case Effect::Fade:
        FadeSurface(picture, 99);
        break;
    }
    benchmark::ClobberMemory();
  }
  picture->Release();
}

// A quarter turn made one single-pixel blit per pixel.
Surface* TurnByBlits(Surface& s) {
  platform::SurfaceDesc desc;
  desc.width = s.Height();
  desc.height = s.Width();
  desc.format = s.Format();
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  Surface* turned = nullptr;
  if (Surface::Create(desc, turned) != platform::DisplayResult::Ok) return nullptr;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const platform::Rect pixel{x, y, x + 1, y + 1};
      turned->BltFast(s.Height() - 1 - y, x, &s, &pixel, platform::kBltFastNoColorKey);
    }
  }
  return turned;
}

void RotateImageQuarter(benchmark::State& state, bool byBlits, PixelFormat format) {
  Surface* picture = NewPicture(256, 256, format);
  if (picture == nullptr) {
    state.SkipWithError("no surface");
    return;
  }
  for (auto _ : state) {
    Surface* turned = byBlits ? TurnByBlits(*picture) : RotateSurface(picture, 90);
    benchmark::DoNotOptimize(turned);
    if (turned != nullptr) turned->Release();
  }
  picture->Release();
}

BENCHMARK_CAPTURE(BitmapEffect, blur_8_16bit, Effect::Blur, PixelFormat::R5G6B5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BitmapEffect, blur_8_32bit, Effect::Blur, PixelFormat::X8R8G8B8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BitmapEffect, plain_blur_8_16bit, Effect::PlainBlur, PixelFormat::R5G6B5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BitmapEffect, plain_blur_8_32bit, Effect::PlainBlur, PixelFormat::X8R8G8B8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BitmapEffect, fade_16bit, Effect::Fade, PixelFormat::R5G6B5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BitmapEffect, fade_32bit, Effect::Fade, PixelFormat::X8R8G8B8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RotateImageQuarter, rotate_256_16bit, false, PixelFormat::R5G6B5)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RotateImageQuarter, rotate_256_32bit, false, PixelFormat::X8R8G8B8)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RotateImageQuarter, rotate_256_by_blits_16bit, true, PixelFormat::R5G6B5)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
