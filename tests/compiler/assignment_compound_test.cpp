// Assignments and the compound statements (one-line IF, FOR with STEP, DIM, SELECT/CASE).
#include "compile_test_support.h"
#include "compiler/assignment_statements.h"
#include "compiler/compiler_messages.h"
#include "resources/command_ids.h"

namespace qm::testing {
namespace {

using WordList = std::vector<int32_t>;

TEST(RewriteAssignment, TurnsTargetAndValueIntoParameters) {
  const struct {
    const char* text;
    const char* rewritten;  // nullptr: no assignment
    bool array;
  } cases[] = {
      {"a = b + 1", "= a , b + 1", false},
      {"grid(x, y) = 0", "@= grid,x, y  , 0", true},
      {"a(b(1)) = 2", "@= a,b(1)  , 2", true},
      {"s$ = \"a=b\"", "= s$ , \"a=b\"", false},
      {"a(\")\") = 1", "@= a,\")\"  , 1", true},
      {"a b = 1", nullptr, false},
      {"a (1) = 3", nullptr, false},
      {"a =", nullptr, false},
      {"= 1", nullptr, false},
      {"print a", nullptr, false},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    bool array = false;
    EXPECT_EQ(RewriteAssignment(text, array), c.rewritten != nullptr) << c.text;
    if (c.rewritten == nullptr) continue;
    EXPECT_EQ(text, c.rewritten);
    EXPECT_EQ(array, c.array) << c.text;
  }
}

using AssignmentTest = CompilerTest;

TEST_F(AssignmentTest, EntriesByTheTypesOfTargetAndValue) {
  const struct {
    const char* program;
    WordList words;
  } cases[] = {
      {"a=1", {kOpAssignLL, 13000, 19000}},
      {"a  =  1", {kOpAssignLL, 13000, 19000}},
      {"a# = 1", {kOpAssignFL, 15000, 19000}},
      {"a = 1.5", {kOpAssignLF, 13000, 21000}},
      {"a$ = \"x\"", {kOpAssignSS, 17000, 23000}},
      {"dim a(2,2)\na(1, 2) = 3",
       {kCmdDimLLL, 13000, 19000, 19000, kOpArraySetLLLL, 13000, 19001, 19000, 19002}},
      {"dim g#(2)\ng#(1) = 2", {kCmdDimFL, 15000, 19000, kOpArraySetFLL, 15000, 19001, 19000}},
      // An integer array with a float value: the value is converted first.
      {"dim a(2)\na(1) = 1.5",
       {kCmdDimLL, 13000, 19000, kOpAssignLF, 10000, 21000, kOpArraySetLLL, 13000, 19001, 10000}},
      {"a = 5 : b = 6", {kOpAssignLL, 13000, 19000, kOpAssignLL, 13001, 19001}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    CompileOrFail(c.program);
    EXPECT_EQ(Words(), c.words);
  }
  ExpectError("a b = 1", 1, M(kMsgUnknownStatement));
  ExpectError("a =", 1, M(kMsgUnknownStatement));
  // A literal is no variable to store into.
  ExpectError("5 = 3", 1, M(kMsgUnknownStatement));
  ExpectError("dim x(3)\n5(1) = x", 2, M(kMsgUnknownStatement));
  ExpectError("undim 5", 1, M(kMsgUnknownStatement));
  ExpectError("for 5 = 1 to 3\nnext i", 1, M(kMsgBadFor));
  ExpectError("dim a(2)\na (1) = 3", 2, M(kMsgUnknownStatement));
}

using CompoundTest = CompilerTest;

TEST_F(CompoundTest, OneLineIfWithElse) {
  CompileOrFail("if a>1 then print 1 : b=2 else print 3");
  EXPECT_EQ(Words(), (WordList{kOpGreaterLLL, 10000, 13000, 19000, kCmdIf, 10000, 37014,  // IF a>1
                               kCmdPrintL, 19000, kOpAssignLL, 13001, 19001,              // PRINT 1 : b=2
                               kCmdElse, 37016, kCmdPrintL, 19002}));                     // ELSE PRINT 3
  CompileOrFail("if a then print 1 else");
  EXPECT_EQ(Words(), (WordList{kCmdIf, 13000, 37005, kCmdPrintL, 19000}));
  ExpectError("if a then", 1, M(kMsgBadIfThen));
}

TEST_F(CompoundTest, ForWithStepAndTheRestOfTheLine) {
  CompileOrFail("for i = 1 to 10 step 2 : print i\nnext i");
  EXPECT_EQ(Words(), (WordList{kOpSubLLL, 10000, 19000, 19001, kOpAssignLL, 13000, 10000,  // i = (1)-(2)
                               kCmdFor, 13000, 19002, 19001, 37017,                        // FOR i, 10, 2
                               kCmdPrintL, 13000, kCmdNext, 13000, 37007}));
  // A step whose name only begins with STEP is no step.
  CompileOrFail("for i = 1 to steps\nnext i");
  ExpectError("for i = 1 to", 1, M(kMsgBadFor));
  ExpectError("for i 1 to 10", 1, M(kMsgBadFor));
}

TEST_F(CompoundTest, ForAndNextTakeIntegerVariablesOnly) {
  ExpectError("for i# = 1 to 10\nnext i#", 1, M(kMsgBadFor));
  ExpectError("for a(1) = 1 to 10\nnext i", 1, M(kMsgBadFor));
  ExpectError("for i = 1 to 10\nnext i#", 2, M(kMsgBadFor));
  ExpectError("for 5, 10, 1\nnext i", 1, M(kMsgBadFor));
}

TEST_F(CompoundTest, DimDeclaresOneArray) {
  CompileOrFail("dim grid#(10, 20)");
  EXPECT_EQ(Words(), (WordList{kCmdDimFLL, 15000, 19000, 19001}));
  EXPECT_EQ(parser.DimEntryCount(), 1);
  EXPECT_EQ(parser.dimTable[0].name, "grid#");
  CompileOrFail("dim a(3) : a(1) = 2");
  ExpectError("dim a(5), b(5)", 1, M(kMsgBadDim));
}

TEST_F(CompoundTest, SelectEvaluatesItsExpressionOnce) {
  CompileOrFail(
      "select rnd(3)\ncase 1, 2\nprint 1\nendcase\ncase default\nprint 0\nendcase\n"
      "endselect");
  int32_t rndCalls = 0;
  for (int32_t i = 0; i < parser.WordCount(); ++i) rndCalls += parser.ProgramWordAt(i) == kCmdRndLL;
  EXPECT_EQ(rndCalls, 1);
}

TEST_F(CompoundTest, SelectStructureErrors) {
  const struct {
    const char* program;
    int32_t line;
    int32_t message;
  } cases[] = {
      {"select a + 1", 1, kMsgBadSelect},
      {"select a\nselect b", 2, kMsgBadSelect},
      {"case 1", 1, kMsgBadSelect},
      {"endcase", 1, kMsgBadSelect},
      {"endselect", 1, kMsgBadSelect},
      {"select a\ncase\nendcase\nendselect", 2, kMsgBadSelect},
      {"select a\ncase default\nendcase\ncase 1\nendcase\nendselect", 4, kMsgCaseAfterDefault},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    ExpectError(c.program, c.line, M(c.message));
  }
}

TEST_F(CompoundTest, CaseValuesThatDoNotFitAreAnError) {
  // The condition "if k=v1 or k=v2 ..." may pass 240 characters with its last value only: of
  // ten-character values, 16 fit and a 17th is an error, never left out of the test.
  auto caseOf = [](const std::string& select, int count) {
    std::string values;
    for (int i = 0; i < count; ++i) values += (i > 0 ? "," : "") + std::to_string(1000000000 + i);
    return "select " + select + "\ncase " + values + "\nendcase\nendselect";
  };
  CompileOrFail(caseOf("k", 16));
  ExpectError(caseOf("k", 17), 2, M(kMsgLineTooLong));
  // The SELECT expression as written counts, not the variable that holds its value.
  CompileOrFail(caseOf("k+1", 14));
  ExpectError(caseOf("k+1", 15), 2, M(kMsgLineTooLong));
  // More values than a statement has parameters: 35 one-digit values end at 244 characters.
  std::string many = "1";
  for (int i = 2; i <= 35; ++i) many += " " + std::to_string(i % 10);
  CompileOrFail("select k\ncase " + many + "\nendcase\nendselect");
  ExpectError("select k\ncase " + many + " 6\nendcase\nendselect", 2, M(kMsgLineTooLong));
}

TEST_F(CompoundTest, CaseValueLists) {
  const struct {
    const char* select;
    const char* values;
    bool compiles;
  } cases[] = {
      {"k", "1 2", true},
      {"k", "1,2", true},
      {"k", "1, 2", true},
      {"k", "1 ,2", true},
      {"k$", "\"a b\", \"c\"", true},
      {"k$", "\"a,b\" \"c\"", true},
      {"k", "f(1, 2) 3", true},
      {"k", "1,", false},
      {"k", ",1", false},
      {"k", "1,,2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.values);
    const std::string program = std::string("select ") + c.select + "\ncase " + c.values +
                                "\nendcase\nendselect\nend\nfunction f(a, b)\nendfunction a";
    if (c.compiles) {
      CompileOrFail(program);
    } else {
      EXPECT_FALSE(Compile(program));
    }
  }
}

TEST_F(CompoundTest, AFullVariableTableKeepsItsMessage) {
  const struct {
    const char* marker;
    const char* statement;
    int32_t message;
  } cases[] = {
      {"", "w = 2", kMsgTooManyIntegerVariables},      {"#", "w# = 2.5", kMsgTooManyFloatVariables},
      {"$", "w$ = \"x\"", kMsgTooManyStringVariables}, {"", "for w = 1 to 2", kMsgTooManyIntegerVariables},
      {"", "v1 = w + 1", kMsgTooManyIntegerVariables}, {"#", "print abs(w#)", kMsgTooManyFloatVariables},
      {"", "dim w(5)", kMsgTooManyIntegerVariables},   {"$", "dim w$(5)", kMsgTooManyStringVariables},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    std::string program;
    // Each text literal takes a place of its own, so the texts are copied from one variable.
    const std::string value = *c.marker == '$' ? "=v0$\n" : "=0\n";
    for (int i = 0; i < 1999; ++i) program += "v" + std::to_string(i) + c.marker + value;
    ExpectError(program + c.statement, 2000, M(c.message));
  }
}

}  // namespace
}  // namespace qm::testing
