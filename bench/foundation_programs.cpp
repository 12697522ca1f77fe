// Whole-program timings of the interpreter on the five peer workloads (integer loop, float maths,
// recursive calls, arrays, strings), each a BASIC program compiled by the compile entry and run by
// the run entry, headless (no frame waits), as the peers' versions in bench-peers are. Each checks
// its result against the same computation in C++, which also counts the BASIC statements and the
// interpreter commands the program executes: the run reports both per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "app/system_subsystems.h"
#include "compiler/compile.h"
#include "runtime/program_image.h"
#include "runtime/run_program.h"

namespace qm::bench {
namespace {

// What the C++ version of a workload found: the result and the work the program does for it.
struct Expected {
  double value = 0;
  int64_t statements = 0;
  int64_t commands = 0;
};

// The value of a main-program variable ('l' or 'f' by its name's marker), read after the run.
double VariableValue(const Parser& parser, const std::string& name) {
  const char type = name.back() == '#' ? 'f' : 'l';
  for (int32_t i = 0; i < parser.VariableCount(type); ++i) {
    const VariableEntry& variable = parser.Variable(type, i);
    if (variable.scope != kMainScope || variable.isArray || variable.name != name) continue;
    const ValueCell& cell = ProgramImage.dataBlock[CellIndexOf(variable.number)];
    return type == 'f' ? static_cast<double>(cell.f) : static_cast<double>(cell.i);
  }
  return std::nan("");
}

// Compiles the program once, then times whole runs; every run's result is checked.
void TimeProgram(benchmark::State& state, const std::string& source, const std::string& resultName,
                 const Expected& expected) {
  InstallSubsystems(SystemSubsystems());
  Parser parser;
  CompileOptions compile;
  compile.text = source;
  const CompileOutcome compiled = Compile(parser, compile);
  if (!compiled.Compiled()) {
    state.SkipWithError(("the program does not compile: " + CompileReportText(compiled)).c_str());
    return;
  }
  RunOptions run;
  run.program = &parser;
  double result = 0;
  run.afterRun = [&] { result = VariableValue(parser, resultName); };
  for (auto _ : state) {
    const RunOutcome outcome = RunProgram(run);
    if (outcome.end != RunEnd::Ended || result != expected.value) {
      state.SkipWithError(("the program gave a wrong result: " + outcome.text).c_str());
      return;
    }
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["statements/s"] =
      benchmark::Counter(runs * static_cast<double>(expected.statements), benchmark::Counter::kIsRate);
  state.counters["commands/s"] =
      benchmark::Counter(runs * static_cast<double>(expected.commands), benchmark::Counter::kIsRate);
}

// Counts for the C++ versions. A FOR loop costs three commands and one statement on entry (the
// start value less the step, its assignment, the FOR test) and one statement per pass for NEXT,
// whose two commands (NEXT, then the FOR test it jumps back to) end the pass.
struct Work {
  int64_t statements = 0;
  int64_t commands = 0;
  void Statement(int64_t commandCount) {
    ++statements;
    commands += commandCount;
  }
  void ForEntry() { Statement(3); }
  void Next() { Statement(2); }
  // The last FOR test of a loop, which leaves it, and the END after the program.
  void LoopExit() { ++commands; }
  void End() { Statement(1); }
};

// IF value > 999983 THEN value = value - 999983: the test (two commands), and when it holds the
// subtraction and its assignment.
int32_t Wrap(int32_t value, Work& work) {
  work.Statement(2);
  if (value <= 999983) return value;
  work.commands += 2;
  return value - 999983;
}

// ---- a: integer loop ----
void IntegerLoop(benchmark::State& state) {
  const int32_t outer = static_cast<int32_t>(state.range(0));
  const std::string source =
      "sum = 0\n"
      "for o = 1 to " +
      std::to_string(outer) +
      "\n"
      "   for i = 1 to 10000\n"
      "      sum = sum + i\n"
      "      if sum > 999983 then sum = sum - 999983\n"
      "   next i\n"
      "next o\n";
  Work work;
  int32_t sum = 0;
  work.Statement(1);
  work.ForEntry();
  for (int32_t o = 1; o <= outer; ++o) {
    work.ForEntry();
    for (int32_t i = 1; i <= 10000; ++i) {
      sum += i;
      work.Statement(2);
      sum = Wrap(sum, work);
      work.Next();
    }
    work.LoopExit();
    work.Next();
  }
  work.LoopExit();
  work.End();
  TimeProgram(state, source, "sum", {static_cast<double>(sum), work.statements, work.commands});
}
BENCHMARK(IntegerLoop)->Arg(100)->Unit(benchmark::kMillisecond);

// ---- b: float maths ----
// SIN takes degrees (it multiplies by 0.01745 itself); floats are single precision.
void FloatMaths(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const std::string source =
      "acc# = 0.0\n"
      "for i = 1 to " +
      std::to_string(n) +
      "\n"
      "   x# = i / 8.0\n"
      "   acc# = acc# + sin(x#) * sqrt(x#)\n"
      "next i\n";
  Work work;
  work.Statement(1);
  work.ForEntry();
  float acc = 0.0f;
  for (int32_t k = 1; k <= n; ++k) {
    const float x = static_cast<float>(static_cast<double>(k) / 8.0);
    const float s = static_cast<float>(std::sin(static_cast<double>(x) * 0.01745));
    const float q = static_cast<float>(std::sqrt(static_cast<double>(x)));
    acc = static_cast<float>(static_cast<double>(acc) +
                             static_cast<double>(static_cast<float>(double(s) * double(q))));
    work.Statement(2);
    work.Statement(5);
    work.Next();
  }
  work.LoopExit();
  work.End();
  TimeProgram(state, source, "acc#", {static_cast<double>(acc), work.statements, work.commands});
}
BENCHMARK(FloatMaths)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ---- c: recursive calls ----
// A call of fib: the call command, r = n, the test (two commands) and, for n > 1, two calls with
// their subtraction and assignment, the sum and its assignment; then ENDFUNCTION.
int32_t Fib(int32_t n, Work& work) {
  work.commands += 1;  // the call
  work.Statement(1);
  work.Statement(2);
  int32_t r = n;
  if (n > 1) {
    work.commands += 1;  // n - 1
    const int32_t a = Fib(n - 1, work);
    work.Statement(1);
    work.commands += 1;
    const int32_t b = Fib(n - 2, work);
    work.Statement(1);
    work.Statement(2);
    r = a + b;
  }
  work.Statement(1);  // endfunction r
  return r;
}

void Fibonacci(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const std::string source = "total = fib(" + std::to_string(n) +
                             ")\n"
                             "end\n"
                             "function fib(n)\n"
                             "   r = n\n"
                             "   if n > 1\n"
                             "      a = fib(n - 1)\n"
                             "      b = fib(n - 2)\n"
                             "      r = a + b\n"
                             "   endif\n"
                             "endfunction r\n";
  Work work;
  const int32_t total = Fib(n, work);
  work.Statement(1);  // total = (the call's result)
  work.End();
  TimeProgram(state, source, "total", {static_cast<double>(total), work.statements, work.commands});
}
BENCHMARK(Fibonacci)->Arg(25)->Unit(benchmark::kMillisecond);

// ---- d: arrays ----
void ArrayFillAndSum(benchmark::State& state) {
  const int32_t reps = static_cast<int32_t>(state.range(0));
  constexpr int32_t kSize = 100000;
  const std::string source =
      "dim arr(100000)\n"
      "s = 0\n"
      "for r = 1 to " +
      std::to_string(reps) +
      "\n"
      "   for i = 1 to 100000\n"
      "      arr(i) = i + r\n"
      "   next i\n"
      "   for i = 1 to 100000\n"
      "      s = s + arr(i)\n"
      "      if s > 999983 then s = s - 999983\n"
      "   next i\n"
      "next r\n";
  Work work;
  work.Statement(1);
  work.Statement(1);
  work.ForEntry();
  int32_t s = 0;
  for (int32_t r = 1; r <= reps; ++r) {
    work.ForEntry();
    for (int32_t i = 1; i <= kSize; ++i) {
      work.Statement(2);
      work.Next();
    }
    work.LoopExit();
    work.ForEntry();
    for (int32_t i = 1; i <= kSize; ++i) {
      s += i + r;
      work.Statement(3);
      s = Wrap(s, work);
      work.Next();
    }
    work.LoopExit();
    work.Next();
  }
  work.LoopExit();
  work.End();
  TimeProgram(state, source, "s", {static_cast<double>(s), work.statements, work.commands});
}
BENCHMARK(ArrayFillAndSum)->Arg(10)->Unit(benchmark::kMillisecond);

// ---- e: strings ----
// MID$(t$, n) is the single character at n.
void StringBuilding(benchmark::State& state) {
  const int32_t reps = static_cast<int32_t>(state.range(0));
  const std::string source =
      "t = 0\n"
      "for r = 1 to " +
      std::to_string(reps) +
      "\n"
      "   s$ = \"\"\n"
      "   for i = 1 to 60\n"
      "      s$ = s$ + \"ab\" + chr$(64 + i)\n"
      "   next i\n"
      "   for i = 1 to 180\n"
      "      t = t + len(left$(s$, i)) + asc(mid$(s$, i))\n"
      "      if t > 999983 then t = t - 999983\n"
      "   next i\n"
      "next r\n";
  Work work;
  work.Statement(1);
  work.ForEntry();
  int32_t t = 0;
  for (int32_t r = 1; r <= reps; ++r) {
    work.Statement(1);
    work.ForEntry();
    std::string text;
    for (int32_t j = 1; j <= 60; ++j) {
      text = text + "ab" + static_cast<char>(64 + j);
      work.Statement(5);
      work.Next();
    }
    work.LoopExit();
    work.ForEntry();
    for (int32_t j = 1; j <= 180; ++j) {
      t += j + static_cast<unsigned char>(text[static_cast<size_t>(j - 1)]);
      work.Statement(7);
      t = Wrap(t, work);
      work.Next();
    }
    work.LoopExit();
    work.Next();
  }
  work.LoopExit();
  work.End();
  TimeProgram(state, source, "t", {static_cast<double>(t), work.statements, work.commands});
}
BENCHMARK(StringBuilding)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
