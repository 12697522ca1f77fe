// quillmoor: the whole system.
//
//   quillmoor [-c | -x | -b exe | -f exe] [program.qma]
//
// -c compiles only, -x compiles and runs, both writing the outcome to QMCompile.log in the current
// folder; the program's folder is the current folder while it compiles and runs, so its includes
// and files resolve as they do under the conformance runner. Without a switch the editor opens
// the program (until the full-screen editor exists, its stand-in runs it once, and without a
// program the usage is shown). Exit status: 0
// success, 1 a compile or runtime error, 2 a system error, a refused switch or a usage error.
#include <cstdio>

#include "app/build_command.h"
#include "app/start_command_line.h"
#include "app/start_up.h"
#include "platform/large_page_heap.h"

namespace qm {
namespace {

constexpr const char* kUsage =
    "usage: quillmoor [-c | -x | -b exe | -f exe] [program.qma]\n"
    "  -c      compile only; the outcome goes to QMCompile.log\n"
    "  -x      compile and run; the outcome goes to QMCompile.log\n"
    "  -b exe  build the stand-alone executable exe\n"
    "  -f exe  the same, with the media files of the current folder\n"
    "  without a switch the editor opens the program\n"
    "The program's folder is the current folder while it compiles and runs.\n";

int Main(const std::string& commandLine) {
  const StartCommandLine line = ParseStartCommandLine(commandLine);
  if (line.mode == StartSwitch::Help) {
    std::fputs(kUsage, stdout);
    return kExitSuccess;
  }
  // Until the full-screen editor exists, an editor without a program has nothing to show.
  if (commandLine.empty()) {
    std::fputs(kUsage, stderr);
    return kExitSystemFailure;
  }
  if (!line.unknownSwitch.empty()) {
    std::fprintf(stderr, "quillmoor: unknown switch %s\n%s", line.unknownSwitch.c_str(), kUsage);
    return kExitSystemFailure;
  }
  return RunQuillmoor(commandLine);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  qm::platform::PlaceHeapOnLargePages();
  qm::InstallEmbeddedRuntimeImage();
  return qm::Main(qm::JoinStartArguments(argc, argv));
}
