// The engine error log: the last sentence, and its line in QM.LOG under DEBUGMODE.
#include "display/engine_error_log.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/core_fixture.h"
#include "runtime/diagnostics.h"

namespace qm::test {
namespace {

class EngineErrorLogTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    char pattern[] = "/tmp/qm-engineerror-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    gSettings.programFolder = folder_.string() + "/";
    ClearLastEngineError();
  }
  void TearDown() override {
    DeleteDiagnosticsLog();
    std::filesystem::remove_all(folder_);
    ClearLastEngineError();
    CoreTest::TearDown();
  }
  std::string ReadLog() {
    FlushDiagnosticsLog();
    std::ifstream in(folder_ / "QM.LOG", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  std::filesystem::path folder_;
};

TEST_F(EngineErrorLogTest, UnderDebugModeTheSentenceGoesIntoTheErrorLogUnderTheUtcMinute) {
  gSettings.debugModeFlag = true;
  clock_.SetCalendar({2024, 3, 5, 14, 7, 42, 500, 2});
  LogEngineError("Failed to create a Clipper Object");
  const std::string log = ReadLog();
  EXPECT_NE(log.find("[ERRORLOG]"), std::string::npos) << log;
  EXPECT_NE(log.find("ENGINEERROR ON 5/3/2024 AT 14:7=Failed to create a Clipper Object"), std::string::npos)
      << log;
  EXPECT_EQ(GetLastEngineError(), "Failed to create a Clipper Object");
}

TEST_F(EngineErrorLogTest, WithoutDebugModeNothingIsWrittenButTheSentenceIsKept) {
  LogEngineError("Failed to create a Clipper Object");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "QM.LOG"));
  EXPECT_EQ(GetLastEngineError(), "Failed to create a Clipper Object");
}

TEST_F(EngineErrorLogTest, ALaterErrorOfTheSameMinuteReplacesTheEarlierInTheFile) {
  gSettings.debugModeFlag = true;
  clock_.SetCalendar({2024, 3, 5, 14, 7, 0, 0, 2});
  LogEngineError("Failed to create a Light Object");
  clock_.SetCalendar({2024, 3, 5, 14, 7, 59, 0, 2});
  LogEngineError("Failed to enable Light Object");
  clock_.SetCalendar({2024, 3, 5, 14, 8, 0, 0, 2});
  LogEngineError("Failed to set Light Object Properties");
  const std::string log = ReadLog();
  EXPECT_EQ(log.find("Failed to create a Light Object"), std::string::npos) << log;
  EXPECT_NE(log.find("AT 14:7=Failed to enable Light Object"), std::string::npos) << log;
  EXPECT_NE(log.find("AT 14:8=Failed to set Light Object Properties"), std::string::npos) << log;
  EXPECT_EQ(GetLastEngineError(), "Failed to set Light Object Properties");
}

TEST_F(EngineErrorLogTest, TheLastSentenceKeepsItsFirst255Characters) {
  LogEngineError(std::string(300, 'x'));
  EXPECT_EQ(GetLastEngineError(), std::string(kEngineErrorTextLimit, 'x'));
}

}  // namespace
}  // namespace qm::test
