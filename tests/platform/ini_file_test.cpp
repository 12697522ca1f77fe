#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "temp_folder.h"

namespace qm::platform {
namespace {

using testing::TempFolder;

// One read: file content, what is asked, what comes back.
struct ReadCase {
  const char* name;
  const char* content;
  const char* section;
  const char* key;
  const char* defaultValue;
  std::size_t bufferSize;
  std::string expected;
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

const char kSettings[] =
    "; settings\r\n"
    "[Settings]\r\n"
    "TextLanguage = English  \r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "OneQuote=\"open\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "Empty=\r\n"
    "Equals=a=b\r\n"
    "\r\n"
    "[Other]\r\n"
    "TextLanguage=German\r\n"
    "[settings]\r\n"
    "Late=hidden\r\n";

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsAsProfileStrings) {
  const ReadCase& c = GetParam();
  TempFolder folder;
  folder.Write("setup.ini", c.content);
  EXPECT_EQ(ReadProfileString(folder / "setup.ini", c.section, c.key, c.defaultValue, c.bufferSize),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"trimmed", kSettings, "Settings", "TextLanguage", "", 256, "English"},
        ReadCase{"sectionAndKeyIgnoreCase", kSettings, "SETTINGS", "textlanguage", "", 256, "English"},
        ReadCase{"askedNamesTrimmed", kSettings, " Settings ", " TextLanguage ", "", 256, "English"},
        ReadCase{"otherSection", kSettings, "other", "TEXTLANGUAGE", "", 256, "German"},
        ReadCase{"quotesStrippedOnce", kSettings, "Settings", "Quoted", "", 256, "  spaced  "},
        ReadCase{"singleQuotes", kSettings, "Settings", "Single", "", 256, "x"},
        ReadCase{"unmatchedQuoteKept", kSettings, "Settings", "OneQuote", "", 256, "\"open"},
        ReadCase{"firstDuplicateWins", kSettings, "Settings", "DUP", "", 256, "first"},
        ReadCase{"emptyValueIsNotDefault", kSettings, "Settings", "Empty", "dflt", 256, ""},
        ReadCase{"firstEqualsSplits", kSettings, "Settings", "Equals", "", 256, "a=b"},
        ReadCase{"firstOfTwoSectionsUsed", kSettings, "Settings", "Late", "dflt", 256, "dflt"},
        ReadCase{"missingKeyGivesDefault", kSettings, "Settings", "Nope", "dflt  ", 256, "dflt"},
        ReadCase{"missingSectionGivesDefault", kSettings, "Nope", "TextLanguage", "d", 256, "d"},
        ReadCase{"commentNeverMatches", kSettings, "Settings", "; settings", "d", 256, "d"},
        ReadCase{"cutToBuffer", kSettings, "Settings", "TextLanguage", "", 4, "Eng"},
        ReadCase{"defaultCutToBuffer", kSettings, "Settings", "Nope", "abcdef", 3, "ab"},
        ReadCase{"zeroBuffer", kSettings, "Settings", "TextLanguage", "", 0, ""},
        ReadCase{"lfLineEnds", "[A]\nkey=lf value\nnext=2\n", "a", "KEY", "", 256, "lf value"},
        ReadCase{"mixedLineEnds", "[A]\r\nx=1\ny=2\r\n", "A", "y", "", 256, "2"},
        ReadCase{"noFinalLineEnd", "[A]\r\nx=last", "A", "x", "", 256, "last"},
        ReadCase{"byteOrderMark", "\xEF\xBB\xBF[A]\r\nx=1\r\n", "A", "x", "", 256, "1"},
        ReadCase{"keyBeforeAnySection", "x=1\r\n[A]\r\n", "A", "x", "none", 256, "none"},
        ReadCase{"tabsTrimmed", "[A]\r\n\tx\t=\tv\t\r\n", "A", "x", "", 256, "v"}),
    [](const ::testing::TestParamInfo<ReadCase>& testInfo) { return std::string(testInfo.param.name); });

TEST(IniRead, MissingFileGivesDefault) {
  TempFolder folder;
  EXPECT_EQ(ReadProfileString(folder / "none.ini", "A", "x", "fallback"), "fallback");
  EXPECT_FALSE(std::filesystem::exists(folder / "none.ini"));
}

TEST(IniRead, ValueOf300CharactersIsCutTo255) {
  TempFolder folder;
  std::string value(300, 'v');
  value[254] = 'L';  // the last character that fits
  folder.Write("long.ini", "[A]\r\nlong=" + value + "\r\n");
  std::string read = ReadProfileString(folder / "long.ini", "A", "long", "", 256);
  EXPECT_EQ(read.size(), 255u);
  EXPECT_EQ(read.back(), 'L');
}

TEST(IniRead, FileNameResolvesIgnoringCase) {
  TempFolder folder;
  folder.Write("Lang/English/words.txt", "[GENERAL]\r\n1=Hello\r\n");
  EXPECT_EQ(ReadProfileString(folder / "LANG/ENGLISH/WORDS.TXT", "general", "1", ""), "Hello");
}

// One write applied to a file, and the whole file afterwards.
struct WriteCase {
  const char* name;
  const char* before;  // nullptr: no file
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, WritesInPlace) {
  const WriteCase& c = GetParam();
  TempFolder folder;
  if (c.before) folder.Write("f.ini", c.before);
  ASSERT_TRUE(WriteProfileString(folder / "f.ini", c.section, c.key, c.value));
  EXPECT_EQ(folder.Read("f.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(
        WriteCase{"fileCreated", nullptr, "State", "Intro", "1", "[State]\r\nIntro=1\r\n"},
        WriteCase{"valueReplacedKeepingKeySpelling", "[S]\r\n  Intro = 0 \r\n; note\r\n", "s", "INTRO", "1",
                  "[S]\r\nIntro=1\r\n; note\r\n"},
        WriteCase{"keyAddedBeforeBlankLines", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "a", "z", "3",
                  "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"sectionAddedAtEnd", "[A]\r\nx=1\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"firstDuplicateReplaced", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "9", "[A]\r\nk=9\r\nK=2\r\n"},
        WriteCase{"lfFileWrittenWithCrLf", "[A]\nx=1\n[B]\ny=2\n", "B", "y", "3",
                  "[A]\r\nx=1\r\n[B]\r\ny=3\r\n"},
        WriteCase{"emptyValue", "[A]\r\nx=1\r\n", "A", "x", "", "[A]\r\nx=\r\n"},
        WriteCase{"quotesWrittenAsGiven", nullptr, "A", "x", "\" a \"", "[A]\r\nx=\" a \"\r\n"},
        WriteCase{"otherLinesUntouched", "junk line\r\n[A]  \r\n;c=1\r\nx = 1\r\n", "A", "y", "2",
                  "junk line\r\n[A]  \r\n;c=1\r\nx = 1\r\ny=2\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& testInfo) { return std::string(testInfo.param.name); });

TEST(IniWrite, KeyWrittenTwiceKeepsOneEntryWithTheLastValue) {
  TempFolder folder;
  ASSERT_TRUE(WriteProfileString(folder / "f.ini", "A", "k", "first"));
  ASSERT_TRUE(WriteProfileString(folder / "f.ini", "a", "K", "second"));
  EXPECT_EQ(folder.Read("f.ini"), "[A]\r\nk=second\r\n");
  EXPECT_EQ(ReadProfileString(folder / "f.ini", "A", "k", ""), "second");
}

TEST(IniWrite, BadInputIsRefusedAndTheFileKept) {
  TempFolder folder;
  folder.Write("f.ini", "[A]\r\nx=1\r\n");
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A", "x", "two\r\nlines"));
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A", "k=v", "1"));
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A]", "k", "1"));
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "", "k", "1"));
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A", " ", "1"));
  // Keys that would read back as a section header or a comment.
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A", "[B]", "1"));
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A", " ;k", "1"));
  EXPECT_EQ(folder.Read("f.ini"), "[A]\r\nx=1\r\n");
}

TEST(IniDocument, AFileLargerThanTheLimitIsRefusedWithItsReason) {
  TempFolder folder;
  folder.Write("big.ini", "[A]\r\nk=" + std::string(kMaxIniFileBytes, 'x') + "\r\n");
  IniDocument document;
  std::string error;
  EXPECT_FALSE(document.Load(folder / "big.ini", &error));
  EXPECT_EQ(error, folder / "big.ini" + ": larger than 4 MB");
  EXPECT_EQ(ReadProfileString(folder / "big.ini", "A", "k", "default"), "default");
  EXPECT_FALSE(WriteProfileString(folder / "big.ini", "A", "k", "1"));
}

TEST(IniWrite, MissingFolderFailsAndCreatesNothing) {
  TempFolder folder;
  EXPECT_FALSE(WriteProfileString(folder / "no/such/f.ini", "A", "x", "1"));
  EXPECT_FALSE(std::filesystem::exists(folder / "no"));
}

TEST(IniWrite, FailedReplaceKeepsTheOldFileAndLeavesNoTemporary) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "f.ini/inside");  // a folder where the file should be
  EXPECT_FALSE(WriteProfileString(folder / "f.ini", "A", "x", "1"));
  EXPECT_TRUE(std::filesystem::exists(folder / "f.ini/inside"));
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) entries += entry.exists();
  EXPECT_EQ(entries, 1);
}

TEST(IniDocument, ManyWritesInMemoryThenOneFlushGiveTheSameFile) {
  TempFolder folder;
  folder.Write("log.ini", "[TRACELOG]\r\nstart=1\r\n");
  folder.Write("direct.ini", "[TRACELOG]\r\nstart=1\r\n");
  IniDocument log;
  ASSERT_TRUE(log.Load(folder / "log.ini"));
  constexpr int kWrites = 2000, kDirectWrites = 200;
  for (int i = 0; i < kWrites; ++i) {
    std::string key = "PC" + std::to_string(i % 500);
    ASSERT_TRUE(log.Write("QUILLMOORLOOPMIDDLE", key, std::to_string(i)));
    if (i < kDirectWrites) {
      ASSERT_TRUE(WriteProfileString(folder / "direct.ini", "QUILLMOORLOOPMIDDLE", key, std::to_string(i)));
    }
  }
  EXPECT_EQ(folder.Read("log.ini"), "[TRACELOG]\r\nstart=1\r\n");  // nothing written before Flush
  EXPECT_TRUE(log.HasUnsavedChanges());
  ASSERT_TRUE(log.Flush());
  EXPECT_FALSE(log.HasUnsavedChanges());
  EXPECT_EQ(log.Read("quillmoorloopmiddle", "pc499", ""), "1999");

  IniDocument direct;
  ASSERT_TRUE(direct.Load(folder / "direct.ini"));
  for (int i = kDirectWrites; i < kWrites; ++i) {
    direct.Write("QUILLMOORLOOPMIDDLE", "PC" + std::to_string(i % 500), std::to_string(i));
  }
  EXPECT_EQ(direct.Text(), folder.Read("log.ini"));
}

TEST(IniDocument, FailedFlushKeepsChangesForALaterTry) {
  TempFolder folder;
  IniDocument document;
  ASSERT_TRUE(document.Load(folder / "later/f.ini"));
  ASSERT_TRUE(document.Write("A", "x", "1"));
  EXPECT_FALSE(document.Flush());
  EXPECT_TRUE(document.HasUnsavedChanges());
  std::filesystem::create_directories(folder / "later");
  EXPECT_TRUE(document.Flush());
  EXPECT_EQ(folder.Read("later/f.ini"), "[A]\r\nx=1\r\n");
}

}  // namespace
}  // namespace qm::platform

namespace qm::platform {
namespace {

TEST(IniRead, ChangeOfTheSameSizeIsSeenAtOnce) {
  TempFolder folder;
  for (const char* value : {"0", "1", "0"}) {
    folder.Write("setup.ini", std::string("[SETTINGS]\r\nDEBUGMODE=") + value + "\r\n");
    EXPECT_EQ(ReadProfileString(folder / "setup.ini", "SETTINGS", "DEBUGMODE", ""), value);
  }
}

}  // namespace
}  // namespace qm::platform
