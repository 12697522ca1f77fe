// QMCompile.log: the outcome of a command-line switch, one text without a line end.
#pragma once
#include <string>

namespace qm {

// Writes the log at `path` through a temporary file and a rename, which replaces a log that is a
// symbolic link rather than writing through it. When that fails (a folder the user cannot write),
// an old log that is a regular file is overwritten in place, so a previous run's success text
// never stays behind a failure. False when the text could not be written at all.
bool WriteCompileLog(const std::string& path, const std::string& text);

}  // namespace qm
