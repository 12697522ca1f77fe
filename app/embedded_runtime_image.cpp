// The stand-alone runtime's bytes that quillmoor carries (embedded at build time, see
// app/CMakeLists.txt), handed to the executable builder.
#include <string_view>

#include "app/build_command.h"

extern "C" const unsigned char qm_runtime_image[];
extern "C" const unsigned long long qm_runtime_image_size;

namespace qm {

void InstallEmbeddedRuntimeImage() {
  SetRuntimeImage(std::string_view(reinterpret_cast<const char*>(qm_runtime_image),
                                   static_cast<std::size_t>(qm_runtime_image_size)));
}

}  // namespace qm
