// libFuzzer target for the compiled program file reader: the input is a whole file. An accepted
// file is loaded into the program image as the stand-alone runtime loads it, which verifies its
// words against the commands' layouts; neither step may crash or trip a sanitizer, and a refusal
// always says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/runtime_subsystems.h"
#include "runtime/program_file.h"
#include "runtime/program_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool installed = [] {
    qm::InstallSubsystems(qm::RuntimeSubsystems());
    return true;
  }();
  (void)installed;
  std::string error;
  auto program =
      qm::ReadCompiledProgramFile(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!program) {
    if (error.empty()) std::abort();
    return 0;
  }
  qm::CreateQuillmoorBlocksFromParser(*program);
  qm::FreeProgramImage();
  return 0;
}
