// What the runtime asks of the compiler without linking it: the full system installs these at
// start-up; the stand-alone runtime has none, and the runtime error report then takes its
// stand-alone form.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

struct CompilerHooks {
  // The name of the command with this id; false when the command-set database has none.
  bool (*commandName)(int32_t id, std::string& name) = nullptr;
  // The signature letter ('l', 'f', 's', ...) of operand `position` (1 = the first operand after
  // the id) of the command with this id; 0 when it has none there.
  char (*signatureLetter)(int32_t id, int32_t position) = nullptr;
};

void InstallCompilerHooks(const CompilerHooks& hooks);
// True when both hooks are installed (the development system).
bool CompilerHooksInstalled();
const CompilerHooks& InstalledCompilerHooks();

}  // namespace qm
