// The executable builder: the layout of what it writes, the media walk (which files, under which
// names, in which order), and builds that fail leaving nothing behind.
#include "app/executable_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/system_subsystems.h"
#include "runtime/packed_files.h"
#include "tests/platform/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRuntime =
    "\x7f"
    "ELF stand-in runtime bytes";

struct RawEntry {
  std::string name, data;
  bool operator==(const RawEntry&) const = default;
};

// The entries of a built file as written (names as stored, not lower-cased), checked through
// the runtime's own pack reader first.
std::vector<RawEntry> EntriesOf(const std::string& file) {
  uint32_t runtimeSize = 0;
  std::string error;
  EXPECT_TRUE(
      ReadPackTrailer(std::string_view(file).substr(file.size() - 8), file.size(), runtimeSize, &error))
      << error;
  EXPECT_NE(PackedFileTable::FromPack(file.substr(runtimeSize), runtimeSize, &error), nullptr) << error;
  std::vector<RawEntry> entries;
  size_t at = runtimeSize;
  const auto u32 = [&] {
    uint32_t value = 0;
    std::memcpy(&value, file.data() + at, 4);
    at += 4;
    return value;
  };
  for (uint32_t length = u32(); length != 0; length = u32()) {
    RawEntry entry;
    entry.name = file.substr(at, length - 1);
    at += length;
    const uint32_t size = u32();
    entry.data = file.substr(at, size);
    at += size;
    entries.push_back(entry);
  }
  return entries;
}

class ExeBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSubsystems(SystemSubsystems());
    work_.Write("src/game.qma", "print 1\nend\n");
    builder_.programFile = work_ / "_exefile.dat";
    builder_.showProgress = [this](const std::string& line) { progress_.push_back(line); };
    builder_.escapePressed = [] { return false; };
  }
  void TearDown() override { InstallSubsystems({}); }

  bool Build(const std::string& media) {
    return builder_.BuildExecutable(work_ / "game", work_ / "src/game.qma",
                                    media.empty() ? "" : work_ / media);
  }
  bool TargetExists() const { return fs::exists(work_ / "game"); }
  // No file is left over beside the target either.
  size_t FilesBesideTarget() const {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(work_.Path()))
      count += entry.path().filename().string().starts_with("game");
    return count;
  }

  platform::testing::TempFolder work_;
  ExeBuilder builder_{kRuntime};
  std::vector<std::string> progress_;
};

TEST_F(ExeBuilderTest, WithoutMediaTheFileIsRuntimeProgramAndTrailer) {
  ASSERT_TRUE(Build("")) << builder_.ErrorText();
  const std::string file = work_.Read("game");
  const std::string program = work_.Read("_exefile.dat");
  const std::string programPath = work_ / "_exefile.dat";
  EXPECT_EQ(file.size(), kRuntime.size() + 4 + (programPath.size() + 1) + 4 + program.size() + 8);
  EXPECT_EQ(file.substr(0, kRuntime.size()), kRuntime);
  EXPECT_EQ(EntriesOf(file), (std::vector<RawEntry>{{programPath, program}}));
  struct stat info {};
  ASSERT_EQ(::stat((work_ / "game").c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u);
  EXPECT_TRUE(progress_.empty());  // the program entry has a full path: no "Adding" line
}

TEST_F(ExeBuilderTest, TheMediaWalkPacksMediaEndingsUnderRelativeNames) {
  for (const char* file : {"sounds/boom.WAV", "notes.docx", "box", "edit", "song.xm", "readme.md",
                           "Gfx/Ship.BMP", "gfx2/tile.png"}) {
    work_.Write(std::string("media/") + file, std::string("data of ") + file);
  }
  // A folder whose path is longer than 255 characters is passed over.
  const std::string deep = "media/" + std::string(250, 'd');
  work_.Write(deep + "/hidden.bmp", "x");
  ASSERT_GT((work_ / deep).size(), 255u);
  ASSERT_TRUE(Build("media")) << builder_.ErrorText();

  const std::vector<RawEntry> entries = EntriesOf(work_.Read("game"));
  std::vector<std::string> names;
  for (size_t i = 1; i < entries.size(); ++i) names.push_back(entries[i].name);
  EXPECT_EQ(names, (std::vector<std::string>{"box", "edit", "Gfx\\Ship.BMP", "gfx2\\tile.png", "notes.docx",
                                             "song.xm", "sounds\\boom.WAV"}));
  EXPECT_EQ(entries.back().data, "data of sounds/boom.WAV");
  EXPECT_EQ(progress_, (std::vector<std::string>{"Adding box...", "Adding edit...", "Adding Ship.BMP...",
                                                 "Adding tile.png...", "Adding notes.docx...",
                                                 "Adding song.xm...", "Adding boom.WAV..."}));
}

TEST_F(ExeBuilderTest, MediaEndingsAreTheLastCharactersOfTheName) {
  struct Case {
    const char* name;
    bool packed;
  } cases[] = {{"a.bmp", true},      {"A.JPG", true}, {"setup.ini", true}, {"song.xm", true},
               {"mod.it", true},     {"box", true},   {"x", true},         {"mp3", true},
               {"readme.md", false}, {"it", true},    {"m", false},        {"a.jpeg", false},
               {"", false},          {"mp", false}};
  for (const Case& c : cases) EXPECT_EQ(IsMediaFileName(c.name), c.packed) << c.name;
}

TEST_F(ExeBuilderTest, FailedBuildsLeaveNoTargetAndSayWhy) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    const char* says;  // a part of the error text
    bool compileError = false;
  };
  const Case cases[] = {
      {"a compile error",
       [this] {
         work_.Write("src/game.qma", "print 1\nthis is no statement\n");
         fs::create_directories(work_ / "media");
       },
       "", true},
      {"Escape pressed during the media walk",
       [this] {
         work_.Write("media/a.bmp", "a");
         work_.Write("media/b.bmp", "b");
         int asked = 0;
         builder_.escapePressed = [asked]() mutable { return ++asked == 3; };  // the first is dropped
       },
       "Escape"},
      {"a media file that cannot be read (a dangling link)",
       [this] {
         work_.Write("media/a.bmp", "a");
         fs::create_symlink(work_ / "nowhere.bmp", work_ / "media/x.bmp");
       },
       "x.bmp"},
  };
  for (const Case& c : cases) {
    fs::remove_all(work_ / "media");
    builder_.escapePressed = [] { return false; };
    c.arrange();
    EXPECT_FALSE(Build("media")) << c.what;
    EXPECT_FALSE(builder_.ErrorText().empty()) << c.what;
    EXPECT_NE(builder_.ErrorText().find(c.says), std::string::npos) << c.what << ": " << builder_.ErrorText();
    EXPECT_EQ(builder_.CompileError(), c.compileError) << c.what;
    EXPECT_EQ(builder_.ErrorLine() > 0, c.compileError) << c.what;
    EXPECT_EQ(FilesBesideTarget(), 0u) << c.what;
    work_.Write("src/game.qma", "print 1\nend\n");
  }
}

TEST_F(ExeBuilderTest, AMissingRuntimeOrAnUncreatableTargetFails) {
  ExeBuilder noRuntime{std::string_view()};
  noRuntime.programFile = builder_.programFile;
  EXPECT_FALSE(noRuntime.BuildExecutable(work_ / "game", work_ / "src/game.qma", ""));
  EXPECT_FALSE(noRuntime.ErrorText().empty());
  EXPECT_EQ(FilesBesideTarget(), 0u);

  EXPECT_FALSE(builder_.BuildExecutable(work_ / "no folder/game", work_ / "src/game.qma", ""));
  EXPECT_FALSE(builder_.ErrorText().empty());
  fs::create_directories(work_ / "game");
  EXPECT_FALSE(Build(""));
  EXPECT_TRUE(fs::is_directory(work_ / "game"));
}

TEST_F(ExeBuilderTest, AnEarlierExecutableStaysWhenABuildFails) {
  work_.Write("game", "the earlier executable");
  work_.Write("media/a.bmp", "a");
  fs::create_symlink(work_ / "nowhere.bmp", work_ / "media/x.bmp");
  EXPECT_FALSE(Build("media"));
  EXPECT_EQ(work_.Read("game"), "the earlier executable");
  EXPECT_EQ(FilesBesideTarget(), 1u);
}

TEST_F(ExeBuilderTest, TheTargetIsNeverPackedIntoItself) {
  work_.Write("src/a.bmp", "a");
  for (int build = 0; build < 2; ++build) {  // the second build replaces the first one's file
    ASSERT_TRUE(builder_.BuildExecutable(work_ / "src/game.x", work_ / "src/game.qma", work_ / "src"))
        << builder_.ErrorText();
    const std::vector<RawEntry> entries = EntriesOf(work_.Read("src/game.x"));
    ASSERT_EQ(entries.size(), 2u) << build;
    EXPECT_EQ(entries[1].name, "a.bmp");
  }
}

TEST_F(ExeBuilderTest, NamesTooLongForAPackArePassedOverWithAMessage) {
  const std::string folder = std::string(200, 'f');
  const std::string name = std::string(60, 'n') + ".bmp";
  work_.Write("media/" + folder + "/" + name, "long");
  work_.Write("media/" + folder + "/short.bmp", "short");
  ASSERT_TRUE(Build("media")) << builder_.ErrorText();
  const std::vector<RawEntry> entries = EntriesOf(work_.Read("game"));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].name, folder + "\\short.bmp");
  EXPECT_EQ(builder_.skippedNames, (std::vector<std::string>{folder + "\\" + name}));
}

}  // namespace
}  // namespace qm
