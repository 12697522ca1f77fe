// Every reader against files made by ImageMagick and netpbm in each layout the readers take,
// compared with ImageMagick's own decoding put into the surface's format; truncated copies of each
// are refused or load, never read outside the data.
#include <map>

#include "display/image_files/dxt_blocks.h"
#include "tests/display/image_files_fixture.h"

namespace qm::testing {
namespace {

struct MadeFile {
  const char* name;     // the file made
  const char* command;  // how it is made from src.png (a picture of 37 x 23 with many colours)
  int tolerance;        // per channel, beyond the surface format's truncation
  // The reference decoder, when not ImageMagick: writes <name>.ppm.
  const char* decoder = nullptr;
};
void PrintTo(const MadeFile& made, std::ostream* out) { *out << made.name; }

const MadeFile kMadeFiles[] = {
    {"colour.jpg", "convert src.png -quality 90 colour.jpg", 0},
    {"progressive.jpg", "convert src.png -interlace Plane progressive.jpg", 0},
    {"truecolour.bmp", "convert src.png -type truecolor BMP3:truecolour.bmp", 0},
    {"runs.rle", "convert src.png +dither -colors 200 -type palette -compress RLE BMP3:runs.rle", 0},
    {"rgb.png", "convert src.png PNG24:rgb.png", 0},
    {"palette-trns.png",
     "convert src.png +dither -colors 60 -alpha set -fill '#0000' -draw 'point 0,0' "
     "-define png:color-type=3 palette-trns.png",
     0},
    {"deep.png", "convert src.png -depth 16 PNG48:deep.png", 1},
    {"alpha.png", "convert src.png -alpha set -channel A -evaluate set 50% PNG32:alpha.png", 0},
    {"grey.png", "convert src.png -colorspace Gray grey.png", 0},
    {"mono.png", "convert src.png -monochrome mono.png", 0},
    {"interlaced.png", "convert src.png -interlace PNG interlaced.png", 0},
    {"plain.tga", "convert src.png -compress none plain.tga", 0},
    {"runs.tga", "convert src.png -compress RLE runs.tga", 0},
    {"runs-top.tga", "convert src.png -compress RLE -orient TopLeft runs-top.tga", 0},
    {"netpbm-rle.tga", "pngtopnm src.png | ppmtotga -rgb > netpbm-rle.tga", 0},
    {"netpbm-plain.tga", "pngtopnm src.png | ppmtotga -rgb -norle > netpbm-plain.tga", 0},
    {"netpbm-map.tga", "pngtopnm src.png | pnmquant 64 | ppmtotga -cmap > netpbm-map.tga", 0},
    {"netpbm-grey.tga", "pngtopnm src.png | ppmtopgm | ppmtotga -mono > netpbm-grey.tga", 0},
    {"none.tif", "convert src.png -compress none none.tif", 0},
    {"lzw.tif", "convert src.png -compress LZW lzw.tif", 0},
    {"zip.tif", "convert src.png -compress Zip zip.tif", 0},
    {"planes.pcx", "convert src.png PCX:planes.pcx", 0},
    {"palette.pcx", "convert src.png +dither -colors 100 -type palette PCX:palette.pcx", 0},
    {"netpbm-8bit.pcx", "pngtopnm src.png | pnmquant 200 | ppmtopcx -8bit > netpbm-8bit.pcx", 0},
    {"netpbm-4planes.pcx", "pngtopnm src.png | pnmquant 16 | ppmtopcx -planes 4 > netpbm-4planes.pcx", 0},
    // ImageMagick shows 1-bit PCX files inverted (white for 0); netpbm's own decoder is the reference.
    {"netpbm-mono.pcx", "pngtopnm src.png | ppmtopgm | pgmtopbm | ppmtopcx > netpbm-mono.pcx", 0,
     "pcxtoppm netpbm-mono.pcx > netpbm-mono.pcx.ppm"},
    {"runs.psd", "convert src.png PSD:runs.psd", 0},
    {"raw.psd", "convert src.png -compress none PSD:raw.psd", 0},
    {"dxt1.dds", "convert src.png -define dds:compression=dxt1 -define dds:mipmaps=0 dxt1.dds", 8},
    {"dxt5.dds", "convert src.png -define dds:compression=dxt5 dxt5.dds", 8},
    {"plain.dds", "convert src.png -define dds:compression=none plain.dds", 0},
};

// The made files, each made on first use: a test process (ctest runs each test alone) makes only
// the source picture and the file its test reads, not the whole set.
class MadeFiles {
 public:
  static MadeFiles& Get() {
    static MadeFiles made;
    return made;
  }
  const std::vector<uint8_t>& File(const MadeFile& made) { return Made(made).first; }
  const std::vector<uint8_t>& Decoded(const MadeFile& made) { return Made(made).second; }

 private:
  MadeFiles() {
    tools_.Run(
        "convert -size 37x23 gradient:yellow-blue \\( -size 23x37 gradient:red-green -rotate 90 \\) "
        "-compose multiply -composite -depth 8 src.png");
  }
  const std::pair<std::vector<uint8_t>, std::vector<uint8_t>>& Made(const MadeFile& made) {
    auto found = made_.find(made.name);
    if (found != made_.end()) return found->second;
    tools_.Run(made.command);
    std::vector<uint8_t> file = Bytes(tools_.folder.Read(made.name));
    if (made.decoder) tools_.Run(made.decoder);
    std::vector<uint8_t> decoded =
        tools_.DecodedByImageMagick(made.decoder ? made.name + std::string(".ppm") : made.name);
    return made_.emplace(made.name, std::make_pair(std::move(file), std::move(decoded))).first->second;
  }
  std::map<std::string, std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> made_;
  ImageTools tools_;
};

class MadeFileReaders : public ::testing::TestWithParam<MadeFile> {};

TEST_P(MadeFileReaders, DecodeAsImageMagickDoesInEveryFormat) {
  const MadeFile& made = GetParam();
  const std::vector<uint8_t>& file = MadeFiles::Get().File(made);
  const ImageFileFormat* format = ImageFormatForName(made.name);
  ASSERT_NE(format, nullptr);
  for (PixelFormat pixels : platform::kRgbFormats) {
    Surface* s = nullptr;
    ASSERT_EQ(format->load(file, pixels, s), ImageError::None) << made.name;
    if (platform::IsCompressed(s->Format())) {
      // DDS keeps its compression: compare the decoded blocks through an RGB copy.
      Surface* copy = nullptr;
      ASSERT_EQ(CreateImageSurface(s->Width(), s->Height(), pixels, copy), ImageError::None);
      std::vector<Rgb> colours = DecodeDxtSurface(*s);
      for (int y = 0; y < s->Height(); ++y)
        for (int x = 0; x < s->Width(); ++x)
          PutRgb(*copy, x, y, colours[static_cast<std::size_t>(y * s->Width() + x)]);
      s->Release();
      s = copy;
    }
    EXPECT_EQ(s->Width(), 37);
    EXPECT_EQ(s->Height(), 23);
    EXPECT_TRUE(ShowsRgb(*s, MadeFiles::Get().Decoded(made), made.tolerance)) << made.name;
    s->Release();
  }
}

TEST_P(MadeFileReaders, RefuseOrLoadEveryTruncatedCopy) {
  const MadeFile& made = GetParam();
  const std::vector<uint8_t>& file = MadeFiles::Get().File(made);
  const ImageFileFormat* format = ImageFormatForName(made.name);
  std::size_t step = std::max<std::size_t>(1, file.size() / 97);
  for (std::size_t length = 0; length < file.size(); length += step) {
    std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    Surface* s = nullptr;
    ImageError error = format->load(cut, PixelFormat::R8G8B8, s);
    EXPECT_EQ(error == ImageError::None, s != nullptr) << made.name << " cut at " << length;
    if (s) s->Release();
  }
}

INSTANTIATE_TEST_SUITE_P(ImageFiles, MadeFileReaders, ::testing::ValuesIn(kMadeFiles), [](const auto& made) {
  std::string name = made.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

}  // namespace
}  // namespace qm::testing
