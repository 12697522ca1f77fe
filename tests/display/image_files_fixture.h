// Shared by the image file tests: image files made at test time by ImageMagick and netpbm in a
// temporary folder, ImageMagick's own decoding of them, and helpers to compare surfaces.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/image_files/image_file_formats.h"
#include "tests/platform/temp_folder.h"

namespace qm::testing {

using platform::PixelFormat;
using platform::Rgb;
using platform::Surface;

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class ImageTools {
 public:
  // Runs a shell command in the folder; the test fails when it does.
  void Run(const std::string& command) const {
    std::string line = "cd '" + folder.Path() + "' && (" + command + ") 2>&1";
    EXPECT_EQ(std::system(line.c_str()), 0) << line;
  }
  // ImageMagick's own decoding of the file's first image: 3 bytes per pixel, rows from the top.
  // (Our bitmaps leave the file size field 0, which ImageMagick is told to accept.)
  std::vector<uint8_t> DecodedByImageMagick(const std::string& file) const {
    Run("convert -define bmp:ignore-filesize=true '" + file + "[0]' -auto-orient -alpha off -depth 8 rgb:'" +
        file + ".rgb'");
    return Bytes(folder.Read(file + ".rgb"));
  }
  std::string Path(const std::string& file) const { return folder / file; }
  platform::testing::TempFolder folder;
};

// Whether the surface shows `rgb` (rows from the top): every channel of every pixel is what a value
// within `tolerance` of the decoded one becomes in the surface's format.
inline ::testing::AssertionResult ShowsRgb(const Surface& s, const std::vector<uint8_t>& rgb, int tolerance) {
  std::size_t pixels = static_cast<std::size_t>(s.Width()) * static_cast<std::size_t>(s.Height());
  if (rgb.size() != pixels * 3) return ::testing::AssertionFailure() << "decoded size " << rgb.size();
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const uint8_t* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(s.Width()) +
                               static_cast<std::size_t>(x)) *
                              3];
      auto moved = [&](int by) {
        auto channel = [&](uint8_t v) { return static_cast<uint8_t>(std::clamp(v + by, 0, 255)); };
        return platform::UnpackPixel(
            s.Format(), platform::PackRgb(s.Format(), {channel(p[0]), channel(p[1]), channel(p[2])}));
      };
      Rgb want = moved(0), low = moved(-tolerance), high = moved(tolerance), got = RgbAt(s, x, y);
      if (got.r < low.r || got.r > high.r || got.g < low.g || got.g > high.g || got.b < low.b ||
          got.b > high.b) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << "," << y << ") is " << int(got.r) << "," << int(got.g) << ","
               << int(got.b) << " instead of " << int(want.r) << "," << int(want.g) << "," << int(want.b);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// A surface holding a picture of many colours: red across, green down, blue from both.
inline Surface* GradientSurface(int width, int height, PixelFormat format) {
  Surface* s = nullptr;
  EXPECT_EQ(CreateImageSurface(width, height, format, s), ImageError::None);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      PutRgb(*s, x, y,
             {static_cast<uint8_t>(x * 255 / std::max(1, width - 1)),
              static_cast<uint8_t>(y * 255 / std::max(1, height - 1)),
              static_cast<uint8_t>((x + y) * 127 / std::max(1, width + height - 2))});
    }
  }
  return s;
}

}  // namespace qm::testing
