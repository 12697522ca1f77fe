// The loader: choosing by the name's last three letters, saves that replace the old file only when
// they succeed, and crafted files of every format refused with their reason.
#include <filesystem>

#include "runtime/runtime_errors.h"
#include "tests/display/image_files_fixture.h"

namespace qm::testing {
namespace {

TEST(ImageFileLoader, ChoosesByTheLastThreeLettersInAnyCase) {
  ImageTools tools;
  tools.Run("convert -size 6x4 xc:orange x.jpg && cp x.jpg X.JPG && cp x.jpg x.jpeg");
  ImageLoaderInit(PixelFormat::X8R8G8B8);
  for (const char* name : {"x.jpg", "X.JPG"}) {
    Surface* s = LoadImageFileToSurface(tools.Path(name));
    ASSERT_NE(s, nullptr) << name;
    EXPECT_EQ(s->Width(), 6);
    s->Release();
  }
  ImageError error;
  EXPECT_EQ(LoadImageFileToSurface(tools.Path("x.jpeg"), &error), nullptr);
  EXPECT_EQ(error, ImageError::NoFormat);
  for (const char* name : {"", "g", "pg"}) {
    EXPECT_EQ(LoadImageFileToSurface(name, &error), nullptr);
    EXPECT_EQ(error, ImageError::NoFormat);
  }
  EXPECT_EQ(LoadImageFileToSurface(tools.Path("missing.png"), &error), nullptr);
  EXPECT_EQ(error, ImageError::CannotOpen);
}

TEST(ImageFileLoader, RleNamesAreSavedAsUncompressedBitmaps) {
  ImageTools tools;
  Surface* s = GradientSurface(7, 5, PixelFormat::R5G6B5);
  ASSERT_EQ(SaveSurfaceToImageFile(s, tools.Path("x.rle")), ImageError::None);
  std::string file = tools.folder.Read("x.rle");
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(file[30], 0);  // no compression
  s->Release();
}

TEST(ImageFileLoader, FailedSavesKeepTheOldFileAndSayWhy) {
  ImageTools tools;
  Surface* s = GradientSurface(7, 5, PixelFormat::R5G6B5);
  const std::pair<const char*, ImageError> cases[] = {{"old.pcx", ImageError::NotWritable},
                                                      {"old.psd", ImageError::NotWritable},
                                                      {"old.tif", ImageError::NotWritable},
                                                      {"old.gif", ImageError::NoFormat}};
  for (auto [name, error] : cases) {
    tools.folder.Write(name, "old content");
    EXPECT_EQ(SaveSurfaceToImageFile(s, tools.Path(name)), error) << name;
    EXPECT_EQ(tools.folder.Read(name), "old content") << name;
  }
  EXPECT_EQ(SaveSurfaceToImageFile(nullptr, tools.Path("x.bmp")), ImageError::NoSurface);
  EXPECT_EQ(SaveSurfaceToImageFile(s, tools.Path("no-such-folder/x.bmp")), ImageError::WriteFailed);
  // A save that succeeds replaces the old file and leaves nothing else beside it.
  tools.folder.Write("old.bmp", "old content");
  EXPECT_EQ(SaveSurfaceToImageFile(s, tools.Path("old.bmp")), ImageError::None);
  EXPECT_EQ(tools.folder.Read("old.bmp").substr(0, 2), "BM");
  s->Release();
}

TEST(ImageFileLoader, DdsLoadsLeaveTheirOutcomeInTheInternalErrorCode) {
  ImageTools tools;
  Surface* s = GradientSurface(8, 8, PixelFormat::R5G6B5);
  ASSERT_EQ(SaveSurfaceToImageFile(s, tools.Path("x.dds")), ImageError::None);
  s->Release();
  Surface* loaded = LoadImageFileToSurface(tools.Path("x.dds"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(InternalErrorCode, 10006);
  loaded->Release();
  tools.folder.Write("bad.dds", "XXXX" + std::string(124, '\0'));
  EXPECT_EQ(LoadImageFileToSurface(tools.Path("bad.dds")), nullptr);
  EXPECT_EQ(InternalErrorCode, 10002);
  EXPECT_EQ(LoadImageFileToSurface(tools.Path("missing.dds")), nullptr);
  EXPECT_EQ(InternalErrorCode, 10001);
}

// A DDS header: width, height, mip count and pixel format (four-character code, or RGB bits and
// masks), with the level data after it.
std::vector<uint8_t> DdsFile(uint32_t width, uint32_t height, uint32_t mips, const char* fourCC,
                             uint32_t bits, std::size_t dataBytes) {
  std::string f = "DDS ";
  uint32_t d[31] = {124, 0x00021007, height, width, 0, 0, mips};
  d[18] = 32;
  if (fourCC) {
    d[19] = 4;
    d[20] = static_cast<uint32_t>(fourCC[0] | fourCC[1] << 8 | fourCC[2] << 16 | fourCC[3] << 24);
  } else {
    d[19] = 0x40, d[21] = bits, d[22] = 0xFF0000, d[23] = 0xFF00, d[24] = 0xFF;
  }
  for (uint32_t v : d) AppendU32(f, v);
  for (std::size_t i = 0; i < dataBytes; ++i) AppendU8(f, static_cast<unsigned>(i * 7));
  return Bytes(f);
}

TEST(ImageFileLoader, UncompressedDdsRowsArePlacedAtTheSurfacePitch) {
  std::vector<uint8_t> file = DdsFile(5, 3, 1, nullptr, 24, 45);
  Surface* s = nullptr;
  ASSERT_EQ(ReadDdsFile(file, PixelFormat::R5G6B5, s), ImageError::None);
  EXPECT_EQ(s->Format(), PixelFormat::R8G8B8);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const uint8_t* p = &file[128 + static_cast<std::size_t>(y * 15 + x * 3)];
      EXPECT_EQ(s->PixelAt(x, y), static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16));
    }
  s->Release();
}

// Crafted files: each is refused with its reason, allocating nothing for sizes it does not have.
struct CraftedFile {
  const char* what;
  const char* extension;
  std::vector<uint8_t> bytes;
  ImageError error;
};
// Names the case in test listings (instead of a dump of its bytes).
void PrintTo(const CraftedFile& crafted, std::ostream* out) { *out << crafted.what; }

std::vector<uint8_t> PsdFile(uint32_t width, uint32_t height, uint16_t depth, uint16_t mode,
                             uint16_t compression, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> f = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3};
  for (uint32_t v : {height, width})
    f.insert(f.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  f.insert(f.end(), {uint8_t(depth >> 8), uint8_t(depth), uint8_t(mode >> 8), uint8_t(mode)});
  f.insert(f.end(), 12, 0);  // three empty sections
  f.insert(f.end(), {uint8_t(compression >> 8), uint8_t(compression)});
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

std::vector<uint8_t> PcxFile(uint8_t manufacturer, uint16_t width, uint16_t height, uint8_t bits,
                             uint8_t planes, uint16_t bytesPerLine, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> f(128, 0);
  f[0] = manufacturer, f[1] = 5, f[2] = 1, f[3] = bits;
  f[8] = uint8_t(width - 1), f[9] = uint8_t((width - 1) >> 8), f[10] = uint8_t(height - 1),
  f[11] = uint8_t((height - 1) >> 8);
  f[65] = planes, f[66] = uint8_t(bytesPerLine), f[67] = uint8_t(bytesPerLine >> 8);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

class CraftedFiles : public ::testing::TestWithParam<CraftedFile> {};

TEST_P(CraftedFiles, AreRefusedWithTheirReason) {
  const ImageFileFormat* format = ImageFormatForName(std::string("x.") + GetParam().extension);
  Surface* s = nullptr;
  EXPECT_EQ(format->load(GetParam().bytes, PixelFormat::R5G6B5, s), GetParam().error);
  EXPECT_EQ(s, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    ImageFiles, CraftedFiles,
    ::testing::Values(
        CraftedFile{"psd_70000_square", "psd", PsdFile(70000, 70000, 8, 3, 0, {}), ImageError::BadHeader},
        CraftedFile{"psd_16_bit", "psd", PsdFile(2, 2, 16, 3, 0, std::vector<uint8_t>(24)),
                    ImageError::Unsupported},
        CraftedFile{"psd_cmyk", "psd", PsdFile(2, 2, 8, 4, 0, std::vector<uint8_t>(16)),
                    ImageError::Unsupported},
        CraftedFile{"psd_zip", "psd", PsdFile(2, 2, 8, 3, 2, {}), ImageError::Unsupported},
        CraftedFile{"psd_short_raw", "psd", PsdFile(4, 4, 8, 3, 0, std::vector<uint8_t>(47)),
                    ImageError::Truncated},
        CraftedFile{"pcx_manufacturer_11", "pcx", PcxFile(11, 4, 4, 8, 1, 4, {}), ImageError::BadHeader},
        CraftedFile{"pcx_short_header", "pcx", std::vector<uint8_t>(100, 10), ImageError::Truncated},
        CraftedFile{"pcx_line_shorter_than_row", "pcx", PcxFile(10, 40, 2, 8, 3, 20, {}),
                    ImageError::BadHeader},
        CraftedFile{"pcx_two_8bit_planes", "pcx", PcxFile(10, 4, 4, 8, 2, 4, {}), ImageError::Unsupported},
        CraftedFile{"dds_huge", "dds", DdsFile(70000, 70000, 1, "DXT1", 0, 64), ImageError::TooLarge},
        CraftedFile{"dds_too_many_levels", "dds", DdsFile(8, 8, 9, "DXT1", 0, 4096), ImageError::BadHeader},
        CraftedFile{"dds_unknown_fourcc", "dds", DdsFile(8, 8, 1, "ATI2", 0, 64), ImageError::Unsupported},
        CraftedFile{"dds_short_level", "dds", DdsFile(8, 8, 1, "DXT5", 0, 63), ImageError::Truncated},
        CraftedFile{"dds_short_mip", "dds", DdsFile(8, 8, 4, "DXT1", 0, 32 + 8 + 8 + 7),
                    ImageError::Truncated},
        CraftedFile{"tga_no_pixels", "tga", Bytes(std::string("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x18\0", 18)),
                    ImageError::Truncated},
        CraftedFile{"png_bad_signature", "png", Bytes("\x89PNX\r\n\x1a\n0000"), ImageError::BadHeader},
        CraftedFile{"jpg_not_jpeg", "jpg", Bytes("GIF89a"), ImageError::BadHeader},
        CraftedFile{"tif_not_tiff", "tif", Bytes(std::string("II*\0\xFF\xFF\xFF\xFF", 8)),
                    ImageError::BadHeader}),
    [](const auto& crafted) { return std::string(crafted.param.what); });

TEST(ImageFileLoader, PcxRunBytesAndMissingPaletteTrailer) {
  // 8-bit, 4 x 2: row 0 "193 0" (one 0) then "192 7" (nothing) then 1 2 3; row 1 a run of 4 fives
  // that would carry over, cut at the line's end. No trailer: every colour is black.
  std::vector<uint8_t> file = PcxFile(10, 4, 2, 8, 1, 4, {193, 0, 192, 7, 1, 2, 3, 0xC6, 5});
  Surface* s = nullptr;
  ASSERT_EQ(ReadPcxFile(file, PixelFormat::R8G8B8, s), ImageError::None);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(RgbAt(*s, x, y), (Rgb{0, 0, 0}));
  s->Release();
  // The same with a trailer naming index i as (i, 2i, 3i): the decoded indices show.
  file.push_back(12);
  for (int i = 0; i < 256; ++i) file.insert(file.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)});
  ASSERT_EQ(ReadPcxFile(file, PixelFormat::R8G8B8, s), ImageError::None);
  const uint8_t rows[2][4] = {{0, 1, 2, 3}, {5, 5, 5, 5}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      uint8_t i = rows[y][x];
      EXPECT_EQ(RgbAt(*s, x, y), (Rgb{i, uint8_t(2 * i), uint8_t(3 * i)})) << x << "," << y;
    }
  s->Release();
}

TEST(ImageFileLoader, PcxTwoBitPlanesOfEightPixelsLoad) {
  // Two 1-bit planes, 8 pixels, 2 bytes per line: index = plane 0 bit + 2 x plane 1 bit (bytes of
  // 192 and above are written as runs of one).
  std::vector<uint8_t> file = PcxFile(10, 8, 1, 1, 2, 2, {0xC1, 0xF0, 0, 0xC1, 0xCC, 0});
  for (int i = 0; i < 4; ++i) file[16 + 3 * i] = uint8_t(10 * (i + 1));
  Surface* s = nullptr;
  ASSERT_EQ(ReadPcxFile(file, PixelFormat::R8G8B8, s), ImageError::None);
  const int indices[8] = {3, 3, 1, 1, 2, 2, 0, 0};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(RgbAt(*s, x, 0).r, 10 * (indices[x] + 1)) << x;
  s->Release();
}

TEST(ImageFileLoader, PsdRunBytes) {
  // 130 x 1, three channels: red "128" (skipped), then 129 + 7 (128 sevens) and 255 + 9 (two nines);
  // green a literal of two then a run; blue a run cut at the channel's end.
  std::vector<uint8_t> counts(6, 0);
  std::vector<uint8_t> data = counts;
  data.insert(data.end(), {128, 129, 7, 255, 9});
  data.insert(data.end(), {1, 4, 5, 129, 6});
  data.insert(data.end(), {0x81, 1, 0x81, 2});
  std::vector<uint8_t> file = PsdFile(130, 1, 8, 3, 1, data);
  Surface* s = nullptr;
  ASSERT_EQ(ReadPsdFile(file, PixelFormat::R8G8B8, s), ImageError::None);
  EXPECT_EQ(RgbAt(*s, 0, 0), (Rgb{7, 4, 1}));
  EXPECT_EQ(RgbAt(*s, 1, 0), (Rgb{7, 5, 1}));
  EXPECT_EQ(RgbAt(*s, 127, 0), (Rgb{7, 6, 1}));
  EXPECT_EQ(RgbAt(*s, 128, 0), (Rgb{9, 6, 2}));
  EXPECT_EQ(RgbAt(*s, 129, 0), (Rgb{9, 6, 2}));
  s->Release();
}

TEST(ImageFileLoader, PsdAlphaChannelLeavesTheColoursAsTheyAre) {
  // 2 x 1, four raw channels: red, green, blue, then alpha (which the display's formats do not show).
  std::vector<uint8_t> file = PsdFile(2, 1, 8, 3, 0, {10, 11, 20, 21, 30, 31, 0, 255});
  file[13] = 4;  // channels
  Surface* s = nullptr;
  ASSERT_EQ(ReadPsdFile(file, PixelFormat::R8G8B8, s), ImageError::None);
  EXPECT_EQ(RgbAt(*s, 0, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(RgbAt(*s, 1, 0), (Rgb{11, 21, 31}));
  s->Release();
}

TEST(ImageFileLoader, GreyAndCmykJpegsAreRefused) {
  ImageTools tools;
  tools.Run(
      "convert -size 8x8 gradient: -colorspace Gray grey.jpg && convert -size 8x8 gradient:red-blue "
      "-colorspace CMYK cmyk.jpg");
  for (const char* name : {"grey.jpg", "cmyk.jpg"}) {
    ImageError error;
    EXPECT_EQ(LoadImageFileToSurface(tools.Path(name), &error), nullptr);
    EXPECT_EQ(error, ImageError::Unsupported) << name;
  }
}

}  // namespace
}  // namespace qm::testing
