// SETUP.INI settings, the folders and work files fixed at start-up, the stand-alone window.
#include "runtime/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/temp_folder.h"
#include "runtime/diagnostics.h"

namespace qm {
namespace {

using TestFolder = platform::testing::TempFolder;

// A program folder and a missing work-file folder inside one temporary folder.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings = Settings();
    std::filesystem::create_directories(root_ / "program");
    ASSERT_TRUE(SetUpPaths({root_ / "program", root_ / "work"}));
  }
  void TearDown() override {
    DeleteDiagnosticsLog();
    gSettings = Settings();
  }

  void WriteSetup(const std::string& settings) {
    root_.Write("program/SETUP.INI", "[SETTINGS]\r\n" + settings);
  }
  void ReadSettings() {
    int32_t fullScreen = 1, windowMode = 0;
    ReadSetupSettings(fullScreen, windowMode);
  }

  TestFolder root_;
};

// Restores the current folder at the end of a test that changes it.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderGuard() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST_F(SettingsTest, PathsEndWithASeparatorAndWorkFilesLiveInTheTemporaryFolder) {
  EXPECT_EQ(ProgramFolder(), root_ / "program/");
  EXPECT_EQ(TempFolder(), root_ / "work/");
  EXPECT_EQ(WorkFilePath(), root_ / "work/workfile.tmp");
  EXPECT_EQ(WorkFile2Path(), root_ / "work/workfil2.tmp");
  EXPECT_EQ(WorkWavPath(), root_ / "work/workfile.wav");
  EXPECT_EQ(StartFolder(), std::filesystem::current_path().string() + "/");
}

TEST_F(SettingsTest, MissingTemporaryFolderIsCreatedPrivateToTheUser) {
  struct stat info;
  ASSERT_EQ(stat((root_ / "work").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SettingsTest, ExistingTemporaryFolderOpenToOthersIsMadePrivate) {
  std::filesystem::create_directories(root_ / "shared");
  chmod((root_ / "shared").c_str(), 0755);
  ASSERT_TRUE(SetUpPaths({root_ / "program", root_ / "shared"}));
  struct stat info;
  ASSERT_EQ(stat((root_ / "shared").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SettingsTest, TemporaryFolderThatIsALinkIsRefused) {
  std::filesystem::create_directories(root_ / "elsewhere");
  std::filesystem::create_directory_symlink(root_ / "elsewhere", root_ / "link");
  EXPECT_FALSE(SetUpPaths({root_ / "program", root_ / "link"}));
}

TEST(SettingsDefaults, RealFoldersAreTheExecutablesFolderAndAPrivateTemporaryFolder) {
  gSettings = Settings();
  ASSERT_TRUE(SetUpPaths());
  std::string executable = platform::ExecutablePath();
  EXPECT_EQ(ProgramFolder(), executable.substr(0, executable.rfind('/') + 1));
  struct stat info;
  ASSERT_EQ(stat(TempFolder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, getuid());
  gSettings = Settings();
}

struct FlagCase {
  const char* line;
  bool on;
};

class FlagValueTest : public SettingsTest, public ::testing::WithParamInterface<FlagCase> {};

// A flag is on only for the value "1" as the INI rules read it (blanks and quotes around it go).
TEST_P(FlagValueTest, OnlyTheValueOneSwitchesAFlagOn) {
  const std::string value = GetParam().line;
  WriteSetup("BLITFLIPMODE=" + value + "\r\nBLITOVERDRAW=" + value + "\r\nDEBUGMODE=" + value +
             "\r\nTRACEMODE=" + value + "\r\nRUNTIMETEST=" + value + "\r\n");
  ReadSettings();
  bool on = GetParam().on;
  EXPECT_EQ(BlitFlipMode(), on);
  EXPECT_EQ(BlitOverdrawCount(), on ? 2 : 1);
  EXPECT_EQ(DebugModeFlag(), on);
  EXPECT_EQ(TraceModeFlag(), on);
  EXPECT_EQ(RuntimeTestFlag(), on);
}

INSTANTIATE_TEST_SUITE_P(Values, FlagValueTest,
                         ::testing::Values(FlagCase{"1", true}, FlagCase{" 1", true}, FlagCase{"1 ", true},
                                           FlagCase{"\"1\"", true}, FlagCase{"0", false},
                                           FlagCase{"01", false}, FlagCase{"true", false},
                                           FlagCase{"2", false}, FlagCase{"", false}, FlagCase{"1x", false}));

TEST_F(SettingsTest, MissingSetupFileLeavesEverySettingAtItsDefault) {
  int32_t fullScreen = 1, windowMode = 0;
  ReadSetupSettings(fullScreen, windowMode);
  EXPECT_EQ(fullScreen, 1);
  EXPECT_EQ(windowMode, 0);
  EXPECT_FALSE(DebugModeFlag());
  EXPECT_EQ(BlitOverdrawCount(), 1);
  EXPECT_EQ(VertexBufferCreateMode(), 0);
  EXPECT_EQ(ExternalEditorPath(), "");
}

TEST_F(SettingsTest, NumberKeysReadTheirLeadingDigits) {
  WriteSetup("VBCREATE=3\r\nVBUSAGE=-2\r\n3DOVERLAY=1abc\r\nPOPUPOFF=99999999999\r\n");
  ReadSettings();
  EXPECT_EQ(VertexBufferCreateMode(), 3);
  EXPECT_EQ(VertexBufferUsageMode(), -2);
  EXPECT_EQ(Overlay3DMode(), 1);
  EXPECT_EQ(PopupOffMode(), INT32_MAX);
}

TEST_F(SettingsTest, SettingNumberTable) {
  struct Case {
    const char* text;
    int32_t number;
  };
  for (Case c : {Case{"", 0}, Case{"abc", 0}, Case{"42", 42}, Case{" 7", 7}, Case{"+5", 5}, Case{"-3x", -3},
                 Case{"-99999999999", INT32_MIN}}) {
    EXPECT_EQ(SettingNumber(c.text), c.number) << c.text;
  }
}

TEST_F(SettingsTest, WindowModeOneAsksForAWindow) {
  WriteSetup("WINDOWMODE=1\r\n");
  int32_t fullScreen = 1, windowMode = 0;
  ReadSetupSettings(fullScreen, windowMode);
  EXPECT_EQ(fullScreen, 0);
  EXPECT_EQ(windowMode, 1);
}

TEST_F(SettingsTest, SetupFileIsFoundWhateverTheCaseOfItsName) {
  root_.Write("program/setup.ini", "[settings]\r\ndebugmode=1\r\n");
  ReadSettings();
  EXPECT_TRUE(DebugModeFlag());
}

class LogSwitchTest : public SettingsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LogSwitchTest, EachDiagnosticsSwitchStartsAFreshLog) {
  root_.Write("program/QM.LOG", "[TRACELOG]\r\nold=entry\r\n");
  WriteSetup(std::string(GetParam()) + "=1\r\n");
  ReadSettings();
  EXPECT_FALSE(std::filesystem::exists(root_ / "program/QM.LOG"));
}

TEST_P(LogSwitchTest, ASwitchThatIsOffKeepsTheLog) {
  root_.Write("program/QM.LOG", "[TRACELOG]\r\nold=entry\r\n");
  WriteSetup(std::string(GetParam()) + "=0\r\n");
  ReadSettings();
  EXPECT_TRUE(std::filesystem::exists(root_ / "program/QM.LOG"));
}

INSTANTIATE_TEST_SUITE_P(Switches, LogSwitchTest, ::testing::Values("DEBUGMODE", "TRACEMODE", "RUNTIMETEST"));

// The run takes its window request from what start-up read: the loader's trace lines, written
// between the two, stay in the log.
TEST_F(SettingsTest, TheRunsWindowRequestKeepsTheTraceWrittenSinceStartUp) {
  WriteSetup("TRACEMODE=1\r\nWINDOWMODE=1\r\n");
  ReadSettings();
  WriteTraceLog("loaded");
  int32_t fullScreen = 1, windowMode = 0;
  ApplyWindowModeSetting(fullScreen, windowMode);
  EXPECT_EQ(fullScreen, 0);
  EXPECT_EQ(windowMode, 1);
  FlushDiagnosticsLog();
  EXPECT_NE(root_.Read("program/QM.LOG").find("loaded"), std::string::npos);
}

// SETUP.INI is parsed once into one document: a change made after start-up is not seen, and a
// file too large to be settings is refused with its reason, every setting at its default.
TEST_F(SettingsTest, TheSetupFileIsReadOnceAndRefusedBeyondTheLimit) {
  WriteSetup("DEBUGMODE=1\r\n");
  ReadSettings();
  WriteSetup("DEBUGMODE=0\r\n");
  EXPECT_EQ(SetupDocument().Read("SETTINGS", "DEBUGMODE", ""), "1");

  WriteSetup("DEBUGMODE=1\r\n" + std::string(5 << 20, ';') + "\r\n");
  int32_t fullScreen = 1, windowMode = 0;
  std::string error;
  EXPECT_FALSE(ReadSetupSettings(fullScreen, windowMode, &error));
  EXPECT_EQ(error, root_ / "program/SETUP.INI" + ": larger than 4 MB");
  EXPECT_FALSE(DebugModeFlag());
}

TEST_F(SettingsTest, SwitchesAreReadFromTheProgramFolderWhateverTheCurrentFolder) {
  CurrentFolderGuard guard;
  root_.Write("elsewhere/SETUP.INI", "[SETTINGS]\r\nRUNTIMETEST=0\r\n");
  root_.Write("elsewhere/QM.LOG", "[TRACELOG]\r\nkept=yes\r\n");
  root_.Write("program/QM.LOG", "[TRACELOG]\r\nold=entry\r\n");
  WriteSetup("RUNTIMETEST=1\r\n");
  std::filesystem::current_path(root_ / "elsewhere");
  ReadSettings();
  EXPECT_TRUE(RuntimeTestFlag());
  EXPECT_FALSE(std::filesystem::exists(root_ / "program/QM.LOG"));
  EXPECT_TRUE(std::filesystem::exists(root_ / "elsewhere/QM.LOG"));
}

TEST_F(SettingsTest, ExternalEditorNamingAMissingFileIsOff) {
  WriteSetup("EXTERNALEDITOR=tools\\editor.sh\r\n");
  ReadSettings();
  EXPECT_EQ(ExternalEditorPath(), "");
}

TEST_F(SettingsTest, ExternalEditorIsTheProgramFolderFollowedByTheValue) {
  root_.Write("program/Tools/Editor.sh", "#!/bin/sh\n");
  WriteSetup("EXTERNALEDITOR=tools\\editor.sh\r\n");
  ReadSettings();
  EXPECT_EQ(ExternalEditorPath(), root_ / "program/Tools/Editor.sh");
}

TEST_F(SettingsTest, DeleteWorkFilesRemovesOnlyTheWaveWorkFileAndReturnsToTheStartFolder) {
  CurrentFolderGuard guard;
  root_.Write("work/workfile.wav", "RIFF");
  root_.Write("work/workfile.tmp", "print 1");
  std::filesystem::current_path(root_ / "program");
  DeleteWorkFiles();
  EXPECT_FALSE(std::filesystem::exists(root_ / "work/workfile.wav"));
  EXPECT_TRUE(std::filesystem::exists(root_ / "work/workfile.tmp"));
  EXPECT_EQ(std::filesystem::current_path().string() + "/", StartFolder());
}

TEST_F(SettingsTest, StandaloneStartupWithWindowOneAsksForTheWindowBeforeItExists) {
  root_.Write("program/setup.ini",
              "[STARTUP]\r\nWINDOW=1\r\nWINPOSX=10\r\nWINPOSY=20\r\nWINSIZEX=320\r\nWINSIZEY=240\r\n");
  ReadStandaloneStartupSection(root_ / "program/setup.ini");
  EXPECT_EQ(StandaloneWindowState(), 1);
  EXPECT_EQ(gSettings.standaloneWindowX, 10);
  EXPECT_EQ(gSettings.standaloneWindowY, 20);
  EXPECT_EQ(gSettings.standaloneWindowWidth, 320);
  EXPECT_EQ(gSettings.standaloneWindowHeight, 240);
}

TEST_F(SettingsTest, StandaloneStartupWithoutWindowKeepsFullScreen) {
  root_.Write("program/setup.ini", "[STARTUP]\r\nWINDOW=0\r\n");
  ReadStandaloneStartupSection(root_ / "program/setup.ini");
  EXPECT_EQ(StandaloneWindowState(), 0);
}

TEST_F(SettingsTest, StandaloneWindowSettingsDoNothingInTheDevelopmentSystem) {
  CurrentFolderGuard guard;
  root_.Write("program/SETUP.INI", "[STARTUP]\r\nWINDOW=1\r\n");
  std::filesystem::current_path(root_ / "program");
  int32_t fullScreen = 1, windowMode = 0;
  ReadStandaloneWindowSettings(fullScreen, windowMode);
  EXPECT_EQ(fullScreen, 1);
  EXPECT_EQ(windowMode, 0);
  EXPECT_EQ(StandaloneWindowState(), 0);
}

TEST_F(SettingsTest, StandaloneWindowSettingsPreferThePackedCopy) {
  root_.Write("work/_virtual.dat", "[STARTUP]\r\nWINDOW=1\r\nWINPOSX=5\r\nWINSIZEX=400\r\n");
  gSettings.standaloneWindowState = 2;
  std::string askedName, askedEnding;
  PackedFileLookup lookup = [&](const std::string& name, const std::string& ending) {
    askedName = name;
    askedEnding = ending;
    return std::optional<std::string>(root_ / "work/_virtual.dat");
  };
  int32_t fullScreen = 1, windowMode = 0;
  ReadStandaloneWindowSettings(fullScreen, windowMode, lookup);
  EXPECT_EQ(askedName, "setup.ini");
  EXPECT_EQ(askedEnding, "dat");
  EXPECT_EQ(fullScreen, 0);
  EXPECT_EQ(windowMode, 1);
  EXPECT_EQ(StandaloneWindowState(), 1);
  EXPECT_EQ(gSettings.standaloneWindowX, 5);
  EXPECT_EQ(gSettings.standaloneWindowWidth, 400);
}

TEST_F(SettingsTest, StandaloneWindowSettingsFallBackToTheCurrentFolder) {
  CurrentFolderGuard guard;
  root_.Write("game/Setup.ini", "[STARTUP]\r\nWINDOW=0\r\n");
  std::filesystem::current_path(root_ / "game");
  gSettings.standaloneWindowState = 2;
  int32_t fullScreen = 1, windowMode = 0;
  ReadStandaloneWindowSettings(fullScreen, windowMode, [](const std::string&, const std::string&) {
    return std::optional<std::string>();
  });
  EXPECT_EQ(StandaloneWindowState(), 0);
  EXPECT_EQ(fullScreen, 1);
  EXPECT_EQ(windowMode, 0);
}

}  // namespace
}  // namespace qm
