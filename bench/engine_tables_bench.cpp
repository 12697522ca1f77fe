// Engine tables: the run start (tables and six number maps emptied) and taking and releasing
// records, which the sprite, image and drawing commands do many times a frame.
#include <benchmark/benchmark.h>

#include "display/engine_tables.h"

namespace {

void BM_InitGameData(benchmark::State& state) {
  qm::CreateEngineTables();
  for (auto _ : state) benchmark::DoNotOptimize(qm::InitGameData());
  qm::FreeEngineTables();
}
BENCHMARK(BM_InitGameData)->Unit(benchmark::kMicrosecond);

// One frame's worth of queued requests taken, then released oldest first.
void BM_TakeAndReleaseRequests(benchmark::State& state) {
  qm::CreateEngineTables();
  qm::InitGameData();
  const auto requests = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    for (int32_t i = 0; i < requests; ++i) benchmark::DoNotOptimize(qm::NewDrawRequest());
    while (qm::DrawRequestQueue.UsedHead() != qm::kNoRecord)
      qm::DrawRequestQueue.Release(qm::DrawRequestQueue.UsedHead());
  }
  state.SetItemsProcessed(state.iterations() * requests);
  qm::FreeEngineTables();
}
BENCHMARK(BM_TakeAndReleaseRequests)->Arg(1000)->Arg(32000);

}  // namespace

BENCHMARK_MAIN();
