// The compile driver: open, compile, close; progress; the growing program block; the checks at
// the end of a compile; and lines typed at the runtime command line compiled onto the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compiler/parser.h"
#include "parser_test_support.h"
#include "resources/command_ids.h"
#include "runtime/settings.h"

namespace qm {
namespace {

using testing::LineWordRange;
using testing::ParserWithStandIn;
using testing::ProgramWordRange;
using testing::TemporaryFolder;

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class ParserDriverTest : public ::testing::Test {
 protected:
  bool Compile(const std::vector<std::string>& lines) {
    folder.Write("p.qma", Lines(lines));
    return parser.CreateProgramFromFile("p.qma");
  }

  TemporaryFolder folder;
  ParserWithStandIn compiler;
  Parser& parser = compiler.parser;
};

TEST_F(ParserDriverTest, OpenCompileCloseAndOpenAgain) {
  ASSERT_TRUE(Compile({"print 1", "print a"}));
  EXPECT_TRUE(parser.errorText.empty());
  EXPECT_EQ(parser.WordCount(), 5);  // two PRINTs and the final 0
  parser.Close();

  parser.Open();
  ASSERT_TRUE(Compile({"print b"}));
  EXPECT_EQ(ProgramWordRange(parser, 0, parser.WordCount()), (std::vector<int32_t>{kCmdPrintL, 13000, 0}));
}

TEST_F(ParserDriverTest, ReportsProgressOneTenthAtMostPerLine) {
  std::vector<int32_t> shown;
  parser.progressCallback = [&](int32_t percent) { shown.push_back(percent); };
  // Six counted lines (four statements, the zero byte's line and "end").
  ASSERT_TRUE(Compile({"print 1", "print 2", "print 3", "print 4"}));
  EXPECT_EQ(shown, (std::vector<int32_t>{33, 50, 66, 83, 100, 100, 100}));

  shown.clear();
  std::vector<std::string> many(40, "print 1");
  ASSERT_TRUE(Compile(many));
  ASSERT_FALSE(shown.empty());
  EXPECT_LE(shown.size(), 12u);
  EXPECT_EQ(shown.back(), 100);
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
}

TEST_F(ParserDriverTest, ProgramBlockDoublesAndTheCompileStartsAgain) {
  // 70 lines of 1,000 words in under 1,000 bytes: the block sized from the source is far too
  // small, so it doubles until the program fits, and the program compiles again each time.
  std::vector<std::string> lines(70, "words 1000");
  lines.push_back("print 5");
  ASSERT_TRUE(Compile(lines)) << parser.errorText;
  const int32_t needed = 70000 + 2 + 1 + kProgramGrowthMargin;
  EXPECT_GE(parser.ProgramCapacity(), needed);
  EXPECT_LT(parser.ProgramCapacity(), 2 * needed);  // no doubling beyond the first that fits
  EXPECT_EQ(parser.WordCount(), 70000 + 2 + 1);
  EXPECT_EQ(ProgramWordRange(parser, 69999, 70003), (std::vector<int32_t>{kCmdFor, kCmdPrintL, 19000, 0}));
  EXPECT_EQ(LineWordRange(parser, 69999, 70003), (std::vector<int32_t>{70, 71, 71, 0}));
  EXPECT_EQ(parser.ProgramEndCounters().wordsEmitted, 70003);
  EXPECT_EQ(parser.ProgramStartCounters().wordsEmitted, 0);

  // The larger block stays for the next compile.
  const int32_t grown = parser.ProgramCapacity();
  parser.Close();
  parser.Open();
  ASSERT_TRUE(Compile({"print 1"}));
  EXPECT_EQ(parser.ProgramCapacity(), grown);
}

TEST_F(ParserDriverTest, AProgramNoLargerInWordsThanInBytesCompilesOnce) {
  // 400 lines of 200 words, each line 200 bytes long: more than the first block holds.
  std::vector<std::string> lines(400, "words 200" + std::string(191, ' '));
  ASSERT_TRUE(Compile(lines)) << parser.errorText;
  EXPECT_EQ(parser.WordCount(), 80000 + 1);
  const auto compiled =
      std::count_if(compiler.passes->statements.begin(), compiler.passes->statements.end(),
                    [](const testing::RecordedStatement& s) { return s.text.starts_with("words"); });
  EXPECT_EQ(compiled, 400);
  EXPECT_LT(parser.ProgramCapacity(), 2 * 80000);
}

TEST_F(ParserDriverTest, TheFirstBlockIsSizedFromTheSource) {
  // One word per source byte and twice the margin: an empty program gets a block of a few
  // pages, not a fixed large one.
  struct Case {
    std::vector<std::string> lines;
    int32_t sourceBytes;
  };
  const Case cases[] = {
      {{"rem empty"}, 11},
      {std::vector<std::string>(100, "print 1"), 900},
      {std::vector<std::string>(3000, "rem" + std::string(95, '.')), 300000},
  };
  for (const Case& c : cases) {
    ParserWithStandIn fresh;
    folder.Write("p.qma", Lines(c.lines));
    ASSERT_TRUE(fresh.parser.CreateProgramFromFile("p.qma")) << fresh.parser.errorText;
    EXPECT_GE(fresh.parser.ProgramCapacity(), c.sourceBytes + 2 * kProgramGrowthMargin) << c.sourceBytes;
    EXPECT_LE(fresh.parser.ProgramCapacity(), c.sourceBytes + 2 * kProgramGrowthMargin + 64) << c.sourceBytes;
  }
}

TEST_F(ParserDriverTest, EveryFailureLeavesAnErrorText) {
  EXPECT_FALSE(Compile({"print 1", "fail silently"}));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgUnknownStatement));
  EXPECT_EQ(parser.errorLine, 2);

  parser.Open();
  EXPECT_FALSE(Compile({"fail"}));
  EXPECT_EQ(parser.errorText, "boom");
  EXPECT_EQ(parser.errorLine, 1);
}

TEST_F(ParserDriverTest, NoRestartIsLeftForTheNextCompile) {
  // A compile that grew the block, then one whose file cannot be read.
  ASSERT_TRUE(Compile(std::vector<std::string>(70, "words 1000"))) << parser.errorText;
  EXPECT_FALSE(parser.CreateProgramFromFile("missing.qma"));

  // The next compile, step by step, still reports its failure.
  parser.Open();
  parser.LoadSourceBytes("fail\r\n");
  parser.ResetCompileCounters();
  EXPECT_FALSE(parser.CompileProgram(CompileMode::WholeProgram, kMainScope));
  EXPECT_EQ(parser.errorText, "boom");

  parser.Open();
  EXPECT_FALSE(Compile({"fail"}));
  EXPECT_TRUE(Compile({"print 1"})) << parser.errorText;
}

TEST_F(ParserDriverTest, ChecksAfterTheLastLineNameTheirLine) {
  const std::string atLine = " " + CompilerMessage(kMsgWordAtLine) + " ";
  EXPECT_FALSE(Compile({"print 1", "goto nowhere"}));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgUndefinedLabel) + atLine + "2");
  EXPECT_EQ(parser.errorLine, 2);

  parser.Open();
  compiler.passes->arraysDeclared = false;
  EXPECT_FALSE(Compile({"print 1"}));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgArrayNotDeclared) + atLine + "1");
  compiler.passes->arraysDeclared = true;

  // An open block is reported last, at the current line (one past the last line).
  parser.Open();
  EXPECT_FALSE(Compile({"goto nowhere", "open"}));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgBlockStillOpen) + atLine + "6");
  EXPECT_EQ(parser.errorLine, 6);
}

TEST_F(ParserDriverTest, WritesTheCompiledProgramFileAlsoAfterAnError) {
  std::vector<std::string> written;
  parser.programFileWriter = [&](const Parser& p, const std::string& name) {
    written.push_back(name + ":" + std::to_string(p.WordCount()));
    return true;
  };
  folder.Write("p.qma", Lines({"print 1"}));
  ASSERT_TRUE(parser.CompileToProgramFile("p.qma", "out.dat"));
  folder.Write("bad.qma", Lines({"fail"}));
  parser.Open();
  EXPECT_FALSE(parser.CompileToProgramFile("bad.qma", "out.dat"));
  EXPECT_EQ(written, (std::vector<std::string>{"out.dat:3", "out.dat:1"}));

  parser.programFileWriter = [](const Parser&, const std::string&) { return false; };
  parser.Open();
  EXPECT_FALSE(parser.CompileToProgramFile("p.qma", "out.dat"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgCannotOpenFile) + " out.dat");
}

TEST_F(ParserDriverTest, TraceModeWritesTheMergedSourceListing) {
  const Settings saved = gSettings;
  gSettings.programFolder = folder.Path().string() + "/";
  gSettings.traceModeFlag = true;
  const bool compiled = Compile({"Print 1"});
  gSettings = saved;
  ASSERT_TRUE(compiled);
  std::ifstream listing(folder.Path() / "QM.QMA", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(listing)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.substr(0, 21), "Debug Output Script\n\n");
  EXPECT_NE(text.find("     1 : Print 1\r\n"), std::string::npos);
  EXPECT_NE(text.find(" : end\r\n"), std::string::npos);
}

// ---- Lines typed at the runtime command line ----------------------------------------------

class CommandLinePieceTest : public ParserDriverTest {
 protected:
  void SetUp() override {
    // Program words: 301 19000 (line 1), 301 13000 (line 2), 0; the zero byte's line, the end
    // line and the carried line feed bring the current line to 6.
    ASSERT_TRUE(Compile({"print 5", "print a"}));
    ASSERT_EQ(parser.WordCount(), 5);
  }
  std::vector<int32_t> PieceWords() const {
    return ProgramWordRange(parser, parser.PieceStartCounters().wordsEmitted,
                            parser.PieceEndCounters().wordsEmitted);
  }
};

TEST_F(CommandLinePieceTest, LinesOverwriteEachOtherWhileNumbersGoOn) {
  const std::vector<int32_t> program = ProgramWordRange(parser, 0, 5);

  ASSERT_TRUE(parser.CompileCliLine("print 7", 0)) << parser.errorText;
  EXPECT_EQ(parser.PieceStartCounters().wordsEmitted, 5);
  EXPECT_EQ(PieceWords(), (std::vector<int32_t>{kCmdPrintL, 19001, 0}));
  EXPECT_EQ(LineWordRange(parser, 5, 8), (std::vector<int32_t>{6, 6, 0}));

  ASSERT_TRUE(parser.CompileCliLine("print 8+a", 0));
  EXPECT_EQ(PieceWords(), (std::vector<int32_t>{kOpAddLLL, 10000, 19002, 13000, kCmdPrintL, 10000, 0}));

  ASSERT_TRUE(parser.CompileCliLine("print b", 0));
  EXPECT_EQ(PieceWords(), (std::vector<int32_t>{kCmdPrintL, 13001, 0}));
  EXPECT_EQ(parser.PieceEndCounters().nextIntLiteral, 19003);
  EXPECT_EQ(parser.PieceEndCounters().intVariableEntries, 2);

  EXPECT_EQ(ProgramWordRange(parser, 0, 5), program);
  EXPECT_EQ(parser.ProgramEndCounters().wordsEmitted, 5);
}

TEST_F(CommandLinePieceTest, AFailedLineGivesItsNumbersBack) {
  EXPECT_FALSE(parser.CompileCliLine("print 99+!", 0));
  EXPECT_FALSE(parser.errorText.empty());
  ASSERT_TRUE(parser.CompileCliLine("print 100", 0));
  EXPECT_EQ(PieceWords(), (std::vector<int32_t>{kCmdPrintL, 19001, 0}));
  EXPECT_EQ(parser.LiteralValue(19001).i, 100);
}

TEST_F(CommandLinePieceTest, ErrorsOfATypedLineCarryNoLineSuffix) {
  EXPECT_FALSE(parser.CompileCliLine("goto nowhere", 0));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgUndefinedLabel));
}

TEST_F(CommandLinePieceTest, TypedLinesMayNotDefineLabelsOrIncludeFiles) {
  folder.Write("x.qma", Lines({"function f", "endfunction"}));
  for (const char* line : {"here:", "#include x.qma"}) {
    EXPECT_FALSE(parser.CompileCliLine(line, 0)) << line;
    EXPECT_EQ(parser.errorText, CompilerMessage(kMsgNotAtCommandLine)) << line;
  }
  EXPECT_EQ(parser.LabelEntryCount(), 0);
  ASSERT_TRUE(parser.CompileCliLine("print 1", 0));
}

TEST_F(CommandLinePieceTest, ALineThatWouldFillTheBlockIsRefused) {
  parser.Open();
  ASSERT_TRUE(Compile(std::vector<std::string>(64, "words 1000")));
  // A typed line may fill the block up to the growth margin; the block never grows for it.
  const int32_t capacity = parser.ProgramCapacity();
  const int32_t room = capacity - kProgramGrowthMargin - parser.WordCount();
  ASSERT_GT(room, 100);
  EXPECT_FALSE(parser.CompileCliLine("words " + std::to_string(room + 100), 0));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgCommandLineTooLarge));
  EXPECT_EQ(parser.ProgramCapacity(), capacity);
  EXPECT_TRUE(parser.CompileCliLine("words " + std::to_string(room - 100), 0));
}

TEST_F(CommandLinePieceTest, LinesAreCompiledInTheScopeGiven) {
  ASSERT_TRUE(parser.CompileCliLine("print a", 3));
  EXPECT_EQ(PieceWords(), (std::vector<int32_t>{kCmdPrintL, 13001, 0}));  // scope 3's own a
  EXPECT_EQ(parser.VariableScope(ValueType::Integer, 1), 3);
}

}  // namespace
}  // namespace qm
