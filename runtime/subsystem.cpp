// Installing the subsystems' records: handlers, fused pairs, services and life-cycle steps.
#include "runtime/subsystem.h"

#include <vector>

#include "runtime/arrays.h"
#include "runtime/command_line_overlay.h"
#include "runtime/compiler_services.h"
#include "runtime/frame_services.h"

namespace qm {
namespace {

std::vector<const Subsystem*> gInstalled;

// The do-nothing defaults, in use where no installed subsystem provides the service.
DisplayServices gDefaultDisplay;
Engine3DServices gDefaultEngine3D;
SoundServices gDefaultSound;
SystemServices gDefaultSystem;
CommandLineOverlay gDefaultCommandLine;
CompilerServices gDefaultCompiler;

FrameServices gFrameServices{&gDefaultDisplay, &gDefaultEngine3D, &gDefaultSound, &gDefaultSystem};
CommandLineOverlay* gCommandLine = &gDefaultCommandLine;
CompilerServices* gCompiler = &gDefaultCompiler;

template <typename Service>
Service* OrDefault(Service* offered, Service& fallback) {
  return offered != nullptr ? offered : &fallback;
}

// The services the records name, over the do-nothing defaults.
void InstallServices(std::span<const Subsystem* const> subsystems) {
  SubsystemServices services;
  for (const Subsystem* subsystem : subsystems) {
    const SubsystemServices& offered = subsystem->services;
    if (offered.display != nullptr) services.display = offered.display;
    if (offered.engine3d != nullptr) services.engine3d = offered.engine3d;
    if (offered.sound != nullptr) services.sound = offered.sound;
    if (offered.system != nullptr) services.system = offered.system;
    if (offered.commandLine != nullptr) services.commandLine = offered.commandLine;
    if (offered.compiler != nullptr) services.compiler = offered.compiler;
  }
  gFrameServices = FrameServices{
      OrDefault(services.display, gDefaultDisplay), OrDefault(services.engine3d, gDefaultEngine3D),
      OrDefault(services.sound, gDefaultSound), OrDefault(services.system, gDefaultSystem)};
  gCommandLine = OrDefault(services.commandLine, gDefaultCommandLine);
  gCompiler = OrDefault(services.compiler, gDefaultCompiler);
}

}  // namespace

void InstallSubsystems(std::span<const Subsystem* const> subsystems) {
  gInstalled.assign(subsystems.begin(), subsystems.end());
  ClearCommandRegistrations();
  ClearCommandFusions();
  ClearCommandVariants();
  ClearThreadedForms();
  ClearElementAddressReaders();
  for (const Subsystem* subsystem : gInstalled) {
    for (const CommandFamily* family : subsystem->families) {
      RegisterCommandFusions(family->fusions);
      RegisterCommandVariants(family->variants);
      RegisterThreadedForms(family->threaded);
      RegisterElementAddressReaders(family->elementAddressReaders);
      RegisterCommands(family->rows);
    }
  }
  InstallServices(gInstalled);
}

std::span<const Subsystem* const> InstalledSubsystems() { return gInstalled; }

FrameServices& Services() { return gFrameServices; }
CommandLineOverlay& CommandLine() { return *gCommandLine; }
CompilerServices& Compiler() { return *gCompiler; }

void RunSubsystemSteps(RunStep Subsystem::*step) {
  for (const Subsystem* subsystem : gInstalled) {
    if (const RunStep run = subsystem->*step) run();
  }
}

}  // namespace qm
