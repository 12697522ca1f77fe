// Whole-program timings of the interpreter on the five peer workloads (integer loop, float maths,
// recursive calls, arrays, strings), each built word by word as the compiler lays it out and run
// through the real interpreter in SYNC ON mode (no frames between slices). Each reports the BASIC
// statements and the interpreter commands it ran per second, and checks its result against the
// same computation in C++.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>

#include "image_builder.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/program_image.h"
#include "runtime/run_hooks.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_commands.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm::bench {
namespace {

using test::ImageBuilder;

constexpr int32_t T(int32_t n) { return ImageBuilder::IntTemp(n); }
constexpr int32_t FT(int32_t n) { return ImageBuilder::FloatTemp(n); }
constexpr int32_t ST(int32_t n) { return ImageBuilder::StringTemp(n); }

// A program under construction. Each BASIC statement marks its last command, so a counting run
// can tell how many statements the program executes.
class Program {
 public:
  ImageBuilder b{1024};
  std::set<int32_t> statementEnds;

  int32_t Statement(int32_t id, std::initializer_list<int32_t> operands) {
    const int32_t word = b.Command(id, operands);
    statementEnds.insert(word);
    return word;
  }
  int32_t Part(int32_t id, std::initializer_list<int32_t> operands) { return b.Command(id, operands); }
  // FOR v = start TO limit: its two statements' commands; returns the FOR word.
  int32_t For(int32_t variable, int32_t start, int32_t limit) {
    const int32_t one = b.IntLiteral(1);
    Part(kOpSubLLL, {T(0), start, one});
    Part(kOpAssignLL, {variable, T(0)});
    return Statement(kCmdFor, {variable, limit, one, 0});
  }
  void Next(int32_t variable, int32_t forWord) {
    Statement(kCmdNext, {variable, ImageBuilder::WordAddress(forWord)});
    b.Patch(forWord + 4, ImageBuilder::WordAddress(b.Here()));
  }
  // IF value > limit THEN value = value - limit.
  void Wrap(int32_t value, int32_t limit) {
    Part(kOpGreaterLLL, {T(0), value, limit});
    const int32_t test = Statement(kCmdIf, {T(0), 0});
    Part(kOpSubLLL, {T(0), value, limit});
    Statement(kOpAssignLL, {value, T(0)});
    b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  }
  int32_t Call(int32_t entry, int32_t result, int32_t argument) {
    const int32_t word =
        b.Command(kCmdFunction, {ImageBuilder::WordAddress(entry), result, b.IntLiteral(1), argument});
    return word;
  }
  void End() { b.Emit(0); }
};

struct Counts {
  int64_t statements = 0;
  int64_t commands = 0;
};

// Steps through the program once, command by command, counting what it executes.
Counts CountExecution(const Program& program) {
  Counts counts;
  RunHooks(RunHook::ResetSystemTables);
  ResetRunner();
  StopFlag = 0;
  for (Pc pc = DecodedAt(0);;) {
    const int32_t word = WordIndexOf(pc);
    const CommandHandler handler = FindCommandHandler(ProgramWordAt(word));
    if (handler == nullptr || PendingErrorCode != 0) break;
    pc = handler(pc);
    ++counts.commands;
    if (program.statementEnds.count(word) != 0) ++counts.statements;
  }
  return counts;
}

void RunToEnd() {
  RunHooks(RunHook::ResetSystemTables);
  ResetRunner();
  DisplayReadyFlag = 1;
  SyncOffSetting = 0;
  while (PendingErrorCode == 0 && FindCommandHandler(ProgramWordAt(ProgramCounter)) != nullptr) {
    ExecuteSlice();
  }
}

// Loads the program, checks its result once, then times whole runs.
template <typename Check>
void TimeProgram(benchmark::State& state, Program& program, Check resultIsRight) {
  ClearCommandRegistrations();
  ClearRunHooks();
  RegisterRuntimeCommands();
  if (program.b.ProgramEndCounters().programWrite == 0) program.b.EndProgram();
  if (!CreateQuillmoorBlocksFromParser(program.b)) {
    state.SkipWithError("the program image could not be built");
    return;
  }
  const Counts counts = CountExecution(program);
  if (PendingErrorCode != 0 || !resultIsRight()) {
    state.SkipWithError("the program gave a wrong result");
    return;
  }
  for (auto _ : state) RunToEnd();
  if (!resultIsRight()) state.SkipWithError("the timed runs gave a wrong result");
  const double runs = static_cast<double>(state.iterations());
  state.counters["statements/s"] =
      benchmark::Counter(runs * static_cast<double>(counts.statements), benchmark::Counter::kIsRate);
  state.counters["commands/s"] =
      benchmark::Counter(runs * static_cast<double>(counts.commands), benchmark::Counter::kIsRate);
  RunHooks(RunHook::EndRun);
  RunHooks(RunHook::FreeRuntimeData);
  FreeProgramImage();
}

int32_t IntOf(int32_t operand) { return ProgramImage.dataBlock[operand - kFirstOperand].i; }
float FloatOf(int32_t operand) { return ProgramImage.dataBlock[operand - kFirstOperand].f; }

// ---- a: integer loop ----
// sum = 0 : for o = 1 to outer : for i = 1 to 10000 : sum = sum + i
// if sum > 999983 then sum = sum - 999983 : next i : next o
void IntegerLoop(benchmark::State& state) {
  const int32_t outer = static_cast<int32_t>(state.range(0));
  Program p;
  const int32_t sum = p.b.IntVariable(), o = p.b.IntVariable(), i = p.b.IntVariable();
  const int32_t wrap = p.b.IntLiteral(999983);
  p.Statement(kOpAssignLL, {sum, p.b.IntLiteral(0)});
  const int32_t outerLoop = p.For(o, p.b.IntLiteral(1), p.b.IntLiteral(outer));
  const int32_t innerLoop = p.For(i, p.b.IntLiteral(1), p.b.IntLiteral(10000));
  p.Part(kOpAddLLL, {T(0), sum, i});
  p.Statement(kOpAssignLL, {sum, T(0)});
  p.Wrap(sum, wrap);
  p.Next(i, innerLoop);
  p.Next(o, outerLoop);
  p.End();
  int32_t expected = 0;
  for (int32_t r = 1; r <= outer; ++r) {
    for (int32_t k = 1; k <= 10000; ++k) {
      expected += k;
      if (expected > 999983) expected -= 999983;
    }
  }
  TimeProgram(state, p, [&] { return IntOf(sum) == expected; });
}
BENCHMARK(IntegerLoop)->Arg(100)->Unit(benchmark::kMillisecond);

// ---- b: float maths ----
// acc# = 0.0 : for i = 1 to n : x# = i / 8.0 : acc# = acc# + sin(x#) * sqrt(x#) : next i
void FloatMaths(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  Program p;
  const int32_t acc = p.b.FloatVariable(), x = p.b.FloatVariable(), i = p.b.IntVariable();
  p.Statement(kOpAssignFF, {acc, p.b.FloatLiteral(0.0f)});
  const int32_t loop = p.For(i, p.b.IntLiteral(1), p.b.IntLiteral(n));
  p.Part(kOpDivFLF, {FT(0), i, p.b.FloatLiteral(8.0f)});
  p.Statement(kOpAssignFF, {x, FT(0)});
  p.Part(kCmdSinFF, {FT(0), x});
  p.Part(kCmdSqrtFF, {FT(1), x});
  p.Part(kOpMulFFF, {FT(2), FT(0), FT(1)});
  p.Part(kOpAddFFF, {FT(3), acc, FT(2)});
  p.Statement(kOpAssignFF, {acc, FT(3)});
  p.Next(i, loop);
  p.End();
  float expected = 0.0f;
  for (int32_t k = 1; k <= n; ++k) {
    const float xk = static_cast<float>(static_cast<double>(k) / 8.0);
    const float s = static_cast<float>(std::sin(static_cast<double>(xk) * 0.01745));
    const float q = static_cast<float>(std::sqrt(static_cast<double>(xk)));
    expected = static_cast<float>(static_cast<double>(expected) +
                                  static_cast<double>(static_cast<float>(double(s) * double(q))));
  }
  TimeProgram(state, p, [&] { return FloatOf(acc) == expected; });
}
BENCHMARK(FloatMaths)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ---- c: recursive calls ----
// total = fib(n) : end
// function fib(n) : r = n : if n > 1 : a = fib(n - 1) : b = fib(n - 2) : r = a + b : endif
// endfunction r
void Fibonacci(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  Program p;
  const int32_t total = p.b.IntVariable();
  const int32_t mainCall = p.Call(0, T(0), p.b.IntLiteral(n));
  p.Statement(kOpAssignLL, {total, T(0)});
  p.End();
  const int16_t scope = 1;
  const int32_t fn = p.b.IntVariable(scope), r = p.b.IntVariable(scope), a = p.b.IntVariable(scope),
                bb = p.b.IntVariable(scope);
  p.Part(kCmdStop, {});
  const int32_t entry = p.b.Here();
  p.b.Emit(fn);
  p.b.Emit(scope);
  p.b.Patch(mainCall + 1, ImageBuilder::WordAddress(entry));
  const int32_t one = p.b.IntLiteral(1), two = p.b.IntLiteral(2);
  p.Statement(kOpAssignLL, {r, fn});
  p.Part(kOpGreaterLLL, {T(50), fn, one});
  const int32_t test = p.Statement(kCmdIf, {T(50), 0});
  p.Part(kOpSubLLL, {T(50), fn, one});
  p.Call(entry, T(51), T(50));
  p.Statement(kOpAssignLL, {a, T(51)});
  p.Part(kOpSubLLL, {T(50), fn, two});
  p.Call(entry, T(51), T(50));
  p.Statement(kOpAssignLL, {bb, T(51)});
  p.Part(kOpAddLLL, {T(50), a, bb});
  p.Statement(kOpAssignLL, {r, T(50)});
  p.b.Patch(test + 2, ImageBuilder::WordAddress(p.b.Here()));
  p.Statement(kCmdEndfunctionL, {r});
  int32_t previous = 0, current = 1;
  for (int32_t k = 1; k < n; ++k) {
    const int32_t next = previous + current;
    previous = current;
    current = next;
  }
  TimeProgram(state, p, [&] { return IntOf(total) == current; });
}
BENCHMARK(Fibonacci)->Arg(25)->Unit(benchmark::kMillisecond);

// ---- d: arrays ----
// dim arr(100000) : s = 0 : for r = 1 to reps : for i = 1 to 100000 : arr(i) = i + r : next i
// for i = 1 to 100000 : s = s + arr(i) : if s > 999983 then s = s - 999983 : next i : next r
void ArrayFillAndSum(benchmark::State& state) {
  const int32_t reps = static_cast<int32_t>(state.range(0));
  constexpr int32_t kSize = 100000;
  Program p;
  const int32_t arr = p.b.IntVariable(), s = p.b.IntVariable(), r = p.b.IntVariable(), i = p.b.IntVariable();
  const int32_t size = p.b.IntLiteral(kSize);
  p.Statement(kCmdDimLL, {arr, size});
  p.Statement(kOpAssignLL, {s, p.b.IntLiteral(0)});
  const int32_t outer = p.For(r, p.b.IntLiteral(1), p.b.IntLiteral(reps));
  const int32_t fill = p.For(i, p.b.IntLiteral(1), size);
  p.Part(kOpAddLLL, {T(0), i, r});
  p.Statement(kOpArraySetLLL, {arr, i, T(0)});
  p.Next(i, fill);
  const int32_t sum = p.For(i, p.b.IntLiteral(1), size);
  p.Part(kOpArrayGetLLL, {T(0), arr, i});
  p.Part(kOpAddLLL, {T(1), s, T(0)});
  p.Statement(kOpAssignLL, {s, T(1)});
  p.Wrap(s, p.b.IntLiteral(999983));
  p.Next(i, sum);
  p.Next(r, outer);
  p.End();
  int32_t expected = 0;
  for (int32_t k = 1; k <= reps; ++k) {
    for (int32_t j = 1; j <= kSize; ++j) {
      expected += j + k;
      if (expected > 999983) expected -= 999983;
    }
  }
  TimeProgram(state, p, [&] { return IntOf(s) == expected; });
}
BENCHMARK(ArrayFillAndSum)->Arg(10)->Unit(benchmark::kMillisecond);

// ---- e: strings ----
// t = 0 : for r = 1 to reps : s$ = "" : for i = 1 to 60 : s$ = s$ + "ab" + chr$(64 + i) : next i
// for i = 1 to 180 : t = t + len(left$(s$, i)) + asc(mid$(s$, i))
// if t > 999983 then t = t - 999983 : next i : next r
void StringBuilding(benchmark::State& state) {
  const int32_t reps = static_cast<int32_t>(state.range(0));
  Program p;
  const int32_t t = p.b.IntVariable(), r = p.b.IntVariable(), i = p.b.IntVariable(), s = p.b.StringVariable();
  p.Statement(kOpAssignLL, {t, p.b.IntLiteral(0)});
  const int32_t outer = p.For(r, p.b.IntLiteral(1), p.b.IntLiteral(reps));
  p.Statement(kOpAssignSS, {s, p.b.StringLiteral("")});
  const int32_t build = p.For(i, p.b.IntLiteral(1), p.b.IntLiteral(60));
  p.Part(kOpAddSSS, {ST(0), s, p.b.StringLiteral("ab")});
  p.Part(kOpAddLLL, {T(0), p.b.IntLiteral(64), i});
  p.Part(kCmdChrStr, {ST(1), T(0)});
  p.Part(kOpAddSSS, {ST(2), ST(0), ST(1)});
  p.Statement(kOpAssignSS, {s, ST(2)});
  p.Next(i, build);
  const int32_t scan = p.For(i, p.b.IntLiteral(1), p.b.IntLiteral(180));
  p.Part(kCmdLeftStr, {ST(0), s, i});
  p.Part(kCmdLen, {T(0), ST(0)});
  p.Part(kOpAddLLL, {T(1), t, T(0)});
  p.Part(kCmdMidStr, {ST(1), s, i});
  p.Part(kCmdAsc, {T(2), ST(1)});
  p.Part(kOpAddLLL, {T(3), T(1), T(2)});
  p.Statement(kOpAssignLL, {t, T(3)});
  p.Wrap(t, p.b.IntLiteral(999983));
  p.Next(i, scan);
  p.Next(r, outer);
  p.End();
  int32_t expected = 0;
  for (int32_t k = 1; k <= reps; ++k) {
    std::string text;
    for (int32_t j = 1; j <= 60; ++j) text = text + "ab" + static_cast<char>(64 + j);
    for (int32_t j = 1; j <= 180; ++j) {
      expected += j + static_cast<unsigned char>(text[static_cast<size_t>(j - 1)]);
      if (expected > 999983) expected -= 999983;
    }
  }
  TimeProgram(state, p, [&] { return IntOf(t) == expected; });
}
BENCHMARK(StringBuilding)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
