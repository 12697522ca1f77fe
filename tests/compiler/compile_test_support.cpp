#include "compile_test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "compiler/compiler_messages.h"
#include "compiler/statement_compiler.h"
#include "resources/command_ids.h"

namespace qm::testing {

void CompilerTest::SetUp() {
  parser.Open();
  ASSERT_TRUE(parser.CreateDatabase()) << parser.errorText;
  parser.SetCompilerPasses(MakeStatementCompiler());
}

bool CompilerTest::Compile(std::string_view program) {
  // Through a file, as the system compiles: with the restart that enlarges the program block.
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("qm-compile-test-" + std::to_string(::getpid()) + ".qma");
  std::ofstream(path, std::ios::binary) << program;
  parser.Close();
  parser.Open();
  const bool compiled = parser.CreateProgramFromFile(path.string());
  std::filesystem::remove(path);
  return compiled;
}

void CompilerTest::CompileOrFail(std::string_view program) {
  ASSERT_TRUE(Compile(program)) << parser.errorText << " (line " << parser.errorLine << ")";
}

void CompilerTest::ExpectError(std::string_view program, int32_t line, const std::string& message) {
  ASSERT_FALSE(Compile(program)) << program;
  EXPECT_EQ(parser.errorLine, line) << program << ": " << parser.errorText;
  EXPECT_EQ(parser.errorText.substr(0, message.size()), message) << program;
}

std::vector<int32_t> CompilerTest::Words() const {
  // The program ends with the "end" line's END and the word 0 of the end of the piece.
  const int32_t count = parser.WordCount();
  int32_t end = count;
  while (end > 0 && parser.ProgramWordAt(end - 1) != kCmdEnd) --end;
  return Words(0, end > 0 ? end - 1 : count);
}

std::vector<int32_t> CompilerTest::Words(int32_t from, int32_t to) const {
  std::vector<int32_t> words;
  for (int32_t i = from; i < to; ++i) words.push_back(parser.ProgramWordAt(i));
  return words;
}

std::string M(int32_t number) { return CompilerMessage(number); }

std::string Message(std::initializer_list<std::string> parts) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += " ";
    text += part;
  }
  return text;
}

}  // namespace qm::testing
