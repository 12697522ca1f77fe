// The text setting as the replay of the SET TEXT requests changes it, and the two fonts made
// from it.
#include "display/text_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/draw_request_queue.h"
#include "platform/display/fonts.h"

namespace qm::test {
namespace {

DrawRequest Setting(int32_t code, int32_t x = 0, const std::string& text = "") {
  DrawRequest request{};
  request.code = code;
  request.x = x;
  std::memcpy(request.text, text.c_str(), text.size() + 1);
  return request;
}

class TextStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTextStateForRun(); }
  void TearDown() override { ResetTextStateForRun(); }
};

TEST_F(TextStateTest, ARunStartsWithSystemTenTransparentAndNormal) {
  EXPECT_EQ(TextState.face, "system");
  EXPECT_EQ(TextState.size, 10);
  EXPECT_EQ(TextState.opaque, 0);
  EXPECT_EQ(TextState.style, 0);
  ASSERT_NE(TextFont(), nullptr);
  EXPECT_EQ(TextFont()->Request().height, 10);
  ASSERT_NE(PrintFont(), nullptr);
  EXPECT_EQ(PrintFont()->Request().face, "system");
}

TEST_F(TextStateTest, StylesGiveWeightAndSlant) {
  ReplayTextRequest(Setting(kDrawTextBoldItalic), nullptr);
  EXPECT_EQ(TextState.style, 3);
  EXPECT_EQ(TextFont()->Request().weight, platform::kWeightBold);
  EXPECT_TRUE(TextFont()->Request().italic);
  ReplayTextRequest(Setting(kDrawTextItalic), nullptr);
  EXPECT_EQ(TextFont()->Request().weight, platform::kWeightNormal);
  ReplayTextRequest(Setting(kDrawTextOpaque), nullptr);
  EXPECT_EQ(TextState.opaque, 1);
}

TEST_F(TextStateTest, ASizeAfterACharacterSetIsInPoints) {
  ReplayTextRequest(Setting(kDrawTextFont, 161, "Arial"), nullptr);
  ReplayTextRequest(Setting(kDrawTextFont, 0, "Arial"), nullptr);
  EXPECT_EQ(ActiveCharset, 161);
  EXPECT_EQ(TextFont()->Request().height, -13);
  EXPECT_EQ(TextFont()->Request().charset, 161);
  EXPECT_EQ(PrintFont()->Request().face, "fixedsys");
  EXPECT_EQ(PrintFont()->Request().charset, 161);
}

TEST_F(TextStateTest, MeasuringCutsAt255CharactersAndAnEmptyTextIsZero) {
  EXPECT_EQ(MeasureText(TextFont(), "").width, 0);
  EXPECT_EQ(MeasureText(TextFont(), std::string(300, 'W')).width,
            MeasureText(TextFont(), std::string(255, 'W')).width);
  EXPECT_GT(MeasureText(TextFont(), "Hi").width, 0);
}

}  // namespace
}  // namespace qm::test
