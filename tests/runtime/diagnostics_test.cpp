// QM.LOG sections and keys, the per-command trace, and the debug listing QM.QMA.
#include "runtime/diagnostics.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/temp_folder.h"
#include "runtime/settings.h"

namespace qm {
namespace {

using platform::CalendarTime;
using TestFolder = platform::testing::TempFolder;

class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings = Settings();
    ASSERT_TRUE(SetUpPaths({root_.Path(), root_ / "work"}));
    platform::InstallClock(&clock_);
  }
  void TearDown() override {
    platform::InstallClock(nullptr);
    DeleteDiagnosticsLog();
    gSettings = Settings();
  }

  std::string LogValue(const char* section, const std::string& key) {
    return platform::ReadProfileString(root_ / "QM.LOG", section, key, "<missing>");
  }
  void SetTime(int minute, int second, int millisecond) {
    clock_.SetCalendar(CalendarTime{2024, 3, 9, 14, minute, second, millisecond, 6});
  }

  TestFolder root_;
  platform::ManualClock clock_;
};

TEST(TraceLogKey, MinuteSecondAndMillisecondPaddedWithBlanks) {
  struct Case {
    int minute, second, millisecond;
    const char* key;
  };
  for (Case c : {Case{5, 7, 42, "5:  7:  42"}, Case{0, 0, 0, "0:  0:   0"}, Case{59, 59, 999, "59: 59: 999"},
                 Case{12, 30, 5, "12: 30:   5"}}) {
    CalendarTime time{2024, 1, 1, 23, c.minute, c.second, c.millisecond, 1};
    EXPECT_EQ(FormatTraceLogKey(time), c.key);
  }
}

TEST(ErrorLogKey, DayMonthYearHourAndMinute) {
  CalendarTime time{2024, 3, 9, 14, 5, 30, 0, 6};
  EXPECT_EQ(FormatErrorLogKey(kRuntimeErrorKind, time), "RUNTIMEERROR ON 9/3/2024 AT 14:5");
  EXPECT_EQ(FormatErrorLogKey(kEngineErrorKind, time), "ENGINEERROR ON 9/3/2024 AT 14:5");
}

TEST_F(DiagnosticsTest, TraceLineIsWrittenUnderItsTimeAtOnce) {
  SetTime(5, 7, 42);
  WriteTraceLog("QUILLMOOR: Reading settings");
  EXPECT_EQ(LogValue("TRACELOG", "5:  7:  42"), "QUILLMOOR: Reading settings");
}

TEST_F(DiagnosticsTest, TwoTraceLinesInOneMillisecondKeepOnlyTheSecond) {
  SetTime(1, 2, 3);
  WriteTraceLog("first");
  WriteTraceLog("second");
  EXPECT_EQ(LogValue("TRACELOG", "1:  2:   3"), "second");
  EXPECT_EQ(root_.Read("QM.LOG").find("first"), std::string::npos);
}

TEST_F(DiagnosticsTest, ErrorLogEntryIsWrittenAtOnce) {
  std::string key = FormatErrorLogKey(kEngineErrorKind, CalendarTime{2024, 3, 9, 14, 5, 0, 0, 6});
  WriteErrorLogEntry(key, "Failed to create a Clipper Object");
  EXPECT_EQ(LogValue("ERRORLOG", "ENGINEERROR ON 9/3/2024 AT 14:5"), "Failed to create a Clipper Object");
}

TEST_F(DiagnosticsTest, TextWithLineBreaksStaysOneEntry) {
  WriteErrorLogEntry("RUNTIMEERROR ON 1/1/2024 AT 0:0", "System Error : first\r\nsecond");
  EXPECT_EQ(LogValue("ERRORLOG", "RUNTIMEERROR ON 1/1/2024 AT 0:0"), "System Error : first  second");
}

TEST_F(DiagnosticsTest, ManyCommandTracesStayInMemoryUntilTheFlush) {
  constexpr int kCommands = 20000;
  for (int word = 0; word < kCommands; ++word) WriteCommandTrace(word, 100 + word % 7);
  EXPECT_FALSE(std::filesystem::exists(root_ / "QM.LOG"));

  FlushDiagnosticsLog();
  platform::IniDocument log;
  ASSERT_TRUE(log.Load(root_ / "QM.LOG"));
  for (int word : {0, 1, 9999, kCommands - 1}) {
    EXPECT_EQ(log.Read("QUILLMOORLOOPMIDDLE", "PC" + std::to_string(word), ""),
              std::to_string(100 + word % 7));
  }
}

TEST_F(DiagnosticsTest, ALaterCommandAtTheSameWordReplacesTheEntry) {
  WriteCommandTrace(4, 151);
  WriteCommandTrace(4, 26);
  FlushDiagnosticsLog();
  EXPECT_EQ(LogValue("QUILLMOORLOOPMIDDLE", "PC4"), "26");
}

TEST_F(DiagnosticsTest, TraceLinesAndCommandTracesShareOneFile) {
  root_.Write("QM.LOG", "[ERRORLOG]\r\nearlier=kept\r\n");
  WriteCommandTrace(0, 151);
  SetTime(0, 1, 2);
  WriteTraceLog("QUILLMOOR: Run ended");
  FlushDiagnosticsLog();
  EXPECT_EQ(LogValue("ERRORLOG", "earlier"), "kept");
  EXPECT_EQ(LogValue("QUILLMOORLOOPMIDDLE", "PC0"), "151");
  EXPECT_EQ(LogValue("TRACELOG", "0:  1:   2"), "QUILLMOOR: Run ended");
}

TEST_F(DiagnosticsTest, DeletingTheLogForgetsEntriesNotYetWritten) {
  WriteCommandTrace(1, 2);
  DeleteDiagnosticsLog();
  FlushDiagnosticsLog();
  EXPECT_FALSE(std::filesystem::exists(root_ / "QM.LOG"));
}

TEST_F(DiagnosticsTest, ListingOfThreeLinesHasExactlyThreeRecordsAfterTheHeader) {
  std::string program = "print 1\r\nprint 2\r\nend";
  ASSERT_TRUE(WriteDebugOutputScript(program.data(), program.size()));
  EXPECT_EQ(root_.Read("QM.QMA"),
            "Debug Output Script\n\n     1 : print 1\r\n     2 : print 2\r\n     3 : end\r\n");
}

TEST_F(DiagnosticsTest, ListingSplitsLinesAtEveryKindOfLineEnd) {
  struct Case {
    std::string text;
    std::string records;
  };
  const Case cases[] = {
      {"", ""},
      {"a\nb", "     1 : a\r\n     2 : b\r\n"},
      {"a\rb", "     1 : a\r\n     2 : b\r\n"},
      {"a\r\n", "     1 : a\r\n"},
      {"a\n\rb", "     1 : a\r\n     2 : \r\n     3 : b\r\n"},
      {std::string("a\r\n\0b", 5), "     1 : a\r\n     2 : b\r\n"},
      {std::string("a\0\0b", 4), "     1 : a\r\n     2 : \r\n     3 : b\r\n"},
      {"\r\n\r\n", "     1 : \r\n     2 : \r\n"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteDebugOutputScript(c.text.data(), c.text.size()));
    EXPECT_EQ(root_.Read("QM.QMA"), "Debug Output Script\n\n" + c.records) << c.text;
  }
}

TEST_F(DiagnosticsTest, ListingStopsAtTheGivenLength) {
  std::string text = "first\r\nsecond";
  ASSERT_TRUE(WriteDebugOutputScript(text.data(), 5));
  EXPECT_EQ(root_.Read("QM.QMA"), "Debug Output Script\n\n     1 : first\r\n");
}

TEST_F(DiagnosticsTest, AListingThatIsALinkIsReplacedNotWrittenThrough) {
  root_.Write("elsewhere/target.txt", "keep");
  std::filesystem::create_symlink(root_ / "elsewhere/target.txt", root_ / "QM.QMA");
  std::string text = "end";
  ASSERT_TRUE(WriteDebugOutputScript(text.data(), text.size()));
  EXPECT_EQ(root_.Read("elsewhere/target.txt"), "keep");
  EXPECT_FALSE(std::filesystem::is_symlink(root_ / "QM.QMA"));
  EXPECT_EQ(root_.Read("QM.QMA"), "Debug Output Script\n\n     1 : end\r\n");
}

TEST_F(DiagnosticsTest, ListingWithoutAProgramFolderReportsFailure) {
  gSettings.programFolder = root_ / "missing/";
  std::string text = "end";
  EXPECT_FALSE(WriteDebugOutputScript(text.data(), text.size()));
}

}  // namespace
}  // namespace qm
