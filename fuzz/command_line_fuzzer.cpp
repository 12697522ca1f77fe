// libFuzzer target for lines typed at the runtime command line. The input is a program, then
// (after a "@@" line) up to eight typed lines. The program is compiled with the compile entry and
// run with the run entry for a short, bounded time; when it stops, the command line takes the
// typed lines one at a time, as the overlay would: each is compiled onto the end of the program in
// the scope that was running, appended to the running image and run from its first word. A line
// that does not compile or is refused is skipped, as the overlay shows its error and waits for
// the next. No input may crash or trip a sanitizer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/system_subsystems.h"
#include "compiler/compile.h"
#include "fuzz/fuzz_input.h"
#include "platform/window.h"
#include "runtime/command_line_overlay.h"
#include "runtime/control_flow.h"
#include "runtime/program_image.h"
#include "runtime/run_program.h"
#include "runtime/runtime_errors.h"
#include "runtime/subsystem.h"

namespace {

constexpr std::size_t kMaxTypedLines = 8;
// The command line's edit field holds a line, but a longer one must be refused cleanly too.
constexpr std::size_t kMaxTypedLength = 1024;
// A run ends after this much CPU time (CPU time, because libFuzzer keeps the real-time alarm).
constexpr double kRunCpuSeconds = 0.02;

// The command line over the stopped program, fed from the input instead of the keyboard.
class TypedLines : public qm::CommandLineOverlay {
 public:
  qm::CliResult Frame() override {
    qm::platform::PostQuitMessage(0);
    while (next < lines.size()) {
      const std::string& line = lines[next++];
      if (!parser->CompileCliLine(line, qm::RunningScope)) {
        if (parser->errorText.empty()) __builtin_trap();  // a refusal must always say why
        continue;
      }
      if (qm::AppendCliLineToRunner(*parser)) return qm::CliResult::RunTypedLine;
    }
    return qm::CliResult::End;
  }

  qm::Parser* parser = nullptr;
  std::vector<std::string> lines;
  std::size_t next = 0;
};

TypedLines gTypedLines;

qm::Parser& TheParser() {
  static qm::Parser* parser = [] {
    static const qm::Subsystem typedLines = [] {
      qm::Subsystem record;
      record.name = "typed lines";
      record.services.commandLine = &gTypedLines;
      return record;
    }();
    static std::vector<const qm::Subsystem*> list;
    for (const qm::Subsystem* subsystem : qm::SystemSubsystems()) list.push_back(subsystem);
    list.push_back(&typedLines);
    qm::InstallSubsystems(list);
    return new qm::Parser();
  }();
  return *parser;
}

std::vector<std::string> TypedLinesOf(std::string_view part) {
  std::vector<std::string> lines;
  for (std::string_view line : qm::fuzz::Lines(part)) {
    if (lines.size() == kMaxTypedLines) break;
    line = line.substr(0, line.find('\r'));  // the Enter key ends a typed line
    lines.emplace_back(line.substr(0, kMaxTypedLength));
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const qm::fuzz::InScratchFolder scratch;  // what a program writes stays there
  const std::vector<std::string_view> parts = qm::fuzz::SplitParts(data, size, 2);
  if (parts.size() < 2) return -1;  // no typed line: the compile fuzzer's ground
  qm::Parser& parser = TheParser();
  qm::CompileOptions options;
  options.text.emplace(parts[0]);
  const qm::CompileOutcome compiled = qm::Compile(parser, options);
  if (!compiled.Compiled()) return 0;

  gTypedLines.parser = &parser;
  gTypedLines.lines = TypedLinesOf(parts[1]);
  gTypedLines.next = 0;
  qm::RunOptions run;
  run.program = &parser;
  run.limitSeconds = kRunCpuSeconds;
  run.limitOnCpuTime = true;
  qm::RunProgram(run);
  qm::ResetRuntimeErrorState();
  return 0;
}
