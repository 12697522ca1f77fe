// libFuzzer target: compiles arbitrary source text with the compile entry (as the bytes of a
// program file: its line ends made CR LF as the loader makes them) and, when it compiles, runs it
// through the run entry for a short, bounded time. Neither may crash or trip a sanitizer, whatever
// the text; a failed compile always says why. The seeds are real programs (fuzz/corpus/).
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/system_subsystems.h"
#include "compiler/compile.h"
#include "fuzz/fuzz_input.h"
#include "runtime/run_program.h"
#include "runtime/runtime_errors.h"

namespace {

// Room for the largest seed programs and what mutations add to them; past this a program only
// compiles longer.
constexpr std::size_t kMaxSourceBytes = 65536;
// A run ends after this much CPU time (CPU time, because libFuzzer keeps the real-time alarm).
constexpr double kRunCpuSeconds = 0.02;

qm::Parser& TheParser() {
  static qm::Parser* parser = [] {
    qm::InstallSubsystems(qm::SystemSubsystems());
    return new qm::Parser();
  }();
  return *parser;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > kMaxSourceBytes) return -1;
  const qm::fuzz::InScratchFolder scratch;  // what a program writes stays there
  qm::Parser& parser = TheParser();
  qm::CompileOptions options;
  options.text.emplace(reinterpret_cast<const char*>(data), size);
  const qm::CompileOutcome compiled = qm::Compile(parser, options);
  if (compiled.result == qm::CompileResult::SystemError) __builtin_trap();
  if (!compiled.Compiled()) {
    if (compiled.errorText.empty()) __builtin_trap();  // a failure must always say why
    return 0;
  }
  qm::RunOptions run;
  run.program = &parser;
  run.limitSeconds = kRunCpuSeconds;
  run.limitOnCpuTime = true;
  qm::RunProgram(run);
  qm::ResetRuntimeErrorState();
  return 0;
}
