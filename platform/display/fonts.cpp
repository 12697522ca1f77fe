#include "platform/display/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <iconv.h>
#include <unistd.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <map>
#include <unordered_map>

#include "platform/shared_library.h"

namespace qm::platform {
namespace {

// FreeType and fontconfig are opened at the first font: a program that shows no text never
// loads them.
#define QM_FREETYPE_FUNCTIONS(X) \
  X(FT_Done_Face)                \
  X(FT_Get_Sfnt_Table)           \
  X(FT_GlyphSlot_Embolden)       \
  X(FT_GlyphSlot_Oblique)        \
  X(FT_Init_FreeType)            \
  X(FT_Load_Char)                \
  X(FT_New_Face)                 \
  X(FT_Render_Glyph)             \
  X(FT_Select_Charmap)           \
  X(FT_Set_Char_Size)

#define QM_FONTCONFIG_FUNCTIONS(X) \
  X(FcConfigSubstitute)            \
  X(FcDefaultSubstitute)           \
  X(FcFontList)                    \
  X(FcFontMatch)                   \
  X(FcFontSetDestroy)              \
  X(FcInit)                        \
  X(FcObjectSetBuild)              \
  X(FcObjectSetDestroy)            \
  X(FcPatternAddBool)              \
  X(FcPatternAddInteger)           \
  X(FcPatternAddString)            \
  X(FcPatternCreate)               \
  X(FcPatternDestroy)              \
  X(FcPatternGetInteger)           \
  X(FcPatternGetString)            \
  X(FcWeightFromOpenType)

QM_LIBRARY_TABLE(FreeTypeFunctions, QM_FREETYPE_FUNCTIONS)
QM_LIBRARY_TABLE(FontconfigFunctions, QM_FONTCONFIG_FUNCTIONS)

// The run-time names of FreeType 2 and fontconfig 2 (their headers carry no library number).
LibraryTable<FreeTypeFunctions> gFreeTypeLibrary("libfreetype.so.6", FreeTypeFunctions::Resolve);
LibraryTable<FontconfigFunctions> gFontconfigLibrary("libfontconfig.so.1", FontconfigFunctions::Resolve);

const FreeTypeFunctions& FreeType() { return gFreeTypeLibrary.Functions(); }
const FontconfigFunctions& Fontconfig() { return gFontconfigLibrary.Functions(); }

// Fontconfig, loaded and initialised; false when it cannot be.
bool FontconfigReady() { return gFontconfigLibrary.Load() && Fontconfig().FcInit(); }

// Cell heights of the default size (height 0): what the Windows raster faces have, 16 otherwise.
constexpr int kDefaultCellHeight = 16;
constexpr int kFixedsysCellHeight = 15;
constexpr int kMaxFontHeight = 16384;
constexpr const char* kDefaultFamily = "DejaVu Sans";
constexpr const char* kMonospaceFamily = "DejaVu Sans Mono";

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    if (!gFreeTypeLibrary.Load() || FreeType().FT_Init_FreeType(&made) != 0) made = nullptr;
    return made;
  }();
  return library;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsDoubleByteCharset(int charset) {
  return charset == kCharsetShiftJis || charset == kCharsetHangul || charset == kCharsetGb2312 ||
         charset == kCharsetBig5;
}

// The code point of each byte in a single-byte character set; a byte the set leaves undefined
// stands for itself.
const std::array<char32_t, 256>& SingleByteTable(int charset) {
  static std::map<int, std::array<char32_t, 256>> tables;
  auto found = tables.find(charset);
  if (found != tables.end()) return found->second;
  std::array<char32_t, 256> table;
  for (int b = 0; b < 256; ++b) table[static_cast<std::size_t>(b)] = static_cast<char32_t>(b);
  iconv_t cd = iconv_open("UTF-32LE", CharsetEncoding(charset));
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* inPtr = &in;
      char* outPtr = out;
      std::size_t inLeft = 1, outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && outLeft == 4) {
        auto* u = reinterpret_cast<unsigned char*>(out);
        table[static_cast<std::size_t>(b)] =
            static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24);
      }
    }
    iconv_close(cd);
  }
  return tables.emplace(charset, table).first->second;
}

// Double-byte text through iconv; bytes that do not decode stand for themselves.
std::u32string DecodeDoubleByte(int charset, std::string_view bytes) {
  std::u32string out;
  iconv_t cd = iconv_open("UTF-32LE", CharsetEncoding(charset));
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (unsigned char b : bytes) out.push_back(b);
    return out;
  }
  std::string input(bytes);
  char* in = input.data();
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char buffer[4];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    if (outLeft == 0) {
      auto* u = reinterpret_cast<unsigned char*>(buffer);
      out.push_back(static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24));
    } else if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out.push_back(static_cast<unsigned char>(*in));  // not decodable: the byte itself
      ++in, --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

struct MatchedFace {
  std::string file, family;
  int index = 0, weight = 0, slant = 0;
};

// The upright regular faces of the families the system names itself (PRINT's, and text's before
// a font is set) where the fonts-dejavu-core package puts them. Found there, they need no
// fontconfig: it reads its whole configuration on first use, which costs a printing program more
// than the rest of its start-up.
struct KnownFace {
  const char* family;
  const char* file;
};
constexpr KnownFace kKnownFaces[] = {
    {kDefaultFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
    {kMonospaceFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"},
};

bool MatchKnownFace(const std::string& family, int weight, bool italic, MatchedFace& out) {
  if (italic || weight != kWeightNormal) return false;
  for (const KnownFace& known : kKnownFaces) {
    if (family != known.family || access(known.file, R_OK) != 0) continue;
    out.file = known.file;
    out.family = known.family;
    out.index = 0;
    out.weight = FC_WEIGHT_REGULAR;
    out.slant = FC_SLANT_ROMAN;
    return true;
  }
  return false;
}

bool MatchFace(const std::string& family, int weight, bool italic, MatchedFace& out) {
  if (MatchKnownFace(family, weight, italic, out)) return true;
  if (!FontconfigReady()) return false;
  FcPattern* pattern = Fontconfig().FcPatternCreate();
  Fontconfig().FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  Fontconfig().FcPatternAddInteger(pattern, FC_WEIGHT, Fontconfig().FcWeightFromOpenType(weight));
  Fontconfig().FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  Fontconfig().FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  Fontconfig().FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  Fontconfig().FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = Fontconfig().FcFontMatch(nullptr, pattern, &result);
  Fontconfig().FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  bool ok = Fontconfig().FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (ok) {
    out.file = reinterpret_cast<const char*>(file);
    if (Fontconfig().FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch) {
      out.family = reinterpret_cast<const char*>(matchedFamily);
    }
    Fontconfig().FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
    Fontconfig().FcPatternGetInteger(match, FC_WEIGHT, 0, &out.weight);
    Fontconfig().FcPatternGetInteger(match, FC_SLANT, 0, &out.slant);
  }
  Fontconfig().FcPatternDestroy(match);
  return ok;
}

}  // namespace

struct Font::Face {
  FT_Face ft = nullptr;
  std::unordered_map<char32_t, Glyph> glyphs;
  const std::array<char32_t, 256>* table = nullptr;
  bool symbolMap = false;
  ~Face() {
    if (ft) FreeType().FT_Done_Face(ft);
  }
};

const char* CharsetEncoding(int charset) {
  switch (charset) {
    case kCharsetGreek:
      return "CP1253";
    case kCharsetTurkish:
      return "CP1254";
    case kCharsetHebrew:
      return "CP1255";
    case kCharsetArabic:
      return "CP1256";
    case kCharsetBaltic:
      return "CP1257";
    case kCharsetRussian:
      return "CP1251";
    case kCharsetThai:
      return "CP874";
    case kCharsetEastEurope:
      return "CP1250";
    case kCharsetMac:
      return "MACINTOSH";
    case kCharsetOem:
      return "CP437";
    case kCharsetShiftJis:
      return "CP932";
    case kCharsetHangul:
      return "CP949";
    case kCharsetGb2312:
      return "CP936";
    case kCharsetBig5:
      return "CP950";
    default:
      return "CP1252";
  }
}

std::string SubstituteFaceName(std::string_view face) {
  static const std::map<std::string, std::string> kAliases = {
      {"arial", "Liberation Sans"},       {"times new roman", "Liberation Serif"},
      {"courier new", "Liberation Mono"}, {"system", kMonospaceFamily},
      {"fixedsys", kMonospaceFamily},     {"", kDefaultFamily},
  };
  auto found = kAliases.find(Lower(face));
  return found != kAliases.end() ? found->second : std::string(face);
}

std::vector<std::string> EnumFontFamilies() {
  std::vector<std::string> families;
  if (!FontconfigReady()) return families;
  FcPattern* pattern = Fontconfig().FcPatternCreate();
  FcObjectSet* objects = Fontconfig().FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = Fontconfig().FcFontList(nullptr, pattern, objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      if (Fontconfig().FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
        families.emplace_back(reinterpret_cast<const char*>(family));
      }
    }
    Fontconfig().FcFontSetDestroy(set);
  }
  Fontconfig().FcObjectSetDestroy(objects);
  Fontconfig().FcPatternDestroy(pattern);
  std::sort(families.begin(), families.end());
  families.erase(std::unique(families.begin(), families.end()), families.end());
  return families;
}

std::unique_ptr<Font> Font::Create(const FontRequest& request) {
  if (!Library()) return nullptr;
  std::unique_ptr<Font> font(new Font);
  font->request_ = request;
  bool bold = request.weight >= 600;
  MatchedFace matched;
  std::string family = SubstituteFaceName(request.face);
  if (!MatchFace(family, std::clamp(request.weight, 1, 1000), request.italic, matched)) return nullptr;
  font->face_ = std::make_unique<Face>();
  if (FreeType().FT_New_Face(Library(), matched.file.c_str(), matched.index, &font->face_->ft) != 0)
    return nullptr;
  FT_Face ft = font->face_->ft;
  font->family_ = matched.family;
  font->syntheticBold_ = bold && matched.weight < FC_WEIGHT_DEMIBOLD;
  font->syntheticItalic_ = request.italic && matched.slant == FC_SLANT_ROMAN;
  font->monochrome_ = request.quality == kQualityNonAntialiased;
  if (request.charset == kCharsetSymbol && FreeType().FT_Select_Charmap(ft, FT_ENCODING_MS_SYMBOL) == 0) {
    font->face_->symbolMap = true;
  } else if (!IsDoubleByteCharset(request.charset)) {
    font->face_->table = &SingleByteTable(request.charset);
  }

  // The face's Windows cell (ascent and descent in font units), or its hhea metrics.
  double unitsAscent = ft->ascender, unitsDescent = -ft->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FreeType().FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
      os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    unitsAscent = os2->usWinAscent;
    unitsDescent = os2->usWinDescent;
  }
  double unitsPerEm = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
  // Heights beyond the tallest surface are held there: such text cannot be shown whole anyway, and
  // the font still exists (FreeType refuses sizes far beyond that).
  int height = std::clamp(request.height, -kMaxFontHeight, kMaxFontHeight);
  if (height == 0) height = Lower(request.face) == "fixedsys" ? kFixedsysCellHeight : kDefaultCellHeight;
  double em;
  if (height > 0) {
    em = height * unitsPerEm / (unitsAscent + unitsDescent);
    font->ascent_ = static_cast<int>(std::lround(height * unitsAscent / (unitsAscent + unitsDescent)));
    font->descent_ = height - font->ascent_;
  } else {
    em = -static_cast<double>(height);
    font->ascent_ = static_cast<int>(std::lround(unitsAscent * em / unitsPerEm));
    font->descent_ = static_cast<int>(std::lround(unitsDescent * em / unitsPerEm));
  }
  if (FreeType().FT_Set_Char_Size(ft, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72) != 0)
    return nullptr;
  return font;
}

Font::~Font() = default;

std::u32string Font::Decode(std::string_view bytes) const {
  if (face_->table) {
    std::u32string out(bytes.size(), 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      out[i] = (*face_->table)[static_cast<unsigned char>(bytes[i])];
    return out;
  }
  if (face_->symbolMap) {
    std::u32string out;
    for (unsigned char b : bytes) out.push_back(0xF000 + b);
    return out;
  }
  return DecodeDoubleByte(request_.charset, bytes);
}

const Glyph& Font::GlyphOf(char32_t character) {
  auto found = face_->glyphs.find(character);
  if (found != face_->glyphs.end()) return found->second;
  Glyph glyph;
  FT_Face ft = face_->ft;
  FT_Int32 flags = monochrome_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (FreeType().FT_Load_Char(ft, character, flags) == 0) {
    if (syntheticItalic_) FreeType().FT_GlyphSlot_Oblique(ft->glyph);
    if (syntheticBold_) FreeType().FT_GlyphSlot_Embolden(ft->glyph);
    if (FreeType().FT_Render_Glyph(ft->glyph, monochrome_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) ==
        0) {
      const FT_Bitmap& bitmap = ft->glyph->bitmap;
      glyph.advance = static_cast<int>((ft->glyph->advance.x + 32) >> 6);
      glyph.left = ft->glyph->bitmap_left;
      glyph.top = ft->glyph->bitmap_top;
      glyph.width = static_cast<int>(bitmap.width);
      glyph.height = static_cast<int>(bitmap.rows);
      glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.height));
      for (int y = 0; y < glyph.height; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x) {
          uint8_t value =
              bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0) : row[x];
          glyph.coverage[static_cast<std::size_t>(y * glyph.width + x)] = value;
        }
      }
    }
  }
  return face_->glyphs.emplace(character, std::move(glyph)).first->second;
}

int Font::TextWidth(std::string_view bytes) {
  int64_t width = 0;
  for (char32_t c : Decode(bytes)) width += GlyphOf(c).advance;
  return static_cast<int>(std::min<int64_t>(width, INT_MAX));  // held at the largest int, never wrapped
}

}  // namespace qm::platform
