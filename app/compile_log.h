// QMCompile.log: the outcome of a command-line switch, one text without a line end.
#pragma once
#include <string>

namespace qm {

// Writes the log at `path` through a temporary file and a rename. When that fails (a folder the
// user cannot write), the old log is overwritten in place, so a previous run's success text never
// stays behind a failure. False when the text could not be written at all.
bool WriteCompileLog(const std::string& path, const std::string& text);

}  // namespace qm
