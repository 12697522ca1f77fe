// A Parser with the real statement compiler, compiling program texts given in the test, and
// helpers to read back the words, messages and tables a compile leaves.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "compiler/parser.h"

namespace qm::testing {

class CompilerTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // Compiles a whole program from its text (lines separated by "\n"). True on success.
  bool Compile(std::string_view program);
  // Compiles and expects success, reporting the error text otherwise.
  void CompileOrFail(std::string_view program);
  // Compiles and expects the error on `line` whose text starts with `message`.
  void ExpectError(std::string_view program, int32_t line, const std::string& message);

  // Every program word before the END of the program's "end" line.
  std::vector<int32_t> Words() const;
  // Program words [from, to).
  std::vector<int32_t> Words(int32_t from, int32_t to) const;

  Parser parser;
};

// CompilerMessage texts joined with blanks: Message(37, "cls", 12, 13).
std::string Message(std::initializer_list<std::string> parts);
std::string M(int32_t number);

}  // namespace qm::testing
