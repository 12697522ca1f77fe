// The SYNC RATE frame wait on the real clock: the wall time of a frame and the CPU time it keeps
// a core busy. A wait that sleeps shows a CPU share near 0; a spinning one near 100 %.
#include <benchmark/benchmark.h>
#include <time.h>

#include "platform/clock.h"
#include "runtime/run_loop.h"

namespace qm {
namespace {

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void FrameWait(benchmark::State& state) {
  ResetRunLoopState();
  SyncRateMs = static_cast<uint32_t>(state.range(0));
  SyncFrame();
  const double cpuStart = ThreadCpuMs();
  const uint32_t wallStart = platform::TimeMs();
  for (auto _ : state) SyncFrame();
  const double wallMs = static_cast<double>(platform::TimeMs() - wallStart);
  const double cpuMs = ThreadCpuMs() - cpuStart;
  state.counters["cpu_share_%"] = wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0;
}
BENCHMARK(FrameWait)->Arg(16)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
