// Block structures: the word patterns of IF, ELSE, loops and EXIT with their jump targets, and
// the structure errors.
#include "compile_test_support.h"
#include "compiler/compiler_messages.h"
#include "resources/command_ids.h"

namespace qm::testing {
namespace {

using WordList = std::vector<int32_t>;
using BlockTest = CompilerTest;

TEST_F(BlockTest, ForNextWordForWord) {
  CompileOrFail("for i=1 to 10\nprint i\nnext i");
  EXPECT_EQ(Words(), (WordList{kOpSubLLL, 10000, 19000, 19000,       // the start value 1-1
                               kOpAssignLL, 13000, 10000,            // i = it
                               kCmdFor, 13000, 19001, 19000, 37017,  // FOR i, 10, 1, past NEXT
                               kCmdPrintL, 13000,                    // PRINT i
                               kCmdNext, 13000, 37007}));            // NEXT i, back to FOR
}

TEST_F(BlockTest, WordPatternsOfTheBlocks) {
  const struct {
    const char* program;
    WordList words;
  } cases[] = {
      // IF without ELSE jumps past the ENDIF, which emits nothing.
      {"if a\nprint 1\nendif", {kCmdIf, 13000, 37005, kCmdPrintL, 19000}},
      {"if a\nprint 1\nelse\nprint 2\nendif",
       {kCmdIf, 13000, 37007, kCmdPrintL, 19000, kCmdElse, 37009, kCmdPrintL, 19001}},
      {"do\nprint 1\nloop", {kCmdPrintL, 19000, kCmdLoop, 37000}},
      {"while a\nprint 1\nendwhile", {kCmdWhile, 13000, 37007, kCmdPrintL, 19000, kCmdEndwhile, 37000}},
      {"repeat\nprint 1\nuntil a", {kCmdPrintL, 19000, kCmdUntil, 13000, 37000}},
      // EXIT passes over the IF and leaves the WHILE.
      {"while a\nif b\nexit\nendif\nendwhile",
       {kCmdWhile, 13000, 37010, kCmdIf, 13001, 37008, kCmdExit, 37010, kCmdEndwhile, 37000}},
      // EXIT leaves only the innermost loop.
      {"do\ndo\nexit\nloop\nexit\nloop",
       {kCmdExit, 37004, kCmdLoop, 37000, kCmdExit, 37008, kCmdLoop, 37000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    CompileOrFail(c.program);
    EXPECT_EQ(Words(), c.words);
  }
}

TEST_F(BlockTest, StructureErrorsAtTheirStatement) {
  const struct {
    const char* program;
    int32_t line;
  } cases[] = {
      {"do\nendif", 2},
      {"if a\nloop", 2},
      {"next i", 1},
      {"if a\nelse\nelse\nendif", 3},
      {"do\nelse\nloop", 2},
      {"exit", 1},
      {"if a\nexit\nendif", 2},
      {"endwhile", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    ExpectError(c.program, c.line, M(kMsgBlockStructure));
  }
}

TEST_F(BlockTest, BlocksNestUpTo1023Deep) {
  std::string program;
  for (int i = 0; i < 1023; ++i) program += "do\n";
  for (int i = 0; i < 1023; ++i) program += "loop\n";
  CompileOrFail(program);
  ExpectError("do\n" + program, 1024, M(kMsgBlocksTooDeep));
}

TEST_F(BlockTest, ALoopTakes32Exits) {
  std::string exits;
  for (int i = 0; i < 32; ++i) exits += "exit\n";
  CompileOrFail("do\n" + exits + "loop");
  ExpectError("do\n" + exits + "exit\nloop", 34, M(kMsgTooManyExits));
}

TEST_F(BlockTest, ABlockLeftOpenFailsAtTheEnd) {
  ASSERT_FALSE(Compile("print 1\nwhile a\nprint 2"));
  EXPECT_EQ(parser.errorText.substr(0, M(kMsgBlockStillOpen).size()), M(kMsgBlockStillOpen));
  EXPECT_GE(parser.errorLine, 3);
}

}  // namespace
}  // namespace qm::testing

namespace qm::testing {
namespace {

TEST_F(BlockTest, JumpsAndLabelsSurviveTheRecompileOfALargerProgramBlock) {
  // 2,500 lines of 27 words in 17 bytes pass the margin of the block sized from the source: the
  // program compiles again into a block twice as large, and every jump and label is written for
  // the final pass.
  std::string program = "goto last\nwhile a\n";
  for (int i = 0; i < 2500; ++i) program += "a=b+c+d+e+f+g+h\n";
  program += "endwhile\nlast:\nprint 1";
  CompileOrFail(program);
  EXPECT_GT(parser.ProgramCapacity(), 2 * static_cast<int32_t>(program.size()));
  const int32_t endwhile = 2 + 3 + 2500 * 27;  // GOTO, WHILE, the assignments
  EXPECT_EQ(Words(0, 5),
            (std::vector<int32_t>{kCmdGoto, 37000 + endwhile + 2, kCmdWhile, 13000, 37000 + endwhile + 2}));
  EXPECT_EQ(parser.ProgramWordAt(endwhile), kCmdEndwhile);
  EXPECT_EQ(parser.ProgramWordAt(endwhile + 1), 37002);
  EXPECT_EQ(parser.ProgramWordAt(endwhile + 2), kCmdPrintL);
}

}  // namespace
}  // namespace qm::testing
