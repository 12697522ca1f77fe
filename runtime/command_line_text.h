// The text of the system's own command line after its leading switches, exactly as typed
// (double quotes included), taken once at start-up; the empty text when nothing follows the
// switches. CL$ returns it.
#pragma once
#include <string>

namespace qm {

std::string& CommandLineText();

}  // namespace qm
