// Fonts for text on surfaces: Windows-style font requests served by FreeType with faces found
// through fontconfig. Windows face names map to free faces: Arial to Liberation Sans, Times New
// Roman to Liberation Serif, Courier New to Liberation Mono, and the raster faces "System" and
// "Fixedsys" to DejaVu Sans Mono, with their Windows cell heights (16 and 15 pixels) when the
// request asks for the default height 0.
//
// Heights: a positive height is the cell (ascent plus descent, from the face's Windows metrics);
// a negative one is the em height. Bold and italic come from the family's own faces, or are made
// (emboldened outlines, a slanted transform) when it has none. Text bytes are read in the font's
// character set through iconv. Glyphs are cached per font.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::platform {

// Character sets a font request can name.
enum Charset : int {
  kCharsetAnsi = 0,
  kCharsetDefault = 1,
  kCharsetSymbol = 2,
  kCharsetMac = 77,
  kCharsetShiftJis = 128,
  kCharsetHangul = 129,
  kCharsetGb2312 = 134,
  kCharsetBig5 = 136,
  kCharsetGreek = 161,
  kCharsetTurkish = 162,
  kCharsetHebrew = 177,
  kCharsetArabic = 178,
  kCharsetBaltic = 186,
  kCharsetRussian = 204,
  kCharsetThai = 222,
  kCharsetEastEurope = 238,
  kCharsetOem = 255,
};

constexpr int kQualityNonAntialiased = 3;
constexpr int kWeightNormal = 400, kWeightBold = 700;

struct FontRequest {
  int height = 0;
  int weight = kWeightNormal;
  bool italic = false;
  int charset = kCharsetAnsi;
  int quality = 0;
  std::string face;
};

// One glyph's coverage bitmap (0 to 255, only 0 or 255 for monochrome fonts) and placement.
struct Glyph {
  int advance = 0;
  int left = 0, top = 0;  // from the pen position on the baseline to the bitmap's top-left
  int width = 0, height = 0;
  std::vector<uint8_t> coverage;
};

class Font {
 public:
  // Never null: an unknown face gets the default face. Null only when no font file can be loaded.
  static std::unique_ptr<Font> Create(const FontRequest& request);
  ~Font();

  int CellHeight() const { return ascent_ + descent_; }
  int Ascent() const { return ascent_; }
  bool Monochrome() const { return monochrome_; }
  const std::string& FamilyName() const { return family_; }
  const FontRequest& Request() const { return request_; }

  // The characters of `bytes` in the font's character set.
  std::u32string Decode(std::string_view bytes) const;
  const Glyph& GlyphOf(char32_t character);
  // Sum of the advances, and the cell height.
  int TextWidth(std::string_view bytes);

  struct Face;

 private:
  Font() = default;
  FontRequest request_;
  std::string family_;
  std::unique_ptr<Face> face_;
  int ascent_ = 0, descent_ = 0;
  bool monochrome_ = false;
  bool syntheticBold_ = false, syntheticItalic_ = false;
};

// The free family a Windows face name stands for (the name itself when no alias applies).
std::string SubstituteFaceName(std::string_view face);
// The font families installed, each once, sorted.
std::vector<std::string> EnumFontFamilies();
// iconv's name for a character set ("CP1252" for 0).
const char* CharsetEncoding(int charset);

}  // namespace qm::platform
