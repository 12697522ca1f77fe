// The one way to compile a program: a file or a text, with the real compiler's passes, into the
// caller's Parser (which then holds the compiled program for the run entry and the tools).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/parser.h"

namespace qm {

struct CompileOptions {
  // The program file, a host path or a name relative to the current folder; includes resolve
  // against the current folder.
  std::string file;
  // When set, this text is compiled as the bytes of a file would be, and `file` only names it.
  std::optional<std::string> text;
};

enum class CompileResult {
  Compiled,
  CompileError,  // the program has an error: errorText and line say which
  SystemError,   // the file cannot be read, or the command-set database is missing
};

struct CompileOutcome {
  CompileResult result = CompileResult::Compiled;
  std::string errorText;  // as the compiler set it
  int32_t line = 0;       // the error's line, 0 when it has none
  std::string report;     // the error as the command line reports it: the text and its line once
  bool Compiled() const { return result == CompileResult::Compiled; }
};

// Compiles into `parser` (opened afresh; its command-set database is built on first use). With a
// `programFile` (a host path) and a file to compile, the compiled program file is written there,
// also after a compile error (the executable builder packs it).
CompileOutcome Compile(Parser& parser, const CompileOptions& options, const std::string& programFile = {});

// The outcome as a switch reports it: the report, or "Compilation Successful. ".
std::string CompileReportText(const CompileOutcome& outcome);

}  // namespace qm
