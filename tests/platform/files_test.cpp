#include "platform/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <ostream>

#include "platform/safe_file_write.h"
#include "temp_folder.h"

namespace qm::platform {
namespace {

using testing::TempFolder;

// Drive letters stand for a temporary folder laid out like a program folder.
class ResolvePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.Write("prog/lang/English/words.txt", "[GENERAL]\r\n");
    root_.Write("prog/media/Ball.BMP", "b");
    root_.Write("prog/twins/readme.txt", "lower");
    root_.Write("prog/twins/README.TXT", "upper");
    root_.Write("prog/twins/ReadMe.txt", "mixed");
    SetDriveRoot(root_.Path());
  }
  void TearDown() override { SetDriveRoot(""); }
  std::string Host(const std::string& relative) const { return root_ / relative; }

  TempFolder root_;
};

struct PathCase {
  const char* name;
  const char* given;
  const char* expected;  // relative to the drive root
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class ResolvePathCases : public ResolvePathTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ResolvePathCases, ResolvesExistingComponentsIgnoringCase) {
  EXPECT_EQ(ResolvePath(GetParam().given), Host(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolvePathCases,
    ::testing::Values(
        PathCase{"wordsFile", "C:\\Prog\\LANG\\ENGLISH\\WORDS.TXT", "prog/lang/English/words.txt"},
        PathCase{"forwardSlashes", "c:/PROG/Lang/english/Words.txt", "prog/lang/English/words.txt"},
        PathCase{"anyDriveLetter", "D:\\prog\\MEDIA\\ball.bmp", "prog/media/Ball.BMP"},
        PathCase{"mixedSeparators", "C:\\prog/media\\\\BALL.bmp", "prog/media/Ball.BMP"},
        PathCase{"createdFileKeepsCase", "C:\\Prog\\Media\\NewFile.TXT", "prog/media/NewFile.TXT"},
        PathCase{"missingFolderKeepsCaseBelow", "C:\\PROG\\New\\Lang\\x.txt", "prog/New/Lang/x.txt"},
        PathCase{"dotDot", "C:\\Prog\\MEDIA\\..\\LANG\\English\\..\\ENGLISH\\WORDS.TXT",
                 "prog/lang/English/words.txt"},
        PathCase{"dotDotAfterMissing", "C:\\Prog\\Gone\\..\\LANG", "prog/lang"},
        PathCase{"dot", "C:\\.\\Prog\\.\\LANG", "prog/lang"},
        PathCase{"trailingBackslash", "C:\\PROG\\LANG\\", "prog/lang"},
        PathCase{"trailingSlashes", "C:/PROG/LANG//", "prog/lang"},
        PathCase{"exactCaseWinsAmongTwins", "C:\\prog\\twins\\ReadMe.txt", "prog/twins/ReadMe.txt"},
        PathCase{"firstInByteOrderAmongTwins", "C:\\prog\\twins\\readme.TXT", "prog/twins/README.TXT"}),
    [](const ::testing::TestParamInfo<PathCase>& testInfo) { return std::string(testInfo.param.name); });

TEST_F(ResolvePathTest, DriveAloneAndDotDotAboveRootStayAtTheRoot) {
  EXPECT_EQ(ResolvePath("C:\\"), root_.Path());
  EXPECT_EQ(ResolvePath("C:\\..\\..\\prog"), Host("prog"));
}

TEST_F(ResolvePathTest, HostPathsResolveToThemselves) {
  std::string host = Host("prog/lang/English/words.txt");
  EXPECT_EQ(ResolvePath(host), host);
}

TEST_F(ResolvePathTest, RelativeNamesResolveInTheCurrentFolder) {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(Host("prog"));
  EXPECT_EQ(ResolvePath("LANG\\ENGLISH\\words.TXT"), "lang/English/words.txt");
  EXPECT_EQ(ResolvePath("..\\..\\x"), "../../x");
  EXPECT_EQ(ResolvePath("."), ".");
  std::filesystem::current_path(previous);
}

TEST_F(ResolvePathTest, FileHelpersWorkOnProgramNames) {
  EXPECT_TRUE(FileExists("C:\\PROG\\LANG\\ENGLISH\\WORDS.TXT"));
  EXPECT_FALSE(FileExists("C:\\PROG\\LANG"));
  EXPECT_TRUE(FolderExists("C:\\PROG\\LANG"));
  EXPECT_FALSE(FolderExists("C:\\PROG\\NONE"));

  EXPECT_TRUE(CopyFileNoOverwrite("C:\\PROG\\MEDIA\\BALL.BMP", "C:\\prog\\media\\Copy.bmp"));
  EXPECT_EQ(root_.Read("prog/media/Copy.bmp"), "b");
  EXPECT_FALSE(CopyFileNoOverwrite("C:\\PROG\\LANG\\ENGLISH\\WORDS.TXT", "C:\\prog\\media\\COPY.BMP"));
  EXPECT_EQ(root_.Read("prog/media/Copy.bmp"), "b");
  EXPECT_FALSE(CopyFileNoOverwrite("C:\\PROG\\MISSING", "C:\\prog\\media\\other.bmp"));
  EXPECT_FALSE(std::filesystem::exists(Host("prog/media/other.bmp")));

  EXPECT_TRUE(DeleteFileIfExists("C:\\PROG\\MEDIA\\COPY.BMP"));
  EXPECT_FALSE(std::filesystem::exists(Host("prog/media/Copy.bmp")));
  EXPECT_TRUE(DeleteFileIfExists("C:\\PROG\\MEDIA\\COPY.BMP"));
  EXPECT_FALSE(DeleteFileIfExists("C:\\PROG\\MEDIA"));

  EXPECT_TRUE(CreateFolder("C:\\PROG\\Saves"));
  EXPECT_TRUE(std::filesystem::is_directory(Host("prog/Saves")));
  EXPECT_TRUE(CreateFolder("C:\\PROG\\SAVES"));
  EXPECT_FALSE(CreateFolder("C:\\PROG\\LANG\\ENGLISH\\WORDS.TXT"));
}

TEST(SystemFolders, WindowsFolderIsUnderXdgDataHome) {
  TempFolder data;
  const char* saved = std::getenv("XDG_DATA_HOME");
  std::string previous = saved ? saved : "";
  setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  EXPECT_EQ(WindowsFolder(), data / "quillmoor/windows");
  EXPECT_TRUE(std::filesystem::is_directory(data / "quillmoor/windows"));
  if (saved)
    setenv("XDG_DATA_HOME", previous.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

TEST(SystemFolders, OverridesReplaceBothFolders) {
  TempFolder folder;
  OverrideWindowsFolder(folder / "win");
  OverridePrivateTempFolder(folder / "tmp");
  EXPECT_EQ(WindowsFolder(), folder / "win");
  EXPECT_EQ(PrivateTempFolder(), folder / "tmp");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "tmp"));
  OverrideWindowsFolder("");
  OverridePrivateTempFolder("");
}

TEST(SystemFolders, PrivateTempFolderIsOwnedAndClosedToOthers) {
  std::string folder = PrivateTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(PrivateTempFolder(), folder);  // one per process
  EXPECT_NE(std::filesystem::path(folder).filename(), "quillmoor");
  struct stat info;
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, getuid());
}

TEST(SystemFolders, ExecutablePathNamesThisProgram) {
  EXPECT_TRUE(std::filesystem::is_regular_file(ExecutablePath()));
}

// Both whole-file writes leave what a symbolic link points at alone: the rename replaces the link
// itself, the in-place overwrite refuses it; the overwrite creates nothing either.
TEST(WholeFileWrites, ALinkIsReplacedOrRefusedNeverWrittenThrough) {
  TempFolder folder;
  folder.Write("target.txt", "keep");
  std::filesystem::create_symlink(folder / "target.txt", folder / "link.log");
  EXPECT_FALSE(OverwriteFileInPlace(folder / "link.log", "new"));
  EXPECT_TRUE(WriteFileReplacing(folder / "link.log", "new"));
  EXPECT_EQ(folder.Read("target.txt"), "keep");
  EXPECT_FALSE(std::filesystem::is_symlink(folder / "link.log"));
  EXPECT_EQ(folder.Read("link.log"), "new");

  folder.Write("plain.log", "Compilation Successful. ");
  EXPECT_TRUE(OverwriteFileInPlace(folder / "plain.log", "Label not found at line 2"));
  EXPECT_EQ(folder.Read("plain.log"), "Label not found at line 2");
  EXPECT_FALSE(OverwriteFileInPlace(folder / "missing.log", "x"));
  EXPECT_FALSE(std::filesystem::exists(folder / "missing.log"));
  std::filesystem::create_directory(folder / "folder.log");
  EXPECT_FALSE(OverwriteFileInPlace(folder / "folder.log", "x"));
}

}  // namespace
}  // namespace qm::platform
