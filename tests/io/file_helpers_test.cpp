// File tests and copies: names in any case, packed copies first, the missing-source warning.
#include "io/file_helpers.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/window.h"
#include "runtime/runtime_errors.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

class FileHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qm-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    Write("Media.BMP", "picture");
    fs::create_directory(folder_ / "Sub");
    ResetRuntimeErrorState();
  }
  void TearDown() override {
    SetPackedNameResolver(nullptr);
    fs::remove_all(folder_);
    ResetRuntimeErrorState();
    platform::Message message;
    while (platform::PeekMessage(message, true)) {
    }
  }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(folder_ / name, std::ios::binary) << content;
  }
  std::string At(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

TEST_F(FileHelpersTest, FileExistsFindsFilesInAnyCaseButNotFolders) {
  EXPECT_TRUE(FileExists(At("Media.BMP")));
  EXPECT_TRUE(FileExists(At("media.bmp")));
  EXPECT_FALSE(FileExists(At("missing.bmp")));
  EXPECT_FALSE(FileExists(At("Sub")));
  EXPECT_FALSE(FileExists(""));
  // A FIFO is no file, and testing it must not wait for a writer.
  ASSERT_EQ(mkfifo(At("pipe.wav").c_str(), 0600), 0);
  EXPECT_FALSE(FileExists(At("pipe.wav")));
}

std::string gPackedCopy;
std::string ResolveToPackedCopy(const std::string& name, const std::string& ending) {
  return name.find("packed") != std::string::npos && ending == "wav" ? gPackedCopy : std::string();
}

TEST_F(FileHelpersTest, APackedNameResolvesToItsUnpackedCopy) {
  gPackedCopy = At("Media.BMP");
  SetPackedNameResolver(ResolveToPackedCopy);
  EXPECT_TRUE(FileExists("sounds\\packed.wav"));
  EXPECT_FALSE(FileExists("sounds\\packed.mp3"));
}

TEST_F(FileHelpersTest, CopyFileCheckedNeverOverwritesAndWarnsOfAMissingSource) {
  EXPECT_TRUE(CopyFileChecked(At("media.bmp"), At("copy.bmp")));
  EXPECT_TRUE(fs::exists(folder_ / "copy.bmp"));
  EXPECT_FALSE(CopyFileChecked(At("media.bmp"), At("copy.bmp"))) << "the target exists";
  EXPECT_EQ(PendingErrorCode, 0);

  EXPECT_TRUE(CopyFileChecked(At("missing.bmp"), At("other.bmp")));
  EXPECT_EQ(PendingErrorCode, 105);
  EXPECT_EQ(PendingErrorIsWarning, 1);
  EXPECT_FALSE(fs::exists(folder_ / "other.bmp"));
}

TEST_F(FileHelpersTest, DeleteFileIfExistsTellsWhetherThereWasOne) {
  EXPECT_TRUE(DeleteFileIfExists(At("MEDIA.bmp")));
  EXPECT_FALSE(fs::exists(folder_ / "Media.BMP"));
  EXPECT_FALSE(DeleteFileIfExists(At("Media.BMP")));
}

TEST_F(FileHelpersTest, PathExistsForFilesAndFolders) {
  EXPECT_TRUE(PathExists(At("Sub")));
  EXPECT_TRUE(PathExists(At("sub")));
  EXPECT_TRUE(PathExists(At("Media.BMP")));
  EXPECT_FALSE(PathExists(At("Temp")));
}

}  // namespace
}  // namespace qm
