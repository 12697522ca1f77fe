// A property of the decoded form: running a program with the handlers chosen at load (fused pairs
// and triples, planned calls, array fast paths) gives exactly what running each command with its
// own handler gives: the same cells and array elements, the same errors on the same words, and
// the same slice ends. Checked on generated programs of the patterns the compiler emits.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation_program.h"
#include "platform/clock.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "resources/command_ids.h"
#include "runtime/arrays.h"

namespace qm::test {
namespace {

using B = ImageBuilder;

// What a run did: where each slice ended, how the program stopped, every value it left.
struct Trace {
  std::vector<int32_t> sliceEnds;
  int32_t errorCode = 0;
  int32_t errorWord = -1;
  std::vector<int32_t> values;

  bool operator==(const Trace&) const = default;
};

std::string Describe(const Trace& trace) {
  std::ostringstream text;
  text << "error " << trace.errorCode << " at " << trace.errorWord << ", slices";
  for (int32_t end : trace.sliceEnds) text << ' ' << end;
  text << ", values";
  for (int32_t value : trace.values) text << ' ' << value;
  return text.str();
}

// Builds a random program: integer variables, an array that is dimensioned or not, statements of
// arithmetic (division by zero included), tests, array stores and fetches (subscripts out of
// range included), FOR loops with literal steps, and calls of a user function.
class ProgramGenerator {
 public:
  explicit ProgramGenerator(uint32_t seed) : random_(seed) {}

  void Build(ImageBuilder& b) {
    for (int32_t& variable : variables_) variable = b.IntVariable();
    array_ = b.IntVariable();
    parameter_ = b.IntVariable(1);
    local_ = b.IntVariable(1);
    one_ = b.IntLiteral(1);
    if (Chance(4, 5)) b.Command(kCmdDimLL, {array_, b.IntLiteral(Between(0, 12))});
    const int32_t call = b.Here();
    const bool calls = Chance(1, 2);
    Statements(b, Between(4, 14), 0, calls ? call : -1);
    b.Emit(0);  // the end of the main program
    if (calls) Function(b);
  }

  int32_t Array() const { return array_; }

  std::vector<int32_t> Watched() const {
    std::vector<int32_t> watched(variables_.begin(), variables_.end());
    watched.insert(watched.end(), {parameter_, local_, B::IntTemp(0), B::IntTemp(1), B::IntTemp(2),
                                   B::IntTemp(50), B::IntTemp(51)});
    return watched;
  }

 private:
  int32_t Between(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random_);
  }
  bool Chance(int32_t times, int32_t outOf) { return Between(1, outOf) <= times; }
  int32_t Variable() { return variables_[static_cast<size_t>(Between(0, kVariables - 1))]; }
  int32_t Value(ImageBuilder& b) { return Chance(1, 2) ? Variable() : b.IntLiteral(Between(-2, 14)); }
  int32_t Operator() {
    constexpr int32_t kOperators[] = {kOpAddLLL, kOpSubLLL, kOpMulLLL, kOpDivLLL};
    return kOperators[Between(0, 3)];
  }

  void Statements(ImageBuilder& b, int32_t count, int32_t depth, int32_t entryWordToPatch) {
    for (int32_t n = 0; n < count; ++n) {
      switch (Between(0, depth < 2 ? 6 : 5)) {
        case 0:  // v = x op y
        case 1:
          b.Command(Operator(), {B::IntTemp(0), Value(b), Value(b)});
          b.Command(kOpAssignLL, {Variable(), B::IntTemp(0)});
          break;
        case 2: {  // if x > y then v = v + 1
          const int32_t v = Variable();
          b.Command(kOpGreaterLLL, {B::IntTemp(0), Value(b), Value(b)});
          const int32_t test = b.Command(kCmdIf, {B::IntTemp(0), 0});
          b.Command(kOpAddLLL, {B::IntTemp(0), v, one_});
          b.Command(kOpAssignLL, {v, B::IntTemp(0)});
          b.Patch(test + 2, B::WordAddress(b.Here()));
          break;
        }
        case 3:  // a(x) = x op y
          b.Command(Operator(), {B::IntTemp(0), Value(b), Value(b)});
          b.Command(kOpArraySetLLL, {array_, Value(b), B::IntTemp(0)});
          break;
        case 4: {  // v = v + a(x)
          const int32_t v = Variable();
          b.Command(kOpArrayGetLLL, {B::IntTemp(1), array_, Value(b)});
          b.Command(kOpAddLLL, {B::IntTemp(2), v, B::IntTemp(1)});
          b.Command(kOpAssignLL, {v, B::IntTemp(2)});
          break;
        }
        case 5:  // v = f(x)
          if (entryWordToPatch >= 0) {
            calls_.push_back(b.Command(kCmdFunction, {0, B::IntTemp(0), b.IntLiteral(1), Value(b)}));
            b.Command(kOpAssignLL, {Variable(), B::IntTemp(0)});
          }
          break;
        case 6: {  // for v = start to limit step s ... next v
          const int32_t v = variables_[static_cast<size_t>(depth)];  // loops do not share a counter
          constexpr int32_t kSteps[] = {1, 1, 2, -1};
          const int32_t step = b.IntLiteral(kSteps[Between(0, 3)]);
          const int32_t loop =
              EmitFor(b, v, b.IntLiteral(Between(-3, 6)), b.IntLiteral(Between(-3, 9)), step, B::IntTemp(0));
          Statements(b, Between(1, 4), depth + 1, entryWordToPatch);
          EmitNext(b, v, loop);
          break;
        }
      }
    }
  }

  // function f(p) : l = p * 3 - l : if p > 4 then l = l + f(p - 5) : endfunction l
  void Function(ImageBuilder& b) {
    const int32_t entry = EmitFunctionHeader(b, {parameter_}, 1);
    for (int32_t call : calls_) b.Patch(call + 1, B::WordAddress(entry));
    b.Command(kOpMulLLL, {B::IntTemp(50), parameter_, b.IntLiteral(3)});
    b.Command(kOpSubLLL, {B::IntTemp(51), B::IntTemp(50), local_});
    b.Command(kOpAssignLL, {local_, B::IntTemp(51)});
    b.Command(kOpGreaterLLL, {B::IntTemp(50), parameter_, b.IntLiteral(4)});
    const int32_t test = b.Command(kCmdIf, {B::IntTemp(50), 0});
    b.Command(kOpSubLLL, {B::IntTemp(50), parameter_, b.IntLiteral(5)});
    EmitCall(b, entry, B::IntTemp(51), {B::IntTemp(50)});
    b.Command(kOpAddLLL, {B::IntTemp(50), local_, B::IntTemp(51)});
    b.Command(kOpAssignLL, {local_, B::IntTemp(50)});
    b.Patch(test + 2, B::WordAddress(b.Here()));
    b.Command(kCmdEndfunctionL, {local_});
  }

  static constexpr int32_t kVariables = 4;
  std::mt19937 random_;
  std::array<int32_t, kVariables> variables_{};
  int32_t array_ = 0, parameter_ = 0, local_ = 0, one_ = 0;
  std::vector<int32_t> calls_;
};

// A clock that moves a millisecond each time it is read: under SYNC OFF the clock is then read
// after every command, and a slice ends after about three dozen of those reads.
class TickingClock : public platform::ManualClock {
 public:
  uint32_t Milliseconds() override {
    Advance(1);
    return ManualClock::Milliseconds();
  }
};

// How the slices of a run end.
enum class SliceEnds {
  F12Held,          // SYNC ON: the check on every 201st command ends the slice
  NoneUntilTheEnd,  // SYNC ON: every check lets the slice go on
  ClockTicking,     // SYNC OFF: a check after every command, most going on, some ending the slice
};

class DecodedExecutionTest : public FoundationProgramTest {
 protected:
  // Runs the program with the handlers chosen at load or with each command's own: a fused pair
  // or a handler that goes on to the next command must leave the slice to its check on exactly
  // the command where the dispatch loop would.
  Trace RunProgram(ImageBuilder& program, const ProgramGenerator& generator, bool chosen, SliceEnds ends) {
    EXPECT_TRUE(CreateQuillmoorBlocksFromParser(program));
    if (!chosen) DecodeCommandsPlainly();
    ExpectDecodedAsWritten(program.ProgramEndCounters().programWrite, !chosen);
    TickingClock clock;
    platform::Clock* previousClock =
        ends == SliceEnds::ClockTicking ? platform::InstallClock(&clock) : nullptr;
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    PendingErrorCode = 0;
    DisplayReadyFlag = 1;
    SyncOffSetting = ends == SliceEnds::ClockTicking ? 1 : 0;
    platform::headless::SetKeyHeld(platform::kVkF12, ends == SliceEnds::F12Held);
    Trace trace;
    for (int slice = 0; slice < kMaxTracedSlices; ++slice) {
      ExecuteSlice();
      trace.sliceEnds.push_back(ProgramCounter);
      if (PendingErrorCode != 0 || !CommandRunsAt(ProgramCounter)) break;
    }
    platform::headless::SetKeyHeld(platform::kVkF12, false);
    if (ends == SliceEnds::ClockTicking) platform::InstallClock(previousClock);
    trace.errorCode = PendingErrorCode;
    trace.errorWord = PendingErrorCode != 0 ? RuntimeErrors.errorCommandWord : -1;
    for (int32_t operand : generator.Watched()) trace.values.push_back(Int(operand));
    if (const ArrayEntry* array = ProgramArrays.Find(ArrayIndexOf(generator.Array()));
        array->IsDimensioned()) {
      for (int32_t k = 0; k < array->header.elementCount; ++k) trace.values.push_back(array->Integers()[k]);
    }
    RunSubsystemSteps(&Subsystem::runEnd);
    RunSubsystemSteps(&Subsystem::freeRunData);
    FreeProgramImage();
    ResetRuntimeErrorState();
    return trace;
  }

  // Both ways read their operands from the decoded form: every word of it must be the word as
  // written, read one by one (the cell it names and, where no call site planned over it, the
  // word it jumps to), and the plain form must run each command's registered handler, so that
  // the plain way is the word-by-word execution.
  static void ExpectDecodedAsWritten(int32_t end, bool plain) {
    for (int32_t index = 0; index < end; ++index) {
      SCOPED_TRACE("word " + std::to_string(index));
      const int32_t word = Interpreter.words[index];
      const DecodedWord& decoded = Interpreter.decoded[index];
      ASSERT_EQ(decoded.cell, &CellOfOperand(word, Interpreter.cells));
      if (plain && word >= kWordAddresses && word - kWordAddresses <= end) {
        ASSERT_EQ(decoded.target, Interpreter.decoded + (word - kWordAddresses));
      }
      const CommandHandler own = Interpreter.plainHandlers[index];
      if (own != &StopOnUnknownCommand) {
        ASSERT_EQ(own, FindCommandHandler(word));
      }
      if (plain) {
        ASSERT_EQ(decoded.run, own);
      }
    }
  }

  static constexpr int kMaxTracedSlices = 5000;
};

TEST_F(DecodedExecutionTest, ChosenHandlersRunGeneratedProgramsAsTheCommandsOwnHandlersDo) {
  int errors = 0, severalSlices = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    // F12 held first: a program that ends within the traced slices then ends without it too,
    // and only such a program runs again with every check letting the slice go on.
    for (const SliceEnds ends : {SliceEnds::F12Held, SliceEnds::ClockTicking, SliceEnds::NoneUntilTheEnd}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", slice ends " + std::to_string(static_cast<int>(ends)));
      ImageBuilder program(4096);
      ProgramGenerator generator(seed);
      generator.Build(program);
      program.EndProgram();
      const Trace chosen = RunProgram(program, generator, true, ends);
      const Trace plain = RunProgram(program, generator, false, ends);
      EXPECT_EQ(chosen, plain) << "chosen: " << Describe(chosen) << "\nplain:  " << Describe(plain);
      errors += chosen.errorCode != 0 ? 1 : 0;
      severalSlices += chosen.sliceEnds.size() > 2 ? 1 : 0;
      if (chosen.sliceEnds.size() >= kMaxTracedSlices) break;
    }
  }
  // The generator reaches what it is meant to: errors, and programs that outlast a slice.
  EXPECT_GT(errors, 0);
  EXPECT_GT(severalSlices, 0);
}

}  // namespace
}  // namespace qm::test
