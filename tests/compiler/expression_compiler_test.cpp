// The expression compiler: the words of operators, brackets, calls and conversions, operator
// precedence, and the messages of expressions that do not compile.
#include "compile_test_support.h"
#include "compiler/compiler_messages.h"
#include "resources/command_ids.h"

namespace qm::testing {
namespace {

using ExpressionTest = CompilerTest;
using WordList = std::vector<int32_t>;

struct GoldenCase {
  const char* program;
  WordList words;
};

TEST_F(ExpressionTest, CompilesToTheGoldenWords) {
  const GoldenCase cases[] = {
      // A bracket first, then the product of an integer and a float ("*[" FLF).
      {"print (a+2)*b#", {kOpAddLLL, 10000, 13000, 19000, kOpMulFLF, 11000, 10000, 15000, kCmdPrintF, 11000}},
      // RND has no float form: the argument is converted first.
      {"print rnd(1.5)", {kOpAssignLF, 10000, 21000, kCmdRndLL, 10001, 10000, kCmdPrintL, 10001}},
      // One literal used twice.
      {"print 1-1", {kOpSubLLL, 10000, 19000, 19000, kCmdPrintL, 10000}},
      {"print a$+b$", {kOpAddSSS, 12000, 17000, 17001, kCmdPrintS, 12000}},
      // A minus after an operator is the sign of its number: -5 is raised to the power first.
      {"print x*-5^2", {kOpPowLLL, 10000, 19000, 19001, kOpMulLLL, 10001, 13000, 10000, kCmdPrintL, 10001}},
      {"print -5*3", {kOpMulLLL, 10000, 19000, 19001, kCmdPrintL, 10000}},
      {"print 5--3", {kOpSubLLL, 10000, 19000, 19001, kCmdPrintL, 10000}},
      // Whether a minus is a sign is decided as the operators before it are compiled: the first
      // difference takes the second minus alone as its right operand (the number 0), so the third
      // minus follows an operand and subtracts 3.
      {"print 5---3", {kOpSubLLL, 10000, 19000, 19001, kOpSubLLL, 10001, 10000, 19002, kCmdPrintL, 10001}},
      // A comparison in an expression; AND written as "&" outside block statements.
      {"print a=b", {kOpEqualLLL, 10000, 13000, 13001, kCmdPrintL, 10000}},
      {"print a$>b$", {kOpGreaterLSS, 10000, 17000, 17001, kCmdPrintL, 10000}},
      {"print a!b & c",
       {kOpNotEqualLLL, 10000, 13000, 13001, kOpAndLLL, 10001, 10000, 13002, kCmdPrintL, 10001}},
      // Value-returning commands without parameters and with names of several words.
      {"print timer()", {kCmdTimer, 10000, kCmdPrintL, 10000}},
      {"print get date$()", {kCmdGetDateStr, 12000, kCmdPrintS, 12000}},
      {"print sprite x(1)", {kCmdSpriteX, 10000, 19000, kCmdPrintL, 10000}},
  };
  for (const GoldenCase& c : cases) {
    SCOPED_TRACE(c.program);
    CompileOrFail(c.program);
    if (!c.words.empty()) {
      EXPECT_EQ(Words(), c.words);
    }
  }
}

TEST_F(ExpressionTest, MultiplyAndDivideShareALevelAsDoAddAndSubtract) {
  // Left to right within a level: (a-b)+c, (2*3)-4 then +1, (a/b)*c and (a*b)/c.
  CompileOrFail("print a-b+c");
  EXPECT_EQ(Words(),
            (WordList{kOpSubLLL, 10000, 13000, 13001, kOpAddLLL, 10001, 10000, 13002, kCmdPrintL, 10001}));
  CompileOrFail("print 2*3-4+1");
  EXPECT_EQ(Words(), (WordList{kOpMulLLL, 10000, 19000, 19001, kOpSubLLL, 10001, 10000, 19002, kOpAddLLL,
                               10002, 10001, 19003, kCmdPrintL, 10002}));
  CompileOrFail("print a*b/c");
  EXPECT_EQ(Words(),
            (WordList{kOpMulLLL, 10000, 13000, 13001, kOpDivLLL, 10001, 10000, 13002, kCmdPrintL, 10001}));
  CompileOrFail("print a/b*c");
  EXPECT_EQ(Words(),
            (WordList{kOpDivLLL, 10000, 13000, 13001, kOpMulLLL, 10001, 10000, 13002, kCmdPrintL, 10001}));
}

TEST_F(ExpressionTest, AnArrayIndexIsConvertedToInteger) {
  CompileOrFail("dim a(10)\nprint a(i#)");
  const WordList words = Words();
  const WordList read(words.end() - 9, words.end());
  // The index i# (15000) converted, then "@[" LLL with the array (13000).
  EXPECT_EQ(read,
            (WordList{kOpAssignLF, 10000, 15000, kOpArrayGetLLL, 10001, 13000, 10000, kCmdPrintL, 10001}));
}

TEST_F(ExpressionTest, WordOperatorsOnlyInBlockStatements) {
  // "=" binds tighter than "!", "!" tighter than "&", "&" tighter than "|".
  CompileOrFail("if a<>b and c=1 or d\nendif");
  EXPECT_EQ(Words(0, 16), (WordList{kOpEqualLLL, 10000, 13000, 19000, kOpNotEqualLLL, 10001, 13001, 13002,
                                    kOpAndLLL, 10002, 10001, 10000, kOpOrLLL, 10003, 10002, 13003}));
  ExpectError("print a<>b", 1, M(kMsgBadExpression));
  ExpectError("print a and b", 1, M(kMsgBadExpression));
}

TEST_F(ExpressionTest, ExpressionsThatDoNotCompile) {
  const struct {
    const char* program;
    int32_t message;
  } cases[] = {
      {"print a$*2", kMsgBadExpression},     // no string product
      {"print a$>=b$", kMsgBadExpression},   // ">=" has no string form
      {"print a==b", kMsgBadExpression},     // a comparison is one "="
      {"print sin (x)", kMsgBadExpression},  // a blank before the bracket
      {"print (1+2", kMsgUnbalancedBrackets},
      {"print 1+2)", kMsgUnbalancedBrackets},
      {"print )1(", kMsgUnbalancedBrackets},
      {"print 0-", kMsgBadExpression},
      {"print a b", kMsgBadExpression},
      {"print (a) b", kMsgBadExpression},        // a compiled bracket followed by more text
      {"print ?13000", kMsgBadExpression},       // markers are the compiler's own
      {"print abs(1)x", kMsgBadExpression},      // text after a call's bracket
      {"print 5(1)", kMsgValueCommandMismatch},  // only a variable is an array
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    ExpectError(c.program, 1, M(c.message));
  }
}

TEST_F(ExpressionTest, AnExpressionTooLongAfterRewritingFails) {
  // 250 characters with one operator: the result marker makes it 255.
  const std::string name(248, 'v');
  ExpectError("print " + name + "+1", 1, M(kMsgLineTooLong));
  const std::string shorter(243, 'v');
  CompileOrFail("print " + shorter + "+1");
}

TEST_F(ExpressionTest, ValueCommandMismatchesNameTheCommand) {
  // A name with brackets that is no command is an array element.
  ExpectError("print nosuchcommand(1)", 1, M(kMsgArrayNotDeclared));
  // An argument of the wrong type: the last entry's parameters are described.
  ExpectError("print rnd(\"x\")", 1,
              Message({M(kMsgValueCommandMismatch), "rnd", M(kMsgWordExpects), M(kMsgWordInteger)}));
}

TEST_F(ExpressionTest, AUserFunctionHidesAValueCommandOfTheSameName) {
  CompileOrFail("print timer()\nend\nfunction timer()\nendfunction 5");
  // The call: 21, the function's entry, the result, the argument count 0.
  const WordList words = Words(0, 5);
  EXPECT_EQ(words[0], 21);
  EXPECT_GE(words[1], 37000);
}

TEST_F(ExpressionTest, CallsWithMoreArgumentsThanTheOperandListHoldsFail) {
  std::string arguments = "1";
  for (int i = 1; i < 30; ++i) arguments += ",1";  // 30 arguments
  ExpectError("print str$(" + arguments + ")", 1, Message({M(kMsgValueCommandMismatch)}));
  std::string many = arguments + ",1";  // 31 arguments
  ExpectError("print str$(" + many + ")", 1, M(kMsgTooManyParameters));
}

TEST_F(ExpressionTest, IntegerLiteralsThatDoNotFitFail) {
  CompileOrFail("print 2147483647");
  ExpectError("print 99999999999", 1, M(kMsgIntegerTooLarge));
}

}  // namespace
}  // namespace qm::testing
