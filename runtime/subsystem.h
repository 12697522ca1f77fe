// How a subsystem plugs into the runtime core: one record per subsystem folder, holding its
// command families (handler rows and fused pairs), its steps in a run's life cycle and the
// services it provides. The two entry points (app/) each list their subsystems once and install
// the list with InstallSubsystems; tools, tests, benchmarks and the fuzzer install theirs through
// the same call. Nothing else registers handlers, adds life-cycle steps or installs services, so
// a new subsystem is its folder, its record and one line in each list.
#pragma once
#include <span>

#include "runtime/command_dispatch.h"
#include "runtime/command_fusion.h"

namespace qm {

class DisplayServices;
class Engine3DServices;
class SoundServices;
class SystemServices;
class CommandLineOverlay;
class CompilerServices;

// One command family: the handler rows, the fused pairs, the variants chosen at load, and the
// commands that read element addresses, that its file defines.
struct CommandFamily {
  std::span<const CommandRegistration> rows;
  std::span<const CommandFusion> fusions = {};
  std::span<const CommandVariant> variants = {};
  std::span<const CommandHandler> elementAddressReaders = {};
  // Handlers (own or chosen at load) that the decoded form runs in their threaded form.
  std::span<const CommandThreading> threaded = {};
};

// A step of a run's life cycle; a subsystem leaves the steps it has no use for empty.
using RunStep = void (*)();

// The services a subsystem provides (nullptr: not this one's). Each service has one provider;
// when two installed subsystems name the same service, the later in the list wins. A service no
// subsystem provides keeps its do-nothing default.
struct SubsystemServices {
  DisplayServices* display = nullptr;
  Engine3DServices* engine3d = nullptr;
  SoundServices* sound = nullptr;
  SystemServices* system = nullptr;
  CommandLineOverlay* commandLine = nullptr;  // the runtime command line over a stopped program
  CompilerServices* compiler = nullptr;       // what the runtime asks of the compiler
};

struct Subsystem {
  const char* name = "";
  std::span<const CommandFamily* const> families;
  RunStep runStart = nullptr;     // start of every run, after the interpreter's own reset
  RunStep resetTables = nullptr;  // a run's set-up: the run's tables back to their first state
  RunStep runEnd = nullptr;       // end of every run (unwind what the program left open)
  RunStep freeRunData = nullptr;  // after the run, before the program image is freed
  SubsystemServices services;
};

// Replaces whatever was installed: empties the dispatch table and the fused pairs, registers each
// subsystem's families in list order (a later row for the same id replaces the handler), installs
// the services, and keeps a copy of the list for the life-cycle steps. The records must outlive
// their installation.
void InstallSubsystems(std::span<const Subsystem* const> subsystems);

// The list installed last (empty before any).
std::span<const Subsystem* const> InstalledSubsystems();

// Runs one life-cycle step of every installed subsystem, in list order.
void RunSubsystemSteps(RunStep Subsystem::*step);

}  // namespace qm
