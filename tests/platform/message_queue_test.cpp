#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_system.h"

namespace qm::platform {
namespace {

namespace headless = qm::platform::headless;

Message Posted(uint32_t id, uint64_t wParam = 0) {
  Message message;
  message.id = id;
  message.wParam = wParam;
  return message;
}

// Every message waiting, read with remove, as (id, wParam) pairs; translated like a message loop.
std::vector<std::pair<uint32_t, uint64_t>> DrainTranslating() {
  std::vector<std::pair<uint32_t, uint64_t>> seen;
  Message message;
  while (PeekMessage(message, true)) {
    seen.emplace_back(message.id, message.wParam);
    if (message.id == kMsgQuit) break;
    TranslateMessage(message);
  }
  return seen;
}

std::vector<Message> gDispatched;
int64_t RecordingProc(const Message& message) {
  gDispatched.push_back(message);
  return DefaultWindowProc(message);
}

class MessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::ResetHeadlessPlatform();
    gDispatched.clear();
  }
  void TearDown() override { headless::ResetHeadlessPlatform(); }
};

TEST_F(MessageQueueTest, MessagesComeBackInTheOrderPosted) {
  for (uint64_t i = 1; i <= 5; ++i) PostMessage(Posted(kMsgPaint, i));
  Message peeked;
  ASSERT_TRUE(PeekMessage(peeked, false));
  EXPECT_EQ(peeked.wParam, 1u);  // peeking without remove leaves it
  std::vector<uint64_t> order;
  Message message;
  while (PeekMessage(message, true)) order.push_back(message.wParam);
  EXPECT_EQ(order, (std::vector<uint64_t>{1, 2, 3, 4, 5}));
}

TEST_F(MessageQueueTest, QuitComesAfterWaitingMessagesAndOnlyOnce) {
  PostMessage(Posted(kMsgPaint, 1));
  PostQuitMessage(3);
  PostQuitMessage(4);  // a second request changes only the exit code
  PostMessage(Posted(kMsgPaint, 2));
  Message message;
  ASSERT_TRUE(PeekMessage(message, true));
  EXPECT_EQ(message.wParam, 1u);
  ASSERT_TRUE(PeekMessage(message, true));
  EXPECT_EQ(message.wParam, 2u);
  ASSERT_TRUE(PeekMessage(message, false));
  EXPECT_EQ(message.id, kMsgQuit);
  ASSERT_TRUE(PeekMessage(message, true));
  EXPECT_EQ(message.id, kMsgQuit);
  EXPECT_EQ(message.wParam, 4u);
  EXPECT_FALSE(PeekMessage(message, true));
}

// A pump inside the running loop (as INKEY$ does in SYNC ON) meets the quit that ESC caused,
// stops and posts it again: the outer loop must then see exactly one quit.
TEST_F(MessageQueueTest, QuitPostedDuringAPumpIsSeenOnceByTheOuterLoop) {
  ASSERT_TRUE(CreateMainWindow("Quillmoor Editor", 640, 480, [](const Message& message) -> int64_t {
    if (message.id == kMsgKeyDown && message.wParam == kVkEscape) PostQuitMessage(0);
    return 0;
  }));
  headless::ScriptKeyPress(kVkEscape);
  headless::ScriptTypeText("x");

  Message message;
  while (PeekMessage(message, true)) {  // the inner pump
    if (message.id == kMsgQuit) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    TranslateMessage(message);
    DispatchMessage(message);
  }
  int quits = 0;
  while (PeekMessage(message, true)) quits += message.id == kMsgQuit;  // the outer loop
  EXPECT_EQ(quits, 1);
}

TEST_F(MessageQueueTest, ScriptedLetterGivesKeyDownThenItsCharacter) {
  headless::ScriptTypeText("a");
  EXPECT_EQ(DrainTranslating(), (std::vector<std::pair<uint32_t, uint64_t>>{
                                    {kMsgKeyDown, 0x41}, {kMsgChar, 97}, {kMsgKeyUp, 0x41}}));
}

struct TypedCase {
  const char* name;
  int key;
  uint64_t character;
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const TypedCase& c, std::ostream* out) { *out << c.name; }

class TypedKeyTest : public MessageQueueTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedKeyTest, KeyPressTypesItsEightBitCode) {
  headless::ScriptKeyPress(GetParam().key);
  auto seen = DrainTranslating();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], (std::pair<uint32_t, uint64_t>{kMsgKeyDown, static_cast<uint64_t>(GetParam().key)}));
  EXPECT_EQ(seen[1], (std::pair<uint32_t, uint64_t>{kMsgChar, GetParam().character}));
}

INSTANTIATE_TEST_SUITE_P(Keys, TypedKeyTest,
                         ::testing::Values(TypedCase{"backspace", kVkBack, 8}, TypedCase{"tab", kVkTab, 9},
                                           TypedCase{"enter", kVkReturn, 13},
                                           TypedCase{"escape", kVkEscape, 27},
                                           TypedCase{"space", kVkSpace, 32}, TypedCase{"digit", '7', '7'},
                                           TypedCase{"letter", 'Q', 'q'}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(MessageQueueTest, KeysWithoutCharactersTypeNothing) {
  headless::ScriptKeyPress(kVkF12);
  headless::ScriptKeyPress(kVkLeft);
  for (const auto& [id, wParam] : DrainTranslating()) EXPECT_NE(id, kMsgChar) << wParam;
}

TEST_F(MessageQueueTest, TypedTextKeepsEveryCharacterInOrder) {
  headless::ScriptTypeText("Hi 9\xE9\b\r");
  std::vector<uint64_t> characters;
  for (const auto& [id, wParam] : DrainTranslating())
    if (id == kMsgChar) characters.push_back(wParam);
  EXPECT_EQ(characters, (std::vector<uint64_t>{'H', 'i', ' ', '9', 0xE9, 8, 13}));
}

TEST_F(MessageQueueTest, ShiftMakesLettersUpperCase) {
  headless::ScriptKeyDown(kVkShift);
  headless::ScriptKeyPress('B');
  headless::ScriptKeyUp(kVkShift);
  headless::ScriptKeyPress('B');
  std::vector<uint64_t> characters;
  for (const auto& [id, wParam] : DrainTranslating())
    if (id == kMsgChar) characters.push_back(wParam);
  EXPECT_EQ(characters, (std::vector<uint64_t>{'B', 'b'}));
}

TEST_F(MessageQueueTest, CloseRequestBecomesQuitAndKeepsTheWindow) {
  ASSERT_TRUE(CreateMainWindow("Quillmoor Editor", 640, 480, RecordingProc));
  headless::ScriptCloseRequest();
  Message message;
  ASSERT_TRUE(PeekMessage(message, true));
  EXPECT_EQ(message.id, kMsgClose);
  DispatchMessage(message);
  ASSERT_TRUE(PeekMessage(message, true));
  EXPECT_EQ(message.id, kMsgQuit);
  EXPECT_TRUE(MainWindowExists());
}

TEST_F(MessageQueueTest, WindowEventsArriveWithTheirParameters) {
  ASSERT_TRUE(CreateMainWindow("t", 640, 480, RecordingProc));
  headless::ScriptActivation(false);
  headless::ScriptWindowMove(-5, 20);
  headless::ScriptWindowResize(800, 600);
  headless::ScriptPaint();
  headless::ScriptMouseMove(1, 1);
  headless::ScriptMouseMove(10, 12);  // replaces the move still waiting
  headless::ScriptMouseButton(headless::MouseButton::Right, true, 10, 12);
  headless::ScriptMouseWheel(-1);
  headless::ScriptActivation(true);
  Message message;
  while (PeekMessage(message, true)) DispatchMessage(message);

  std::vector<uint32_t> ids;
  for (const Message& m : gDispatched) ids.push_back(m.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{kMsgActivate, kMsgMove, kMsgSize, kMsgPaint, kMsgMouseMove,
                                        kMsgRButtonDown, kMsgMouseWheel, kMsgActivate}));
  EXPECT_EQ(gDispatched[0].wParam, kActivateInactive);
  EXPECT_EQ(PointX(gDispatched[1].lParam), -5);
  EXPECT_EQ(PointY(gDispatched[1].lParam), 20);
  EXPECT_EQ(PointX(gDispatched[2].lParam), 800);
  EXPECT_EQ(PointY(gDispatched[2].lParam), 600);
  EXPECT_EQ(PointX(gDispatched[4].lParam), 10);
  EXPECT_EQ(gDispatched[5].wParam & kMouseButtonRight, kMouseButtonRight);
  EXPECT_EQ(WheelDelta(gDispatched[6].wParam), -kWheelDeltaPerNotch);
  EXPECT_EQ(gDispatched[7].wParam, kActivateActive);
}

TEST_F(MessageQueueTest, WindowLifecycle) {
  headless::FailNextWindowCreate();
  EXPECT_FALSE(CreateMainWindow("t", 640, 480, RecordingProc));
  ASSERT_TRUE(CreateMainWindow("Quillmoor Editor", 640, 480, RecordingProc));
  EXPECT_FALSE(CreateMainWindow("second", 640, 480, RecordingProc));
  SetMainWindowTitle("Quillmoor Editor 2");
  SetMainWindowPlacement(10, 20, 320, 240);
  EXPECT_EQ(headless::Window().title, "Quillmoor Editor 2");
  EXPECT_EQ(headless::Window().width, 320);
  DestroyMainWindow();
  EXPECT_FALSE(MainWindowExists());
  ASSERT_EQ(gDispatched.size(), 1u);
  EXPECT_EQ(gDispatched[0].id, kMsgDestroy);
  EXPECT_EQ(DispatchMessage(Posted(kMsgPaint)), 0);  // no window procedure any more
  EXPECT_EQ(gDispatched.size(), 1u);
}

TEST_F(MessageQueueTest, AsyncStateFollowsInputNotTheQueue) {
  headless::ScriptKeyDown(kVkF12);
  EXPECT_LT(GetAsyncKeyState(kVkF12), 0);  // held, though the key-down is still in the queue
  EXPECT_LT(GetAsyncKeyState(kVkF12), 0);
  headless::ScriptKeyUp(kVkF12);
  EXPECT_EQ(GetAsyncKeyState(kVkF12), 0);
  headless::ScriptKeyPress(kVkEscape);
  EXPECT_EQ(GetAsyncKeyState(kVkEscape), 1);  // pressed since the last query, not held
  EXPECT_EQ(GetAsyncKeyState(kVkEscape), 0);
  EXPECT_EQ(GetAsyncKeyState(-1), 0);
  EXPECT_EQ(GetAsyncKeyState(4096), 0);
  Message message;
  int messages = 0;
  while (PeekMessage(message, true)) ++messages;
  EXPECT_EQ(messages, 4);
}

TEST_F(MessageQueueTest, ScriptedHoldsEndByQueryCountOrByTime) {
  headless::HoldKeyForQueries(kVkEscape, 2);
  EXPECT_NE(GetAsyncKeyState(kVkEscape), 0);
  EXPECT_NE(GetAsyncKeyState(kVkEscape), 0);
  EXPECT_EQ(GetAsyncKeyState(kVkEscape), 0);

  ManualClock clock(1000);
  Clock* previous = InstallClock(&clock);
  headless::HoldKeyUntil(kVkF11, 1050);
  int polls = 0;
  while (GetAsyncKeyState(kVkF11) != 0 && polls < 1000) {
    SleepMs(10);
    ++polls;
  }
  EXPECT_EQ(clock.Milliseconds(), 1050u);
  InstallClock(previous);

  headless::SetKeyHeld(kVkShift, true);
  EXPECT_LT(GetAsyncKeyState(kVkShift), 0);
  headless::SetKeyHeld(kVkShift, false);
  EXPECT_EQ(GetAsyncKeyState(kVkShift), 0);
}

TEST_F(MessageQueueTest, ModifierSidesAndMouseButtonsHaveAsyncState) {
  headless::ScriptKeyDown(kVkShift);
  headless::ScriptMouseButton(headless::MouseButton::Left, true, 0, 0);
  EXPECT_LT(GetAsyncKeyState(kVkShift), 0);
  EXPECT_LT(GetAsyncKeyState(kVkLShift), 0);
  EXPECT_EQ(GetAsyncKeyState(kVkRShift), 0);
  EXPECT_LT(GetAsyncKeyState(kVkLButton), 0);
}

// Relative motion from the positions the mouse messages carry, whether or not anyone reads the
// messages: the first position only sets where motion starts, a move that replaces one still
// waiting in the queue still counts, and the wheel gives whole notches.
TEST_F(MessageQueueTest, MouseMotionFollowsTheMouseMessages) {
  struct Step {
    void (*script)();
    int dx, dy, wheelNotches;
  };
  const Step steps[] = {
      {[] { headless::ScriptMouseMove(100, 100); }, 0, 0, 0},
      {[] {
         headless::ScriptMouseMove(110, 95);
         headless::ScriptMouseMove(130, 90);
       },
       30, -10, 0},
      {[] { headless::ScriptMouseButton(headless::MouseButton::Left, true, 120, 90); }, -10, 0, 0},
      {[] {
         headless::ScriptMouseWheel(2);
         headless::ScriptMouseWheel(-5);
       },
       0, 0, -3},
      // Moving the system pointer is no motion: the next move counts from where it was put.
      {[] {
         MoveSystemPointer(300, 200);
         headless::ScriptMouseMove(305, 190);
       },
       5, -10, 0},
      {[] {}, 0, 0, 0},
  };
  for (const Step& step : steps) {
    step.script();
    const MouseMotion motion = TakeMouseMotion();
    EXPECT_EQ(motion.dx, step.dx);
    EXPECT_EQ(motion.dy, step.dy);
    EXPECT_EQ(motion.wheelNotches, step.wheelNotches);
  }
  EXPECT_EQ(headless::Window().pointerX, 300);
  EXPECT_EQ(headless::Window().pointerY, 200);
  // A part of a notch waits for the rest.
  Message wheel;
  wheel.id = kMsgMouseWheel;
  wheel.wParam = static_cast<uint64_t>(static_cast<uint16_t>(60)) << 16;
  DeliverInputMessage(wheel);
  EXPECT_EQ(TakeMouseMotion().wheelNotches, 0);
  DeliverInputMessage(wheel);
  EXPECT_EQ(TakeMouseMotion().wheelNotches, 1);
}

TEST_F(MessageQueueTest, FullQueueRefusesMoreMessages) {
  for (int i = 0; i < kMessageQueueLimit; ++i) ASSERT_TRUE(PostMessage(Posted(kMsgPaint)));
  EXPECT_FALSE(PostMessage(Posted(kMsgPaint)));
}

TEST_F(MessageQueueTest, ClipboardKeepsEightBitTextInMemory) {
  std::string text = "unchanged";
  EXPECT_FALSE(GetClipboardText(text));
  EXPECT_EQ(text, "unchanged");
  ASSERT_TRUE(SetClipboardText("Line Number:12\r\nCaf\xE9"));
  ASSERT_TRUE(GetClipboardText(text));
  EXPECT_EQ(text, "Line Number:12\r\nCaf\xE9");
  headless::SetClipboardUsable(false);
  EXPECT_FALSE(SetClipboardText("x"));
  EXPECT_FALSE(GetClipboardText(text));
}

TEST_F(MessageQueueTest, MessageBoxGoesToStderr) {
  ::testing::internal::CaptureStderr();
  ShowMessageBox("Error In Program", "System Error : 10001");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error In Program: System Error : 10001\n");
  ASSERT_EQ(headless::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(headless::ShownMessageBoxes()[0].title, "Error In Program");
}

TEST(PlatformWindowing, HeadlessIsChosenWhenAsked) {
  setenv("QUILLMOOR_HEADLESS", "1", 1);
  EXPECT_EQ(InitPlatformWindowing(), WindowBackend::Headless);
  EXPECT_EQ(CurrentWindowBackend(), WindowBackend::Headless);
  ShutDownPlatformWindowing();
}

}  // namespace
}  // namespace qm::platform
