// Helpers for the Parser's tests: a small stand-in for the statement compiler that records what
// the driver hands it and compiles a handful of statement forms through the Parser's tables, and
// a temporary folder that is the current folder while a test runs.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "compiler/parser.h"

namespace qm::testing {

struct RecordedStatement {
  int32_t line = 0;
  std::string text;
  bool operator==(const RecordedStatement&) const = default;
};

// The stand-in understands, one statement per line:
//   print <operand>            PRINT of a literal or variable (301 l, 302 f, 303 s)
//   print <a>+<b>              "+[" LLL (81) into a temporary, then PRINT L
//   <name>:                    a label definition
//   goto <name> / restore <n>  42 / 31 with a label operand (kind code / DATA)
//   data <item>,<item>...      DATA items, no words
//   words <n>                  n words of value 7 (to fill the program block)
//   open                       leaves a block open
//   fail / fail silently       fails with the message "boom" / without a message
// Everything else (the "end" line among them) compiles to nothing. ResolveLabels patches each
// reference by its own kind.
class StandInPasses : public CompilerPasses {
 public:
  int32_t PrescanFunctions(Parser& parser, int32_t includeStartLine) override;
  bool CompileStatement(Parser& parser, std::string_view text) override;
  bool ResolveLabels(Parser& parser) override;
  bool CheckArraysDeclared(Parser& parser) override;

  std::vector<RecordedStatement> statements;  // the non-empty statement texts received
  int32_t prescanIncludeStart = -1;
  bool arraysDeclared = true;
};

// A folder under the system's temporary folder, made the current folder for the test's life.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  const std::filesystem::path& Path() const { return path_; }
  // Writes a file (bytes as given) relative to the folder.
  void Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// A Parser opened with a stand-in compiler.
struct ParserWithStandIn {
  ParserWithStandIn();
  Parser parser;
  std::shared_ptr<StandInPasses> passes;
};

// Program words [from, to) and their line words.
std::vector<int32_t> ProgramWordRange(const Parser& parser, int32_t from, int32_t to);
std::vector<int32_t> LineWordRange(const Parser& parser, int32_t from, int32_t to);

}  // namespace qm::testing
