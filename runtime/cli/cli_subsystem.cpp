// The runtime command line's record.
#include "runtime/cli/cli_subsystem.h"

#include "runtime/cli/runtime_cli.h"

namespace qm {
namespace {

constexpr Subsystem CommandLineSubsystem() {
  Subsystem cli;
  cli.name = "command line";
  cli.services.commandLine = &gRuntimeCli;
  return cli;
}

}  // namespace

constinit const Subsystem kCommandLineSubsystem = CommandLineSubsystem();

}  // namespace qm
