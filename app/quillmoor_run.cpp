// quillmoor-run: the stand-alone runtime. Built executables start with these bytes, followed by
// the packed program. It carries the runtime and its subsystems, never the compiler or the editor.
#include <cstdio>

#include "app/runtime_subsystems.h"

int main() {
  qm::InstallSubsystems(qm::RuntimeSubsystems());
  // Reading the pack behind our own bytes comes with the executable builder; until then there is
  // never a program to run.
  std::fprintf(stderr, "quillmoor-run: this executable holds no packed program\n");
  return 2;
}
