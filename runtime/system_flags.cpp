// Window and system switches.
#include "runtime/system_flags.h"

namespace qm {

SystemFlagsState SystemFlags;

}  // namespace qm
