// Writing the compiled program file (runtime/program_file.h gives its layout): the Parser's
// program-file writer, which the executable builder installs before it compiles.
#pragma once
#include <string>

#include "compiler/parser.h"

namespace qm {

// The whole file for a program whose compile stopped at `counters` (the word 0 that ends the
// program already written).
std::string CompiledProgramFileBytes(const ParsedProgram& program, const CompileCounters& counters);

// Writes the compiled program of `parser` (as far as its compile got) as the file `fileName`, a
// host path; any file of that name is replaced. False when it cannot be written.
bool WriteCompiledProgramFile(const Parser& parser, const std::string& fileName);

}  // namespace qm
