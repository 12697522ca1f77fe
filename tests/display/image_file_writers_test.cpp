// The writers: exact bytes where the layout is fixed, and round trips through each writer and its
// reader (and through ImageMagick's reading of what was written).
#include "display/image_files/dxt_blocks.h"
#include "tests/display/image_files_fixture.h"

namespace qm::testing {
namespace {

Surface* WhiteSurface(int width, int height, PixelFormat format) {
  Surface* s = nullptr;
  EXPECT_EQ(CreateImageSurface(width, height, format, s), ImageError::None);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) PutRgb(*s, x, y, {255, 255, 255});
  return s;
}

uint32_t U32At(const std::string& b, std::size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
                               static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint8_t>(b[at + 3]) << 24);
}

TEST(ImageFileWriters, BmpOfWhite565HasItsHeaderAndPaddedRows) {
  Surface* s = WhiteSurface(10, 2, PixelFormat::R5G6B5);
  std::string file;
  ASSERT_EQ(WriteBmpFile(*s, file), ImageError::None);
  s->Release();
  ASSERT_EQ(file.size(), 118u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  const std::pair<std::size_t, uint32_t> fields[] = {{2, 0}, {6, 0}, {10, 54}, {14, 40}, {18, 10}, {22, 2}};
  for (auto [at, value] : fields) EXPECT_EQ(U32At(file, at), value) << "offset " << at;
  EXPECT_EQ(file[26], 1);
  EXPECT_EQ(file[28], 24);
  for (std::size_t at = 30; at < 54; ++at) EXPECT_EQ(file[at], 0) << at;
  for (std::size_t row = 0; row < 2; ++row) {
    std::string bytes = file.substr(54 + row * 32, 32);
    for (std::size_t i = 0; i < 30; i += 3) EXPECT_EQ(bytes.substr(i, 3), "\xF8\xFC\xF8");
    EXPECT_EQ(bytes.substr(30), std::string(2, '\0'));
  }
}

TEST(ImageFileWriters, TgaOfWhite565HasItsHeaderAndUnpaddedRows) {
  Surface* s = WhiteSurface(10, 3, PixelFormat::R5G6B5);
  std::string file;
  ASSERT_EQ(WriteTgaFile(*s, file), ImageError::None);
  s->Release();
  EXPECT_EQ(file.substr(0, 18), std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x0A\0\x03\0\x18\0", 18));
  ASSERT_EQ(file.size(), 18u + 3 * 30);
  for (std::size_t i = 18; i < file.size(); i += 3) EXPECT_EQ(file.substr(i, 3), "\xF8\xFC\xF8");
}

// Each writer's file, read back by our reader and by ImageMagick, shows the surface: exactly for
// the lossless formats, within 4 per channel for JPEG and within DXT1's error for DDS.
struct RoundTrip {
  const char* name;
  int tolerance;
};
void PrintTo(const RoundTrip& trip, std::ostream* out) { *out << trip.name; }

class WriterRoundTrips : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(WriterRoundTrips, ReadBackByUsAndByImageMagick) {
  ImageTools tools;
  for (PixelFormat format : platform::kRgbFormats) {
    Surface* source = GradientSurface(41, 17, format);
    std::string path = tools.Path(GetParam().name);
    ASSERT_EQ(SaveSurfaceToImageFile(source, path), ImageError::None);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 41; ++x) {
        Rgb c = RgbAt(*source, x, y);
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
      }
    ImageLoaderInit(format);
    ImageError error;
    Surface* loaded = LoadImageFileToSurface(path, &error);
    ASSERT_NE(loaded, nullptr) << ImageErrorText(error);
    if (platform::IsCompressed(loaded->Format())) {
      EXPECT_EQ(loaded->Width(), 64);  // rounded up to powers of two and stretched
      EXPECT_EQ(loaded->Height(), 32);
    } else {
      EXPECT_TRUE(ShowsRgb(*loaded, rgb, GetParam().tolerance)) << GetParam().name;
      EXPECT_TRUE(ShowsRgb(*loaded, tools.DecodedByImageMagick(GetParam().name), GetParam().tolerance));
    }
    loaded->Release();
    source->Release();
  }
}

INSTANTIATE_TEST_SUITE_P(ImageFiles, WriterRoundTrips,
                         ::testing::Values(RoundTrip{"x.bmp", 0}, RoundTrip{"x.rle", 0},
                                           RoundTrip{"x.dib", 0}, RoundTrip{"x.tga", 0},
                                           RoundTrip{"x.png", 0}, RoundTrip{"x.jpg", 4},
                                           RoundTrip{"x.dds", 0}),
                         [](const auto& trip) { return std::string(trip.param.name).substr(2); });

TEST(ImageFileWriters, SavedJpegIsBaselineWithUnitQuantisation) {
  Surface* s = GradientSurface(16, 16, PixelFormat::X8R8G8B8);
  std::string file;
  ASSERT_EQ(WriteJpegFile(*s, file), ImageError::None);
  s->Release();
  EXPECT_NE(file.find("\xFF\xC0"), std::string::npos);  // start of a baseline frame
  std::size_t tables = 0;
  for (std::size_t at = file.find("\xFF\xDB"); at != std::string::npos; at = file.find("\xFF\xDB", at + 2)) {
    std::size_t length = static_cast<uint8_t>(file[at + 2]) << 8 | static_cast<uint8_t>(file[at + 3]);
    for (std::size_t i = at + 4; i < at + 2 + length; i += 65) {
      for (std::size_t q = i + 1; q < i + 65; ++q) EXPECT_EQ(file[q], 1) << "table value at " << q;
      ++tables;
    }
  }
  EXPECT_GE(tables, 2u);
}

TEST(ImageFileWriters, SavedPngIsEightBitRgbNotInterlaced) {
  Surface* s = GradientSurface(5, 3, PixelFormat::R5G6B5);
  std::string file;
  ASSERT_EQ(WritePngFile(*s, file), ImageError::None);
  s->Release();
  ASSERT_GT(file.size(), 29u);
  EXPECT_EQ(file.substr(12, 4), "IHDR");
  EXPECT_EQ(file[24], 8);  // bit depth
  EXPECT_EQ(file[25], 2);  // colour type RGB
  EXPECT_EQ(file[28], 0);  // no interlace
}

TEST(ImageFileWriters, DdsOf300x200IsDxt1At512x256WithSevenLevels) {
  Surface* s = GradientSurface(300, 200, PixelFormat::R5G6B5);
  std::string file;
  ASSERT_EQ(WriteDdsFile(*s, file), ImageError::None);
  s->Release();
  ASSERT_EQ(file.size(), 87504u);
  EXPECT_EQ(file.substr(0, 4), "DDS ");
  const std::pair<std::size_t, uint32_t> fields[] = {{4, 124},  {8, 0x00021007}, {12, 256},
                                                     {16, 512}, {20, 0},         {28, 7},
                                                     {76, 32},  {80, 4},         {108, 0x00401008}};
  for (auto [at, value] : fields) EXPECT_EQ(U32At(file, at), value) << "offset " << at;
  EXPECT_EQ(file.substr(84, 4), "DXT1");
  Surface* loaded = nullptr;
  std::vector<uint8_t> bytes = Bytes(file);
  ASSERT_EQ(ReadDdsFile(bytes, PixelFormat::R5G6B5, loaded), ImageError::None);
  std::size_t sizes[] = {65536, 16384, 4096, 1024, 256, 64, 16};
  Surface* level = loaded;
  level->AddRef();
  for (std::size_t expected : sizes) {
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->LinearSize(), expected);
    Surface* next = nullptr;
    level->GetAttachedSurface(platform::kCapsMipMap, next);
    level->Release();
    level = next;
  }
  EXPECT_EQ(level, nullptr);
  loaded->Release();
}

TEST(ImageFileWriters, ConversionOf64x64MakesFiveLevels) {
  Surface* s = GradientSurface(64, 64, PixelFormat::R5G6B5);
  Surface* converted = nullptr;
  ASSERT_TRUE(ConvertSurfaceFormat(*s, converted, '5', true));
  EXPECT_EQ(converted->Format(), PixelFormat::Dxt5);
  int levels = 0, side = 64;
  Surface* level = converted;
  level->AddRef();
  while (level) {
    EXPECT_EQ(level->Width(), side);
    side /= 2, ++levels;
    Surface* next = nullptr;
    level->GetAttachedSurface(platform::kCapsMipMap, next);
    level->Release();
    level = next;
  }
  EXPECT_EQ(levels, 5);
  converted->Release();
  s->Release();
}

TEST(ImageFileWriters, BoxFilterAveragesEachTwoByTwoBlock) {
  Surface* s = nullptr;
  ASSERT_EQ(CreateImageSurface(3, 2, PixelFormat::R8G8B8, s), ImageError::None);
  const Rgb pixels[2][3] = {{{255, 0, 0}, {0, 0, 0}, {10, 20, 30}}, {{0, 0, 0}, {0, 0, 0}, {30, 40, 51}}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) PutRgb(*s, x, y, pixels[y][x]);
  BoxFilter2x2(*s);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(RgbAt(*s, 0, y), (Rgb{63, 0, 0}));
    EXPECT_EQ(RgbAt(*s, 1, y), (Rgb{63, 0, 0}));
    EXPECT_EQ(RgbAt(*s, 2, y), (Rgb{20, 30, 40}));  // the right column's block has two pixels
  }
  s->Release();
}

TEST(ImageFileWriters, TwoColourBlockRoundTripsThroughDxt1Exactly) {
  Surface* s = nullptr;
  ASSERT_EQ(CreateImageSurface(4, 4, PixelFormat::R8G8B8, s), ImageError::None);
  // Two colours that 5-6-5 end points hold exactly.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) PutRgb(*s, x, y, (x + y) % 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255});
  Surface* block = nullptr;
  ASSERT_EQ(Surface::Create({4, 4, PixelFormat::Dxt1, platform::kCapsTexture}, block),
            platform::DisplayResult::Ok);
  EncodeDxtSurface(*s, *block);
  std::vector<Rgb> decoded = DecodeDxtSurface(*block);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(decoded[static_cast<std::size_t>(i)], RgbAt(*s, i % 4, i / 4)) << i;
  block->Release();
  s->Release();
}

}  // namespace
}  // namespace qm::testing
