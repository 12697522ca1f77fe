// A stand-alone program's images come from its pack: the loader asks the packed-file table first,
// so an image packed as gfx\ship.png loads under any case and either separator while no such file
// exists on disk.
#include <string>

#include "runtime/packed_files.h"
#include "runtime/settings.h"
#include "tests/display/image_files_fixture.h"

namespace qm::testing {
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

TEST(PackedImages, TheLoaderOpensThePackedCopy) {
  ImageTools tools;
  tools.Run("convert -size 5x3 xc:'#3366cc' ship.png");
  const std::string png = tools.folder.Read("ship.png");
  const std::string pack = Entry("prog", "program") + Entry("gfx\\ship.png", png) + U32(0) + U32(0);
  auto table = PackedFileTable::FromPack(pack, 0, nullptr);
  ASSERT_NE(table, nullptr);
  const Settings saved = gSettings;
  gSettings.tempFolder = tools.folder.Path() + "/";
  InstallPackedFileTable(std::move(table));
  ImageLoaderInit(PixelFormat::X8R8G8B8);
  for (const char* name : {"gfx/ship.png", "GFX\\Ship.PNG"}) {
    Surface* s = LoadImageFileToSurface(name);
    ASSERT_NE(s, nullptr) << name;
    EXPECT_TRUE(ShowsRgb(*s, tools.DecodedByImageMagick("ship.png"), 0));
    s->Release();
  }
  ImageError error;
  EXPECT_EQ(LoadImageFileToSurface("gfx/other.png", &error), nullptr);
  EXPECT_EQ(error, ImageError::CannotOpen);
  ClosePackedFileTable();
  EXPECT_EQ(LoadImageFileToSurface("gfx/ship.png", &error), nullptr);
  gSettings = saved;
}

}  // namespace
}  // namespace qm::testing
