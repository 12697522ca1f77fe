// Program emission: program words and their line words, checked word by word for small
// statement lists, with the final word 0 of every compiled piece.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/parser.h"
#include "parser_test_support.h"
#include "resources/command_ids.h"

namespace qm {
namespace {

using testing::LineWordRange;
using testing::ParserWithStandIn;
using testing::ProgramWordRange;
using testing::TemporaryFolder;

TEST(ProgramEmissionTest, CommandsTakeOneWordPerOperand) {
  Parser parser;
  parser.Open();
  parser.ResetCompileCounters();
  parser.counters.currentLine = 9;
  OperandList none;
  parser.EmitCommand("sync", kCmdSync, "0", none);
  OperandList print;
  ASSERT_TRUE(print.Append('l', 13000));
  parser.EmitCommand("print", kCmdPrintL, "l", print);
  OperandList rnd;
  OperandPair* result = rnd.AppendSlot();
  ASSERT_NE(parser.AllocateTemporary(*result, 'l'), -1);
  ASSERT_TRUE(rnd.Append('l', 19000));
  parser.EmitCommand("rnd", kCmdRndLL, "ll", rnd);
  OperandList unfinished;  // a pair of type 0 ends the list
  ASSERT_TRUE(unfinished.Append('l', 13000));
  ASSERT_NE(unfinished.AppendSlot(), nullptr);
  ASSERT_TRUE(unfinished.Append('l', 13001));
  parser.EmitCommand("print", kCmdPrintL, "l", unfinished);

  EXPECT_EQ(ProgramWordRange(parser, 0, parser.WordCount()),
            (std::vector<int32_t>{kCmdSync, kCmdPrintL, 13000, kCmdRndLL, 10000, 19000, kCmdPrintL, 13000}));
  EXPECT_EQ(LineWordRange(parser, 0, parser.WordCount()), std::vector<int32_t>(8, 9));
  EXPECT_EQ(parser.counters.commandsEmitted, 4);
  EXPECT_EQ(parser.counters.programWrite, parser.counters.lineWrite);
  parser.PatchWord(2, 13005);
  EXPECT_EQ(parser.ProgramWordAt(2), 13005);
}

class EmissionGoldenTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  ParserWithStandIn compiler;
  Parser& parser = compiler.parser;
};

TEST_F(EmissionGoldenTest, StatementListWithLabelsAndData) {
  // One label named by GOTO and by RESTORE: each reference is patched by its own kind.
  folder.Write("p.qma",
               "print a+1\r\nprint 2.5\r\nprint \"Hi\"\r\ndata 1,2,3\r\nstart:\r\n"
               "goto start\r\nrestore start\r\n");
  ASSERT_TRUE(parser.CreateProgramFromFile("p.qma")) << parser.errorText;
  const std::vector<int32_t> words = {kOpAddLLL, 10000,
                                      13000,     19000,  // line 1: "+[" LLL into the first temporary
                                      301,       10000,  // PRINT L
                                      302,       21000,  // line 2
                                      303,       23000,  // line 3
                                      42,        37010,  // line 6: GOTO the word after the DATA line's label
                                      31,        25003,  // line 7: RESTORE to the DATA item after the three
                                      0};
  const std::vector<int32_t> lines = {1, 1, 1, 1, 1, 1, 2, 2, 3, 3, 6, 6, 7, 7, 0};
  EXPECT_EQ(parser.WordCount(), static_cast<int32_t>(words.size()));
  EXPECT_EQ(ProgramWordRange(parser, 0, parser.WordCount()), words);
  EXPECT_EQ(LineWordRange(parser, 0, parser.WordCount()), lines);
  EXPECT_EQ(parser.LiteralText(23000), "Hi");
  EXPECT_EQ(parser.counters.commandsEmitted, 6);
}

TEST_F(EmissionGoldenTest, EveryCommandLinePieceEndsWithWordZero) {
  folder.Write("p.qma", "print 1\r\n");
  ASSERT_TRUE(parser.CreateProgramFromFile("p.qma"));
  EXPECT_EQ(ProgramWordRange(parser, 0, 3), (std::vector<int32_t>{kCmdPrintL, 19000, 0}));
  ASSERT_TRUE(parser.CompileCliLine("print 2+3", 0));
  EXPECT_EQ(ProgramWordRange(parser, 3, parser.WordCount()),
            (std::vector<int32_t>{kOpAddLLL, 10000, 19001, 19002, kCmdPrintL, 10000, 0}));
  ASSERT_TRUE(parser.CompileCliLine("print 4", 0));
  EXPECT_EQ(ProgramWordRange(parser, 3, parser.WordCount()), (std::vector<int32_t>{kCmdPrintL, 19003, 0}));
  EXPECT_EQ(parser.PieceEndCounters().wordsEmitted, 6);
}

}  // namespace
}  // namespace qm
