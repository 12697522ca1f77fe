// Window and system switches.
#include "io/system_flags.h"

namespace qm {

SystemFlagsState SystemFlags;

}  // namespace qm
