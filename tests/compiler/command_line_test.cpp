// Lines typed at the runtime command line compile onto the end of the compiled program, in the
// scope of the function that was running.
#include "compile_test_support.h"
#include "compiler/compiler_messages.h"
#include "resources/command_ids.h"

namespace qm::testing {
namespace {

using WordList = std::vector<int32_t>;
using CommandLineTest = CompilerTest;

TEST_F(CommandLineTest, ALineCompilesAfterTheProgramAndTheNextOverwritesIt) {
  CompileOrFail("x = 5");
  const int32_t end = parser.programEndCounters.wordsEmitted;
  ASSERT_TRUE(parser.CompileCliLine("x=x+1", kMainScope)) << parser.errorText;
  // x is the program's variable; the literal 1 is new, after the program's 5.
  EXPECT_EQ(Words(end, end + 8), (WordList{kOpAddLLL, 10000, 13000, 19001, kOpAssignLL, 13000, 10000, 0}));
  ASSERT_TRUE(parser.CompileCliLine("x=x+2", kMainScope)) << parser.errorText;
  EXPECT_EQ(Words(end, end + 8), (WordList{kOpAddLLL, 10000, 13000, 19002, kOpAssignLL, 13000, 10000, 0}));
  EXPECT_EQ(parser.pieceStartCounters.wordsEmitted, end);
}

TEST_F(CommandLineTest, ALineSeesTheProgramsLabelsAndFunctions) {
  CompileOrFail("end\ntarget:\nprint 1\nfunction twice(n)\nendfunction n*2");
  ASSERT_TRUE(parser.CompileCliLine("goto target", kMainScope)) << parser.errorText;
  ASSERT_TRUE(parser.CompileCliLine("y = twice(4)", kMainScope)) << parser.errorText;
}

TEST_F(CommandLineTest, ALineCompilesInTheScopeOfTheRunningFunction) {
  CompileOrFail("a = 1\nend\nfunction f(a)\nendfunction a");
  const int32_t end = parser.programEndCounters.wordsEmitted;
  ASSERT_TRUE(parser.CompileCliLine("print a", 1)) << parser.errorText;
  // The function's parameter a, not the main program's a; temporaries of its window.
  EXPECT_EQ(Words(end, end + 2), (WordList{kCmdPrintL, 13001}));
  ASSERT_TRUE(parser.CompileCliLine("print a+1", 1)) << parser.errorText;
  EXPECT_EQ(parser.ProgramWordAt(end + 1), 10050);
}

TEST_F(CommandLineTest, ErrorsOfALineCarryNoLineNumber) {
  CompileOrFail("x = 1");
  EXPECT_FALSE(parser.CompileCliLine("goto nowhere", kMainScope));
  EXPECT_EQ(parser.errorText, M(kMsgUndefinedLabel));
  EXPECT_FALSE(parser.CompileCliLine("do", kMainScope));
  EXPECT_EQ(parser.errorText, M(kMsgBlockStillOpen));
  // A label or function defined by a typed line would point into words the next line overwrites.
  EXPECT_FALSE(parser.CompileCliLine("here:", kMainScope));
  EXPECT_FALSE(parser.CompileCliLine("function g()", kMainScope));
  // After the failures the program's own state is intact for the next line.
  EXPECT_TRUE(parser.CompileCliLine("x = x + 1", kMainScope)) << parser.errorText;
}

}  // namespace
}  // namespace qm::testing
