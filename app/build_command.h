// The -b and -f switches of quillmoor: building a stand-alone executable from the command line,
// with the stand-alone runtime that quillmoor carries.
#pragma once
#include <string>
#include <string_view>

namespace qm {

// The bytes every built executable starts with. quillmoor installs the runtime embedded in it at
// start (InstallEmbeddedRuntimeImage); without them no executable can be built.
void SetRuntimeImage(std::string_view bytes);
// Defined only in quillmoor itself, which carries the bytes.
void InstallEmbeddedRuntimeImage();

// Builds `exeName` from `programFile` (both relative to the current folder, or host paths); with
// `withMedia` the media files of the current folder and its subfolders are packed too. Returns the
// exit status (0 built, 1 the program has a compile error, 2 the build failed otherwise) and the
// text for QMCompile.log: the build's success text, or what went wrong. Names of media files that
// were passed over (too long for a pack) are printed on stderr.
int BuildExecutableFromCommandLine(const std::string& exeName, const std::string& programFile, bool withMedia,
                                   std::string& logText);

}  // namespace qm
