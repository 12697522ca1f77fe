// Whole-program compile: time and peak memory for generated programs of 1,000, 10,000 and 30,000
// lines in a realistic mix (assignments with expressions, IF blocks, FOR loops, PRINT lists, calls
// of value commands and user functions, arrays, strings, DATA, labels and GOSUB). Growth in the
// number of lines should be close to linear: compare the time per line across the sizes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "compiler/parser.h"
#include "compiler/statement_compiler.h"

namespace {

// One line of the program body; `n` counts lines. Names and numbers repeat so that the tables'
// limits (1,999 variables, literals and labels of each kind) are never reached.
std::string BodyLine(int n) {
  const std::string k = std::to_string(n % 150);
  const std::string j = std::to_string((n * 7) % 150);
  const std::string c = std::to_string(n % 400);
  switch (n % 16) {
    case 0:
      return "a" + k + " = b" + j + " * 2 + c" + k + " - " + c;
    case 1:
      return "if a" + k + " > b" + j + " and c" + k + " < " + c;
    case 2:
      return "  total = total + a" + k + " * (b" + j + " - 1)";
    case 3:
      return "else";
    case 4:
      return "  x# = x# / 2.5 + sqrt(abs(a" + k + "))";
    case 5:
      return "endif";
    case 6:
      return "for i = 1 to " + c + " step 2 : s = s + grid(3, i / 100) : next i";
    case 7:
      return "grid(" + std::to_string(n % 10) + ", 2) = a" + k + " + twice(b" + j + ")";
    case 8:
      return "print a" + k + "; b" + j + ", x#";
    case 9:
      return "name$ = left$(name$ + str$(a" + k + "), 20)";
    case 10:
      return "while s > " + c + " : s = s - 1 : endwhile";
    case 11:
      return n % 64 == 11 ? "print \"line " + c + "\"" : "inc total, " + c;
    case 12:
      return n % 48 == 12 ? "data " + c + ", 2.5, -" + c : "f# = f# * 1.5 - c" + k;
    case 13:
      return n % 128 == 13 ? "here" + std::to_string(n) + ":" : "rem a comment " + c;
    case 14:
      return n % 128 == 14 ? "gosub here" + std::to_string(n - 1) : "d = rnd(10) + int(x#)";
    default:
      return "if a" + k + " = 1 then b" + j + " = 2 else b" + j + " = 3";
  }
}

std::string GenerateProgram(int lines) {
  std::string program = "dim grid(10, 10)\r\ntotal = 0\r\n";
  for (int n = 0; n < lines; ++n) program += BodyLine(n) + "\r\n";
  program += "end\r\nfunction twice(v)\r\nendfunction v * 2\r\n";
  return program;
}

std::string WriteProgram(int lines) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("qm-compile-bench-" + std::to_string(::getpid()) + "-" + std::to_string(lines) + ".qma");
  std::ofstream(path, std::ios::binary) << GenerateProgram(lines);
  return path.string();
}

bool CompileFile(qm::Parser& parser, const std::string& path) {
  parser.Close();
  parser.Open();
  return parser.CreateProgramFromFile(path);
}

// Peak resident memory of a child process that compiles the file once, in KiB.
long PeakKibOfCompile(const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    qm::Parser parser;
    parser.Open();
    parser.SetCompilerPasses(qm::MakeStatementCompiler());
    const bool ok = parser.CreateDatabase() && (path.empty() || CompileFile(parser, path));
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

void BM_CompileProgram(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string path = WriteProgram(lines);
  qm::Parser parser;
  parser.Open();
  parser.SetCompilerPasses(qm::MakeStatementCompiler());
  if (!parser.CreateDatabase() || !CompileFile(parser, path)) {
    state.SkipWithError(
        ("the program does not compile: " + parser.errorText + " at " + std::to_string(parser.errorLine))
            .c_str());
    std::filesystem::remove(path);
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(CompileFile(parser, path));
  }
  state.counters["lines"] = lines;
  state.counters["words"] = parser.WordCount();
  // Seconds per (lines x 1e-6) per iteration: microseconds per line.
  state.counters["us_per_line"] =
      benchmark::Counter(static_cast<double>(lines) * 1e-6,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  const long base = PeakKibOfCompile("");
  const long peak = PeakKibOfCompile(path);
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
  state.counters["compile_MiB"] = static_cast<double>(peak - base) / 1024.0;
  std::filesystem::remove(path);
}
BENCHMARK(BM_CompileProgram)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
