// The packed-file table: reading packs behind an executable's bytes, the two name lookups, and the
// copies the loaders open.
#include "runtime/packed_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/temp_folder.h"
#include "runtime/settings.h"

namespace qm {
namespace {

std::string U32(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
  return bytes;
}

std::string Entry(const std::string& name, const std::string& data) {
  return U32(static_cast<uint32_t>(name.size() + 1)) + name + '\0' + U32(static_cast<uint32_t>(data.size())) +
         data;
}

// A file as the builder writes it: runtime bytes, entries, trailer.
std::string Executable(const std::string& runtime, const std::string& entries) {
  return runtime + entries + U32(0) + U32(static_cast<uint32_t>(runtime.size()));
}

class PackedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gSettings;
    gSettings.tempFolder = work_.Path() + "/";
  }
  void TearDown() override {
    ClosePackedFileTable();
    gSettings = saved_;
  }
  bool Load(const std::string& file, std::string* error = nullptr) {
    work_.Write("game", file);
    return LoadPackedFileTable(work_ / "game", error);
  }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  platform::testing::TempFolder work_;
  Settings saved_;
};

TEST_F(PackedFilesTest, NamesResolveToCopiesOfTheirEntries) {
  ASSERT_TRUE(Load(Executable(
      "\x7f"
      "ELF runtime",
      Entry("C:\\tmp\\_exefile.dat", "program") + Entry("gfx\\Ship.bmp", "ship pixels") +
          Entry("sounds\\boom.WAV", "boom") + Entry("a\\tex.png", "first tex") +
          Entry("b\\tex.png", "second tex") + Entry("\\lead", "lead") + Entry("dir/Mixed.TXT", "mixed"))));
  struct Case {
    const char* request;
    bool bareName;
    const char* data;  // null: no hit
  } cases[] = {
      {"gfx/ship.BMP", false, "ship pixels"},
      {"GFX\\SHIP.bmp", false, "ship pixels"},
      {"sounds/Boom.wav", false, "boom"},
      {".\\gfx\\ship.bmp", false, nullptr},
      {"/abs/gfx/ship.bmp", false, nullptr},
      {"C:\\gfx\\ship.bmp", false, nullptr},
      {"ship.bmp", false, nullptr},
      {"Ship.BMP", true, "ship pixels"},
      {"tex.png", true, "first tex"},
      {"gfx\\ship.bmp", true, nullptr},
      {"\\lead", true, "lead"},
      {"lead", true, nullptr},
      {"gfx/ship.bmp", true, nullptr},
      {"DIR\\mixed.txt", false, "mixed"},
      {"mixed.txt", true, "mixed"},
  };
  for (const Case& c : cases) {
    std::string name = c.request;
    const bool hit =
        c.bareName ? ResolvePackedFileNameByBareName(name, "bmp") : ResolvePackedFileName(name, "bmp");
    if (!c.data) {
      EXPECT_FALSE(hit) << c.request;
      EXPECT_EQ(name, c.request);
      continue;
    }
    ASSERT_TRUE(hit) << c.request;
    EXPECT_EQ(name.rfind(work_.Path() + "/", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".bmp");
    EXPECT_EQ(Contents(name), c.data) << c.request;
  }
}

TEST_F(PackedFilesTest, WithoutATableNamesStayAndMediaPathsAreTheRealFiles) {
  std::string name = "gfx/ship.bmp";
  EXPECT_FALSE(ResolvePackedFileName(name, "bmp"));
  EXPECT_FALSE(ResolvePackedFileNameByBareName(name, "bmp"));
  EXPECT_EQ(name, "gfx/ship.bmp");
  EXPECT_EQ(ResolveMediaPath(name, "bmp"), platform::ResolvePath(name));
}

TEST_F(PackedFilesTest, EveryHitKeepsItsOwnCopyUntilTheTableCloses) {
  ASSERT_TRUE(
      Load(Executable("rt", Entry("prog", "p") + Entry("a.mp3", "song a") + Entry("b.mp3", "song b"))));
  std::string a = "a.mp3", b = "b.mp3", again = "A.MP3", asAvi = "a.mp3";
  ASSERT_TRUE(ResolvePackedFileName(a, "mp3"));
  ASSERT_TRUE(ResolvePackedFileName(b, "mp3"));
  EXPECT_NE(a, b);
  EXPECT_EQ(Contents(a), "song a");  // the second hit did not overwrite the first copy
  EXPECT_EQ(Contents(b), "song b");
  ASSERT_TRUE(ResolvePackedFileName(asAvi, "avi"));
  EXPECT_NE(asAvi, a);
  std::filesystem::remove(a);  // a copy removed meanwhile is written again
  ASSERT_TRUE(ResolvePackedFileName(again, "mp3"));
  EXPECT_EQ(again, a);
  EXPECT_EQ(Contents(again), "song a");

  ClosePackedFileTable();
  for (const std::string& copy : {a, b, asAvi}) EXPECT_FALSE(std::filesystem::exists(copy)) << copy;
}

TEST_F(PackedFilesTest, MalformedPacksAreRefused) {
  const std::string runtime = "runtime bytes";
  const std::string good = Entry("prog", "program") + Entry("gfx\\a.bmp", "pixels");
  const uint32_t r = static_cast<uint32_t>(runtime.size());
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"empty file", ""},
      {"shorter than a trailer", "abc"},
      {"no trailer zero", runtime + good + U32(1) + U32(r)},
      {"R past the end", runtime + good + U32(0) + U32(1000)},
      {"R pointing into an entry", runtime + good + U32(0) + U32(r + 3)},
      {"no entries", Executable(runtime, "")},
      {"huge name length", Executable(runtime, U32(0x7fffffff) + "prog")},
      {"name of 300 characters", Executable(runtime, Entry(std::string(300, 'n'), "x"))},
      {"name without its zero", Executable(runtime, U32(4) + "prog" + U32(1) + "x")},
      {"zero inside the name", Executable(runtime, U32(5) + std::string("pr\0g\0", 5) + U32(1) + "x")},
      {"size past the end", Executable(runtime, U32(5) + std::string("prog\0", 5) + U32(100) + "x")},
      {"size reaching into the trailer",
       Executable(runtime, U32(5) + std::string("prog\0", 5) + U32(5) + "x")},
      {"bytes after the last entry", Executable(runtime, good + "xyz")},
      {"a trailer before the end", Executable(runtime, good + U32(0) + U32(r) + Entry("late", "x"))},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Load(c.file, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(PackedFileTableInstance(), nullptr) << c.what;
  }
  ASSERT_TRUE(Load(Executable(runtime, good)));
  ASSERT_EQ(PackedFileTableInstance()->Entries().size(), 2u);
  EXPECT_EQ(PackedFileTableInstance()->Data(PackedFileTableInstance()->Entries()[0]), "program");
  // The longest name the field holds is taken.
  EXPECT_TRUE(Load(Executable(runtime, Entry(std::string(kMaxPackedNameLength, 'n'), "x"))));
}

}  // namespace
}  // namespace qm
