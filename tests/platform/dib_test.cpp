#include "platform/display/dib.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "tests/platform/surface_fixture.h"
#include "tests/platform/temp_folder.h"

namespace qm::platform {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Bitmaps written by ImageMagick at test time, and ImageMagick's own decoding of each.
struct MadeBitmap {
  std::vector<uint8_t> file;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel, rows from the top
};

class ImageMagickBitmaps {
 public:
  static const std::map<std::string, MadeBitmap>& All() {
    static ImageMagickBitmaps made;
    return made.bitmaps_;
  }

 private:
  ImageMagickBitmaps() {
    // A picture with many colours (two crossed gradients), 37 wide so rows need padding.
    Run("convert -size 37x23 gradient:yellow-blue \\( -size 23x37 gradient:red-green -rotate 90 \\) "
        "-compose multiply -composite src.png");
    const std::pair<const char*, const char*> kinds[] = {
        {"24bit", "-type truecolor BMP3:"},
        {"8bit", "+dither -colors 200 -type palette -compress none BMP3:"},
        {"4bit", "+dither -colors 16 -type palette BMP3:"},
        {"1bit", "+dither -monochrome BMP3:"},
        {"rle8", "+dither -colors 200 -type palette -compress RLE BMP3:"},
        {"core24", "-define bmp:format=bmp2 BMP2:"},
        {"core4", "-define bmp:format=bmp2 +dither -colors 16 -type palette BMP2:"},
        {"bitfields565", "-define bmp:subtype=RGB565 BMP:"},
        {"32bit", "-alpha set -channel A -evaluate set 100% -type TrueColorAlpha BMP:"},
    };
    std::string files;
    for (auto [name, options] : kinds) {
      std::string opts = options;
      std::string prefix = opts.substr(opts.rfind(' ') + 1);
      opts = opts.substr(0, opts.rfind(' '));
      Run("convert src.png " + opts + " " + prefix + name + ".bmp");
      files += std::string(" ") + name + ".bmp";
    }
    // ImageMagick's own decoding, all in one run: image i becomes decoded-i.rgb.
    Run("convert" + files + " -depth 8 +adjoin rgb:decoded-%d.rgb");
    int i = 0;
    for (auto [name, options] : kinds) {
      bitmaps_[name] = {Bytes(folder_.Read(std::string(name) + ".bmp")),
                        Bytes(folder_.Read("decoded-" + std::to_string(i++) + ".rgb"))};
    }
  }
  void Run(const std::string& command) {
    std::string line = "cd '" + folder_.Path() + "' && " + command + " 2>&1";
    EXPECT_EQ(std::system(line.c_str()), 0) << line;
  }
  testing::TempFolder folder_;
  std::map<std::string, MadeBitmap> bitmaps_;
};

// The same bitmap with its rows stored top-down (negative height).
std::vector<uint8_t> TopDownCopy(const std::vector<uint8_t>& bmp24) {
  std::vector<uint8_t> out = bmp24;
  int32_t width = static_cast<int32_t>(out[18] | out[19] << 8),
          height = static_cast<int32_t>(out[22] | out[23] << 8);
  uint32_t offset = static_cast<uint32_t>(out[10] | out[11] << 8);
  std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  for (int y = 0; y < height; ++y) {
    std::copy_n(bmp24.begin() + offset + static_cast<long>(stride) * (height - 1 - y), stride,
                out.begin() + offset + static_cast<long>(stride) * y);
  }
  uint32_t negative = static_cast<uint32_t>(-height);
  for (int i = 0; i < 4; ++i)
    out[22 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(negative >> (8 * i));
  return out;
}

// A bitmap built here byte by byte: info header, colour table, bits.
struct BmpBuilder {
  int32_t width = 4, height = 2;
  uint16_t planes = 1, bits = 8;
  uint32_t compression = 0, coloursUsed = 4, headerSize = 40;
  std::vector<std::array<uint8_t, 4>> table{{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  std::vector<uint8_t> extra;  // after the table (masks come first for bit fields)
  std::vector<uint8_t> pixels = std::vector<uint8_t>(8, 1);

  std::vector<uint8_t> File() const {
    std::vector<uint8_t> info;
    auto u16 = [&](uint16_t v) {
      info.push_back(static_cast<uint8_t>(v)), info.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) { u16(static_cast<uint16_t>(v)), u16(static_cast<uint16_t>(v >> 16)); };
    u32(headerSize);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height));
    u16(planes);
    u16(bits);
    u32(compression);
    for (int i = 0; i < 3; ++i) u32(0);
    u32(coloursUsed);
    u32(0);
    while (info.size() < headerSize) info.push_back(0);
    info.insert(info.end(), extra.begin(), extra.end());
    for (const auto& entry : table) info.insert(info.end(), entry.begin(), entry.end());
    std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
    uint32_t offset = static_cast<uint32_t>(14 + info.size());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(offset >> (8 * i)));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
  }
};

using DibFormats = SurfaceFormats;

// One test for every format and pitch: ImageMagick's files are made once per process.
TEST(DibReader, ImageMagickBitmapsDecodeToImageMagicksColoursTruncatedToEachFormat) {
  auto all = ImageMagickBitmaps::All();
  all["topdown"] = {TopDownCopy(all.at("24bit").file), all.at("24bit").rgb};
  for (bool padded : {false, true}) {
    SetPaddedPitchForTests(padded);
    for (PixelFormat format : kRgbFormats) {
      for (const auto& [name, made] : all) {
        SCOPED_TRACE(name + " in " + PixelFormatName(format) + (padded ? " padded" : ""));
        Surface* s = nullptr;
        ASSERT_EQ(DecodeBmpFileToSurface(made.file, format, s), DibError::None);
        ASSERT_EQ(made.rgb.size(), static_cast<std::size_t>(s->Width() * s->Height() * 3));
        EXPECT_EQ(s->Width(), 37);
        EXPECT_TRUE(PixelsAre(*s, [&](int x, int y) {
          const uint8_t* p = &made.rgb[static_cast<std::size_t>((y * s->Width() + x) * 3)];
          return PackRgb(format, {p[0], p[1], p[2]});
        }));
        s->Release();
      }
    }
  }
  SetPaddedPitchForTests(false);
}

TEST_P(DibFormats, DrawingAtAnOffsetLeavesOutWhatFallsOutsideTheSurface) {
  DibImage image;
  ASSERT_EQ(DecodeBmpFile(ImageMagickBitmaps::All().at("24bit").file, image), DibError::None);
  Surface* s = Make(20, 10);
  ASSERT_EQ(DrawDibImage(image, *s, -5, 3), DisplayResult::Ok);
  EXPECT_TRUE(
      PixelsAre(*s, [&](int x, int y) { return y < 3 ? 0u : PackRgb(Format(), image.At(x + 5, y - 3)); }));
}

TEST_P(DibFormats, SurfacesBecomeBottomUpTwentyFourBitRows) {
  Surface* s = Make(10, 2, Pack(255, 255, 255));
  s->SetPixelAt(0, 0, Pack(255, 0, 0));
  std::vector<uint8_t> rows = SurfaceToDibRows24(*s);
  ASSERT_EQ(rows.size(), 64u);
  Rgb white = UnpackPixel(Format(), Pack(255, 255, 255)), red = UnpackPixel(Format(), Pack(255, 0, 0));
  EXPECT_EQ(std::vector<uint8_t>(rows.begin(), rows.begin() + 3),
            (std::vector<uint8_t>{white.b, white.g, white.r}));
  EXPECT_EQ(rows[30], 0);
  EXPECT_EQ(rows[31], 0);
  EXPECT_EQ(std::vector<uint8_t>(rows.begin() + 32, rows.begin() + 35),
            (std::vector<uint8_t>{red.b, red.g, red.r}));
}

QM_ALL_SURFACE_FORMATS(DibFormats);

TEST(DibWriter, FiveSixFiveWhiteGivesTheShiftedChannels) {
  Surface* s = nullptr;
  ASSERT_EQ(Surface::Create({10, 2, PixelFormat::R5G6B5}, s), DisplayResult::Ok);
  s->Fill(nullptr, 0xFFFF);
  std::vector<uint8_t> rows = SurfaceToDibRows24(*s);
  EXPECT_EQ(std::vector<uint8_t>(rows.begin(), rows.begin() + 3), (std::vector<uint8_t>{0xF8, 0xFC, 0xF8}));
  s->Release();
}

TEST(DibReader, RunLengthEscapesForFourBitData) {
  BmpBuilder b;
  b.bits = 4;
  b.compression = 2;
  // Bottom row: 4 pixels alternating 1 and 2. Next row: 3 literal pixels of 3, then end of line.
  // Third row: a delta 2 right, then one pixel 1, then end of bitmap (the rest stays black).
  b.height = 3;
  b.pixels = {4, 0x12, 0, 0, 0, 3, 0x33, 0x30, 0, 0, 0, 2, 2, 0, 1, 0x10, 0, 1};
  DibImage image;
  ASSERT_EQ(DecodeBmpFile(b.File(), image), DibError::None);
  Rgb k{}, r{255, 0, 0}, g{0, 255, 0}, bl{0, 0, 255};
  std::vector<Rgb> expected = {k, k, r, k, bl, bl, bl, k, r, g, r, g};
  EXPECT_EQ(image.pixels, expected);
}

TEST(DibReader, CraftedAndTruncatedBitmapsAreRefused) {
  struct Case {
    const char* what;
    std::function<void(BmpBuilder&)> change;
    DibError error;
  };
  const Case cases[] = {
      {"zero width", [](BmpBuilder& b) { b.width = 0; }, DibError::BadHeader},
      {"negative width", [](BmpBuilder& b) { b.width = -4; }, DibError::BadHeader},
      {"zero height", [](BmpBuilder& b) { b.height = 0; }, DibError::BadHeader},
      {"most negative height", [](BmpBuilder& b) { b.height = INT32_MIN; }, DibError::TooLarge},
      {"huge width", [](BmpBuilder& b) { b.width = 100000; }, DibError::TooLarge},
      {"two planes", [](BmpBuilder& b) { b.planes = 2; }, DibError::BadHeader},
      {"seven bits", [](BmpBuilder& b) { b.bits = 7; }, DibError::BadHeader},
      {"JPEG inside", [](BmpBuilder& b) { b.compression = 4; }, DibError::Unsupported},
      {"RLE8 on 24 bits", [](BmpBuilder& b) { b.compression = 1, b.bits = 24; }, DibError::BadHeader},
      {"top-down RLE", [](BmpBuilder& b) { b.compression = 1, b.height = -2; }, DibError::BadHeader},
      {"300 colours used", [](BmpBuilder& b) { b.coloursUsed = 300; }, DibError::BadHeader},
      {"header size 39", [](BmpBuilder& b) { b.headerSize = 39; }, DibError::BadHeader},
      {"header size past the data",
       [](BmpBuilder& b) { b.headerSize = 1000, b.table.clear(), b.pixels.clear(); }, DibError::Truncated},
      {"pixels one byte short", [](BmpBuilder& b) { b.pixels.pop_back(); }, DibError::Truncated},
      {"colour table short", [](BmpBuilder& b) { b.coloursUsed = 200, b.pixels.clear(); },
       DibError::Truncated},
      {"RLE literal past the end",
       [](BmpBuilder& b) {
         b.compression = 1, b.pixels = {0, 200, 1, 2};
       },
       DibError::BadRle},
      {"RLE delta past the end",
       [](BmpBuilder& b) {
         b.compression = 1, b.pixels = {0, 2, 1};
       },
       DibError::BadRle},
      {"scattered mask bits",
       [](BmpBuilder& b) {
         b.bits = 16, b.compression = 3, b.table.clear();
         b.extra = {0x05, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0};
         b.pixels = std::vector<uint8_t>(16, 0);
       },
       DibError::BadHeader},
      {"masks missing",
       [](BmpBuilder& b) { b.bits = 32, b.compression = 3, b.table.clear(), b.pixels.clear(); },
       DibError::Truncated},
  };
  for (const Case& c : cases) {
    BmpBuilder b;
    c.change(b);
    DibImage image;
    EXPECT_EQ(DecodeBmpFile(b.File(), image), c.error) << c.what;
    EXPECT_TRUE(image.pixels.empty()) << c.what;
  }
  BmpBuilder good;
  DibImage image;
  ASSERT_EQ(DecodeBmpFile(good.File(), image), DibError::None);
  EXPECT_EQ(image.At(3, 1), (Rgb{255, 0, 0}));
  std::vector<uint8_t> file = good.File();
  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    DibImage partial;
    EXPECT_NE(DecodeBmpFile(std::span(file).first(cut), partial), DibError::None) << "cut at " << cut;
  }
  file[10] = 0xFF;  // pixel offset past the end
  EXPECT_EQ(DecodeBmpFile(file, image), DibError::BadHeader);
  file[0] = 'X';
  EXPECT_EQ(DecodeBmpFile(file, image), DibError::BadHeader);
}

}  // namespace
}  // namespace qm::platform
