// Whole-program compile: time and peak memory for generated programs of 1,000, 10,000 and 30,000
// lines in a realistic mix (assignments with expressions, IF blocks, FOR loops, PRINT lists, calls
// of value commands and user functions, arrays, strings, DATA, labels and GOSUB). Growth in the
// number of lines should be close to linear: compare the time per line across the sizes.
//
// The one-shot figures: `quillmoor -c` of the 30,000-line program as a process, beside
// `luac5.4 -p` of a Lua program of the same shape (a Lua line for each BASIC line), both as wall
// time of the whole process. The quillmoor executable is found beside this program's folder, or
// named by QUILLMOOR; the Lua compiler is skipped when it is not installed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

// The Lua line of the same shape as BodyLine(n): the same names, numbers and statements.
std::string LuaBodyLine(int n) {
  const std::string k = std::to_string(n % 150);
  const std::string j = std::to_string((n * 7) % 150);
  const std::string c = std::to_string(n % 400);
  switch (n % 16) {
    case 0:
      return "a" + k + " = b" + j + " * 2 + c" + k + " - " + c;
    case 1:
      return "if a" + k + " > b" + j + " and c" + k + " < " + c + " then";
    case 2:
      return "  total = total + a" + k + " * (b" + j + " - 1)";
    case 3:
      return "else";
    case 4:
      return "  x = x / 2.5 + math.sqrt(math.abs(a" + k + "))";
    case 5:
      return "end";
    case 6:
      return "for i = 1, " + c + ", 2 do s = s + grid[3][i // 100] end";
    case 7:
      return "grid[" + std::to_string(n % 10) + "][2] = a" + k + " + twice(b" + j + ")";
    case 8:
      return "print(a" + k + ", b" + j + ", x)";
    case 9:
      return "name = string.sub(name .. tostring(a" + k + "), 1, 20)";
    case 10:
      return "while s > " + c + " do s = s - 1 end";
    case 11:
      return n % 64 == 11 ? "print(\"line " + c + "\")" : "total = total + " + c;
    case 12:
      return n % 48 == 12 ? "data[#data + 1] = {" + c + ", 2.5, -" + c + "}" : "f = f * 1.5 - c" + k;
    case 13:
      return n % 128 == 13 ? "::here" + std::to_string(n) + "::" : "-- a comment " + c;
    case 14:
      return n % 128 == 14 ? "goto here" + std::to_string(n - 1) : "d = math.random(10) + math.floor(x)";
    default:
      return "if a" + k + " == 1 then b" + j + " = 2 else b" + j + " = 3 end";
  }
}

std::string GenerateLuaProgram(int lines) {
  std::string program = "grid = {}\ndata = {}\ntotal = 0\n";
  for (int n = 0; n < lines; ++n) program += LuaBodyLine(n) + "\n";
  program += "function twice(v)\n  return v * 2\nend\n";
  return program;
}

std::string WriteProgramText(int lines, const std::string& extension, const std::string& text) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("qm-compile-bench-" + std::to_string(::getpid()) + "-" + std::to_string(lines) + extension);
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

std::string WriteProgram(int lines) { return WriteProgramText(lines, ".qma", GenerateProgram(lines)); }

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

extern "C" char** environ;

struct ProcessTimes {
  double cpu = -1;  // user and system seconds of the child; -1 when it could not start or failed
  double wall = 0;
};

// Runs a program to its end with its output thrown away.
ProcessTimes TimesOfProcess(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ProcessTimes times;
  if (spawned != 0) return times;
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  times.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
    times.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return times;
}

std::string QuillmoorExecutable() {
  if (const char* named = std::getenv("QUILLMOOR")) return named;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return (self.parent_path().parent_path() / "quillmoor").string();
}

// Times one process per iteration, by its CPU time (the machine may be busy with other work);
// the wall time is a counter beside it. `arguments` ends with the program file.
void TimeProcess(benchmark::State& state, std::vector<std::string> arguments) {
  double wall = 0;
  for (auto _ : state) {
    const ProcessTimes times = TimesOfProcess(arguments);
    if (times.cpu < 0) {
      state.SkipWithError((arguments[0] + " failed on " + arguments.back()).c_str());
      break;
    }
    state.SetIterationTime(times.cpu);
    wall += times.wall;
  }
  state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
}

void BM_QuillmoorCompileCommand(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string path = WriteProgram(lines);
  // QMCompile.log is written in the current folder: the program's.
  const std::filesystem::path folder = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(path).parent_path());
  TimeProcess(state, {QuillmoorExecutable(), "-c", path});
  std::filesystem::current_path(folder);
  std::filesystem::remove(path);
  std::filesystem::remove(std::filesystem::path(path).parent_path() / "QMCompile.log");
}
BENCHMARK(BM_QuillmoorCompileCommand)->Arg(30000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LuacParse(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string path = WriteProgramText(lines, ".lua", GenerateLuaProgram(lines));
  TimeProcess(state, {"luac5.4", "-p", path});
  std::filesystem::remove(path);
}
BENCHMARK(BM_LuacParse)->Arg(30000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
