// The function pre-scan (registration, result types, included files), label resolution and the
// array declaration check.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "compile_test_support.h"
#include "compiler/compiler_messages.h"
#include "compiler/statement_compiler.h"
#include "resources/command_ids.h"

namespace qm::testing {
namespace {

using WordList = std::vector<int32_t>;
using PrescanTest = CompilerTest;

const UserFunctionEntry* FunctionNamed(const Parser& parser, const std::string& name) {
  const int32_t index = parser.FindUserFunction(name);
  return index < 0 ? nullptr : &parser.userFunctionTable[static_cast<std::size_t>(index)];
}

TEST_F(PrescanTest, RegistersParametersAndResultTypes) {
  CompileOrFail(
      "function add(a,b#)\nendfunction a+b#\nfunction f\nendfunction\n"
      "function g(s$)\nendfunction s$+\"!\"");
  const struct {
    const char* name;
    const char* letters;
    char result;
  } cases[] = {{"add", "lf", 'f'}, {"f", "", 'l'}, {"g", "s", 's'}};
  for (const auto& c : cases) {
    const UserFunctionEntry* function = FunctionNamed(parser, c.name);
    ASSERT_NE(function, nullptr) << c.name;
    EXPECT_EQ(function->parameterLetters, c.letters) << c.name;
    EXPECT_EQ(function->resultLetter, c.result) << c.name;
  }
}

TEST_F(PrescanTest, AnEndfunctionWithMoreLettersClosesTheFunctionForThePrescan) {
  // The pre-scan takes the line as the function's end; as a statement it is no command.
  ExpectError("function h()\nendfunctionx\nprint 1", 2, M(kMsgUnknownStatement));
  EXPECT_EQ(FunctionNamed(parser, "h")->resultLetter, 'l');
}

TEST_F(PrescanTest, ResultTypesFollowFunctionsDefinedLater) {
  // a's value is b's, and b is defined after a; c and d call each other (a cycle: integer).
  CompileOrFail(
      "function a()\nendfunction b()+1\nfunction b()\nendfunction 1.5\n"
      "function c(n)\nendfunction d(n)\nfunction d(n)\nendfunction c(n)");
  EXPECT_EQ(FunctionNamed(parser, "a")->resultLetter, 'f');
  EXPECT_EQ(FunctionNamed(parser, "b")->resultLetter, 'f');
  EXPECT_EQ(FunctionNamed(parser, "c")->resultLetter, 'l');
  EXPECT_EQ(FunctionNamed(parser, "d")->resultLetter, 'l');
  // A recursive function typed by what its value is made of: a text here.
  CompileOrFail(
      "function r$(t$)\nendfunction r$(t$) + \"x\"\n"
      "function half(n)\nendfunction half(n) / 2.0");
  EXPECT_EQ(FunctionNamed(parser, "r$")->resultLetter, 's');
  EXPECT_EQ(FunctionNamed(parser, "half")->resultLetter, 'f');
  // A long chain, each function's value the next one's: all take the last one's type.
  std::string chain;
  for (int i = 0; i < 200; ++i) {
    chain += "function f" + std::to_string(i) + "()\nendfunction f" + std::to_string(i + 1) + "()\n";
  }
  CompileOrFail(chain + "function f200()\nendfunction \"end\"");
  EXPECT_EQ(FunctionNamed(parser, "f0")->resultLetter, 's');
}

TEST_F(PrescanTest, ThePrescanCreatesNothing) {
  // Typing "x#+1" creates neither the variable nor the literal: the statements do, in order.
  CompileOrFail("function f()\nendfunction x#+2\nprint 7");
  EXPECT_EQ(parser.LiteralValue(kIntLiterals).i, 2);
  EXPECT_EQ(parser.VariableCount('f'), 1);
}

TEST_F(PrescanTest, HeaderErrors) {
  ExpectError("print 1\nfunction ", 2, M(kMsgBadFunctionHeader));
  ExpectError("function", 1, M(kMsgBadFunctionHeader));
  ExpectError("function f(a+1)\nendfunction", 1, M(kMsgBadFunctionHeader));
  ExpectError("endfunction", 1, M(kMsgEndFunctionOutside));
  ExpectError("function f()\nendfunction 1+\"a\"", 2, M(kMsgEndFunctionNoType));
  ExpectError("function f()\nendfunction\nfunction f()\nendfunction", 3, M(kMsgFunctionDefinedTwice));
}

TEST_F(PrescanTest, FunctionHeaderWords) {
  CompileOrFail("end\nfunction f(a, b#)\nendfunction");
  // END, then STOP, the parameter variables and the scope; ENDFUNCTION.
  EXPECT_EQ(Words(), (WordList{kCmdEnd, kCmdStop, 13000, 15000, 1, kCmdEndfunction}));
  CompileOrFail("print f(1, 2.5)\nend\nfunction f(a, b#)\nendfunction");
  // The call names the word after the STOP.
  EXPECT_EQ(Words(0, 6), (WordList{kCmdFunction, 37010, 10000, 19000, 19001, 21000}));
  EXPECT_EQ(parser.ProgramWordAt(9), kCmdStop);
}

TEST_F(PrescanTest, CallArgumentsMustMatchTheParameters) {
  ExpectError("print f(1)\nfunction f(a#)\nendfunction", 1, M(kMsgFunctionArgumentTypes));
  ExpectError("print f()\nfunction f(a)\nendfunction", 1, M(kMsgFunctionArgumentTypes));
}

TEST_F(PrescanTest, ResultValuesTakeTheFunctionsType) {
  // EXITFUNCTION with an integer in a float function is converted; a text is an error.
  CompileOrFail("function f#(a)\nif a then exitfunction 1\nendfunction 2.5");
  ExpectError("function f(a)\nif a then exitfunction \"x\"\nendfunction 2", 2,
              Message({M(37), "exitfunction", M(12), M(6)}));
  // Without a value it leaves with the empty value of the result type.
  CompileOrFail("function f$()\nexitfunction\nendfunction \"a\"");
}

TEST_F(PrescanTest, LabelsArePatchedByTheirOwnReferenceKind) {
  // One label named by RESTORE and by GOTO: a DATA position for the one, a word for the other.
  CompileOrFail("data 1,2,3\ndata 4,5,6\nrestore d\ngoto d\nprint 1\nd:\ndata 7");
  EXPECT_EQ(Words(), (WordList{kCmdRestoreA, 25006, kCmdGoto, 37006, kCmdPrintL, 19000}));
}

TEST_F(PrescanTest, LabelAndArrayChecksReportTheirLine) {
  // A label defined only inside another function is not visible.
  ExpectError("print 1\ngoto inside\nend\nfunction f()\ninside:\nendfunction", 2,
              M(kMsgUndefinedLabel) + " " + M(kMsgWordAtLine) + " 2");
  ExpectError("print 1\nx = a(2)\ny = a(3)", 2, M(kMsgArrayNotDeclared) + " " + M(kMsgWordAtLine) + " 2");
  // An array declared in the main program is found inside a function.
  CompileOrFail("dim a(3)\nend\nfunction f()\nx = a(1)\nendfunction x");
}

// Included files contribute their functions only.
class IncludeTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    folder_ = std::filesystem::temp_directory_path() /
              ("qm-include-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

TEST_F(IncludeTest, LinesOutsideFunctionsAreComments) {
  Write("main.qma", "#include \"lib.qma\"\nx = twice(21)\n");
  Write("lib.qma", "print 99\nfunction twice(n)\nendfunction n*2\nprint 98\n");
  ASSERT_TRUE(parser.CreateProgramFromFile("main.qma")) << parser.errorText;
  // No PRINT at all: the included PRINT lines were not compiled.
  for (int32_t i = 0; i < parser.WordCount(); ++i) {
    EXPECT_NE(parser.ProgramWordAt(i), kCmdPrintL) << i;
  }
  EXPECT_NE(parser.FindUserFunction("twice"), -1);
}

}  // namespace
}  // namespace qm::testing
