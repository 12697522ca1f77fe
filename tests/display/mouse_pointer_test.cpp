// The mouse pointer: where it starts and how it follows the mouse, hiding and showing without new
// records, the caret's blink, the pointer types, the blank pointer, and the system cursor's
// counter behind HIDE MOUSE and SHOW MOUSE in a window.
#include "display/mouse_pointer.h"

#include <gtest/gtest.h>

#include "display/display_commands.h"
#include "display/surface_utilities.h"
#include "runtime/input_mode.h"
#include "sprites_fixture.h"

namespace qm::test {
namespace {

class MousePointerTest : public SpritesTest {
 protected:
  void SetUp() override {
    SpritesTest::SetUp();
    SetInputMode(InputMode::Program);
  }
  void ShowPointer() {
    MakeScreen();
    ASSERT_EQ(LoadMousePointerBitmap(true), 1);
    ShowMouse(1);
  }
  static const DisplayEntity& Pointer() { return DisplayEntityTable[MousePointer.pointerSprite]; }
  static const DisplayEntity& Caret() { return DisplayEntityTable[MousePointer.caretSprite]; }
};

TEST_F(MousePointerTest, ThePointerStartsAtItsPlaceAndFollowsTheMouseFromTheFirstFrame) {
  ShowPointer();
  EXPECT_EQ(MousePointer.pointerSprite, 0) << "the pointer is the first entity";
  EXPECT_EQ(Pointer().x, 320);
  EXPECT_EQ(Pointer().y, 100);
  EXPECT_EQ(Pointer().layer, kPointerLayer);
  EXPECT_EQ(Pointer().userNumber, 0);
  Frame();
  EXPECT_EQ(Pointer().x, 319);
  EXPECT_EQ(Pointer().y, 239);
  EXPECT_NE(Shown(320, 240), 0u) << "the arrow's outline is drawn at the mouse";
  MouseState.x = 100;
  MouseState.y = 50;
  Frame();
  Frame();
  EXPECT_EQ(Shown(320, 240), 0u) << "and its old place restored in both buffers";
  EXPECT_EQ(Back(320, 240), 0u);
  EXPECT_NE(Shown(100, 50), 0u);
}

TEST_F(MousePointerTest, HidingAndShowingKeepsTheRecords) {
  ShowPointer();
  const int32_t entities = DisplayEntityTable.UsedCount(), images = ImageTable.UsedCount();
  HideMouse();
  EXPECT_EQ(IsMouseVisible(), 0);
  EXPECT_EQ(Pointer().x, kPointerAway);
  EXPECT_EQ(Caret().y, kPointerAway);
  Frame();
  EXPECT_EQ(Pointer().x, kPointerAway) << "a hidden pointer does not follow the mouse";
  ShowMouse(1);
  Frame();
  EXPECT_EQ(IsMouseVisible(), 1);
  EXPECT_EQ(Pointer().x, 319);
  EXPECT_EQ(DisplayEntityTable.UsedCount(), entities);
  EXPECT_EQ(ImageTable.UsedCount(), images);
}

TEST_F(MousePointerTest, WhileTheEditorHasTheInputThePointerStaysAway) {
  ShowPointer();
  SetInputMode(InputMode::Editor);
  Frame();
  EXPECT_EQ(Pointer().x, kPointerAway);
  SetInputMode(InputMode::CommandLine);
  Frame();
  EXPECT_EQ(Pointer().x, 319);
}

TEST_F(MousePointerTest, TheCaretShowsAtOnceAndChangesEveryTwentyOneFrames) {
  ShowPointer();
  SetMousePointerType(4);
  MousePointer.caretX = 41;
  MousePointer.caretY = 31;
  Frame();
  EXPECT_EQ(Caret().x, 40) << "shown from the first frame";
  EXPECT_EQ(Caret().imageIndex, MousePointer.barImage);
  struct Step {
    int frames;
    int32_t x;
  };
  for (const Step& step : {Step{20, 40}, Step{1, kPointerAway}, Step{20, kPointerAway}, Step{1, 40}}) {
    for (int i = 0; i < step.frames; ++i) Frame();
    EXPECT_EQ(Caret().x, step.x);
  }
  SetMousePointerType(5);
  MousePointer.caretX = MousePointer.caretY = kPointerAway;
  EXPECT_EQ(Caret().x, kPointerAway);
  for (int i = 0; i < 30; ++i) {
    Frame();
    ASSERT_LT(Caret().x, 0) << "away while it goes on blinking";
  }
}

TEST_F(MousePointerTest, PointerTypesChangeItsImageOnlyWhileShown) {
  ShowPointer();
  const struct {
    int32_t type;
    int32_t MousePointerState::*image;
  } cases[] = {{2, &MousePointerState::barImage},
               {0, &MousePointerState::barImage},
               {6, &MousePointerState::barImage},
               {3, &MousePointerState::blankImage},
               {1, &MousePointerState::arrowImage}};
  for (const auto& c : cases) {
    SetMousePointerType(c.type);
    EXPECT_EQ(Pointer().imageIndex, MousePointer.*c.image) << "type " << c.type;
  }
  HideMouse();
  SetMousePointerType(2);
  EXPECT_EQ(Pointer().imageIndex, MousePointer.arrowImage);
}

TEST_F(MousePointerTest, TheBlankPointerDrawsNothing) {
  ShowPointer();
  SetMousePointerType(3);
  for (int i = 0; i < 3; ++i) Frame();
  for (int y = 236; y < 262; ++y)
    for (int x = 316; x < 342; ++x) ASSERT_EQ(Shown(x, y), 0u) << x << "," << y;
}

TEST_F(MousePointerTest, FreeingThePointerFreesItsRecordsAndBackgrounds) {
  const int32_t images = ImageTable.UsedCount();
  ShowPointer();
  Frame();
  FreeMousePointer();
  EXPECT_EQ(MousePointer.pointerSprite, -1);
  EXPECT_EQ(DisplayEntityTable.UsedCount(), 0);
  EXPECT_EQ(ImageTable.UsedCount(), images);
  EXPECT_NE(TheDisplay.mousePointerSurface, nullptr) << "the pointer bitmap is not the images'";
  FreeMousePointer();
}

}  // namespace
}  // namespace qm::test
