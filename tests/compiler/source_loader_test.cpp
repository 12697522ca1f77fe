// Source loading and include merging: line splitting, the merged text and its line numbers,
// errors inside included files, line limits, and LF files read like CR LF files.
#include "compiler/source_loader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "compiler/parser.h"
#include "parser_test_support.h"

namespace qm {
namespace {

using testing::ParserWithStandIn;
using testing::RecordedStatement;
using testing::TemporaryFolder;

std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::string Repeat(char c, std::size_t count) { return std::string(count, c); }

struct ReaderCase {
  std::string text;
  std::vector<std::pair<int32_t, std::string>> lines;
};

TEST(SourceLineReaderTest, SplitsLinesAsTheCompilerCountsThem) {
  using namespace std::string_literals;
  const ReaderCase cases[] = {
      {"A\r\nB\0\r\nend\r\n"s, {{1, "A"}, {2, "\nB\0"s}, {3, "\nend"}, {4, "\n"}}},
      {"A\r\n\r\nB", {{1, "A"}, {2, "\n"}, {3, "\nB"}}},
      {"\r\nX", {{2, "X"}}},  // a leading empty line only counts
      {"\r\n\r\nX", {{2, ""}, {3, "\nX"}}},
      {"X\r", {{1, "X"}}},
      {"\rA\rB", {{1, "\rA"}, {2, "B"}}},  // a lone carriage return at a line's start is its text
      {"", {}},
  };
  for (const ReaderCase& c : cases) {
    SourceLineReader reader(c.text);
    SourceLine line;
    std::vector<std::pair<int32_t, std::string>> lines;
    while (reader.Next(line)) lines.emplace_back(line.number, std::string(line.raw));
    EXPECT_EQ(lines, c.lines) << "text: " << c.text;
  }
}

TEST(SourceLineReaderTest, PreparedLinesAreLowerCasedOutsideQuotes) {
  using namespace std::string_literals;
  const std::pair<std::string, std::string> cases[] = {
      {"\nPRINT \"AbC\" X", "print \"AbC\" x"},
      {"\t\tLoad Bitmap", "load bitmap"},
      {"  Print", "  print"},  // blanks are not control characters
      {"A\0B"s, "a"},          // a zero byte ends the text
  };
  for (const auto& [raw, prepared] : cases) EXPECT_EQ(PrepareSourceLine(raw), prepared);
}

TEST(SourceLineReaderTest, IncludeNamesAreTheFirstWordWithoutQuotes) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"#include util.qma", "util.qma"},
      {"#INCLUDE \"Lib.QMA\"", "Lib.QMA"},  // quoted: the case stays
      {"#include \"my file.qma\"", "my"},   // cut at the blank
      {"#include   x.qma  y", "x.qma"},
      {"\t#include tab.qma", "tab.qma"},
      {"  #include blank.qma", std::nullopt},
      {"#includex", std::nullopt},
      {"#include", std::nullopt},
  };
  for (const auto& [raw, name] : cases) {
    EXPECT_EQ(IncludeNameOfLine(PrepareSourceLine(raw)), name) << raw;
  }
}

TEST(SourceLineReaderTest, LineFeedsAloneBecomeCarriageReturnLineFeed) {
  using namespace std::string_literals;
  EXPECT_EQ(NormalizeLineEnds("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(NormalizeLineEnds("\n"), "\r\n");
  EXPECT_EQ(NormalizeLineEnds("\n\n"), "\r\n\r\n");
  EXPECT_EQ(NormalizeLineEnds("a\r\n\nb\r"), "a\r\n\r\nb\r");
  EXPECT_EQ(CountMergedLines("A\r\nB\0\r\nend\r\n"s), 3);
  // A text is loaded as it was read exactly when it has no line feed alone.
  for (const std::string_view text :
       {"", "a", "a\r\nb\r\n", "a\rb", "\r\n\r\n", "\n", "a\nb", "a\r\nb\n", "a\r\n\nb", "a\n\r", "\r\r\n"}) {
    EXPECT_EQ(HasLoneLineFeed(text), NormalizeLineEnds(text) != text) << ::testing::PrintToString(text);
  }
}

class SourceLoadingTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  ParserWithStandIn compiler;
  Parser& parser = compiler.parser;
  std::vector<RecordedStatement>& statements = compiler.passes->statements;
};

TEST_F(SourceLoadingTest, FileWithoutFinalLineEndGetsZeroAndEndLine) {
  using namespace std::string_literals;
  folder.Write("p.qma", "A\r\nB");
  ASSERT_TRUE(parser.CreateProgramFromFile("p.qma")) << parser.errorText;
  EXPECT_EQ(parser.sourceText, "A\r\nB\0\r\n"s);
  EXPECT_EQ(statements, (std::vector<RecordedStatement>{{1, "a"}, {2, "b"}, {3, "end"}}));
  EXPECT_EQ(compiler.passes->prescanIncludeStart, 4);
}

TEST_F(SourceLoadingTest, FileWithLineFeedsAloneReadsAsCarriageReturnLineFeed) {
  using namespace std::string_literals;
  folder.Write("p.qma", "A\nB\r\nC\n");
  ASSERT_TRUE(parser.CreateProgramFromFile("p.qma")) << parser.errorText;
  EXPECT_EQ(parser.sourceText, "A\r\nB\r\nC\r\n\0\r\n"s);
  EXPECT_EQ(statements, (std::vector<RecordedStatement>{{1, "a"}, {2, "b"}, {3, "c"}, {5, "end"}}));
}

TEST_F(SourceLoadingTest, EmptyFileNameCompilesTheEndLineAlone) {
  ASSERT_TRUE(parser.CreateProgramFromFile(""));
  EXPECT_EQ(parser.sourceText, "\r\n");
  EXPECT_EQ(statements, (std::vector<RecordedStatement>{{2, "end"}}));
}

TEST_F(SourceLoadingTest, IncludedFilesAreMergedAfterTheEndLineInPasses) {
  const std::string main =
      Lines({"print 1", "#include \"A.qma\"", "#include b.qma", "#include a.qma"}) + "print 2";
  const std::string fileA = Lines({"function fa", "endfunction"});
  const std::string fileB = Lines({"#include c.qma", "function fb", "endfunction"});
  const std::string fileC = Lines({"function fc", "endfunction"});
  folder.Write("main.qma", main);
  folder.Write("A.qma", fileA);
  folder.Write("b.qma", fileB);
  folder.Write("c.qma", fileC);

  ASSERT_TRUE(parser.CreateProgramFromFile("main.qma")) << parser.errorText;

  const std::string mainPart = main + std::string("\0\r\n", 3) + "end\r\n";
  // The text itself is freed after the compile; rebuild it to compare.
  parser.Open();
  ASSERT_TRUE(parser.LoadSourceFile("main.qma"));
  EXPECT_EQ(parser.MergeIncludeFiles(), 7);
  EXPECT_EQ(parser.mergedText, mainPart + fileA + fileB + fileC);
  ASSERT_EQ(parser.includeRecords.size(), 2u);  // a.qma twice, c.qma nested: no record
  EXPECT_EQ(parser.includeRecords[0].line, 2);
  EXPECT_EQ(parser.includeRecords[0].start, mainPart.size());
  EXPECT_EQ(parser.includeRecords[1].line, 3);
  EXPECT_EQ(parser.includeRecords[1].start, mainPart.size() + fileA.size());
  EXPECT_EQ(parser.includedTextEnd, mainPart.size() + fileA.size() + fileB.size());

  const std::vector<RecordedStatement> expected = {{1, "print 1"},        {2, "#include \"A.qma\""},
                                                   {3, "#include b.qma"}, {4, "#include a.qma"},
                                                   {5, "print 2"},        {6, "end"},
                                                   {7, "function fa"},    {8, "endfunction"},
                                                   {9, "#include c.qma"}, {10, "function fb"},
                                                   {11, "endfunction"},   {12, "function fc"},
                                                   {13, "endfunction"}};
  EXPECT_EQ(statements, expected);
  EXPECT_EQ(compiler.passes->prescanIncludeStart, 7);
}

class IncludeFailureTest : public SourceLoadingTest {
 protected:
  void WriteProgram(const std::string& failingStatement) {
    folder.Write("main.qma", Lines({"print 1", "#include one.qma", "#include two.qma"}));
    folder.Write("one.qma", Lines({"function f1", "endfunction"}));
    folder.Write("two.qma", Lines({"function f2", failingStatement, "endfunction"}));
  }
};

TEST_F(IncludeFailureTest, ReportsTheIncludeLineWithTheFailingText) {
  WriteProgram("fail");
  EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
  EXPECT_EQ(parser.errorText, "boom " + CompilerMessage(kMsgWordIn) + " fail");
  EXPECT_EQ(parser.errorLine, 3);
  EXPECT_EQ(statements.back(), (RecordedStatement{9, "fail"}));
}

TEST_F(IncludeFailureTest, FailureWithoutMessageGetsTheIncludeMessage) {
  WriteProgram("fail silently");
  EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgErrorInIncludeFile));
  EXPECT_EQ(parser.errorLine, 3);
}

TEST_F(SourceLoadingTest, FailureInANestedIncludeNamesTheLastIncludeLine) {
  folder.Write("main.qma", Lines({"#include a.qma", "#include b.qma", "print 1"}));
  folder.Write("a.qma", Lines({"#include c.qma"}));
  folder.Write("b.qma", Lines({"function fb", "endfunction"}));
  folder.Write("c.qma", Lines({"function fc", "fail", "endfunction"}));
  EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
  EXPECT_EQ(parser.errorLine, 2);  // c.qma has no record of its own
  EXPECT_EQ(parser.errorText, "boom " + CompilerMessage(kMsgWordIn) + " fail");
}

// A file that cannot be read, named by "#include" in the main program or in an included file:
// a compile error naming the file, on the main program's "#include" line.
TEST_F(SourceLoadingTest, AnIncludeThatCannotBeReadIsACompileErrorNamingTheFile) {
  folder.Write("inc.qma", Lines({"#include nested.qma"}));
  std::filesystem::create_directory(folder.Path() / "folder.qma");
  struct Case {
    std::vector<std::string> main;
    std::string text;
    int32_t line;
  };
  const std::string cannotOpen = CompilerMessage(kMsgCannotOpenFile);
  const Case cases[] = {
      {{"print 1", "#include nothere.qma", "print 2"}, cannotOpen + " nothere.qma", 2},
      {{"#include \"folder.qma\""}, cannotOpen + " folder.qma (not a regular file)", 1},
      {{"print 1", "#include /proc/self/mem"}, cannotOpen + " /proc/self/mem (Input/output error)", 2},
      {{"print 1", "print 2", "#include inc.qma"}, cannotOpen + " nested.qma", 3},
  };
  for (const Case& c : cases) {
    folder.Write("main.qma", Lines(c.main));
    parser.Open();
    EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
    EXPECT_EQ(parser.errorText, c.text);
    EXPECT_EQ(parser.errorLine, c.line) << c.text;
  }
}

TEST_F(SourceLoadingTest, AByteOrderMarkAtTheStartOfAFileIsSkipped) {
  folder.Write("main.qma", "\xEF\xBB\xBFprint 1\r\n#include inc.qma\r\n");
  folder.Write("inc.qma", "\xEF\xBB\xBF" + Lines({"function f", "endfunction"}));
  ASSERT_TRUE(parser.CreateProgramFromFile("main.qma")) << parser.errorText;
  ASSERT_GE(statements.size(), 4u);
  EXPECT_EQ(statements[0], (RecordedStatement{1, "print 1"}));
  EXPECT_EQ(statements[3], (RecordedStatement{5, "function f"}));  // after line 3 (zero) and "end"
}

// The compiler grows its program block up to the loader's limit and no further.
TEST_F(SourceLoadingTest, AProgramBeyondTheWordLimitIsRefusedWithItsOwnMessage) {
  std::vector<std::string> lines(100, "words 1000");
  folder.Write("p.qma", Lines(lines));
  parser.programWordLimit = 131072;
  ASSERT_TRUE(parser.CreateProgramFromFile("p.qma")) << parser.errorText;  // block doubled
  lines.resize(200, "words 1000");
  folder.Write("p.qma", Lines(lines));
  parser.Open();
  EXPECT_FALSE(parser.CreateProgramFromFile("p.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgProgramTooLarge));
  EXPECT_EQ(parser.errorLine, 131);  // the line whose words come within the margin of 131,072
}

struct LineLimitCase {
  std::string program;
  int32_t message;  // 0: compiles
  int32_t line;
};

TEST_F(SourceLoadingTest, LineLengthLimitsCountTheCarriedLineFeed) {
  const LineLimitCase cases[] = {
      {Repeat('a', 254) + "\r\n", 0, 0},
      {Repeat('a', 255) + "\r\n", kMsgLineTooLong, 1},
      {Repeat('a', 256) + "\r\n", kMsgLineTooLongInMerge, 1},
      {"print 1\r\n" + Repeat('a', 253) + "\r\n", 0, 0},
      {"print 1\r\n" + Repeat('a', 254) + "\r\n", kMsgLineTooLong, 2},
      {"print 1\r\n" + Repeat('a', 255) + "\r\n", kMsgLineTooLongInMerge, 2},
  };
  for (const LineLimitCase& c : cases) {
    folder.Write("p.qma", c.program);
    parser.Open();
    const bool compiled = parser.CreateProgramFromFile("p.qma");
    if (c.message == 0) {
      EXPECT_TRUE(compiled) << c.program.size() << ": " << parser.errorText;
    } else {
      EXPECT_FALSE(compiled);
      EXPECT_EQ(parser.errorText, CompilerMessage(c.message)) << c.program.size();
      EXPECT_EQ(parser.errorLine, c.line) << c.program.size();
    }
  }
}

TEST_F(SourceLoadingTest, LongLineInAnIncludedFileIsRefusedWhileMerging) {
  folder.Write("main.qma", Lines({"#include long.qma"}));
  folder.Write("long.qma", Lines({"function f", Repeat('a', 300), "endfunction"}));
  EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgLineTooLongInMerge));
  EXPECT_EQ(parser.errorLine, 5);  // main 1, zero 2, end 3, function 4 (joined to end's LF)
  EXPECT_TRUE(statements.empty());
}

TEST_F(SourceLoadingTest, UnreadableSourceFileFailsWithAMessage) {
  EXPECT_FALSE(parser.CreateProgramFromFile("missing.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgCannotOpenFile) + " missing.qma");
  EXPECT_EQ(parser.errorLine, 0);
  std::filesystem::create_directory(folder.Path() / "folder.qma");
  EXPECT_FALSE(parser.CreateProgramFromFile("folder.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgCannotOpenFile) + " folder.qma (not a regular file)");
  // A read that fails is a compile error too, never an exception.
  EXPECT_FALSE(parser.CreateProgramFromFile("/proc/self/mem"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgCannotOpenFile) + " /proc/self/mem (Input/output error)");
}

TEST_F(SourceLoadingTest, MainProgramNamesAtMost255IncludeFiles) {
  std::vector<std::string> lines;
  for (int i = 0; i < 256; ++i) {
    lines.push_back("#include empty" + std::to_string(i) + ".qma");
    folder.Write("empty" + std::to_string(i) + ".qma", "");
  }
  folder.Write("main.qma", Lines(lines));
  EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgTooManyIncludeFiles));
  EXPECT_EQ(parser.errorLine, 256);
}

TEST_F(SourceLoadingTest, NestedIncludesCannotOverflowTheNameList) {
  std::vector<std::string> lines;
  for (int i = 0; i < 250; ++i) {
    lines.push_back("#include empty" + std::to_string(i) + ".qma");
    folder.Write("empty" + std::to_string(i) + ".qma", "");
  }
  lines.push_back("#include deep.qma");
  folder.Write("main.qma", Lines(lines));
  std::vector<std::string> nested;
  for (int i = 0; i < 10; ++i) {
    nested.push_back("#include nested" + std::to_string(i) + ".qma");
    folder.Write("nested" + std::to_string(i) + ".qma", "");
  }
  folder.Write("deep.qma", Lines(nested));
  EXPECT_FALSE(parser.CreateProgramFromFile("main.qma"));
  EXPECT_EQ(parser.errorText, CompilerMessage(kMsgTooManyIncludeFiles));
  EXPECT_EQ(parser.errorLine, 251);  // the "#include" of the file that names too many
}

// The same programs written with LF alone and with CR LF compile alike: the same statements on
// the same lines, the same words and the same errors.
TEST_F(SourceLoadingTest, LineFeedFilesCompileLikeCarriageReturnFiles) {
  struct Program {
    std::vector<std::string> main;
    std::vector<std::string> include;
  };
  const Program programs[] = {
      {{"print 1", "", "#include inc.qma", "print a+2"}, {"function f", "print 3", "endfunction"}},
      {{"print 1", "#include inc.qma"}, {"function f", "fail", "endfunction"}},
      {{"print 1", Repeat('b', 253)}, {}},
      {{"", "", "print 5"}, {}},
  };
  for (const Program& program : programs) {
    struct Outcome {
      bool compiled;
      std::string errorText;
      int32_t errorLine;
      std::vector<RecordedStatement> statements;
      std::vector<int32_t> words;
      std::vector<int32_t> lines;
    };
    std::vector<Outcome> outcomes;
    for (const std::string end : {"\r\n", "\n"}) {
      folder.Write("main.qma", Lines(program.main, end));
      folder.Write("inc.qma", Lines(program.include, end));
      ParserWithStandIn fresh;
      Outcome outcome;
      outcome.compiled = fresh.parser.CreateProgramFromFile("main.qma");
      outcome.errorText = fresh.parser.errorText;
      outcome.errorLine = fresh.parser.errorLine;
      outcome.statements = fresh.passes->statements;
      outcome.words = testing::ProgramWordRange(fresh.parser, 0, fresh.parser.WordCount());
      outcome.lines = testing::LineWordRange(fresh.parser, 0, fresh.parser.WordCount());
      outcomes.push_back(outcome);
    }
    EXPECT_EQ(outcomes[0].compiled, outcomes[1].compiled);
    EXPECT_EQ(outcomes[0].errorText, outcomes[1].errorText);
    EXPECT_EQ(outcomes[0].errorLine, outcomes[1].errorLine);
    EXPECT_EQ(outcomes[0].statements, outcomes[1].statements);
    EXPECT_EQ(outcomes[0].words, outcomes[1].words);
    EXPECT_EQ(outcomes[0].lines, outcomes[1].lines);
    EXPECT_FALSE(outcomes[0].statements.empty());
  }
}

}  // namespace
}  // namespace qm
