// DXT blocks. Decoding follows the block layout: two 5-6-5 end colours and 2-bit indices (DXT1 with
// the first end colour not above the second has three colours and black); DXT2-5 put 8 bytes of
// alpha before the colour block. Encoding uses stb_dxt.
#include <algorithm>
#include <cstring>  // stb_dxt uses memcpy and memset

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

#include "display/image_files/dxt_blocks.h"

namespace qm {
using namespace platform;

namespace {

Rgb Expand565(unsigned v) {
  unsigned r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
  return {static_cast<uint8_t>(r << 3 | r >> 2), static_cast<uint8_t>(g << 2 | g >> 4),
          static_cast<uint8_t>(b << 3 | b >> 2)};
}

Rgb Mix(Rgb a, Rgb b, int wa, int wb, int total) {
  auto channel = [&](uint8_t x, uint8_t y) { return static_cast<uint8_t>((x * wa + y * wb) / total); };
  return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// The 16 colours of one colour block, in rows of four.
void DecodeColourBlock(const uint8_t* block, bool threeColourMode, Rgb out[16]) {
  unsigned c0 = static_cast<unsigned>(block[0] | block[1] << 8),
           c1 = static_cast<unsigned>(block[2] | block[3] << 8);
  Rgb palette[4] = {Expand565(c0), Expand565(c1), {}, {}};
  if (c0 > c1 || !threeColourMode) {
    palette[2] = Mix(palette[0], palette[1], 2, 1, 3);
    palette[3] = Mix(palette[0], palette[1], 1, 2, 3);
  } else {
    palette[2] = Mix(palette[0], palette[1], 1, 1, 2);
    palette[3] = {0, 0, 0};
  }
  for (int i = 0; i < 16; ++i) out[i] = palette[(block[4 + i / 4] >> (2 * (i % 4))) & 3];
}

}  // namespace

std::vector<Rgb> DecodeDxtSurface(const Surface& level) {
  int w = level.Width(), h = level.Height();
  std::vector<Rgb> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  int blockBytes = BytesPerBlock(level.Format());
  bool dxt1 = level.Format() == PixelFormat::Dxt1;
  for (int by = 0; by < (h + 3) / 4; ++by) {
    const uint8_t* block = level.Row(by);
    for (int bx = 0; bx < (w + 3) / 4; ++bx, block += blockBytes) {
      Rgb colours[16];
      DecodeColourBlock(dxt1 ? block : block + 8, dxt1, colours);
      for (int i = 0; i < 16; ++i) {
        int x = bx * 4 + i % 4, y = by * 4 + i / 4;
        if (x < w && y < h)
          pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
              colours[i];
      }
    }
  }
  return pixels;
}

void EncodeDxtSurface(const Surface& source, Surface& level) {
  int w = level.Width(), h = level.Height();
  int blockBytes = BytesPerBlock(level.Format());
  bool alphaBlock = level.Format() != PixelFormat::Dxt1;
  for (int by = 0; by < (h + 3) / 4; ++by) {
    uint8_t* block = level.Row(by);
    for (int bx = 0; bx < (w + 3) / 4; ++bx, block += blockBytes) {
      unsigned char rgba[64];
      for (int i = 0; i < 16; ++i) {
        // Pixels past the edge repeat the last column or row.
        int x = std::min(bx * 4 + i % 4, w - 1), y = std::min(by * 4 + i / 4, h - 1);
        Rgb c = UnpackPixel(source.Format(), source.PixelAt(x, y));
        rgba[i * 4] = c.r, rgba[i * 4 + 1] = c.g, rgba[i * 4 + 2] = c.b, rgba[i * 4 + 3] = 255;
      }
      // DXT2 and DXT3 keep explicit 4-bit alpha: opaque is all ones. DXT4/5 get stb's alpha block.
      if (alphaBlock && (level.Format() == PixelFormat::Dxt2 || level.Format() == PixelFormat::Dxt3)) {
        for (int i = 0; i < 8; ++i) block[i] = 0xFF;
        stb_compress_dxt_block(block + 8, rgba, 0, STB_DXT_HIGHQUAL);
      } else {
        stb_compress_dxt_block(block, rgba, alphaBlock ? 1 : 0, STB_DXT_HIGHQUAL);
      }
    }
  }
}

}  // namespace qm
