// The interface language words: finding and reading WORDS.TXT, the derived help settings, and
// the English word file that ships with the system.
#include "runtime/language_words.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/ini_file.h"
#include "platform/temp_folder.h"
#include "runtime/error_codes.h"
#include "runtime/settings.h"

namespace qm {
namespace {

using TestFolder = platform::testing::TempFolder;

class LanguageWordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings = Settings();
    ASSERT_TRUE(SetUpPaths({root_.Path(), root_ / "work"}));
  }
  void TearDown() override {
    FreeLanguageWords();
    gSettings = Settings();
  }

  // SETUP.INI as a start-up finds it: written, then read once.
  void WriteSetup(const std::string& settings) {
    root_.Write("SETUP.INI", "[SETTINGS]\r\n" + settings);
    ASSERT_TRUE(LoadSetupFile());
  }
  void WriteWords(const std::string& words, const std::string& folder = "lang/ENGLISH") {
    root_.Write(folder + "/WORDS.TXT", words);
  }
  static std::string ErrorsUpTo(int lastKey) {
    std::string section = "[ERRORS]\r\n";
    for (int key = 1; key <= lastKey; ++key)
      section += std::to_string(key) + "=text " + std::to_string(key) + "\r\n";
    return section;
  }

  TestFolder root_;
};

TEST_F(LanguageWordsTest, LowerCaseLanguageFindsTheUpperCaseFolder) {
  WriteSetup("TEXTLANGUAGE=english\r\n");
  WriteWords("[GENERAL]\r\n1=No\r\n");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  EXPECT_EQ(GetWord(WordSection::General, 1), "No");
}

TEST_F(LanguageWordsTest, OtherLanguageReadsItsOwnFolder) {
  WriteSetup("TEXTLANGUAGE=Deutsch\r\n");
  WriteWords("[GENERAL]\r\n1=No\r\n");
  WriteWords("[GENERAL]\r\n1=Nein\r\n", "LANG/DEUTSCH");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  EXPECT_EQ(GetWord(WordSection::General, 1), "Nein");
}

TEST_F(LanguageWordsTest, MissingWordFileIsReportedButHelpSettingsAreStillSet) {
  WriteSetup("TEXTLANGUAGE=Klingon\r\nHELPLANGUAGE=german\r\nHELPFONTSIZE=12\r\n");
  WriteWords("[GENERAL]\r\n1=No\r\n");
  int highest = -1;
  EXPECT_FALSE(LoadLanguageWords(highest));
  EXPECT_EQ(GetWord(WordSection::General, 1), "");
  EXPECT_EQ(HelpFolder(), "\\LANG\\GERMAN\\HELP\\");
  EXPECT_EQ(HelpFontSize(), 12);
}

TEST_F(LanguageWordsTest, HighestErrorsKeyTellsAnOldFileFromACurrentOne) {
  struct Case {
    int lastKey;
    bool current;
  };
  for (Case c : {Case{236, false}, Case{237, true}, Case{255, true}}) {
    WriteWords(ErrorsUpTo(c.lastKey));
    int highest = -1;
    ASSERT_TRUE(LoadLanguageWords(highest));
    EXPECT_EQ(highest, c.lastKey);
    EXPECT_EQ(highest >= kNewestErrorsKey, c.current) << c.lastKey;
  }
}

TEST_F(LanguageWordsTest, FileWithoutErrorsReportsKeyZero) {
  WriteWords("[GENERAL]\r\n1=No\r\n");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  EXPECT_EQ(highest, 0);
}

TEST_F(LanguageWordsTest, EveryWordIsFoundBySectionAndKey) {
  WriteWords(
      "[general]\r\n0=Zero\r\n29=Last\r\n30=Beyond\r\n"
      "[MENU]\n99=Menu end\n"
      "[TITLE]\r\n19=Title end\r\n"
      "[DESC]\r\n9 = percent \r\n40=\"Runtime\"\r\n41=\r\n"
      "[COMPILER]\r\n47=at line\r\n62=Compiler end\r\n63=Beyond\r\n"
      "[ERRORS]\r\n16=Division by zero\r\n16=Second copy\r\n255=Errors end\r\n");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  EXPECT_EQ(highest, 255);
  struct Case {
    WordSection section;
    int key;
    const char* word;
  };
  for (Case c : {Case{WordSection::General, 0, "Zero"}, Case{WordSection::General, 29, "Last"},
                 Case{WordSection::General, 30, ""}, Case{WordSection::General, -1, ""},
                 Case{WordSection::Menu, 99, "Menu end"}, Case{WordSection::Title, 19, "Title end"},
                 Case{WordSection::Desc, 9, "percent"}, Case{WordSection::Desc, 40, "Runtime"},
                 // Present but empty, and missing: the built-in English word (41 has none).
                 Case{WordSection::Desc, 41, ""}, Case{WordSection::Desc, 42, "Untitled program"},
                 Case{WordSection::Compiler, 47, "at line"}, Case{WordSection::Compiler, 62, "Compiler end"},
                 Case{WordSection::Compiler, 63, ""}, Case{WordSection::Errors, 16, "Division by zero"},
                 Case{WordSection::Errors, 255, "Errors end"}, Case{WordSection::Errors, 256, ""}}) {
    EXPECT_EQ(GetWord(c.section, c.key), c.word) << static_cast<int>(c.section) << " " << c.key;
  }
}

// A damaged file that lost words still gives every message: the missing ones in English.
TEST_F(LanguageWordsTest, WordsMissingFromADamagedFileAreTheBuiltInEnglishOnes) {
  WriteWords("[DESC]\r\n39=Fehler\r\n[ERRORS]\r\n110=Eigener Text\r\n112=\r\n");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  EXPECT_EQ(GetWord(WordSection::Desc, 39), "Fehler");
  EXPECT_EQ(GetWord(WordSection::Desc, 40), "Runtime");
  EXPECT_EQ(GetWord(WordSection::Errors, 110), "Eigener Text");
  EXPECT_FALSE(GetWord(WordSection::Errors, 111).empty());
  EXPECT_FALSE(GetWord(WordSection::Errors, 112).empty());
  EXPECT_EQ(GetWord(WordSection::Compiler, 47), "at line");
}

TEST_F(LanguageWordsTest, AWordsFileLargerThanTheLimitIsRefusedWithItsReason) {
  WriteWords("[GENERAL]\r\n1=" + std::string(5 << 20, 'x') + "\r\n");
  int highest = -1;
  std::string error;
  EXPECT_FALSE(LoadLanguageWords(highest, &error));
  EXPECT_NE(error.find("WORDS.TXT: larger than 4 MB"), std::string::npos) << error;
}

// The words are what a read of each section's keys in the file finds, however the file is
// spelled: the first of two sections of a name and the first of two entries of a key count (even
// an empty one), keys are numbers as they print, names in any case, blanks and one pair of quotes
// around a value dropped, a byte order mark before the first header skipped.
TEST_F(LanguageWordsTest, WordsAreWhatAReadOfTheFileFinds) {
  const std::string words =
      "\xEF\xBB\xBF[Errors]\r\n"
      "1=first\r\n1=second\r\n2=\r\n2=not this\r\n"
      "07=leading zero\r\n+8=sign\r\n 9 = blanks \r\n10='quoted'\r\n11=\"half\r\n"
      "; 12=comment\r\n13\r\n14==equals\r\n=15\r\n"
      "[GENERAL]\n1=general\n[errors]\r\n3=second section\r\n"
      "[ menu ]\r\n5=menu\r\n[TITLE\r\n6=no bracket\r\n";
  WriteWords(words);
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  platform::IniDocument file;
  file.Parse(words);
  const std::pair<WordSection, const char*> sections[] = {
      {WordSection::General, "GENERAL"},   {WordSection::Menu, "MENU"},
      {WordSection::Title, "TITLE"},       {WordSection::Desc, "DESC"},
      {WordSection::Compiler, "COMPILER"}, {WordSection::Errors, "ERRORS"}};
  for (auto [section, name] : sections) {
    for (int key = 0; key <= 255; ++key) {
      const std::string read = file.Read(name, std::to_string(key), "");
      if (!read.empty()) {
        EXPECT_EQ(GetWord(section, key), read) << name << " " << key;
      }
    }
  }
  EXPECT_EQ(GetWord(WordSection::Errors, 1), "first");
  EXPECT_EQ(GetWord(WordSection::Errors, 9), "blanks");
  EXPECT_EQ(GetWord(WordSection::Errors, 10), "quoted");
  EXPECT_EQ(GetWord(WordSection::Menu, 5), "menu");
  EXPECT_EQ(GetWord(WordSection::Title, 6), "no bracket");
  EXPECT_NE(GetWord(WordSection::Errors, 2), "not this");
  EXPECT_NE(GetWord(WordSection::Errors, 3), "second section");
  EXPECT_NE(GetWord(WordSection::Errors, 7), "leading zero");
  EXPECT_EQ(highest, 14);
}

TEST_F(LanguageWordsTest, WordsAreCutTo255Characters) {
  WriteWords("[DESC]\r\n1=" + std::string(300, 'w') + "\r\n");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  EXPECT_EQ(GetWord(WordSection::Desc, 1), std::string(255, 'w'));
}

TEST_F(LanguageWordsTest, FreedWordsAreGone) {
  WriteWords("[GENERAL]\r\n1=No\r\n");
  int highest = -1;
  ASSERT_TRUE(LoadLanguageWords(highest));
  FreeLanguageWords();
  EXPECT_EQ(GetWord(WordSection::General, 1), "");
}

TEST_F(LanguageWordsTest, HelpFolderAndNumbersComeFromTheSetupFile) {
  struct Case {
    const char* settings;
    const char* helpFolder;
    int textCharset, helpCharset;
  };
  for (Case c :
       {Case{"", "\\HELP\\", 0, 0}, Case{"HELPLANGUAGE=eNgLiSh\r\n", "\\HELP\\", 0, 0},
        Case{"HELPLANGUAGE=german\r\nHELPLANGUAGE-CHARSET=238\r\n", "\\LANG\\GERMAN\\HELP\\", 0, 238},
        Case{"TEXTLANGUAGE-CHARSET=161\r\n", "\\HELP\\", 161, 0}}) {
    WriteSetup(c.settings);
    int highest = -1;
    LoadLanguageWords(highest);
    EXPECT_EQ(HelpFolder(), c.helpFolder) << c.settings;
    EXPECT_EQ(TextCharset(), c.textCharset) << c.settings;
    EXPECT_EQ(HelpCharset(), c.helpCharset) << c.settings;
  }
}

// The word file that ships with the system, read from the source tree as the program reads it.
class ShippedWordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings = Settings();
    ASSERT_TRUE(SetUpPaths({std::string(QM_SOURCE_DIR) + "/resources", work_.Path()}));
    int highest = -1;
    ASSERT_TRUE(LoadLanguageWords(highest));
    highestErrorsKey_ = highest;
  }
  void TearDown() override {
    FreeLanguageWords();
    gSettings = Settings();
  }

  static void ExpectWords(WordSection section, const std::vector<std::pair<int, int>>& ranges) {
    for (auto [first, last] : ranges) {
      for (int key = first; key <= last; ++key) {
        EXPECT_FALSE(GetWord(section, key).empty())
            << "section " << static_cast<int>(section) << " key " << key;
      }
    }
  }

  TestFolder work_;
  int highestErrorsKey_ = 0;
};

TEST_F(ShippedWordsTest, IsCurrentAndHasEveryCompilerMessage) {
  EXPECT_GE(highestErrorsKey_, kNewestErrorsKey);
  ExpectWords(WordSection::Compiler, {{1, 54}});
}

TEST_F(ShippedWordsTest, HasTheWordsOfTheEditorAndTheRuntimeCommandLine) {
  ExpectWords(WordSection::General, {{1, 2}, {4, 7}, {9, 24}});
  ExpectWords(WordSection::Menu,
              {{1, 6}, {11, 18}, {21, 27}, {31, 34}, {41, 51}, {61, 62}, {71, 79}, {91, 93}});
  ExpectWords(WordSection::Title, {{1, 7}, {10, 11}});
  ExpectWords(WordSection::Desc, {{2, 3}, {9, 40}, {42, 47}, {49, 65}});
}

TEST_F(ShippedWordsTest, EveryRuntimeErrorCodeHasAText) {
  int codes = 0;
  for (const ErrorWordRun& run : kErrorWordRuns) {
    for (int code = run.firstCode; code <= run.lastCode; ++code, ++codes) {
      int key = run.firstKey + (code - run.firstCode);
      EXPECT_FALSE(GetWord(WordSection::Errors, key).empty()) << "code " << code << " key " << key;
    }
  }
  EXPECT_EQ(codes, 211);
}

TEST(ShippedWordsFile, EndsEveryLineWithCarriageReturnAndLineFeed) {
  std::string text;
  {
    std::ifstream in(std::string(QM_SOURCE_DIR) + "/resources/lang/ENGLISH/WORDS.TXT", std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_FALSE(text.empty());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "line feed alone at byte " << i;
  }
  EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace qm
