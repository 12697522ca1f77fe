// Control structures, GOSUB and user functions, run as the compiler lays out their words.
#include "runtime/control_flow.h"

#include <gtest/gtest.h>

#include "foundation_program.h"
#include "resources/command_ids.h"

namespace qm::test {
namespace {

using ControlFlowTest = FoundationProgramTest;

struct ForCase {
  int32_t start, limit, step;
  int32_t passes, finalValue;
};

class ForLoopTest : public FoundationProgramTest, public ::testing::WithParamInterface<ForCase> {};

TEST_P(ForLoopTest, CountsPassesAndLeavesTheFirstValuePastTheLimit) {
  const ForCase c = GetParam();
  ImageBuilder b;
  const int32_t i = b.IntVariable();
  const int32_t passes = b.IntVariable();
  const int32_t one = b.IntLiteral(1);
  const int32_t loop = EmitFor(b, i, b.IntLiteral(c.start), b.IntLiteral(c.limit), b.IntLiteral(c.step),
                               ImageBuilder::IntTemp(0));
  b.Command(kOpAddLLL, {passes, passes, one});
  EmitNext(b, i, loop);
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(passes), c.passes);
  EXPECT_EQ(Int(i), c.finalValue);
}

INSTANTIATE_TEST_SUITE_P(Cases, ForLoopTest,
                         ::testing::Values(ForCase{1, 0, 1, 0, 1}, ForCase{1, 3, 1, 3, 4},
                                           ForCase{10, 1, -3, 4, -2}, ForCase{5, 5, 1, 1, 6},
                                           ForCase{1, 10, 4, 3, 13}));

TEST_F(ControlFlowTest, ForWithAStepOfZeroNeverLeavesTheLoop) {
  ImageBuilder b;
  const int32_t i = b.IntVariable();
  const int32_t passes = b.IntVariable();
  const int32_t loop =
      EmitFor(b, i, b.IntLiteral(1), b.IntLiteral(3), b.IntLiteral(0), ImageBuilder::IntTemp(0));
  b.Command(kOpAddLLL, {passes, passes, b.IntLiteral(1)});
  // After 10,000 passes the program stops inside the loop.
  b.Command(kOpEqualLLL, {ImageBuilder::IntTemp(0), passes, b.IntLiteral(10000)});
  const int32_t test = b.Command(kCmdIf, {ImageBuilder::IntTemp(0), 0});
  const int32_t stopInside = b.Here();
  EmitEnd(b);
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  EmitNext(b, i, loop);
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramCounter, stopInside);
  EXPECT_EQ(Int(i), 1);
}

TEST_F(ControlFlowTest, IfJumpsOnZeroAndElseSkipsTheOtherBranch) {
  // if c : r = 1 : else : r = 2 : endif, for c = 0 and c = 5.
  for (int32_t condition : {0, 5}) {
    ImageBuilder b;
    const int32_t r = b.IntVariable();
    const int32_t test = b.Command(kCmdIf, {b.IntLiteral(condition), 0});
    b.Command(kOpAssignLL, {r, b.IntLiteral(1)});
    const int32_t skip = b.Command(kCmdElse, {0});
    b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
    b.Command(kOpAssignLL, {r, b.IntLiteral(2)});
    b.Patch(skip + 1, ImageBuilder::WordAddress(b.Here()));
    EmitEnd(b);
    ASSERT_EQ(Run(b), 0);
    EXPECT_EQ(Int(r), condition != 0 ? 1 : 2);
  }
}

TEST_F(ControlFlowTest, NestedGosubsStopAtTheStackLimit) {
  // here: gosub here
  ImageBuilder b;
  b.Command(kCmdGosub, {ImageBuilder::WordAddress(0)});
  EXPECT_EQ(Run(b), 108);
  EXPECT_EQ(ProgramReturnStack.Depth(), kMaxReturnFrames);
  EXPECT_EQ(kMaxReturnFrames, 65534);
  EXPECT_EQ(ProgramCounter, 2);  // past the operand
}

TEST_F(ControlFlowTest, ReturnComesBackAfterTheGosubAndAnEmptyStackIsIgnored) {
  // gosub sub : r = r + 1 : return (empty stack: goes on) : end ; sub: r = r + 10 : return
  ImageBuilder b;
  const int32_t r = b.IntVariable();
  const int32_t call = b.Command(kCmdGosub, {0});
  b.Command(kOpAddLLL, {r, r, b.IntLiteral(1)});
  b.Command(kCmdReturn);
  EmitEnd(b);
  b.Patch(call + 1, ImageBuilder::WordAddress(b.Here()));
  b.Command(kOpAddLLL, {r, r, b.IntLiteral(10)});
  b.Command(kCmdReturn);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(r), 11);
  EXPECT_EQ(ProgramReturnStack.Depth(), 0);
}

TEST_F(ControlFlowTest, StopRaises21AndEndsTheProgram) {
  ImageBuilder b;
  b.Command(kCmdStop);
  EXPECT_EQ(Run(b), 21);
  EXPECT_EQ(ProgramEndedFlag, 1);
  EXPECT_EQ(PendingErrorIsWarning, 0);
}

// ---- User functions ----

// The main program of the function tests: result = f(arguments) : END. Returns the call's word,
// whose entry operand is patched once the function is emitted.
int32_t EmitMainProgramCall(ImageBuilder& b, int32_t result, std::initializer_list<int32_t> arguments) {
  const int32_t call = b.Here();
  EmitCall(b, 0, ImageBuilder::IntTemp(0), arguments);
  b.Command(kOpAssignLL, {result, ImageBuilder::IntTemp(0)});
  EmitEnd(b);
  return call;
}

// function fib(n) : r = n : if n > 1 : r = fib(n-1) + fib(n-2) : endif : endfunction r
// The two calls stand in one statement, so the first result waits in a temporary of the
// function's own window while the second call runs.
int32_t EmitFibonacci(ImageBuilder& b) {
  const int16_t scope = 1;
  const int32_t n = b.IntVariable(scope);
  const int32_t r = b.IntVariable(scope);
  const int32_t entry = EmitFunctionHeader(b, {n}, scope);
  auto t = [](int32_t k) { return ImageBuilder::IntTemp(50 + k); };
  b.Command(kOpAssignLL, {r, n});
  b.Command(kOpGreaterLLL, {t(0), n, b.IntLiteral(1)});
  const int32_t test = b.Command(kCmdIf, {t(0), 0});
  b.Command(kOpSubLLL, {t(0), n, b.IntLiteral(1)});
  EmitCall(b, entry, t(1), {t(0)});
  b.Command(kOpSubLLL, {t(2), n, b.IntLiteral(2)});
  EmitCall(b, entry, t(3), {t(2)});
  b.Command(kOpAddLLL, {t(4), t(1), t(3)});
  b.Command(kOpAssignLL, {r, t(4)});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kCmdEndfunctionL, {r});
  return entry;
}

TEST_F(ControlFlowTest, RecursiveFibonacciKeepsTemporariesAcrossCalls) {
  for (auto [argument, expected] : {std::pair{10, 55}, std::pair{20, 6765}, std::pair{1, 1}}) {
    ImageBuilder b;
    const int32_t result = b.IntVariable();
    const int32_t call = EmitMainProgramCall(b, result, {b.IntLiteral(argument)});
    b.Patch(call + 1, ImageBuilder::WordAddress(EmitFibonacci(b)));
    ASSERT_EQ(Run(b), 0) << argument;
    EXPECT_EQ(Int(result), expected) << argument;
    EXPECT_EQ(ProgramReturnStack.Depth(), 0);
    EXPECT_EQ(RunningScope, 0);
  }
}

// function f(n) : r = 0 : if n > 0 : (t0 = n * 2) r = t0 + f(n - 1) : endif : endfunction r,
// with the result first assigned to a variable, so the temporary computed before the call is read
// only by the second command after the return: the call keeps it, whatever the commands between.
TEST_F(ControlFlowTest, ATemporaryReadLaterAfterTheReturnIsKeptByTheCall) {
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {b.IntLiteral(5)});
  const int16_t scope = 1;
  const int32_t n = b.IntVariable(scope), r = b.IntVariable(scope), a = b.IntVariable(scope);
  const int32_t entry = EmitFunctionHeader(b, {n}, scope);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  auto t = [](int32_t k) { return ImageBuilder::IntTemp(50 + k); };
  b.Command(kOpAssignLL, {r, b.IntLiteral(0)});
  b.Command(kOpGreaterLLL, {t(0), n, b.IntLiteral(0)});
  const int32_t test = b.Command(kCmdIf, {t(0), 0});
  b.Command(kOpMulLLL, {t(0), n, b.IntLiteral(2)});
  b.Command(kOpSubLLL, {t(1), n, b.IntLiteral(1)});
  EmitCall(b, entry, t(2), {t(1)});
  b.Command(kOpAssignLL, {a, t(2)});
  b.Command(kOpAddLLL, {t(3), t(0), a});
  b.Command(kOpAssignLL, {r, t(3)});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kCmdEndfunctionL, {r});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 30);  // 10 + 8 + 6 + 4 + 2
}

TEST_F(ControlFlowTest, FunctionsOfHighScopesShareTheLastTemporaryWindow) {
  // function a() : endfunction b(1) + b(2)   (scope 20)
  // function b(k) : endfunction k * 10 + 1   (scope 21)
  // Both take their temporaries from 950 on, so b's statements overwrite the first result of a's
  // statement unless the call keeps it.
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {});
  auto t = [](int32_t k) { return ImageBuilder::IntTemp(950 + k); };
  const int32_t aEntry = EmitFunctionHeader(b, {}, 20);
  b.Patch(call + 1, ImageBuilder::WordAddress(aEntry));
  const int32_t first = b.Here();
  EmitCall(b, 0, t(0), {b.IntLiteral(1)});
  const int32_t second = b.Here();
  EmitCall(b, 0, t(1), {b.IntLiteral(2)});
  b.Command(kOpAddLLL, {t(2), t(0), t(1)});
  b.Command(kCmdEndfunctionL, {t(2)});
  const int32_t k = b.IntVariable(21);
  const int32_t bEntry = EmitFunctionHeader(b, {k}, 21);
  b.Patch(first + 1, ImageBuilder::WordAddress(bEntry));
  b.Patch(second + 1, ImageBuilder::WordAddress(bEntry));
  b.Command(kOpMulLLL, {t(0), k, b.IntLiteral(10)});
  b.Command(kOpAddLLL, {t(1), t(0), b.IntLiteral(1)});
  b.Command(kCmdEndfunctionL, {t(1)});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 32);
}

TEST_F(ControlFlowTest, RecursiveCallSeesItsOwnLocalAgainAfterTheInnerCall) {
  // function f(n) : x = n * 10 : if n > 0 : y = f(n - 1) : endif : endfunction x
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {b.IntLiteral(3)});
  const int16_t scope = 1;
  const int32_t n = b.IntVariable(scope);
  const int32_t x = b.IntVariable(scope);
  const int32_t y = b.IntVariable(scope);
  const int32_t entry = EmitFunctionHeader(b, {n}, scope);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  const int32_t t0 = ImageBuilder::IntTemp(50);
  b.Command(kOpMulLLL, {x, n, b.IntLiteral(10)});
  b.Command(kOpGreaterLLL, {t0, n, b.IntLiteral(0)});
  const int32_t test = b.Command(kCmdIf, {t0, 0});
  b.Command(kOpSubLLL, {t0, n, b.IntLiteral(1)});
  EmitCall(b, entry, ImageBuilder::IntTemp(51), {t0});
  b.Command(kOpAssignLL, {y, ImageBuilder::IntTemp(51)});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kCmdEndfunctionL, {x});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 30);
}

TEST_F(ControlFlowTest, ArrayDimensionedDuringARecursionKeepsEveryLevelsLocal) {
  // function f(n) : x = n * 10 : y = 0
  //   if n > 0 : if n = 2 : dim arr(3) : endif : y = f(n - 1) : endif
  // endfunction x + y
  // The calls before the DIM save without looking for arrays, the later ones look for them; each
  // return must put back its own level's x. f(3) = 30 + 20 + 10 + 0.
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t array = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {b.IntLiteral(3)});
  const int16_t scope = 1;
  const int32_t n = b.IntVariable(scope);
  const int32_t x = b.IntVariable(scope);
  const int32_t y = b.IntVariable(scope);
  const int32_t entry = EmitFunctionHeader(b, {n}, scope);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  const int32_t t0 = ImageBuilder::IntTemp(50);
  b.Command(kOpMulLLL, {x, n, b.IntLiteral(10)});
  b.Command(kOpAssignLL, {y, b.IntLiteral(0)});
  b.Command(kOpGreaterLLL, {t0, n, b.IntLiteral(0)});
  const int32_t anyLeft = b.Command(kCmdIf, {t0, 0});
  b.Command(kOpGreaterLLL, {t0, n, b.IntLiteral(2)});
  const int32_t notAboveTwo = b.Command(kCmdIf, {t0, 0});
  const int32_t skipDim = b.Command(kCmdElse, {0});
  b.Patch(notAboveTwo + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kOpGreaterLLL, {t0, n, b.IntLiteral(1)});
  const int32_t notTwo = b.Command(kCmdIf, {t0, 0});
  b.Command(kCmdDimLL, {array, b.IntLiteral(3)});
  b.Patch(skipDim + 1, ImageBuilder::WordAddress(b.Here()));
  b.Patch(notTwo + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kOpSubLLL, {t0, n, b.IntLiteral(1)});
  EmitCall(b, entry, ImageBuilder::IntTemp(51), {t0});
  b.Command(kOpAssignLL, {y, ImageBuilder::IntTemp(51)});
  b.Patch(anyLeft + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kOpAddLLL, {ImageBuilder::IntTemp(52), x, y});
  b.Command(kCmdEndfunctionL, {ImageBuilder::IntTemp(52)});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 60);
  EXPECT_EQ(ProgramReturnStack.Depth(), 0);
}

TEST_F(ControlFlowTest, ArgumentsAreAllTakenBeforeAnyParameterIsAssigned) {
  // function f(a, b, d) : if d > 0 : r = f(b, a, d - 1) : else : r = a * 10 + b : endif
  // endfunction r.  f(1, 2, 1) calls f(2, 1, 0), which gives 21.
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {b.IntLiteral(1), b.IntLiteral(2), b.IntLiteral(1)});
  const int16_t scope = 1;
  const int32_t pa = b.IntVariable(scope);
  const int32_t pb = b.IntVariable(scope);
  const int32_t pd = b.IntVariable(scope);
  const int32_t r = b.IntVariable(scope);
  const int32_t entry = EmitFunctionHeader(b, {pa, pb, pd}, scope);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  auto t = [](int32_t k) { return ImageBuilder::IntTemp(50 + k); };
  b.Command(kOpGreaterLLL, {t(0), pd, b.IntLiteral(0)});
  const int32_t test = b.Command(kCmdIf, {t(0), 0});
  b.Command(kOpSubLLL, {t(0), pd, b.IntLiteral(1)});
  EmitCall(b, entry, t(1), {pb, pa, t(0)});
  b.Command(kOpAssignLL, {r, t(1)});
  const int32_t skip = b.Command(kCmdElse, {0});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kOpMulLLL, {t(0), pa, b.IntLiteral(10)});
  b.Command(kOpAddLLL, {r, t(0), pb});
  b.Patch(skip + 1, ImageBuilder::WordAddress(b.Here()));
  b.Command(kCmdEndfunctionL, {r});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 21);
}

TEST_F(ControlFlowTest, StringArgumentIsACopy) {
  // function f(t$) : t$ = t$ + "x" : endfunction t$ ;  r$ = f(a$)
  ImageBuilder b;
  const int32_t a = b.StringVariable();
  const int32_t r = b.StringVariable();
  b.Command(kOpAssignSS, {a, b.StringLiteral("abc")});
  const int32_t call = b.Here();
  EmitCall(b, 0, ImageBuilder::StringTemp(0), {a});
  b.Command(kOpAssignSS, {r, ImageBuilder::StringTemp(0)});
  EmitEnd(b);
  const int32_t parameter = b.StringVariable(1);
  const int32_t entry = EmitFunctionHeader(b, {parameter}, 1);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  b.Command(kOpAddSSS, {parameter, parameter, b.StringLiteral("x")});
  b.Command(kCmdEndfunctionS, {parameter});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(a), "abc");
  EXPECT_EQ(Text(r), "abcx");
}

TEST_F(ControlFlowTest, DimDuringARecursiveCallKeepsTheCallersTexts) {
  // function f(n) : s$ = str$(n) : b$ = "b" : if n > 0 : b$ = f(n-1) : endif : dim arr$(3)
  // endfunction s$.  arr$ is a plain variable of the scope when a call saves it and an array when
  // that call returns: the caller's variables come back exactly as saved.
  ImageBuilder b;
  const int32_t result = b.StringVariable();
  const int32_t call = b.Here();
  EmitCall(b, 0, ImageBuilder::StringTemp(0), {b.IntLiteral(2)});
  b.Command(kOpAssignSS, {result, ImageBuilder::StringTemp(0)});
  EmitEnd(b);
  const int16_t scope = 1;
  const int32_t n = b.IntVariable(scope);
  const int32_t before = b.StringVariable(scope);
  const int32_t array = b.StringVariable(scope);
  const int32_t s = b.StringVariable(scope);
  const int32_t entry = EmitFunctionHeader(b, {n}, scope);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  b.Command(kCmdStrStrSL, {s, n});
  b.Command(kOpAssignSS, {before, b.StringLiteral("b")});
  const int32_t t0 = ImageBuilder::IntTemp(50);
  b.Command(kOpGreaterLLL, {t0, n, b.IntLiteral(0)});
  const int32_t test = b.Command(kCmdIf, {t0, 0});
  b.Command(kOpSubLLL, {t0, n, b.IntLiteral(1)});
  EmitCall(b, entry, ImageBuilder::StringTemp(50), {t0});
  b.Command(kOpAssignSS, {before, ImageBuilder::StringTemp(50)});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  b.Command(kCmdDimSL, {array, b.IntLiteral(3)});
  b.Command(kCmdEndfunctionS, {s});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Text(result), "2");
}

TEST_F(ControlFlowTest, ReturnInsideAFunctionWithoutGosubDoesNothing) {
  // function f() : return : r = 7 : endfunction r
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {});
  const int32_t r = b.IntVariable(1);
  const int32_t entry = EmitFunctionHeader(b, {}, 1);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  b.Command(kCmdReturn);
  b.Command(kOpAssignLL, {r, b.IntLiteral(7)});
  b.Command(kCmdEndfunctionL, {r});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 7);
  EXPECT_EQ(ProgramReturnStack.Depth(), 0);
}

TEST_F(ControlFlowTest, ExitfunctionInsideAGosubRoutineDropsTheGosubFrame) {
  // function f() : gosub leave : endfunction 1 ; leave: exitfunction 9
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {});
  const int32_t entry = EmitFunctionHeader(b, {}, 1);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  const int32_t jump = b.Command(kCmdGosub, {0});
  b.Command(kCmdEndfunctionL, {b.IntLiteral(1)});
  b.Patch(jump + 1, ImageBuilder::WordAddress(b.Here()));
  b.Command(kCmdExitfunctionL, {b.IntLiteral(9)});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 9);
  EXPECT_EQ(ProgramReturnStack.Depth(), 0);
}

TEST_F(ControlFlowTest, GosubRoutineThatCallsAFunctionKeepsTheCallersLocals) {
  // function g(n) : x = n : gosub sub : endfunction x ; sub: y = f(5) : return
  // function f(k) : endfunction k * 2.  g(3) gives 3, its local untouched by the call.
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {b.IntLiteral(3)});
  const int32_t n = b.IntVariable(1);
  const int32_t x = b.IntVariable(1);
  const int32_t y = b.IntVariable(1);
  const int32_t gEntry = EmitFunctionHeader(b, {n}, 1);
  b.Patch(call + 1, ImageBuilder::WordAddress(gEntry));
  b.Command(kOpAssignLL, {x, n});
  const int32_t jump = b.Command(kCmdGosub, {0});
  b.Command(kCmdEndfunctionL, {x});
  b.Patch(jump + 1, ImageBuilder::WordAddress(b.Here()));
  const int32_t inner = b.Here();
  EmitCall(b, 0, ImageBuilder::IntTemp(50), {b.IntLiteral(5)});
  b.Command(kOpAssignLL, {y, ImageBuilder::IntTemp(50)});
  b.Command(kCmdReturn);
  const int32_t k = b.IntVariable(2);
  const int32_t fEntry = EmitFunctionHeader(b, {k}, 2);
  b.Patch(inner + 1, ImageBuilder::WordAddress(fEntry));
  b.Command(kOpMulLLL, {ImageBuilder::IntTemp(100), k, b.IntLiteral(2)});
  b.Command(kCmdEndfunctionL, {ImageBuilder::IntTemp(100)});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 3);
  EXPECT_EQ(Int(y), 10);
}

TEST_F(ControlFlowTest, EndfunctionWithAValueAndNoCallGoesOnAfterItsOperand) {
  ImageBuilder b;
  const int32_t r = b.IntVariable();
  b.Command(kCmdEndfunctionL, {b.IntLiteral(5)});
  b.Command(kCmdExitfunctionS, {b.StringLiteral("x")});
  b.Command(kCmdEndfunction);
  b.Command(kOpAssignLL, {r, b.IntLiteral(1)});
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(r), 1);
}

TEST_F(ControlFlowTest, ExitfunctionOfTheOtherNumericTypeIsConverted) {
  // An integer function left with exitfunction 2.75 gives 2.
  ImageBuilder b;
  const int32_t result = b.IntVariable();
  const int32_t call = EmitMainProgramCall(b, result, {});
  const int32_t entry = EmitFunctionHeader(b, {}, 1);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  b.Command(kCmdExitfunctionF, {b.FloatLiteral(2.75f)});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(Int(result), 2);
}

TEST_F(ControlFlowTest, RunningIntoAFunctionBodyStops) {
  ImageBuilder b;
  EmitFunctionHeader(b, {}, 1);
  EXPECT_EQ(Run(b), 21);
}

TEST_F(ControlFlowTest, EndOfRunRestoresTheOutermostValues) {
  // function f(n) : x = n : if n > 0 : y = f(n-1) : endif : stop-here (a 0 word at n = 0)
  ImageBuilder b;
  const int32_t call = b.Here();
  EmitCall(b, 0, ImageBuilder::IntTemp(0), {b.IntLiteral(2)});
  EmitEnd(b);
  const int32_t n = b.IntVariable(1);
  const int32_t x = b.IntVariable(1);
  const int32_t entry = EmitFunctionHeader(b, {n}, 1);
  b.Patch(call + 1, ImageBuilder::WordAddress(entry));
  b.Command(kOpAssignLL, {x, n});
  const int32_t t0 = ImageBuilder::IntTemp(50);
  b.Command(kOpGreaterLLL, {t0, n, b.IntLiteral(0)});
  const int32_t test = b.Command(kCmdIf, {t0, 0});
  b.Command(kOpSubLLL, {t0, n, b.IntLiteral(1)});
  EmitCall(b, entry, ImageBuilder::IntTemp(51), {t0});
  b.Patch(test + 2, ImageBuilder::WordAddress(b.Here()));
  EmitEnd(b);
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(ProgramReturnStack.Depth(), 3);
  EXPECT_EQ(Int(x), 0);
  RunSubsystemSteps(&Subsystem::runEnd);
  EXPECT_EQ(ProgramReturnStack.Depth(), 0);
  EXPECT_EQ(Int(x), 2);
  EXPECT_EQ(RunningScope, 0);
}

}  // namespace
}  // namespace qm::test
