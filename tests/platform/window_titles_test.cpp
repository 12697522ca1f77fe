#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/window.h"
#include "temp_folder.h"

namespace qm::platform {
namespace {

// Another running instance holds "Quillmoor Editor": its lock is taken here through a second open
// of the lock file, which conflicts like another process would.
TEST(WindowTitles, TitleHeldByAnotherInstanceCannotBeClaimed) {
  testing::TempFolder folder;
  OverrideWindowsFolder(folder.Path());
  std::filesystem::create_directories(folder / "window-titles");
  int other = open((folder / "window-titles/Quillmoor%20Editor.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);

  EXPECT_FALSE(ClaimWindowTitle("Quillmoor Editor"));
  EXPECT_TRUE(ClaimWindowTitle("Quillmoor Editor 2"));
  EXPECT_TRUE(ClaimWindowTitle("Quillmoor Editor 2"));  // already ours

  close(other);  // the other instance ended
  EXPECT_TRUE(ClaimWindowTitle("Quillmoor Editor"));
  OverrideWindowsFolder("");
}

}  // namespace
}  // namespace qm::platform
