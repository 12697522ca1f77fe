// Symbol tables: variable numbers by type and scope, temporary windows, labels with their
// references, DIM declarations and user functions, and the limits of each table.
#include "compiler/symbol_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/parser.h"

namespace qm {
namespace {

class SymbolTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parser.Open();
    parser.ResetCompileCounters();
  }
  OperandNumber Variable(const std::string& name, bool isArray = false) {
    parser.arrayLookupFlag = isArray;
    OperandNumber number = -1;
    char type = 0;
    return parser.CompileVariableName(name, number, type) ? number : -1;
  }
  Parser parser;
};

TEST(OperandNumbersTest, TypeFollowsTheNumberRange) {
  const std::pair<OperandNumber, char> cases[] = {
      {10000, 'l'}, {10999, 'l'}, {11000, 'f'}, {12999, 's'}, {13000, 'l'}, {14999, 'l'},
      {15000, 'f'}, {17000, 's'}, {18999, 's'}, {19000, 'l'}, {20999, 'l'}, {21000, 'f'},
      {23000, 's'}, {24999, 's'}, {9999, 0},    {25000, 0},   {35000, 0},   {37005, 0},
  };
  for (const auto& [number, type] : cases) EXPECT_EQ(OperandTypeFromNumber(number), type) << number;
}

TEST(OperandNumbersTest, VariableNamesAndTheirTypes) {
  const std::pair<const char*, char> cases[] = {
      {"a", 'l'}, {"a#", 'f'}, {"a$", 's'}, {"a#$", 'f'}, {"a_1$", 's'}, {"1e5", 'l'},
      {"a.b", 0}, {"", 0},     {"a b", 0},  {"a(1)", 0},  {"A", 0},
  };
  for (const auto& [name, type] : cases) {
    EXPECT_EQ(IsVariableNameText(name), type != 0) << name;
    if (type != 0) {
      EXPECT_EQ(VariableTypeOfName(name), type) << name;
    }
  }
}

TEST_F(SymbolTablesTest, EachTypeHasItsOwnRange) {
  EXPECT_EQ(Variable("a"), 13000);
  EXPECT_EQ(Variable("a#"), 15000);
  EXPECT_EQ(Variable("a$"), 17000);
  EXPECT_EQ(Variable("b"), 13001);
  EXPECT_EQ(Variable("a"), 13000);
  EXPECT_EQ(Variable("a#$"), 15001);
  EXPECT_EQ(parser.VariableCount('l'), 2);
  EXPECT_EQ(parser.Variable('f', 1).name, "a#$");
}

TEST_F(SymbolTablesTest, VariableTablesHold1999EntriesEach) {
  struct Case {
    const char* marker;
    OperandNumber last;
    int32_t message;
  };
  for (const Case& c :
       {Case{"", 14998, kMsgTooManyIntegerVariables}, Case{"#", 16998, kMsgTooManyFloatVariables},
        Case{"$", 18998, kMsgTooManyStringVariables}}) {
    OperandNumber number = 0;
    for (int i = 0; i < 1999; ++i) number = Variable("v" + std::to_string(i) + c.marker);
    EXPECT_EQ(number, c.last);
    EXPECT_EQ(Variable(std::string("extra") + c.marker), -1);
    EXPECT_EQ(parser.errorMessage, CompilerMessage(c.message));
    EXPECT_EQ(Variable(std::string("v5") + c.marker), c.last - 1998 + 5);  // old ones still found
  }
}

TEST_F(SymbolTablesTest, PlainVariablesBelongToOneScopeArraysAlsoToTheMainProgram) {
  const OperandNumber mainA = Variable("a");
  const OperandNumber mainArray = Variable("grid", true);
  parser.currentScope = 2;
  const OperandNumber functionA = Variable("a");
  EXPECT_NE(functionA, mainA);
  EXPECT_EQ(Variable("grid", true), mainArray);  // the main program's array
  EXPECT_NE(Variable("grid"), mainArray);        // a plain variable of the same name
  EXPECT_EQ(Variable("local", true), 13004);
  parser.currentScope = 0;
  EXPECT_EQ(Variable("a"), mainA);
  EXPECT_EQ(parser.VariableScope(ValueType::Integer, 2), 2);
  EXPECT_FALSE(parser.arrayLookupFlag);
}

// Names of any length up to a line's, in several scopes: each name and scope keeps its number.
TEST_F(SymbolTablesTest, LongNamesAreFoundAgainInTheirScope) {
  const std::string names[] = {std::string(47, 'x'), std::string(48, 'x'), std::string(49, 'x'),
                               std::string(200, 'x'), std::string(200, 'x') + "y"};
  std::vector<OperandNumber> numbers[2];
  for (int scope = 0; scope < 2; ++scope) {
    parser.currentScope = scope * 1000;
    for (const std::string& name : names) numbers[scope].push_back(Variable(name));
  }
  for (int scope = 0; scope < 2; ++scope) {
    parser.currentScope = scope * 1000;
    for (std::size_t k = 0; k < std::size(names); ++k) {
      EXPECT_EQ(Variable(names[k]), numbers[scope][k]) << names[k].size() << " in scope " << scope;
      for (std::size_t other = 0; other < k; ++other) EXPECT_NE(numbers[scope][other], numbers[scope][k]);
    }
  }
  EXPECT_EQ(parser.VariableCount(kTypeInteger), 10);
}

TEST_F(SymbolTablesTest, CheckOnlyAndThePrescanCreateNothing) {
  OperandNumber number = -1;
  char type = 0;
  ASSERT_TRUE(parser.CompileVariableName("x#", number, type, true));
  EXPECT_EQ(type, 'f');
  parser.emissionSuppressed = true;
  ASSERT_TRUE(parser.CompileVariableName("y$", number, type));
  EXPECT_EQ(type, 's');
  EXPECT_EQ(parser.VariableCount('f') + parser.VariableCount('s'), 0);
}

TEST_F(SymbolTablesTest, EachScopeHasItsTemporaryWindow) {
  const std::pair<ScopeNumber, OperandNumber> cases[] = {{0, 10000},  {1, 10050},  {3, 10150},
                                                         {18, 10900}, {19, 10950}, {25, 10950}};
  for (const auto& [scope, first] : cases) {
    parser.currentScope = scope;
    parser.ResetTemporaries();
    OperandPair slot;
    EXPECT_EQ(parser.AllocateTemporary(slot, 'l'), first) << scope;
    EXPECT_EQ(parser.AllocateTemporary(slot, 'f'), first + 1000) << scope;
    EXPECT_EQ(parser.AllocateTemporary(slot, 's'), first + 2000) << scope;
    EXPECT_EQ(parser.AllocateTemporary(slot, 'z'), first + 1) << scope;  // any type: integer
    EXPECT_EQ(slot.type, 'l');
  }
}

TEST_F(SymbolTablesTest, AStatementCannotTakeMoreTemporariesThanItsWindow) {
  for (const auto& [scope, size] : {std::pair{0, 1000}, std::pair{2, 50}, std::pair{30, 50}}) {
    parser.currentScope = scope;
    parser.ResetTemporaries();
    OperandPair slot;
    OperandNumber last = 0;
    for (int i = 0; i < size; ++i) last = parser.AllocateTemporary(slot, 's');
    EXPECT_EQ(last, 12000 + TemporaryWindowOffset(scope) + size - 1);
    parser.errorMessage.clear();
    EXPECT_EQ(parser.AllocateTemporary(slot, 's'), -1) << scope;
    EXPECT_EQ(slot.type, 'x');
    EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyTemporaries));
    EXPECT_GE(parser.AllocateTemporary(slot, 'l'), 10000);  // other types still have room
  }
}

TEST_F(SymbolTablesTest, LabelsAreLocalToTheirScopeUnlessGlobal) {
  EXPECT_EQ(parser.FindOrAddLabel("top", LabelKind::Data, false, false), 35000);
  parser.currentScope = 2;
  EXPECT_EQ(parser.FindOrAddLabel("top", LabelKind::Code, true, false), 35001);  // its own
  EXPECT_EQ(parser.labelReferenceTable[1].scope, 2);
  // A function's name: the call refers to it globally, the header defines it globally.
  EXPECT_EQ(parser.FindOrAddLabel("fn", LabelKind::Code, true, true), 35002);
  EXPECT_EQ(parser.labelReferenceTable[2].scope, kGlobalScope);
  parser.currentScope = 0;
  EXPECT_EQ(parser.FindOrAddLabel("fn", LabelKind::Data, false, true), 35002);
  EXPECT_EQ(parser.FindOrAddLabel("fn", LabelKind::Data, false, true), -2);
  EXPECT_EQ(parser.FindOrAddLabel("top", LabelKind::Data, false, false), -2);
  parser.currentScope = 4;
  EXPECT_EQ(parser.FindOrAddLabel("top", LabelKind::Data, false, false), 35003);
  EXPECT_EQ(parser.LabelEntryCount(), 4);
}

TEST_F(SymbolTablesTest, EachReferenceKeepsItsWordAndItsOwnKind) {
  for (int i = 0; i < 3; ++i) parser.EmitWord(1);
  ASSERT_EQ(parser.FindOrAddLabel("spot", LabelKind::Code, true, false), 35000);
  for (int i = 0; i < 2; ++i) parser.EmitWord(1);
  ASSERT_EQ(parser.FindOrAddLabel("spot", LabelKind::Data, true, false), 35000);
  const LabelReferenceEntry& entry = parser.labelReferenceTable[0];
  ASSERT_EQ(parser.LabelReferenceCount(0), 2);
  EXPECT_EQ(entry.references[0].wordIndex, 4);  // the word after the command id
  EXPECT_EQ(entry.references[0].kind, LabelKind::Code);
  EXPECT_EQ(entry.references[1].wordIndex, 6);
  EXPECT_EQ(entry.references[1].kind, LabelKind::Data);
  EXPECT_EQ(entry.dataPosition, -1);
  EXPECT_EQ(entry.line, 1);
}

TEST_F(SymbolTablesTest, ADefinitionRecordsTheDataPosition) {
  ASSERT_TRUE(parser.AddDataItem("1"));
  ASSERT_TRUE(parser.AddDataItem("2"));
  parser.FindOrAddLabel("later", LabelKind::Data, true, false);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(parser.AddDataItem("3"));
  EXPECT_EQ(parser.FindOrAddLabel("later", LabelKind::Data, false, false), 35000);
  EXPECT_EQ(parser.labelReferenceTable[0].dataPosition, 6);
}

TEST_F(SymbolTablesTest, TheLabelTableHolds1999Labels) {
  OperandNumber number = 0;
  for (int i = 0; i < 1999; ++i) {
    number = parser.FindOrAddLabel("l" + std::to_string(i), LabelKind::Code, true, false);
  }
  EXPECT_EQ(number, 36998);
  EXPECT_EQ(parser.FindOrAddLabel("one_more", LabelKind::Code, true, false), -1);
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyLabels));
  EXPECT_EQ(parser.LabelEntryCount(), 1999);
}

TEST_F(SymbolTablesTest, FixedTablesRefuseWhenFull) {
  for (int i = 0; i < kMaxDimEntries; ++i) ASSERT_TRUE(parser.AddDimEntry("a" + std::to_string(i), 0));
  EXPECT_FALSE(parser.AddDimEntry("z", 0));
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgBadDim));
  EXPECT_EQ(parser.DimEntryCount(), kMaxDimEntries);

  for (int i = 0; i < kMaxLabelDefinitions; ++i) ASSERT_TRUE(parser.AddLabelDefinition("d", 0, i));
  EXPECT_FALSE(parser.AddLabelDefinition("d", 0, 0));
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyLabels));

  OperandList list;
  for (int i = 0; i < OperandList::kCapacity; ++i) ASSERT_TRUE(list.Append('l', 19000 + i));
  EXPECT_FALSE(list.Append('l', 1));
  EXPECT_EQ(list.AppendSlot(), nullptr);
  EXPECT_FALSE(parser.AppendOperand(list, 'l', 1));
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyParameters));
  EXPECT_EQ(list.Size(), OperandList::kCapacity);

  BlockRecord loop;
  for (int i = 0; i < kMaxExitJumpsPerLoop; ++i) ASSERT_TRUE(loop.AddExitJump(i));
  EXPECT_FALSE(loop.AddExitJump(99));
}

TEST_F(SymbolTablesTest, UserFunctionsAreRegisteredOnceUpTo1023) {
  EXPECT_EQ(parser.RegisterUserFunction("add", "lf"), 0);
  EXPECT_EQ(parser.RegisterUserFunction("add", "s"), 0);  // the first entry stays
  EXPECT_EQ(parser.userFunctionTable[0].parameterLetters, "lf");
  EXPECT_EQ(parser.FindUserFunction("add"), 0);
  EXPECT_EQ(parser.FindUserFunction("ADD"), -1);
  for (int i = 1; i < 1023; ++i) {
    ASSERT_EQ(parser.RegisterUserFunction("f" + std::to_string(i), ""), i);
  }
  EXPECT_EQ(parser.RegisterUserFunction("too_many", ""), -1);
  EXPECT_EQ(parser.errorMessage, CompilerMessage(kMsgTooManyFunctions));
  EXPECT_EQ(parser.UserFunctionCount(), 1023);
}

}  // namespace
}  // namespace qm
