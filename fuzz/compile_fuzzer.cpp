// libFuzzer target: compiles arbitrary source text with the real compiler and, when it compiles,
// runs it for a short, bounded time. Neither may crash or trip a sanitizer, whatever the text.
#include <sys/time.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/parser.h"
#include "compiler/statement_compiler.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/program_image.h"
#include "runtime/run_hooks.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_commands.h"
#include "runtime/runtime_errors.h"

namespace {

// Inputs beyond this size add nothing the smaller ones cannot reach, and would grow the program
// block (which compiles everything again).
constexpr std::size_t kMaxSourceBytes = 8192;
// A run is at most this many slices, each cut after a few milliseconds of CPU time.
constexpr int kMaxSlices = 4;
constexpr suseconds_t kSliceCpuMicroseconds = 5000;

void EndSlice(int) { qm::Interpreter.stopFlag = 1; }

// The interpreter looks at its StopFlag each time its slice countdown runs out (at least every
// 1,024 commands), so a timer that sets it ends even a slice that would never end by itself. CPU time,
// because libFuzzer keeps the real-time alarm.
void StartSliceTimer() {
  struct sigaction action {};
  action.sa_handler = EndSlice;
  sigaction(SIGVTALRM, &action, nullptr);
  itimerval timer{};
  timer.it_value.tv_usec = kSliceCpuMicroseconds;
  timer.it_interval.tv_usec = kSliceCpuMicroseconds;
  setitimer(ITIMER_VIRTUAL, &timer, nullptr);
}

void StopSliceTimer() {
  itimerval timer{};
  setitimer(ITIMER_VIRTUAL, &timer, nullptr);
}

qm::Parser& TheParser() {
  static qm::Parser* parser = [] {
    auto* p = new qm::Parser();
    p->Open();
    if (!p->CreateDatabase()) __builtin_trap();
    p->SetCompilerPasses(qm::MakeStatementCompiler());
    qm::RegisterRuntimeCommands();
    return p;
  }();
  return *parser;
}

bool Compile(qm::Parser& parser, const uint8_t* data, std::size_t size) {
  parser.Close();
  parser.Open();
  // As a loaded file: the bytes, a zero, then the line end before the merged "end" line.
  parser.sourceText.assign(reinterpret_cast<const char*>(data), size);
  parser.sourceText += std::string("\0\r\n", 3);
  parser.hasSourceText = true;
  parser.ResetCompileCounters();
  parser.programStartCounters = parser.counters;
  if (!parser.CompileProgram(qm::CompileMode::WholeProgram, qm::kMainScope)) {
    if (parser.errorText.empty()) __builtin_trap();  // a failure must always say why
    return false;
  }
  parser.programEndCounters = parser.counters;
  parser.pieceStartCounters = parser.counters;
  parser.pieceEndCounters = parser.counters;
  return true;
}

void Run(qm::Parser& parser) {
  if (!qm::CreateQuillmoorBlocksFromParser(parser)) return;
  qm::RunHooks(qm::RunHook::ResetSystemTables);
  qm::ResetRunner();
  qm::DisplayReadyFlag = 1;
  StartSliceTimer();
  for (int slice = 0; slice < kMaxSlices; ++slice) {
    qm::SliceBudgetMs = 2;
    qm::ExecuteSlice();
    if (qm::PendingErrorCode != 0 || qm::ProgramEndedFlag) break;
    if (qm::FindCommandHandler(qm::ProgramWordAt(qm::ProgramCounter)) == nullptr) break;
  }
  StopSliceTimer();
  qm::RunHooks(qm::RunHook::EndRun);
  qm::RunHooks(qm::RunHook::FreeRuntimeData);
  qm::FreeProgramImage();
  qm::ResetRuntimeErrorState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > kMaxSourceBytes) return -1;
  qm::Parser& parser = TheParser();
  if (Compile(parser, data, size)) Run(parser);
  return 0;
}
