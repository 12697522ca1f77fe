// Replay of one frame's draw requests onto a 640x480 back buffer at 16 and 32 bits: 32,000 DOTs,
// 1,000 full-width LINEs, 200 CIRCLEs of radius 200, and 1,000 TEXTs of 40 characters. Each
// iteration queues the frame's requests and replays them; the queue's records are reused.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "display/draw_request_queue.h"
#include "display/engine_tables.h"
#include "display/text_state.h"
#include "platform/display/surface.h"

namespace qm {
namespace {

enum class Workload { Dots, Lines, Circles, Texts };

void QueueFrame(Workload workload) {
  switch (workload) {
    case Workload::Dots:
      for (int32_t i = 0; i < 32000; ++i) QueueDot(i % 640, (i / 640) % 480);
      break;
    case Workload::Lines:
      for (int32_t i = 0; i < 1000; ++i) QueueLine(0, i % 480, 639, (i * 7) % 480);
      break;
    case Workload::Circles:
      for (int32_t i = 0; i < 200; ++i) QueueEllipse(320, 240, 200.0f, 200.0f);
      break;
    case Workload::Texts: {
      const std::string text(40, 'W');
      for (int32_t i = 0; i < 1000; ++i) QueueTextRequest(kDrawText, (i * 13) % 400, (i * 11) % 460, text);
      break;
    }
  }
}

void ReplayFrame(benchmark::State& state, Workload workload, platform::PixelFormat format) {
  if (!DrawRequestQueue.Exists()) CreateEngineTables();
  platform::SurfaceDesc desc;
  desc.width = 640;
  desc.height = 480;
  desc.format = format;
  platform::Surface* backBuffer = nullptr;
  if (platform::Surface::Create(desc, backBuffer) != platform::DisplayResult::Ok) {
    state.SkipWithError("no surface");
    return;
  }
  SetScreenSurfaces(backBuffer, false);
  ResetDrawQueueForRun();
  ResetTextStateForRun();
  QueueFrame(workload);  // the table grows to its size once, outside the timing
  ProcessDrawRequests();
  for (auto _ : state) {
    state.PauseTiming();
    QueueFrame(workload);
    state.ResumeTiming();
    ProcessDrawRequests();
  }
  SetScreenSurfaces(nullptr, false);
  backBuffer->Release();
}

void BM_Dots16(benchmark::State& s) { ReplayFrame(s, Workload::Dots, platform::PixelFormat::R5G6B5); }
void BM_Dots32(benchmark::State& s) { ReplayFrame(s, Workload::Dots, platform::PixelFormat::X8R8G8B8); }
void BM_Lines16(benchmark::State& s) { ReplayFrame(s, Workload::Lines, platform::PixelFormat::R5G6B5); }
void BM_Lines32(benchmark::State& s) { ReplayFrame(s, Workload::Lines, platform::PixelFormat::X8R8G8B8); }
void BM_Circles16(benchmark::State& s) { ReplayFrame(s, Workload::Circles, platform::PixelFormat::R5G6B5); }
void BM_Circles32(benchmark::State& s) { ReplayFrame(s, Workload::Circles, platform::PixelFormat::X8R8G8B8); }
void BM_Texts16(benchmark::State& s) { ReplayFrame(s, Workload::Texts, platform::PixelFormat::R5G6B5); }
void BM_Texts32(benchmark::State& s) { ReplayFrame(s, Workload::Texts, platform::PixelFormat::X8R8G8B8); }

BENCHMARK(BM_Dots16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Dots32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lines16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lines32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Circles16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Circles32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Texts16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Texts32)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
