// Runtime errors: raising, the code-to-text table, the shut-down text, the log and the report.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core_fixture.h"
#include "image_builder.h"
#include "platform/clipboard.h"
#include "recording_services.h"
#include "resources/command_ids.h"
#include "runtime/compiler_services.h"
#include "runtime/diagnostics.h"
#include "runtime/language_words.h"
#include "runtime/value_text.h"

namespace qm::test {
namespace {

class RuntimeErrorsTest : public CoreTest {
 protected:
  void TearDown() override {
    FreeLanguageWords();
    CoreTest::TearDown();
  }
  static void LoadEnglishWords() {
    gSettings.programFolder = std::string(QM_SOURCE_DIR) + "/resources/";
    int highest = 0;
    ASSERT_TRUE(LoadLanguageWords(highest));
  }
};

TEST_F(RuntimeErrorsTest, EveryRunOfCodesMapsOntoItsRunOfErrorsKeys) {
  int mapped = 0;
  for (const ErrorWordRun& run : kErrorWordRuns) {
    SCOPED_TRACE(run.firstCode);
    EXPECT_EQ(ErrorsWordKeyForCode(run.firstCode), run.firstKey);
    EXPECT_EQ(ErrorsWordKeyForCode(run.lastCode), run.firstKey + (run.lastCode - run.firstCode));
    mapped += run.lastCode - run.firstCode + 1;
  }
  EXPECT_EQ(mapped, 211);
  int codesWithKey = 0;
  for (RuntimeErrorCode code = -5; code < 11000; ++code) codesWithKey += ErrorsWordKeyForCode(code) >= 0;
  EXPECT_EQ(codesWithKey, 211) << "no code outside the runs has a key";
}

TEST_F(RuntimeErrorsTest, MessageTextsComeFromTheWordsWithFixedTextsAndAFallback) {
  LoadEnglishWords();
  EXPECT_EQ(GetErrorMessageText(10003), GetWord(WordSection::Errors, 163));
  EXPECT_FALSE(GetErrorMessageText(10003).empty());
  EXPECT_EQ(GetErrorMessageText(10008), "Language not found");
  EXPECT_EQ(GetErrorMessageText(10010), "Severe Exception!");
  EXPECT_EQ(GetErrorMessageText(10011), "Language file not updated");
  EXPECT_EQ(GetErrorMessageText(4), "Error 4") << "a code without a text still gives one";
  FreeLanguageWords();
  EXPECT_EQ(GetErrorMessageText(107), "Error 107") << "a word the language lacks";
}

TEST_F(RuntimeErrorsTest, WarningsStayResumableAndErrorsEndTheProgramOutsideTheCommandLine) {
  struct Case {
    RuntimeErrorCode code;
    bool commandLineOpen;
    uint8_t warning;
    uint8_t ended;
  };
  const Case cases[] = {
      {107, false, 0, 1},  {107, true, 0, 0},  {2002, false, 1, 0},  {1503, false, 1, 0},
      {9011, false, 1, 0}, {8002, true, 1, 0}, {10010, false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ResetRuntimeErrorState();
    StopFlag = 0;
    CliActiveFlag = c.commandLineOpen ? 1 : 0;
    RaiseRuntimeError(c.code);
    EXPECT_EQ(PendingErrorCode, c.code);
    EXPECT_EQ(PendingErrorIsWarning, c.warning);
    EXPECT_EQ(ProgramEndedFlag, c.ended);
    EXPECT_EQ(StopFlag, 1);
    EXPECT_TRUE(DrainQuit());
  }
}

TEST_F(RuntimeErrorsTest, TheAlwaysWarningCodesAreExactlyTheListedOnes) {
  const RuntimeErrorCode list[] = {1503, 2002, 2007, 2008, 2009, 2010, 3002, 3004, 3201,
                                   3502, 3504, 3507, 4001, 4002, 4101, 7901, 8002, 9011};
  int warnings = 0;
  for (RuntimeErrorCode code = 0; code < 11000; ++code) warnings += IsAlwaysWarning(code);
  EXPECT_EQ(warnings, 18);
  for (RuntimeErrorCode code : list) EXPECT_TRUE(IsAlwaysWarning(code)) << code;
  EXPECT_FALSE(IsAlwaysWarning(1003)) << "bitmap handlers raise their warnings themselves";
}

TEST_F(RuntimeErrorsTest, ShutDownTextOfASystemErrorEndsWithTheEngineError) {
  LoadEnglishWords();
  RecordingServices services;
  services.display.lastEngineError = "Failed to create a Clipper Object";
  PendingErrorCode = 10003;
  EXPECT_EQ(FormatRuntimeErrorText(),
            "System Error : " + GetWord(WordSection::Errors, 163) + ". Failed to create a Clipper Object");
  PendingErrorCode = 2002;
  PendingErrorIsWarning = 1;
  services.display.lastEngineError.clear();
  EXPECT_EQ(FormatRuntimeErrorText(), "Runtime Warning : " + GetWord(WordSection::Errors, 56) + ". ");
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST_F(RuntimeErrorsTest, TheErrorLogKeyCarriesTheUtcDayAndMinute) {
  char pattern[] = "/tmp/qm-errorlog-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path folder = pattern;
  gSettings.programFolder = folder.string() + "/";
  gSettings.debugModeFlag = true;
  clock_.SetCalendar({2002, 3, 5, 21, 7, 30, 0, 2});

  LogRuntimeError("System Error : Severe Exception!. ");
  FlushDiagnosticsLog();
  const std::string log = ReadFile(folder / "QM.LOG");
  EXPECT_NE(log.find("[ERRORLOG]"), std::string::npos) << log;
  EXPECT_NE(log.find("RUNTIMEERROR ON 5/3/2002 AT 21:7=System Error : Severe Exception!. "),
            std::string::npos)
      << log;
  DeleteDiagnosticsLog();
  std::filesystem::remove_all(folder);
}

// SPACE$ with 300 on line 4: the result temporary and the literal.
class ErrorReportTest : public RuntimeErrorsTest {
 protected:
  void SetUp() override {
    RuntimeErrorsTest::SetUp();
    ImageBuilder builder;
    builder.Command(1, {});
    builder.SetLine(4);
    commandWord_ = builder.Command(kCmdSpaceStr, {ImageBuilder::StringTemp(0), builder.IntLiteral(300)});
    builder.Command(2, {ImageBuilder::FloatTemp(1)});
    builder.EndProgram();
    ASSERT_TRUE(CreateQuillmoorBlocksFromParser(builder));
    StoreStringResult(ProgramImage.dataBlock[CellIndexOf(ImageBuilder::StringTemp(0))], "old");
    ProgramImage.dataBlock[CellIndexOf(ImageBuilder::FloatTemp(1))].f = 1000000.0f;
  }
  int32_t commandWord_ = 0;
};

TEST_F(ErrorReportTest, StandAloneFormTypesOperandsByTheirRange) {
  InternalErrorCode = 15002;
  // Nine operand positions are looked at: the next command's id is no cell, its operand is.
  EXPECT_EQ(BuildRuntimeErrorReport(commandWord_),
            "Line Number:4\nCommand Number:256\nInternal Error Code:15002\n"
            "P1:old\nP2:300\nP4:1e+006\n");
}

TEST_F(ErrorReportTest, FormWithTheCompilerNamesTheCommandAndUsesItsSignature) {
  class FakeCompiler : public CompilerServices {
   public:
    bool Present() override { return true; }
    bool CommandName(int32_t id, std::string& name) override {
      name = id == kCmdSpaceStr ? "space$" : "?";
      return true;
    }
    char SignatureLetter(int32_t, int32_t position) override {
      return position == 1 ? 's' : position == 2 ? 'l' : 0;
    }
  } compiler;
  Subsystem withCompiler;
  withCompiler.services.compiler = &compiler;
  Install({&withCompiler});
  EXPECT_EQ(BuildRuntimeErrorReport(commandWord_),
            "Line Number:4\nCommand Number:256\nName:space$\nP1:old\nP2:300\n");
}

TEST_F(ErrorReportTest, RuntimeTestPutsTheFailingCommandsReportOnTheClipboard) {
  gSettings.runtimeTestFlag = true;
  Interpreter.command = DecodedAt(commandWord_);
  RaiseRuntimeError(107);
  std::string clipboard;
  ASSERT_TRUE(platform::GetClipboardText(clipboard));
  EXPECT_EQ(clipboard.rfind("Line Number:4\nCommand Number:256\n", 0), 0u) << clipboard;

  platform::SetClipboardText("untouched");
  RaiseRuntimeWarning(2002);
  ASSERT_TRUE(platform::GetClipboardText(clipboard));
  EXPECT_EQ(clipboard, "untouched") << "only RaiseRuntimeError reports";

  Interpreter.command = nullptr;  // raised outside a command (a queued drawing request)
  RaiseRuntimeError(1001);
  ASSERT_TRUE(platform::GetClipboardText(clipboard));
  EXPECT_EQ(clipboard, "untouched");
}

}  // namespace
}  // namespace qm::test
