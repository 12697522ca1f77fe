// Statement identification: words, parameter splitting, separators and list rules, comments,
// label definitions and the forms compiled by rewriting.
#include "compiler/statement_identification.h"

#include "compile_test_support.h"
#include "compiler/compiler_messages.h"
#include "resources/command_ids.h"

namespace qm::testing {
namespace {

using WordList = std::vector<int32_t>;
using Texts = std::vector<std::string>;

TEST(StatementWords, SplitAtBlanksAndBeforeColons) {
  const struct {
    const char* text;
    Texts words;
  } cases[] = {
      {"load   bitmap \"a b.bmp\" ,1", {"load", "bitmap", "\"a b.bmp\"", ",1"}},
      {"a:b", {"a", ":b"}},
      {"x : y", {"x", ":", "y"}},
      {"print \"a:b\"", {"print", "\"a:b\""}},
      {"a\tb ", {"a", "b"}},
  };
  for (const auto& c : cases) {
    Texts words;
    SplitStatementWords(c.text, words);
    EXPECT_EQ(words, c.words) << c.text;
  }
}

TEST(SplitParameters, CutsAtTopLevelCommasOnly) {
  Parser parser;
  const struct {
    const char* text;
    Texts parameters;
  } cases[] = {
      {"", {}},
      {"a,,b", {"a", "", "b"}},
      {"f(1,2), \"x,y\"", {"f(1,2)", "\"x,y\""}},
      // A bracket inside quotes is text: it does not hide the comma after it.
      {"\"(\",1", {"\"(\"", "1"}},
      {"\":-(\", x", {"\":-(\"", "x"}},
      {"  a  b , c", {"a  b", "c"}},
  };
  for (const auto& c : cases) {
    Texts parameters;
    EXPECT_EQ(SplitParameters(parser, c.text, parameters), static_cast<int32_t>(c.parameters.size()))
        << c.text;
    EXPECT_EQ(parameters, c.parameters) << c.text;
  }
}

TEST(SplitParameters, ThirtyTwoParametersAtMost) {
  Parser parser;
  std::string text = "1";
  for (int i = 1; i < 32; ++i) text += ",1";
  Texts parameters;
  EXPECT_EQ(SplitParameters(parser, text, parameters), 32);
  EXPECT_EQ(SplitParameters(parser, text + ",1", parameters), -1);
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyParameters));
}

TEST(ConvertPrintCommas, TopLevelCommasBecomeSemicolonsUpToTheStatementEnd) {
  const struct {
    const char* text;
    const char* converted;
  } cases[] = {
      {"a, b", "a; b"},
      {"f(a,b), \"x,y\"", "f(a,b); \"x,y\""},
      {"\":-(\", x", "\":-(\"; x"},
      {"a : b, c", "a : b, c"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    ConvertPrintCommas(text);
    EXPECT_EQ(text, c.converted);
  }
}

TEST(LabelDefinition, ANameAndAColonAlone) {
  std::string name;
  EXPECT_TRUE(ParseLabelDefinition("start:", name));
  EXPECT_EQ(name, "start");
  EXPECT_TRUE(ParseLabelDefinition("loop_2:\n", name));
  EXPECT_FALSE(ParseLabelDefinition("start: ", name));
  EXPECT_FALSE(ParseLabelDefinition("start: print 1", name));
  EXPECT_FALSE(ParseLabelDefinition("done :", name));
  EXPECT_FALSE(ParseLabelDefinition(":", name));
}

using StatementTest = CompilerTest;

struct StatementCase {
  const char* program;
  WordList words;
};

TEST_F(StatementTest, SeparatorsAndListRules) {
  const StatementCase cases[] = {
      // The longest run of leading words names the statement.
      {"sync on", {403}},
      {"sync", {259}},
      {"print 1 : print 2", {kCmdPrintL, 19000, kCmdPrintL, 19001}},
      {"print \"a:b\"", {kCmdPrintS, 23000}},
      // PRINT lists: every item but the last without a line end.
      {"print a; b, c", {kCmdPrintcL, 13000, kCmdPrintcL, 13001, kCmdPrintL, 13002}},
      {"print a;", {kCmdPrintcL, 13000}},
      {"print", {304}},
      {"print \":-(\", x", {kCmdPrintcS, 23000, kCmdPrintL, 13000}},
      // INPUT with a prompt: PRINTC the prompt, then INPUT.
      {"input \"x\"; n$", {kCmdPrintcS, 23000, kCmdInputS, 17000}},
      {"input \"x\", n", {kCmdPrintcS, 23000, kCmdInputL, 13000}},
      // READ lists: one READ per variable, by its type; the list rule looks at the first word.
      {"read a, b#", {kCmdReadL, 13000, kCmdReadF, 15000}},
      {"read byte 1,b; x", {kCmdReadByte, 19000, 13000, kCmdReadL, 13001}},
      // A semicolon separates statements.
      {"a = 5 ; b = 6", {kOpAssignLL, 13000, 19000, kOpAssignLL, 13001, 19001}},
      // Comments.
      {"rem a : print 1", {}},
      {"`a : print 1", {}},
      {"print 1 : rem a", {kCmdPrintL, 19000}},
      {"remstart\nprint 1\nremend : print 2", {kCmdPrintL, 19000}},
      // Blanks between the words of a name do not matter.
      {"sync   on", {403}},
  };
  for (const StatementCase& c : cases) {
    SCOPED_TRACE(c.program);
    CompileOrFail(c.program);
    EXPECT_EQ(Words(), c.words);
  }
}

TEST_F(StatementTest, LabelsAreDefinedOnLinesOfTheirOwn) {
  CompileOrFail("goto start\nprint 1\nstart:\nprint 2");
  // GOTO jumps to the word after PRINT 1, where the label stands.
  EXPECT_EQ(Words(), (WordList{kCmdGoto, 37004, kCmdPrintL, 19000, kCmdPrintL, 19001}));
  ExpectError("start: print 1", 1, M(kMsgUnknownStatement));
  ExpectError("print 1 : done:", 1, M(kMsgUnknownStatement));
  ExpectError("a:\na:", 2, M(kMsgLabelDefinedTwice));
}

TEST_F(StatementTest, DataItemsEmitNoWords) {
  CompileOrFail("data 1, 2.5, \"x\", -3\ndata 1,,2");
  EXPECT_EQ(Words(), WordList{});
  EXPECT_EQ(parser.DataItemCount(), 7);
  const char types[] = {'l', 'f', 's', 'l', 'l', 'l', 'l'};
  for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(parser.DataTypeLetter(i), types[i]) << i;
  EXPECT_EQ(parser.LiteralValue(kDataItems + 5).i, 0);  // the empty item
  ExpectError("data abc", 1, M(kMsgBadDataItem));
  // DATA keeps its semicolons: "1;2" is one item, and no literal.
  ExpectError("data 1;2,3", 1, M(kMsgBadDataItem));
  CompileOrFail("data 1,2 : print x");
  EXPECT_EQ(Words(), (WordList{kCmdPrintL, 13000}));
}

TEST_F(StatementTest, UndimNamesOnlyTheArray) {
  CompileOrFail("dim a(10)\nundim a(10) : print 1");
  const WordList words = Words();
  const WordList tail(words.end() - 4, words.end());
  EXPECT_EQ(tail, (WordList{kCmdUndimL, 13000, kCmdPrintL, 19001}));
}

TEST_F(StatementTest, RewrittenFormsAndTheirFallThrough) {
  // IF without THEN is the block IF; DIM without an array bracket is the plain DIM statement.
  CompileOrFail("if a\nendif");
  EXPECT_EQ(Words(), (WordList{kCmdIf, 13000, 37003}));
  ExpectError("dim a (10)", 1, M(kMsgBadExpression));
  ExpectError("remark", 1, M(kMsgUnknownStatement));
}

TEST_F(StatementTest, EntryChoiceByParameterTypes) {
  const StatementCase cases[] = {
      {"cls", {212}},
      {"cls 5", {kCmdClsL, 19000}},
      {"print 1.5", {kCmdPrintF, 21000}},
      // No INC entry takes two integers: the 2 becomes a float.
      {"inc i, 2", {kOpAssignFL, 11000, 19000, kCmdIncLF, 13000, 11000}},
      // INK takes integers: the 1.5 becomes one.
      {"ink 1.5, 0", {kOpAssignLF, 10000, 21000, kCmdInk, 10000, 19000}},
  };
  for (const StatementCase& c : cases) {
    SCOPED_TRACE(c.program);
    CompileOrFail(c.program);
    EXPECT_EQ(Words(), c.words);
  }
}

TEST_F(StatementTest, MismatchMessagesNameTheStatementAndItsFirstEntry) {
  ExpectError("cls 1.5", 1, Message({M(37), "cls", M(12), M(13)}));
  ExpectError("load bitmap 1", 1, Message({M(37), "load bitmap", M(12), M(8)}));
  ExpectError("a = \"x\"", 1, Message({M(37), M(14)}));
  ExpectError("dim a(3)\na(1) = \"x\"", 2, Message({M(37), M(15)}));
  // A single parameter that fails keeps the expression's own message.
  ExpectError("print 1+", 1, M(kMsgBadExpression));
  ExpectError("goto a+1", 1, M(kMsgBadLabelName));
  ExpectError("nosuchthing", 1, M(kMsgUnknownStatement));
}

TEST_F(StatementTest, ThirtyThreeParametersFail) {
  std::string list = "1";
  for (int i = 1; i < 33; ++i) list += ",1";
  ExpectError("cls " + list, 1, M(kMsgTooManyParameters));
}

}  // namespace
}  // namespace qm::testing
