// Fused command pairs: each behaves exactly as its two commands dispatched one by one, including
// an error raised by the first half, a jump that lands on the second half and the SYNC ON slice
// check falling between the halves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "foundation_program.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "resources/command_ids.h"
#include "runtime/diagnostics.h"
#include "runtime/settings.h"

namespace qm::test {
namespace {

// What a run leaves behind that a fused pair could change.
struct Outcome {
  std::vector<int32_t> bits;  // the watched cells' 32 bits
  int32_t programCounter = 0;
  int32_t errorCode = 0;
  int32_t errorCommandWord = -1;
  uint32_t commandCounter = 0;

  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  out << "cells";
  for (int32_t bits : outcome.bits) out << ' ' << bits;
  return out << ", pc " << outcome.programCounter << ", error " << outcome.errorCode << " at "
             << outcome.errorCommandWord << ", counter " << outcome.commandCounter;
}

// A program and the cells whose values tell what it did.
struct FusionCase {
  std::string name;
  std::function<std::vector<int32_t>(ImageBuilder&)> build;  // returns the watched operands
  int32_t fusedWord = 0;                                     // the first word of a pair that must be fused
};

class CommandFusionTest : public FoundationProgramTest {
 protected:
  // Loads the program and runs it until it stops, through the fused table or the plain one.
  Outcome RunWith(const FusionCase& c, bool fused) {
    ImageBuilder program;
    const std::vector<int32_t> watched = c.build(program);
    if (program.ProgramEndCounters().programWrite == 0) program.EndProgram();
    EXPECT_TRUE(CreateQuillmoorBlocksFromParser(program));
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    if (fused) {
      EXPECT_NE(Interpreter.decoded[c.fusedWord].run, Interpreter.plainHandlers[c.fusedWord])
          << "no fused handler at word " << c.fusedWord;
    } else {
      DecodeCommandsPlainly();
    }
    Outcome outcome;
    outcome.errorCode = Resume();
    outcome.programCounter = ProgramCounter;
    outcome.errorCommandWord = RuntimeErrors.errorCommandWord;
    outcome.commandCounter = CommandCounter;
    for (int32_t operand : watched) outcome.bits.push_back(Cell(operand).i);
    RunSubsystemSteps(&Subsystem::runEnd);
    RunSubsystemSteps(&Subsystem::freeRunData);
    FreeProgramImage();
    return outcome;
  }
};

using B = ImageBuilder;

const FusionCase kCases[] = {
    {"IntegerOperationThenAssignment",
     [](B& b) {
       const int32_t x = b.IntVariable();
       b.Command(kOpAddLLL, {B::IntTemp(0), b.IntLiteral(2147483647), b.IntLiteral(3)});
       b.Command(kOpAssignLL, {x, B::IntTemp(0)});
       return std::vector<int32_t>{x, B::IntTemp(0)};
     }},
    {"FloatOperationThenAssignment",
     [](B& b) {
       const int32_t x = b.FloatVariable(), i = b.IntVariable();
       b.Command(kOpAssignLL, {i, b.IntLiteral(7)});
       b.Command(kOpDivFLF, {B::FloatTemp(0), i, b.FloatLiteral(8.0f)});
       b.Command(kOpAssignFF, {x, B::FloatTemp(0)});
       return std::vector<int32_t>{x, B::FloatTemp(0)};
     },
     3},
    {"FalseComparisonThenIfJumps",
     [](B& b) {
       const int32_t x = b.IntVariable();
       b.Command(kOpGreaterLLL, {B::IntTemp(0), b.IntLiteral(1), b.IntLiteral(2)});
       const int32_t test = b.Command(kCmdIf, {B::IntTemp(0), 0});
       b.Command(kOpAssignLL, {x, b.IntLiteral(5)});
       b.Patch(test + 2, B::WordAddress(b.Here()));
       return std::vector<int32_t>{x, B::IntTemp(0)};
     }},
    {"TrueMixedComparisonThenWhileGoesOn",
     [](B& b) {
       const int32_t x = b.IntVariable();
       b.Command(kOpLessLFL, {B::IntTemp(0), b.FloatLiteral(1.5f), b.IntLiteral(2)});
       const int32_t test = b.Command(kCmdWhile, {B::IntTemp(0), 0});
       b.Command(kOpAssignLL, {x, b.IntLiteral(5)});
       b.Patch(test + 2, B::WordAddress(b.Here()));
       return std::vector<int32_t>{x, B::IntTemp(0)};
     }},
    {"AndOfComparisonsThenUntil",
     [](B& b) {
       const int32_t x = b.IntVariable();
       b.Command(kOpAndLLL, {B::IntTemp(0), b.IntLiteral(1), b.IntLiteral(0)});
       const int32_t test = b.Command(kCmdUntil, {B::IntTemp(0), 0});
       b.Command(kOpAssignLL, {x, b.IntLiteral(5)});
       b.Patch(test + 2, B::WordAddress(b.Here()));
       return std::vector<int32_t>{x, B::IntTemp(0)};
     }},
    {"NextThenForRunsTheLoop",
     [](B& b) {
       const int32_t i = b.IntVariable(), sum = b.IntVariable();
       const int32_t forWord =
           EmitFor(b, i, b.IntLiteral(1), b.IntLiteral(10), b.IntLiteral(3), B::IntTemp(0));
       b.Command(kOpAddLLL, {B::IntTemp(0), sum, i});
       b.Command(kOpAssignLL, {sum, B::IntTemp(0)});
       EmitNext(b, i, forWord);
       return std::vector<int32_t>{i, sum};
     },
     19},
    {"WarningOfTheFirstHalfStopsBeforeTheSecond",
     [](B& b) {
       const int32_t x = b.IntVariable();
       b.Command(kOpAssignLL, {x, b.IntLiteral(9)});
       b.Command(kOpDivLLL, {B::IntTemp(0), b.IntLiteral(1), b.IntLiteral(0)});
       b.Command(kOpAssignLL, {x, B::IntTemp(0)});
       return std::vector<int32_t>{x, B::IntTemp(0)};
     },
     3},
    {"AJumpOntoTheSecondHalfRunsItAlone",
     [](B& b) {
       const int32_t x = b.IntVariable();
       b.Command(kOpAssignLL, {B::IntTemp(0), b.IntLiteral(4)});
       b.Command(kOpAssignLL, {B::IntTemp(1), b.IntLiteral(0)});
       const int32_t test = b.Command(kCmdIf, {B::IntTemp(1), 0});  // jumps onto the assignment
       b.Command(kOpAddLLL, {B::IntTemp(0), b.IntLiteral(100), b.IntLiteral(1)});  // word 9
       b.Patch(test + 2, B::WordAddress(b.Here()));
       b.Command(kOpAssignLL, {x, B::IntTemp(0)});
       return std::vector<int32_t>{x, B::IntTemp(0)};
     },
     9},
};

TEST_F(CommandFusionTest, EachFusedPairBehavesAsItsTwoCommands) {
  for (const FusionCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const Outcome fused = RunWith(c, true);
    const Outcome plain = RunWith(c, false);
    EXPECT_EQ(fused, plain);
  }
}

TEST_F(CommandFusionTest, FusedPairsGiveTheResultsOfTheirCommands) {
  // The pairs' values themselves, so that the table above compares against something right.
  EXPECT_EQ(RunWith(kCases[0], true).bits, (std::vector<int32_t>{-2147483646, -2147483646}));
  EXPECT_EQ(RunWith(kCases[2], true).bits, (std::vector<int32_t>{0, 0}));
  EXPECT_EQ(RunWith(kCases[3], true).bits, (std::vector<int32_t>{5, 1}));
  EXPECT_EQ(RunWith(kCases[5], true).bits, (std::vector<int32_t>{13, 1 + 4 + 7 + 10}));
  const Outcome warned = RunWith(kCases[6], true);
  EXPECT_EQ(warned.errorCode, 111);
  EXPECT_EQ(warned.errorCommandWord, 3);
  EXPECT_EQ(warned.programCounter, 7) << "the slice ends before the assignment";
  EXPECT_EQ(warned.bits, (std::vector<int32_t>{9, 0}));
  EXPECT_EQ(RunWith(kCases[7], true).bits, (std::vector<int32_t>{4, 4}));
}

TEST_F(CommandFusionTest, ASyncOnCheckDueBetweenTheHalvesEndsTheSliceBetweenThem) {
  // x = x + 1 twice, then GOTO the start: five commands a pass, so the 201st command is the first
  // half of a pair, and the slice ends with the ProgramCounter on the second half.
  ImageBuilder program;
  const int32_t x = program.IntVariable();
  const int32_t one = program.IntLiteral(1);
  program.Command(kOpAddLLL, {B::IntTemp(0), x, one});
  program.Command(kOpAssignLL, {x, B::IntTemp(0)});
  program.Command(kOpAddLLL, {B::IntTemp(0), x, one});
  program.Command(kOpAssignLL, {x, B::IntTemp(0)});
  program.Command(kCmdGoto, {B::WordAddress(0)});
  program.EndProgram();
  for (const bool fused : {true, false}) {
    SCOPED_TRACE(fused ? "fused" : "plain");
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(program));
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    if (!fused) DecodeCommandsPlainly();
    ASSERT_NE(Interpreter.decoded[0].run == Interpreter.plainHandlers[0], fused);
    DisplayReadyFlag = 1;
    SyncOffSetting = 0;
    StopFlag = 0;
    platform::headless::SetKeyHeld(platform::kVkF11, true);
    ExecuteSlice();
    platform::headless::SetKeyHeld(platform::kVkF11, false);
    EXPECT_EQ(ProgramCounter, 4) << "after the first half of a pair";
    EXPECT_EQ(Int(x), 80);
    EXPECT_EQ(Int(B::IntTemp(0)), 81);
    EXPECT_EQ(CommandCounter, 0u);
    RunSubsystemSteps(&Subsystem::runEnd);
    RunSubsystemSteps(&Subsystem::freeRunData);
    FreeProgramImage();
  }
}

TEST_F(CommandFusionTest, DebugModeTracesBothCommandsOfAPair) {
  char pattern[] = "/tmp/qm-fusion-trace-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path folder = pattern;
  gSettings.programFolder = folder.string() + "/";
  gSettings.debugModeFlag = true;
  ImageBuilder program;
  const int32_t x = program.IntVariable();
  program.Command(kOpAddLLL, {B::IntTemp(0), program.IntLiteral(1), program.IntLiteral(2)});
  program.Command(kOpAssignLL, {x, B::IntTemp(0)});
  EXPECT_EQ(Run(program), 0);
  EXPECT_EQ(Int(x), 3);
  FlushDiagnosticsLog();
  std::stringstream log;
  log << std::ifstream(folder / "QM.LOG").rdbuf();
  for (const char* entry : {"PC0=81", "PC4=151"}) {
    EXPECT_NE(log.str().find(entry), std::string::npos) << entry << "\n" << log.str();
  }
  gSettings = Settings{};
  DeleteDiagnosticsLog();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qm::test
