// The compile entry.
#include "compiler/compile.h"

#include "compiler/compiler_messages.h"
#include "compiler/program_file_writer.h"
#include "compiler/statement_compiler.h"
#include "platform/files.h"

namespace qm {
namespace {

CompileOutcome Failed(CompileResult result, const std::string& text, int32_t line,
                      const std::string& report) {
  CompileOutcome outcome;
  outcome.result = result;
  outcome.errorText = text;
  outcome.line = line;
  outcome.report = report;
  return outcome;
}

// A file compiles only when it is a regular file: a folder or a FIFO (which would block the
// read) is refused before anything opens it.
bool ReadableProgramFile(const std::string& file) { return platform::FileExists(file); }

}  // namespace

CompileOutcome Compile(Parser& parser, const CompileOptions& options, const std::string& programFile) {
  parser.Open();
  parser.SetCompilerPasses(MakeStatementCompiler());
  if (parser.database.StatementCount() == 0 && !parser.CreateDatabase()) {
    return Failed(CompileResult::SystemError, parser.errorText, 0, parser.errorText);
  }
  bool compiled = false;
  if (options.text) {
    compiled = parser.CreateProgramFromText(*options.text);
  } else if (!ReadableProgramFile(options.file)) {
    const std::string text = CompilerMessage(kMsgCannotOpenFile) + " " + options.file;
    return Failed(CompileResult::SystemError, text, 0, text);
  } else if (!programFile.empty()) {
    parser.programFileWriter = WriteCompiledProgramFile;
    compiled = parser.CompileToProgramFile(platform::ResolvePath(options.file), programFile);
  } else {
    compiled = parser.CreateProgramFromFile(platform::ResolvePath(options.file));
  }
  // The program file itself could not be read (an I/O error, a device, beyond the size limit):
  // like a missing file, a system error that names it. An include that cannot be read is a
  // compile error on its #include line.
  if (!compiled && !options.text && !parser.hasSourceText) {
    return Failed(CompileResult::SystemError, parser.errorText, 0, parser.errorText);
  }
  if (!compiled) {
    return Failed(CompileResult::CompileError, parser.errorText, parser.errorLine,
                  parser.ErrorTextWithLine());
  }
  return {};
}

std::string CompileReportText(const CompileOutcome& outcome) {
  return outcome.Compiled() ? "Compilation Successful. " : outcome.report;
}

}  // namespace qm
