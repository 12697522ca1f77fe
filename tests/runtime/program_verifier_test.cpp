// The program verifier: what it refuses before a program runs, what it lets through, and that
// no word outside the checked commands ever runs. The random-program test is the fuzz check of
// the loader and interpreter together; the sanitizer build runs it under ASan and UBSan.
#include "runtime/program_verifier.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "foundation_program.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "resources/command_ids.h"
#include "runtime/control_flow.h"
#include "test_subsystem.h"

namespace qm::test {
namespace {

using ProgramVerifierTest = FoundationProgramTest;

constexpr int32_t T(int32_t n) { return ImageBuilder::IntTemp(n); }

void DrainMessages() {
  platform::Message message;
  while (platform::PeekMessage(message, true)) {
  }
}

struct RefusalCase {
  const char* what;
  void (*build)(ImageBuilder&);
  int32_t badWord;      // the word index the error names
  const char* because;  // part of the error text
};

const RefusalCase kRefusals[] = {
    {"a string where a number belongs",
     [](ImageBuilder& b) {
       b.Command(kOpAddLLL, {T(0), b.StringLiteral("x"), T(1)});
     },
     0, "names no integer or float cell"},
    {"a number where a text belongs",
     [](ImageBuilder& b) {
       b.Command(kOpAssignLL, {T(0), T(1)});
       b.Command(kOpAddSSS, {ImageBuilder::StringTemp(0), b.IntVariable(), ImageBuilder::StringTemp(1)});
     },
     3, "names no string cell"},
    {"a word that names no cell",
     [](ImageBuilder& b) {
       b.Command(kOpAssignLL, {T(0), 9});
     },
     0, "names no integer or float cell"},
    {"a jump past the program",
     [](ImageBuilder& b) {
       b.Command(kCmdIf, {T(0), ImageBuilder::WordAddress(500)});
     },
     0, "jumps outside the program"},
    {"a jump through a DATA index",
     [](ImageBuilder& b) { b.Command(kCmdGoto, {ImageBuilder::DataOperand(0)}); }, 0,
     "jumps outside the program"},
    {"operands past the end of the program",
     [](ImageBuilder& b) {
       b.Command(kOpAssignLL, {T(0), T(1)});
       b.Command(kOpAddLLL, {T(0), T(1)});  // no word follows
     },
     3, "run past the end"},
    {"RESTORE without a DATA index",
     [](ImageBuilder& b) { b.Command(kCmdRestoreA, {ImageBuilder::WordAddress(0)}); }, 0,
     "names no DATA item"},
    {"a call whose count is a variable",
     [](ImageBuilder& b) {
       b.Command(kCmdFunction, {ImageBuilder::WordAddress(7), T(0), b.IntVariable(), T(1)});
       EmitEnd(b);
       EmitFunctionHeader(b, {b.IntVariable(1)}, 1);  // entry at word 7
       b.Command(kCmdEndfunction);
     },
     0, "no integer literal"},
    {"a call with more arguments than the function takes",
     [](ImageBuilder& b) {
       EmitCall(b, 8, T(0), {T(1), T(2)});
       EmitEnd(b);
       EmitFunctionHeader(b, {b.IntVariable(1)}, 1);  // entry at word 8
       b.Command(kCmdEndfunction);
     },
     0, "does not take 2 arguments"},
    {"a call into the middle of a command",
     [](ImageBuilder& b) {
       b.Command(kOpAddLLL, {T(0), T(1), T(2)});
       EmitCall(b, 1, T(0), {});
     },
     4, "does not take 0 arguments"},
    {"a call's argument that names no cell",
     [](ImageBuilder& b) {
       EmitCall(b, 7, T(0), {ImageBuilder::WordAddress(0)});
       EmitEnd(b);
       EmitFunctionHeader(b, {b.IntVariable(1)}, 1);  // entry at word 7
       b.Command(kCmdEndfunction);
     },
     0, "names no cell"},
};

TEST_F(ProgramVerifierTest, ProgramsWhoseOperandsDoNotFitTheirCommandsAreRefused) {
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.what);
    ImageBuilder b;
    c.build(b);
    b.EndProgram();
    EXPECT_FALSE(CreateQuillmoorBlocksFromParser(b));
    EXPECT_FALSE(ProgramImageExists());
    const std::string& error = ProgramVerificationError();
    EXPECT_EQ(error.rfind("word " + std::to_string(c.badWord) + " ", 0), 0u) << error;
    EXPECT_NE(error.find(c.because), std::string::npos) << error;
  }
}

TEST_F(ProgramVerifierTest, AProgramOfSoundCommandsIsAcceptedWithoutError) {
  // goto main : function f(p) : endfunction 4 : main: r = f(3) : restore label : end
  ImageBuilder b;
  const int32_t param = b.IntVariable(1);
  const int32_t jump = b.Command(kCmdGoto, {0});
  const int32_t entry = EmitFunctionHeader(b, {param}, 1);
  b.Command(kCmdEndfunctionL, {b.IntLiteral(4)});
  b.Patch(jump + 1, ImageBuilder::WordAddress(b.Here()));
  EmitCall(b, entry, T(0), {b.IntLiteral(3)});
  b.Command(kCmdRestoreA, {ImageBuilder::DataOperand(0)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramVerificationError(), "");
  EXPECT_EQ(Int(T(0)), 4);
  EXPECT_EQ(Int(param), 3);
}

TEST_F(ProgramVerifierTest, CodeNoPathReachesIsNotCheckedAndNeverRuns) {
  // goto over : r = "x" + 1 (never reached, unsound) : over: end
  ImageBuilder b;
  const int32_t r = b.IntVariable();
  const int32_t jump = b.Command(kCmdGoto, {0});
  const int32_t dead = b.Command(kOpAddLLL, {r, b.StringLiteral("x"), b.IntLiteral(1)});
  b.Patch(jump + 1, ImageBuilder::WordAddress(b.Here()));
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramCounter, 6);

  // A counter set on the unchecked command stops there, without running it.
  ProgramCounter = dead;
  DrainMessages();
  ExecuteSlice();
  EXPECT_EQ(ProgramCounter, dead);
  EXPECT_EQ(Int(r), 0);
  EXPECT_EQ(PendingErrorCode, 0);
  DrainMessages();
}

TEST_F(ProgramVerifierTest, AJumpOntoAnOperandWordStopsThereWithoutRunningIt) {
  // The jump lands on the add's first operand, a small number that is also the id of IF: it is
  // never dispatched as a command.
  ImageBuilder b;
  const int32_t r = b.IntVariable();
  b.Command(kCmdGoto, {ImageBuilder::WordAddress(3)});
  b.Command(kOpAddLLL, {r, r, b.IntLiteral(1)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramCounter, 3);
  EXPECT_EQ(Int(r), 0);
  EXPECT_EQ(PendingErrorCode, 0);
  DrainMessages();
}

TEST_F(ProgramVerifierTest, ACallWhoseCountCellChangedStaysOnItsCommandWithError10010) {
  ImageBuilder b;
  const int32_t param = b.IntVariable(1);
  const int32_t jump = b.Command(kCmdGoto, {0});
  const int32_t entry = EmitFunctionHeader(b, {param}, 1);
  b.Command(kCmdEndfunction);
  b.Patch(jump + 1, ImageBuilder::WordAddress(b.Here()));
  const int32_t call = b.Here();
  EmitCall(b, entry, T(0), {b.IntLiteral(7)});
  EmitEnd(b);
  b.EndProgram();
  ASSERT_TRUE(CreateQuillmoorBlocksFromParser(b));
  const int32_t countWord = ProgramImage.programBlock[call + 3];
  for (int32_t changed : {2, 0, -1, 33}) {
    SCOPED_TRACE(changed);
    Cell(countWord).i = changed;
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    EXPECT_EQ(Resume(), kErrorSevereException);
    EXPECT_EQ(RuntimeErrors.errorCommandWord, call);
    EXPECT_EQ(ProgramCounter, call);
    EXPECT_EQ(Int(param), 0);
    EXPECT_EQ(ProgramReturnStack.Depth(), 0);
  }
}

// ---- Lines typed at the command line ----

class TypedLineVerifierTest : public FoundationProgramTest {
 protected:
  void SetUp() override {
    FoundationProgramTest::SetUp();
    counter_ = b_.IntVariable();
    // The program: counter = counter + 1, then a function it never calls.
    b_.Command(kOpAddLLL, {counter_, counter_, b_.IntLiteral(1)});
    EmitEnd(b_);
    entry_ = EmitFunctionHeader(b_, {b_.IntVariable(1)}, 1);
    b_.Command(kOpAssignLL, {counter_, b_.IntLiteral(50)});
    b_.Command(kCmdEndfunction);
    ASSERT_EQ(Run(b_), 0);
    ASSERT_EQ(Int(counter_), 1);
  }

  bool Type(void (*line)(ImageBuilder&, int32_t counter, int32_t entry)) {
    b_.BeginCliPiece();
    line(b_, counter_, entry_);
    EmitEnd(b_);
    b_.EndCliPiece();
    return AppendCliLineToRunner(b_);
  }

  int32_t RunTypedLine() {
    ProgramCounter = PieceStartWord();
    return Resume();
  }

  ImageBuilder b_{256};
  int32_t counter_ = 0, entry_ = 0;
};

TEST_F(TypedLineVerifierTest, ARefusedLineRunsNoneOfItsWordsAndTheNextLineRuns) {
  EXPECT_FALSE(Type([](ImageBuilder& b, int32_t counter, int32_t) {
    b.Command(kOpAssignLL, {counter, b.IntLiteral(9)});
    b.Command(kOpAddLLL, {counter, b.StringLiteral("x"), counter});
  }));
  EXPECT_NE(ProgramVerificationError().find("names no integer or float cell"), std::string::npos);
  EXPECT_EQ(RunTypedLine(), 0);
  EXPECT_EQ(Int(counter_), 1) << "the sound first command of the refused line did not run";
  DrainMessages();

  ASSERT_TRUE(Type([](ImageBuilder& b, int32_t counter, int32_t) {
    b.Command(kOpAssignLL, {counter, b.IntLiteral(9)});
  }));
  EXPECT_EQ(ProgramVerificationError(), "");
  EXPECT_EQ(RunTypedLine(), 0);
  EXPECT_EQ(Int(counter_), 9);
}

TEST_F(TypedLineVerifierTest, ALineMayCallAFunctionTheProgramNeverCalls) {
  ASSERT_TRUE(
      Type([](ImageBuilder& b, int32_t, int32_t entry) { EmitCall(b, entry, T(0), {b.IntLiteral(1)}); }));
  EXPECT_EQ(RunTypedLine(), 0);
  EXPECT_EQ(Int(counter_), 50);
}

TEST_F(TypedLineVerifierTest, AShorterLineLeavesNothingOfTheLongerOneToRun) {
  ASSERT_TRUE(Type([](ImageBuilder& b, int32_t counter, int32_t) {
    b.Command(kOpAssignLL, {counter, b.IntLiteral(2)});
    b.Command(kOpAssignLL, {counter, b.IntLiteral(3)});
    b.Command(kOpAssignLL, {counter, b.IntLiteral(4)});
  }));
  // The next line ends where the old one's second command stood; ending there stops the line.
  b_.BeginCliPiece();
  b_.Command(kOpAssignLL, {counter_, b_.IntLiteral(5)});
  b_.EndCliPiece();
  ASSERT_TRUE(AppendCliLineToRunner(b_));
  EXPECT_EQ(RunTypedLine(), 0);
  EXPECT_EQ(Int(counter_), 5);
  EXPECT_EQ(ProgramCounter, PieceStartWord() + 3);
  DrainMessages();
}

// ---- Registrations that change after loading ----

constexpr int32_t kProbe = 9000;
int gProbeRuns = 0;
Pc Probe(Pc at) {
  ++gProbeRuns;
  Operands in(at);
  in.Numeric().i = 77;
  return in.Next();
}
const CommandRegistration kProbeAsNumber[] = {{kProbe, "probe", "L", Probe}};
const CommandRegistration kProbeAsText[] = {{kProbe, "probe", "S", Probe}};
const CommandRegistration kProbeUnknownLetter[] = {{kProbe, "probe", "Q", Probe}};

TEST_F(ProgramVerifierTest, NewRegistrationsAreCheckedBeforeTheNextSlice) {
  struct Case {
    const CommandRegistration* row;
    int runs;
    const char* because;
  };
  const Case cases[] = {{kProbeAsNumber, 1, ""},
                        {kProbeAsText, 0, "names no string cell"},
                        {kProbeUnknownLetter, 0, "has no operand layout"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row->signature);
    ImageBuilder b;
    const int32_t target = b.IntVariable();
    b.Command(kProbe, {target});
    EmitEnd(b);
    ASSERT_EQ(Run(b), 0) << "an id without a handler is no error: the program stops on it";
    gProbeRuns = 0;
    TestSubsystem probe({c.row, 1});
    const Subsystem* withProbe[] = {&kRuntimeSubsystem, &probe.record};
    InstallSubsystems(withProbe);
    ResetRunner();
    EXPECT_EQ(Resume(), 0);
    EXPECT_EQ(gProbeRuns, c.runs);
    EXPECT_EQ(Int(target), c.runs > 0 ? 77 : 0);
    EXPECT_NE(ProgramVerificationError().find(c.because), std::string::npos);
    DrainMessages();
    const Subsystem* runtimeOnly[] = {&kRuntimeSubsystem};
    InstallSubsystems(runtimeOnly);
  }
}

// ---- Random programs ----

// Builds programs of the foundation commands whose operands are mostly of the right kind, with
// function entries, calls, jumps anywhere (operand words too), and now and then a word of any
// value: some are refused, the others run.
class RandomProgram {
 public:
  explicit RandomProgram(uint32_t seed) : random_(seed) {}

  void Build(ImageBuilder& b) {
    for (int k = 0; k < 4; ++k) intCells_.push_back(b.IntVariable());
    for (int k = 0; k < 3; ++k) intCells_.push_back(b.IntLiteral(Between(-3, 40)));
    for (int k = 0; k < 3; ++k) floatCells_.push_back(b.FloatVariable());
    floatCells_.push_back(b.FloatLiteral(static_cast<float>(Between(-50, 50)) / 4.0f));
    for (int k = 0; k < 2; ++k) textCells_.push_back(b.StringVariable());
    textCells_.push_back(b.StringLiteral(std::string(static_cast<size_t>(Between(0, 9)), 'q')));
    for (int k = 0; k < 4; ++k) {
      intCells_.push_back(T(k));
      floatCells_.push_back(ImageBuilder::FloatTemp(k));
      textCells_.push_back(ImageBuilder::StringTemp(k));
    }
    b.DataInt(5);
    b.DataString("d");
    const int32_t jump = b.Command(kCmdGoto, {0});
    for (int16_t scope = 1; scope <= 2; ++scope) {
      std::vector<int32_t> parameters;
      for (int k = 0; k < scope; ++k) parameters.push_back(b.IntVariable(scope));
      b.Command(kCmdStop);
      entries_.push_back({b.Here(), scope});
      for (int32_t parameter : parameters) b.Emit(parameter);
      b.Emit(scope);
      for (int k = 0; k < 3; ++k) RandomCommand(b);
      b.Command(kCmdEndfunctionL, {Pick(intCells_)});
    }
    b.Patch(jump + 1, ImageBuilder::WordAddress(b.Here()));
    const int commands = Between(3, 25);
    for (int k = 0; k < commands; ++k) RandomCommand(b);
    EmitEnd(b);
  }

 private:
  struct Entry {
    int32_t word;
    int32_t arguments;
  };

  int32_t Between(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random_);
  }
  int32_t Pick(const std::vector<int32_t>& pool) {
    return pool[static_cast<size_t>(Between(0, static_cast<int32_t>(pool.size()) - 1))];
  }
  bool Sometimes(int32_t inThousand) { return Between(0, 999) < inThousand; }

  // Any word at all: a cell of some kind, a jump, a DATA index, a small number or anything.
  int32_t AnyWord() {
    switch (Between(0, 5)) {
      case 0:
        return Pick(intCells_);
      case 1:
        return Pick(textCells_);
      case 2:
        return ImageBuilder::WordAddress(Between(0, 300));
      case 3:
        return ImageBuilder::DataOperand(Between(0, 3));
      case 4:
        return Between(-2, 700);
      default:
        return static_cast<int32_t>(random_());
    }
  }
  int32_t Operand(char letter) {
    if (Sometimes(15)) return AnyWord();
    switch (letter) {
      case 'L':
        return Pick(intCells_);
      case 'F':
        return Pick(floatCells_);
      case 'S':
        return Pick(textCells_);
      default:
        return ImageBuilder::WordAddress(Between(0, 200));
    }
  }

  void RandomCommand(ImageBuilder& b) {
    if (Sometimes(10)) {
      b.Emit(AnyWord());
      return;
    }
    if (Sometimes(80) && !entries_.empty()) {
      const Entry& entry =
          entries_[static_cast<size_t>(Between(0, static_cast<int32_t>(entries_.size()) - 1))];
      b.Emit(kCmdFunction);
      b.Emit(ImageBuilder::WordAddress(entry.word));
      b.Emit(Operand('L'));
      b.Emit(b.IntLiteral(Sometimes(30) ? Between(0, 3) : entry.arguments));
      for (int32_t k = 0; k < entry.arguments; ++k) b.Emit(Operand('L'));
      return;
    }
    const std::vector<CommandRegistration>& rows = rows_;
    const CommandRegistration& row =
        rows[static_cast<size_t>(Between(0, static_cast<int32_t>(rows.size()) - 1))];
    if (row.layout == OperandLayout::UserFunctionCall) return;
    b.Emit(row.id);
    if (row.layout == OperandLayout::DataLabel) {
      b.Emit(Sometimes(20) ? AnyWord() : ImageBuilder::DataOperand(Between(0, 1)));
      return;
    }
    if (row.layout != OperandLayout::Jump && row.layout != OperandLayout::EndsProgram &&
        std::string(row.signature) != "0") {
      for (const char* letter = row.signature; *letter != '\0'; ++letter) b.Emit(Operand(*letter));
    }
    if (row.layout == OperandLayout::SignatureThenJump || row.layout == OperandLayout::Jump) {
      b.Emit(Operand('A'));
    }
  }

  std::mt19937 random_;
  const std::vector<CommandRegistration> rows_ = RegisteredCommands();
  std::vector<int32_t> intCells_, floatCells_, textCells_;
  std::vector<Entry> entries_;
};

TEST_F(ProgramVerifierTest, RandomProgramsAreRefusedOrRunWithoutHarm) {
  int refused = 0, ran = 0;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    SCOPED_TRACE(seed);
    ImageBuilder b(512);
    RandomProgram(seed).Build(b);
    b.EndProgram();
    if (!CreateQuillmoorBlocksFromParser(b)) {
      ++refused;
      EXPECT_NE(ProgramVerificationError(), "");
      continue;
    }
    ++ran;
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    DisplayReadyFlag = 1;
    SyncOffSetting = 0;
    platform::headless::SetKeyHeld(platform::kVkF12, true);  // every slice ends at 201 commands
    for (int slice = 0; slice < 20; ++slice) {
      ExecuteSlice();
      PendingErrorCode = 0;
    }
    platform::headless::SetKeyHeld(platform::kVkF12, false);
    DrainMessages();
    RunSubsystemSteps(&Subsystem::runEnd);
    RunSubsystemSteps(&Subsystem::freeRunData);
    FreeProgramImage();
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(ran, 0);
}

}  // namespace
}  // namespace qm::test
