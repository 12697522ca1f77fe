// The display card choice: WIN.INI's card and depth, the "**ask**" screens with typed answers, and
// the cases where nobody can answer.
#include "display/display_card_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "display/display_services.h"
#include "display_core_fixture.h"
#include "platform/display/text_context.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "tests/platform/temp_folder.h"

namespace qm::test {
namespace {

using platform::DisplayDriverInfo;

class CardChoiceTest : public DisplayCoreTest {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    platform::OverrideWindowsFolder(windows_.Path());
    CardChoice = DisplayCardChoice{};
  }
  void TearDown() override {
    platform::OverrideWindowsFolder("");
    CardChoice = DisplayCardChoice{};
    DisplayCoreTest::TearDown();
  }

  void SetCards(std::vector<DisplayDriverInfo> drivers) {
    platform::DisplayConfiguration().drivers = std::move(drivers);
  }
  void WriteState(const std::string& card, const char* depth) {
    ASSERT_TRUE(platform::WriteProfileString(WinIniPath(), kStateDataSection, "BEST3DCARD", card));
    if (depth != nullptr) {
      ASSERT_TRUE(platform::WriteProfileString(WinIniPath(), kStateDataSection, "BEST3DDEPTH", depth));
    }
  }
  std::string Stored(const char* key) {
    return platform::ReadProfileString(WinIniPath(), kStateDataSection, key, "<missing>");
  }
  static std::vector<std::string> Texts(int32_t screen) {
    std::vector<std::string> texts;
    for (const CardScreenText& line : CardScreenLines(screen)) texts.push_back(line.text);
    return texts;
  }
  static bool Shows(int32_t screen, const std::string& text) {
    const std::vector<std::string> texts = Texts(screen);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  const DisplayDriverInfo primary_{"", "Primary Display Driver", "display"};
  const DisplayDriverInfo fast_{"{fast}", "Fast 3D Card", "fast"};
  const DisplayDriverInfo other_{"{other}", "Other Card", "other"};
  platform::testing::TempFolder windows_;
};

TEST_F(CardChoiceTest, AListedCardIsFoundWhateverTheCaseOfItsNameWithItsDepth) {
  SetCards({primary_, fast_});
  struct Case {
    const char* depth;  // null: no key
    int32_t expected;
  };
  for (const Case& c : {Case{"24", 24}, Case{"32", 32}, Case{"16", 16}, Case{"8", 16}, Case{"0", 16},
                        Case{"garbage", 16}, Case{"", 16}, Case{nullptr, 16}}) {
    SCOPED_TRACE(c.depth != nullptr ? c.depth : "(none)");
    std::filesystem::remove(WinIniPath());
    WriteState("fAST 3d CARD", c.depth);
    TheDisplay.best3DDepth = 99;
    ChooseBest3DCard();
    EXPECT_EQ(TheDisplay.best3DDepth, c.expected);
    EXPECT_EQ(TheDisplay.currentCardName, "fAST 3d CARD");
    EXPECT_TRUE(CardScreenLines(1).empty() && CardScreenLines(2).empty()) << "nothing asked";
  }
  // The display set-up finds the same card, not the primary.
  SetFullScreenFlag(1);
  ASSERT_EQ(InitDirectX(false, true), 1);
  EXPECT_EQ(TheDisplay.cardInUseName, "Fast 3D Card");
}

TEST_F(CardChoiceTest, AskingWithOneCardShowsOnlyTheReportAndWritesTheChoiceAfterAKey) {
  SetCards({primary_});
  WriteState("**ASK**", nullptr);
  platform::headless::ScriptTypeText("x");
  ChooseBest3DCard();
  EXPECT_TRUE(CardScreenLines(1).empty()) << "one card: no list";
  const std::vector<std::string> report = Texts(2);
  const std::vector<std::string> expected = {"Primary Display Driver", "Supports 3D at 640x480x16", "No",
                                             "Supports Alphablending"};
  ASSERT_GE(report.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), report.begin()));
  // Our software device is no hardware 3D: the report says so.
  EXPECT_TRUE(Shows(2, "YOUR GRAPHICS CARD IS NOT"));
  EXPECT_TRUE(Shows(2, "RECOMMENDED FOR HIGH-CONTENT 3D"));
  EXPECT_TRUE(Shows(2, "PRESS ANY KEY"));
  EXPECT_EQ(Stored("BEST3DCARD"), "Primary Display Driver");
  EXPECT_EQ(Stored("BEST3DDEPTH"), "16");
  EXPECT_EQ(TheDisplay.best3DDepth, 16);
  EXPECT_EQ(TheDisplay.directDraw, nullptr) << "the probe leaves no display behind";
  EXPECT_EQ(CardChoice.cardScreenShowing, 0);
}

TEST_F(CardChoiceTest, AskingWithSeveralCardsListsThemAndTakesTheDigitTyped) {
  SetCards({primary_, fast_, other_});
  WriteState("**ask**", nullptr);
  platform::headless::ScriptTypeText("9a2 ");  // 9 and a choose nothing
  ChooseBest3DCard();
  const std::vector<std::string> list = Texts(1);
  const std::vector<std::string> expected = {"MULTIPLE DISPLAY CARDS DETECTED",
                                             "1. Primary Display Driver",
                                             "2. Fast 3D Card",
                                             "3. Other Card",
                                             "PLEASE SELECT KEYS 1 to 3",
                                             "TO CHOOSE YOUR BEST CARD",
                                             "(THIS WINDOW ONLY APPEARS ONCE)"};
  EXPECT_EQ(list, expected);
  const std::vector<CardScreenText>& lines = CardScreenLines(1);
  ASSERT_EQ(lines.size(), expected.size());
  EXPECT_EQ(lines[1].y - lines[0].y, 30);
  EXPECT_EQ(lines[4].y - lines[0].y, 52 + 14 * 3);
  EXPECT_EQ(lines[0].colour, platform::ColorRef(255, 192, 40));
  EXPECT_EQ(lines[1].colour, platform::ColorRef(255, 255, 255));
  EXPECT_EQ(Stored("BEST3DCARD"), "Fast 3D Card");
  EXPECT_EQ(Stored("BEST3DDEPTH"), "16");
  EXPECT_TRUE(Shows(2, "Fast 3D Card"));
}

TEST_F(CardChoiceTest, NobodyToAnswerNeverBlocksAndThePrimaryIsUsed) {
  struct Case {
    const char* name;
    std::vector<DisplayDriverInfo> drivers;
    const char* writtenCard;  // what BEST3DCARD holds afterwards
  };
  const Case cases[] = {
      {"no card listed", {}, "Primary Display Driver"},
      {"one card, no key for the report", {primary_}, "Primary Display Driver"},
      {"a list nobody answers", {primary_, fast_}, "**ask**"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetCards(c.drivers);
    std::filesystem::remove(WinIniPath());
    WriteState("**ask**", nullptr);
    TheDisplay.best3DDepth = 32;
    ChooseBest3DCard();
    EXPECT_EQ(TheDisplay.currentCardName, "Primary Display Driver");
    EXPECT_EQ(TheDisplay.best3DDepth, 16);
    EXPECT_EQ(Stored("BEST3DCARD"), c.writtenCard);
  }
}

TEST_F(CardChoiceTest, AQuitRequestEndsTheWait) {
  SetCards({primary_, fast_});
  WriteState("**ask**", nullptr);
  platform::PostQuitMessage(3);
  ChooseBest3DCard();
  EXPECT_EQ(Stored("BEST3DCARD"), "**ask**");
  platform::Message message;
  ASSERT_TRUE(platform::PeekMessage(message, true));
  EXPECT_EQ(message.id, platform::kMsgQuit) << "the quit is left for the run loop";
}

TEST_F(CardChoiceTest, AHardwareDeviceIsReportedWithTheFirstDepthItWorksAt) {
  SetCards({primary_});
  platform::DeviceDesc hal;
  hal.guid = platform::kDeviceHal;
  hal.name = "HAL";
  hal.description = "Hardware device";
  hal.devCaps = platform::kDevCapsHwRasterization;
  platform::Device3DConfiguration().devices.push_back(hal);
  WriteState("**ask**", nullptr);
  platform::headless::ScriptTypeText(" ");
  ChooseBest3DCard();
  EXPECT_TRUE(Shows(2, "Supports 3D at 640x480x16"));
  EXPECT_EQ(CardScreenLines(2)[2].text, "Yes");
  EXPECT_EQ(CardScreenLines(2)[2].colour, platform::ColorRef(255, 255, 0));
  EXPECT_FALSE(Shows(2, "YOUR GRAPHICS CARD IS NOT"));
  EXPECT_EQ(Stored("BEST3DDEPTH"), "16");
}

TEST_F(CardChoiceTest, ARunChoosesItsCardThroughTheDisplayServices) {
  SetCards({primary_, fast_});
  WriteState("Fast 3D Card", "32");
  DisplayCore().ChooseBest3DCard();
  EXPECT_EQ(DisplayCore().Best3DDepth(), 32);
  EXPECT_EQ(TheDisplay.currentCardName, "Fast 3D Card");
}

}  // namespace
}  // namespace qm::test
