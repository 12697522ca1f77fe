// The -b and -f switches: the executable builder with the stand-alone runtime's bytes.
#include "app/build_command.h"

#include <cstdio>

#include "app/executable_builder.h"
#include "platform/files.h"
#include "runtime/language_words.h"

namespace qm {
namespace {

std::string_view gRuntimeImage;

constexpr int kBuilt = 0;
constexpr int kCompileError = 1;
constexpr int kBuildFailed = 2;
constexpr int kBuildSuccessWord = 34;  // DESC: the success text of a build

}  // namespace

void SetRuntimeImage(std::string_view bytes) { gRuntimeImage = bytes; }

int BuildExecutableFromCommandLine(const std::string& exeName, const std::string& programFile, bool withMedia,
                                   std::string& logText) {
  if (!platform::FileExists(programFile)) {
    logText = "Cannot open file " + programFile + " (no such program file)";
    return kBuildFailed;
  }
  ExeBuilder builder(gRuntimeImage);
  const bool built =
      builder.BuildExecutable(exeName, programFile, withMedia ? platform::CurrentFolder() : "");
  for (const std::string& name : builder.skippedNames) {
    std::fprintf(stderr, "quillmoor: %s was not packed: its name is too long for a packed file\n",
                 name.c_str());
  }
  if (built) {
    logText = GetWord(WordSection::Desc, kBuildSuccessWord);
    return kBuilt;
  }
  logText = builder.ReportText();
  return builder.CompileError() ? kCompileError : kBuildFailed;
}

}  // namespace qm
