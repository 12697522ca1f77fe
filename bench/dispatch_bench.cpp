// Commands per second of the interpreter's dispatch loop on a tight program: an integer add and
// a counted loop jump, two commands per pass, as "a = a + 1" in a loop compiles to.
//
// Instructions per command (repeatable, unlike times): run the ExecuteSlice benchmarks under
//   valgrind --tool=callgrind --toggle-collect='qm::ExecuteSlice()'
//            bench_dispatch_bench --benchmark_filter=SyncOff --benchmark_min_time=0.01
// and divide the collected instructions by the commands the benchmark reports.
#include <benchmark/benchmark.h>

#include "platform/headless/scripted_input.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/program_image.h"
#include "runtime/run_loop.h"
#include "runtime/subsystem.h"
#include "tests/runtime/image_builder.h"

namespace qm {
namespace {

constexpr int32_t kAdd = 100;       // result, left, right
constexpr int32_t kLoopJump = 101;  // counter, target: count down, jump while above 0

Pc AddIntegers(Pc at) {
  Operands in(at);
  int32_t& result = in.Int();
  const int32_t left = in.Int();
  const int32_t right = in.Int();
  result = static_cast<int32_t>(static_cast<uint32_t>(left) + static_cast<uint32_t>(right));
  return in.Next();
}

Pc LoopJump(Pc at) {
  Operands in(at);
  int32_t& counter = in.Int();
  const Pc target = in.Jump();
  if (--counter > 0) return target;
  StopFlag = 1;
  return in.Next();
}

constexpr CommandRegistration kBenchCommands[] = {{kAdd, "+", "lll", AddIntegers},
                                                  {kLoopJump, "loop", "la", LoopJump}};
constexpr CommandFamily kBenchFamily{kBenchCommands, {}};
constexpr const CommandFamily* kBenchFamilies[] = {&kBenchFamily};
constexpr Subsystem BenchSubsystem() {
  Subsystem subsystem;
  subsystem.name = "bench";
  subsystem.families = kBenchFamilies;
  return subsystem;
}
constexpr Subsystem kBenchSubsystem = BenchSubsystem();
constexpr const Subsystem* kBenchSubsystems[] = {&kBenchSubsystem};

// Loads the loop program and returns the cell of its pass counter.
int32_t& LoadLoopProgram() {
  InstallSubsystems(kBenchSubsystems);
  static test::ImageBuilder builder;
  static int32_t counter = 0;
  if (builder.Here() == 0) {
    const int32_t sum = builder.IntVariable();
    counter = builder.IntVariable();
    builder.Command(kAdd, {sum, sum, builder.IntLiteral(1)});
    builder.Command(kLoopJump, {counter, test::ImageBuilder::WordAddress(0)});
    builder.EndProgram();
  }
  CreateQuillmoorBlocksFromParser(builder);
  return ProgramImage.dataBlock[CellIndexOf(counter)].i;
}

void RunLoopProgram(benchmark::State& state, bool syncOff) {
  platform::headless::ResetHeadlessPlatform();
  int32_t& passes = LoadLoopProgram();
  ResetRunner();
  ExecuteSlice();  // the first slice of a run executes nothing
  const int32_t passesPerSlice = static_cast<int32_t>(state.range(0));
  int64_t commands = 0;
  for (auto _ : state) {
    SyncOffSetting = syncOff ? 1 : 0;
    ProgramCounter = 0;
    passes = passesPerSlice;
    // SYNC OFF may end a slice at its 33 ms budget before the loop is done: carry on.
    while (passes > 0) ExecuteSlice();
    commands += 2LL * passesPerSlice;
  }
  state.SetItemsProcessed(commands);
  state.counters["ns_per_command"] = benchmark::Counter(
      static_cast<double>(commands), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  FreeProgramImage();
}

void BM_DispatchSyncOff(benchmark::State& state) { RunLoopProgram(state, true); }
void BM_DispatchSyncOn(benchmark::State& state) { RunLoopProgram(state, false); }

BENCHMARK(BM_DispatchSyncOff)->Arg(1000000);
BENCHMARK(BM_DispatchSyncOn)->Arg(1000000);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
