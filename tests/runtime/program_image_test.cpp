// The program-image loader: what a compiled program and a command-line piece become.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core_fixture.h"
#include "image_builder.h"
#include "runtime/value_text.h"

namespace qm::test {
namespace {

using ProgramImageTest = CoreTest;

ValueCell& Cell(int32_t operandNumber) { return ProgramImage.dataBlock[CellIndexOf(operandNumber)]; }

// What an operand word resolves to when a handler reads it.
enum class Reads { Plain, Cell, DataIndex, WordIndex };

struct RelocationCase {
  int32_t word;
  Reads reads;
  int32_t expected;  // the plain word, cell index, DATA index or word index
};

TEST_F(ProgramImageTest, OperandWordsResolveByTheirRange) {
  const RelocationCase cases[] = {
      {9999, Reads::Plain, 9999},      {35000, Reads::Plain, 35000}, {36999, Reads::Plain, 36999},
      {10000, Reads::Cell, 0},         {24999, Reads::Cell, 14999},  {25000, Reads::DataIndex, 0},
      {34999, Reads::DataIndex, 9999}, {37000, Reads::WordIndex, 0}, {37000 + 5, Reads::WordIndex, 5},
  };
  ImageBuilder builder;
  builder.Emit(0);  // each case is read as the operand of the word before it
  for (const RelocationCase& c : cases) builder.Emit(c.word);
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));

  int32_t at = 1;
  for (const RelocationCase& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(ProgramImage.programBlock[at], c.word) << "words keep their compiled value";
    Operands in(Interpreter.decoded + at - 1);
    CellKind kind;
    switch (c.reads) {
      case Reads::Plain:
        EXPECT_EQ(in.Plain(), c.expected);
        break;
      case Reads::Cell:
        EXPECT_EQ(&in.Any(kind), &ProgramImage.dataBlock[c.expected]);
        break;
      case Reads::DataIndex:
        EXPECT_EQ(in.DataIndex(), c.expected);
        break;
      case Reads::WordIndex:
        EXPECT_EQ(in.Jump(), Interpreter.decoded + c.expected);
        break;
    }
    EXPECT_EQ(in.Next(), Interpreter.decoded + at + 1);
    ++at;
  }
  EXPECT_EQ(PendingErrorCode, 0);
}

TEST_F(ProgramImageTest, LiteralsVariablesAndDataAreCopiedIntoTheirCells) {
  ImageBuilder builder;
  const int32_t seven = builder.IntLiteral(7);
  const int32_t half = builder.FloatLiteral(0.5f);
  const int32_t hello = builder.StringLiteral("hello");
  const int32_t name = builder.StringVariable();
  const int32_t count = builder.IntVariable();
  builder.DataInt(-3);
  builder.DataFloat(2.5f);
  const int32_t dataText = builder.DataString("data text");
  builder.Command(100, {count, seven});
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));

  EXPECT_EQ(Cell(seven).i, 7);
  EXPECT_EQ(Cell(half).f, 0.5f);
  EXPECT_STREQ(Cell(hello).s, "hello");
  EXPECT_NE(Cell(hello).s, builder.LiteralValue(hello).s) << "the image owns a copy";
  ASSERT_NE(Cell(name).s, nullptr);
  EXPECT_STREQ(Cell(name).s, "");
  EXPECT_EQ(Cell(count).i, 0);

  EXPECT_EQ(ProgramImage.dataCount, 3);
  EXPECT_EQ(std::string(ProgramImage.dataTypeTable, 3), "lfs");
  EXPECT_EQ(ProgramImage.dataTypeTable[3], 0);
  EXPECT_EQ(DataItemCell(0)->i, -3);
  EXPECT_EQ(DataItemCell(1)->f, 2.5f);
  EXPECT_STREQ(DataItemCell(2)->s, "data text");
  EXPECT_NE(DataItemCell(2)->s, builder.LiteralValue(dataText).s);
}

TEST_F(ProgramImageTest, ChangingAStringReadFromDataLeavesTheItem) {
  ImageBuilder builder;
  builder.DataString("kept");
  const int32_t text = builder.StringVariable();
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));

  // What READ does: a copy of the item into the variable, which the program then changes.
  StoreStringResult(Cell(text), DataItemCell(0)->s);
  Cell(text).s[0] = 'X';
  StoreStringResult(Cell(text), "replaced");
  EXPECT_STREQ(DataItemCell(0)->s, "kept");
}

TEST_F(ProgramImageTest, LinesAndScopesOfTheProgramAreCopied) {
  ImageBuilder builder;
  builder.IntVariable(0);
  builder.IntVariable(2);
  builder.FloatVariable(1);
  builder.SetLine(12);
  builder.Command(100, {});
  builder.SetLine(13);
  builder.Command(101, {});
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));

  EXPECT_EQ(SourceLineOfWord(0), 12);
  EXPECT_EQ(SourceLineOfWord(1), 13);
  EXPECT_EQ(ProgramImage.variableCounts[0], 2);
  EXPECT_EQ(ProgramImage.variableCounts[1], 1);
  EXPECT_EQ(ProgramImage.variableCounts[2], 0) << "no string variables: a call counts none";
  EXPECT_EQ(ProgramImage.scopeTables[0][1], 2);
  EXPECT_EQ(ProgramImage.scopeTables[1][0], 1);
}

// A program and then a line typed at the command line, as the compiler leaves them.
class CommandLinePieceTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    counter_ = builder_.IntVariable();
    greeting_ = builder_.StringLiteral("hi");
    builder_.Command(100, {counter_, builder_.IntLiteral(1)});
    builder_.Command(101, {ImageBuilder::WordAddress(0)});
    builder_.EndProgram();
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder_));
    programWords_.assign(ProgramImage.programBlock, ProgramImage.programBlock + 5);
    Cell(counter_).i = 42;  // the program ran for a while
  }

  // Compiles a typed line: a new string variable, a new literal, two words of its own.
  int32_t TypeLine(int32_t literalValue) {
    builder_.BeginCliPiece();
    const int32_t text = builder_.StringVariable(0);
    builder_.Command(102, {text, builder_.IntLiteral(literalValue), counter_});
    builder_.EndCliPiece();
    return text;
  }

  ImageBuilder builder_{64};
  int32_t counter_ = 0, greeting_ = 0;
  std::vector<int32_t> programWords_;
};

TEST_F(CommandLinePieceTest, APieceLeavesTheProgramAndItsValuesAlone) {
  const int32_t text = TypeLine(5);
  ASSERT_TRUE(AppendCliLineToRunner(builder_));

  EXPECT_EQ(std::vector<int32_t>(ProgramImage.programBlock, ProgramImage.programBlock + 5), programWords_);
  EXPECT_EQ(Cell(counter_).i, 42);
  EXPECT_STREQ(Cell(greeting_).s, "hi");
  ASSERT_NE(Cell(text).s, nullptr);
  EXPECT_STREQ(Cell(text).s, "") << "a string variable first used by the line starts empty";
  EXPECT_EQ(PieceStartWord(), 5);
  EXPECT_EQ(ProgramImage.programBlock[5], 102);
  EXPECT_EQ(ProgramImage.scopeTables[2][0], 0);
  EXPECT_EQ(ProgramImage.variableCounts[2], 1) << "variables of typed lines get scope entries";
}

TEST_F(CommandLinePieceTest, ASecondLineTakesThePlaceOfTheFirstAndKeepsItsNumbers) {
  const int32_t firstText = TypeLine(5);
  ASSERT_TRUE(AppendCliLineToRunner(builder_));
  StoreStringResult(Cell(firstText), "typed");
  const int32_t secondText = TypeLine(6);
  ASSERT_TRUE(AppendCliLineToRunner(builder_));

  EXPECT_EQ(PieceStartWord(), 5);
  EXPECT_EQ(ProgramImage.programBlock[6], secondText);
  EXPECT_STREQ(Cell(firstText).s, "typed");
  EXPECT_NE(firstText, secondText);
}

TEST_F(CommandLinePieceTest, APieceBeyondTheCapacityIsRefused) {
  builder_.BeginCliPiece();
  const int32_t literal = builder_.IntLiteral(99);
  while (builder_.Here() < 70) builder_.Emit(103);
  builder_.EndCliPiece();
  builder_.DeclareCapacity(64);

  EXPECT_FALSE(AppendCliLineToRunner(builder_));
  EXPECT_EQ(Cell(literal).i, 0) << "nothing of the piece was copied";
  EXPECT_EQ(ProgramImage.programBlock[5], 0);
}

TEST(ProgramImageSizeTest, TheBlocksHoldTheProgramAndGrowForALongTypedLine) {
  ImageBuilder builder(1 << 16);  // the compiler's capacity is far above the program
  const int32_t x = builder.IntVariable();
  builder.Command(100, {x});
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));
  EXPECT_LT(ProgramImage.programCapacity, 4096) << "sized to the program, not to the capacity";
  EXPECT_EQ(Interpreter.wordCount, static_cast<uint32_t>(ProgramImage.programCapacity));

  builder.BeginCliPiece();
  const int32_t start = builder.Here();
  while (builder.Here() < 6000) builder.Command(100, {x});
  builder.EndCliPiece();
  ASSERT_TRUE(AppendCliLineToRunner(builder));
  EXPECT_GE(ProgramImage.programCapacity, builder.Here());
  EXPECT_EQ(ProgramImage.programBlock[0], 100) << "the program is kept";
  EXPECT_EQ(ProgramImage.programBlock[start + 1], x);
  EXPECT_EQ(ProgramImage.programBlock[builder.Here() - 1], x);
  EXPECT_EQ(Interpreter.decoded[start + 1].cell, &ProgramImage.dataBlock[CellIndexOf(x)]);
  FreeProgramImage();
}

TEST_F(ProgramImageTest, CountersOutsideTheirRangesAreRefused) {
  ImageBuilder builder(16);
  builder.Command(100, {});
  builder.EndProgram();
  const CompileCounters good = builder.ProgramEndCounters();

  struct Case {
    const char* what;
    void (*spoil)(CompileCounters&);
  };
  const Case cases[] = {
      {"program beyond capacity", [](CompileCounters& c) { c.programWrite = 17; }},
      {"too many integer literals", [](CompileCounters& c) { c.nextIntLiteral = 21001; }},
      {"too many DATA items", [](CompileCounters& c) { c.nextData = 35001; }},
      {"string variables below their range", [](CompileCounters& c) { c.nextStringVariable = 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CompileCounters spoilt = good;
    c.spoil(spoilt);
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));
    ProgramImage.transferFromCounters = builder.ProgramStartCounters();
    ProgramImage.transferToCounters = spoilt;
    EXPECT_FALSE(TransferParsedDataToRunner(builder));
  }
}

TEST_F(ProgramImageTest, FreeingTheImageReleasesEveryTextAndBlock) {
  ImageBuilder builder;
  builder.StringLiteral("literal");
  const int32_t variable = builder.StringVariable();
  builder.DataString("item");
  builder.Command(100, {variable});
  builder.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));
  StoreStringResult(Cell(variable), "changed");
  StoreStringResult(Cell(ImageBuilder::StringTemp(3)), "temporary");

  // The sanitizer build checks that nothing leaks.
  FreeProgramImage();
  EXPECT_FALSE(ProgramImageExists());
  EXPECT_EQ(Interpreter.words, nullptr);
  EXPECT_EQ(Interpreter.cells, nullptr);
  EXPECT_EQ(Interpreter.wordCount, 0u);
}

TEST_F(ProgramImageTest, ANewProgramReplacesTheOldImage) {
  ImageBuilder first;
  first.StringLiteral("first");
  first.Command(100, {});
  first.EndProgram();
  ImageBuilder second(32);
  const int32_t literal = second.StringLiteral("second");
  second.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(first));
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(second));
  EXPECT_STREQ(Cell(literal).s, "second");
  EXPECT_EQ(ProgramImage.programBlock[0], 0);
  EXPECT_FALSE(CommandRunsAt(0));
}

}  // namespace
}  // namespace qm::test
