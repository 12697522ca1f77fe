// INI files with the semantics programs and settings expect of profile strings: sections and
// keys compared case-insensitively, blanks around keys and values trimmed, one pair of
// surrounding quotes stripped, defaults for what is missing, results cut to the caller's buffer,
// writes made in place (section or file created when missing), the first of duplicate keys wins.
#pragma once
#include <cstddef>
#include <string>

namespace qm::platform {

// Reads a value; `bufferSize` counts the terminating zero, so at most bufferSize-1 characters come back.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize = 256);
// Writes a value in place, keeping the rest of the file; false when the file cannot be written.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace qm::platform
