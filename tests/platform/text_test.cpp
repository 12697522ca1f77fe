#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/display/text_context.h"
#include "tests/platform/surface_fixture.h"

namespace qm::platform {
namespace {

// fontconfig sees only the fonts of the two Debian packages the setup script installs; set before
// any test runs, since fontconfig reads its configuration once. The folder goes when the test
// process ends (each test is a process of its own under ctest).
struct FixtureFonts {
  FixtureFonts() {
    char pattern[] = "/tmp/qm-fonts-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    std::string conf = folder + "/fonts.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig>\n"
                           "<dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                           "<dir>/usr/share/fonts/truetype/liberation2</dir>\n"
                           "<cachedir>"
                        << folder << "/cache</cachedir>\n</fontconfig>\n";
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
  }
  ~FixtureFonts() {
    std::error_code error;
    if (!folder.empty()) std::filesystem::remove_all(folder, error);
  }
  std::string folder;
};
const FixtureFonts kFixtureFonts;

std::unique_ptr<Font> MakeFont(const std::string& face, int height, int weight = kWeightNormal,
                               int charset = 0, int quality = kQualityNonAntialiased, bool italic = false) {
  FontRequest request;
  request.face = face;
  request.height = height;
  request.weight = weight;
  request.charset = charset;
  request.quality = quality;
  request.italic = italic;
  return Font::Create(request);
}

class Text : public SurfaceFormats {
 protected:
  // Draws `text` at (x, y) on a surface filled with `background`; returns the surface.
  Surface* Draw(Font& font, std::string_view text, int x, int y, bool opaque, uint32_t background = 0,
                int w = 120, int h = 40) {
    Surface* s = Make(w, h, background);
    TextContext dc;
    EXPECT_EQ(TextContext::Open(*s, dc), DisplayResult::Ok);
    dc.SelectFont(&font);
    dc.SetOpaque(opaque);
    dc.SetTextColor(ColorRef(255, 0, 0));
    dc.SetBackgroundColor(ColorRef(0, 0, 255));
    EXPECT_TRUE(dc.TextOut(x, y, text));
    return s;
  }
  uint32_t Red() const { return Pack(255, 0, 0); }
  uint32_t Blue() const { return Pack(0, 0, 255); }
};

int CountPixels(const Surface& s, uint32_t value) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) n += s.PixelAt(x, y) == value;
  }
  return n;
}

TEST_P(Text, OpaqueTextFillsExactlyItsExtentWithInkAndBackground) {
  ASSERT_FALSE(kFixtureFonts.folder.empty());
  auto font = MakeFont("Arial", 16);
  ASSERT_TRUE(font);
  TextExtent extent{font->TextWidth("Hi"), font->CellHeight()};
  Surface* s = Draw(*font, "Hi", 10, 10, true);
  Rect box{10, 10, 10 + extent.cx, 10 + extent.cy};
  int wrong = 0;
  for (int y = 0; y < s->Height(); ++y) {
    for (int x = 0; x < s->Width(); ++x) {
      uint32_t p = s->PixelAt(x, y);
      bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      wrong += inside ? (p != Red() && p != Blue()) : p != 0;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(CountPixels(*s, Red()), 0);
  EXPECT_GT(CountPixels(*s, Blue()), 0);
}

TEST_P(Text, TransparentTextLeavesTheBackground) {
  auto font = MakeFont("Times New Roman", 20);
  uint32_t green = Pack(0, 255, 0);
  Surface* s = Draw(*font, "Hi", 10, 10, false, green);
  int red = CountPixels(*s, Red());
  EXPECT_GT(red, 0);
  EXPECT_EQ(red + CountPixels(*s, green), s->Width() * s->Height());
}

TEST_P(Text, TextPartlyOutsideTheSurfaceDrawsItsVisiblePart) {
  auto font = MakeFont("Courier New", 18);
  Surface* whole = Draw(*font, "Hello", 0, 0, true);
  Surface* cut = Draw(*font, "Hello", -5, 0, true);
  EXPECT_GT(CountPixels(*cut, Red()), 0);
  int cx = font->TextWidth("Hello");
  EXPECT_TRUE(PixelsAre(*cut, [&](int x, int y) { return x < cx - 5 ? whole->PixelAt(x + 5, y) : 0u; }));
  Surface* below = Draw(*font, "Hello", 0, 30, false);  // only the top 10 rows of the cell are on the surface
  EXPECT_GT(CountPixels(*below, Red()), 0);
  // Far away in any direction, up to the ends of the int range: nothing drawn, nothing overflows.
  const std::pair<int, int> faraway[] = {{INT_MAX - 3, 0},   {INT_MIN, 0}, {0, INT_MAX}, {0, INT_MIN},
                                         {INT_MAX, INT_MAX}, {-1000, 5},   {5, -1000}};
  for (auto [x, y] : faraway) {
    Surface* none = Draw(*font, "Hello", x, y, true);
    EXPECT_TRUE(PixelsAre(*none, [](int, int) { return 0u; })) << x << "," << y;
  }
}

TEST_P(Text, NonAntialiasedTextHasOnlyTheInkAndAntialiasedTextHasMore) {
  auto mono = MakeFont("Arial", 24);
  Surface* s = Draw(*mono, "Quillmoor", 0, 0, false, 0, 160);
  EXPECT_EQ(CountPixels(*s, Red()) + CountPixels(*s, 0), s->Width() * s->Height());
  auto smooth = MakeFont("Arial", 24, kWeightNormal, 0, 0);
  Surface* t = Draw(*smooth, "Quillmoor", 0, 0, false, 0, 160);
  EXPECT_LT(CountPixels(*t, Red()) + CountPixels(*t, 0), t->Width() * t->Height());
}

TEST_P(Text, ByteC0DrawsADifferentGlyphInTheCyrillicCharset) {
  auto western = MakeFont("Arial", 20, kWeightNormal, kCharsetAnsi);
  auto cyrillic = MakeFont("Arial", 20, kWeightNormal, kCharsetRussian);
  Surface* a = Draw(*western, "\xC0", 2, 2, false);
  Surface* b = Draw(*cyrillic, "\xC0", 2, 2, false);
  EXPECT_GT(CountPixels(*a, Red()), 0);
  EXPECT_GT(CountPixels(*b, Red()), 0);
  EXPECT_FALSE(PixelsAre(*a, [&](int x, int y) { return b->PixelAt(x, y); }));
}

TEST_P(Text, BoldTextCoversMoreWidthThanRegular) {
  auto regular = MakeFont("Arial", 20, kWeightNormal), bold = MakeFont("Arial", 20, kWeightBold);
  auto rightmostInk = [&](const Surface& s) {
    int right = -1;
    for (int y = 0; y < s.Height(); ++y) {
      for (int x = 0; x < s.Width(); ++x) {
        if (s.PixelAt(x, y) == Red()) right = std::max(right, x);
      }
    }
    return right;
  };
  Surface* a = Draw(*regular, "Hello World", 0, 0, false, 0, 200);
  Surface* b = Draw(*bold, "Hello World", 0, 0, false, 0, 200);
  EXPECT_GT(rightmostInk(*b), rightmostInk(*a));
}

QM_ALL_SURFACE_FORMATS(Text);

TEST(Fonts, BoldIsWiderWhetherTheFamilyHasABoldFaceOrNot) {
  for (const char* face : {"Arial", "DejaVu Math TeX Gyre"}) {
    auto regular = MakeFont(face, -24, kWeightNormal), bold = MakeFont(face, -24, kWeightBold);
    ASSERT_TRUE(regular && bold) << face;
    EXPECT_GT(bold->TextWidth("Hello World"), regular->TextWidth("Hello World")) << face;
  }
}

TEST(Fonts, ItalicWithoutAnItalicFaceIsSlanted) {
  auto upright = MakeFont("DejaVu Math TeX Gyre", -24);
  auto slanted =
      MakeFont("DejaVu Math TeX Gyre", -24, kWeightNormal, kCharsetAnsi, kQualityNonAntialiased, true);
  // The first inked column of a glyph row.
  auto firstInk = [](const Glyph& g, int row) {
    for (int x = 0; x < g.width; ++x) {
      if (g.coverage[static_cast<std::size_t>(row * g.width + x)]) return x;
    }
    return -1;
  };
  const Glyph &a = upright->GlyphOf(U'H'), &b = slanted->GlyphOf(U'H');
  ASSERT_GT(a.height, 4);
  EXPECT_EQ(firstInk(a, 0), firstInk(a, a.height - 1));
  EXPECT_GT(firstInk(b, 0), firstInk(b, b.height - 1));
}

TEST(Fonts, CharsetsPickDifferentGlyphsForTheSameByte) {
  auto western = MakeFont("Arial", 16, kWeightNormal, kCharsetAnsi);
  auto cyrillic = MakeFont("Arial", 16, kWeightNormal, kCharsetRussian);
  EXPECT_EQ(western->Decode("\xC0"), U"\u00C0");
  EXPECT_EQ(cyrillic->Decode("\xC0"), U"\u0410");
  EXPECT_NE(western->GlyphOf(western->Decode("\xC0")[0]).coverage,
            cyrillic->GlyphOf(cyrillic->Decode("\xC0")[0]).coverage);
  const std::pair<int, char32_t> cases[] = {{kCharsetGreek, U'\u0390'},   {kCharsetEastEurope, U'\u0154'},
                                            {kCharsetTurkish, U'\u00C0'}, {kCharsetHebrew, U'\u05B0'},
                                            {kCharsetArabic, U'\u06C1'},  {kCharsetBaltic, U'\u0104'},
                                            {kCharsetThai, U'\u0E20'}};
  for (auto [charset, expected] : cases) {
    EXPECT_EQ(MakeFont("Arial", 16, 400, charset)->Decode("\xC0"), std::u32string(1, expected)) << charset;
  }
  EXPECT_EQ(MakeFont("Arial", 16, 400, kCharsetShiftJis)->Decode("A\x82\xA0"), U"A\u3042");
}

TEST(Fonts, HeightsAreCellsWhenPositiveAndEmsWhenNegative) {
  EXPECT_EQ(MakeFont("Arial", 13)->CellHeight(), 13);
  EXPECT_EQ(MakeFont("Times New Roman", 30)->CellHeight(), 30);
  auto em = MakeFont("Arial", -13);
  EXPECT_GT(em->CellHeight(), 13);
  EXPECT_LT(em->CellHeight(), 17);
  EXPECT_EQ(MakeFont("fixedsys", 0)->CellHeight(), 15);
  EXPECT_EQ(MakeFont("System", 0)->CellHeight(), 16);
  // Far beyond any surface: held at the largest height, still a font.
  EXPECT_EQ(MakeFont("Arial", 100000)->CellHeight(), 16384);
  auto huge = MakeFont("Arial", INT_MIN);
  ASSERT_TRUE(huge);
  EXPECT_GT(huge->CellHeight(), 16384);
}

TEST(Fonts, WindowsFacesMapToFreeFamilies) {
  const std::pair<const char*, const char*> cases[] = {
      {"Arial", "Liberation Sans"},       {"times new roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"}, {"System", "DejaVu Sans Mono"},
      {"FIXEDSYS", "DejaVu Sans Mono"},   {"DejaVu Serif", "DejaVu Serif"}};
  for (auto [face, family] : cases) {
    EXPECT_EQ(SubstituteFaceName(face), family);
    EXPECT_EQ(MakeFont(face, 12)->FamilyName(), family) << face;
  }
  EXPECT_EQ(MakeFont("No Such Face", 12)->CellHeight(), 12);
}

TEST(Fonts, FamiliesAreListedOnceEachInOrder) {
  std::vector<std::string> families = EnumFontFamilies();
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::set<std::string>(families.begin(), families.end()).size(), families.size());
  for (const char* expected : {"DejaVu Sans", "DejaVu Sans Mono", "Liberation Sans", "Liberation Serif"}) {
    EXPECT_NE(std::find(families.begin(), families.end(), expected), families.end()) << expected;
  }
}

TEST(Fonts, ExtentsAddAdvancesAndTheGlyphCacheKeepsGlyphs) {
  auto font = MakeFont("Arial", 16);
  EXPECT_EQ(font->TextWidth(""), 0);
  EXPECT_EQ(font->TextWidth("Hi"), font->TextWidth("H") + font->TextWidth("i"));
  const Glyph* first = &font->GlyphOf(U'H');
  EXPECT_EQ(&font->GlyphOf(U'H'), first);
}

TEST(TextContexts, AnOpenContextMakesItsSurfaceBusy) {
  Surface* s = nullptr;
  ASSERT_EQ(Surface::Create({8, 8, PixelFormat::R5G6B5}, s), DisplayResult::Ok);
  {
    TextContext dc, second;
    ASSERT_EQ(TextContext::Open(*s, dc), DisplayResult::Ok);
    EXPECT_EQ(TextContext::Open(*s, second), DisplayResult::SurfaceBusy);
    EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::SurfaceBusy);
    EXPECT_FALSE(dc.TextOut(0, 0, "x"));  // no font selected
  }
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::Ok);
  s->Release();
}

TEST(TextContexts, ColoursAreTruncatedToThePixelFormat) {
  EXPECT_EQ(ColorRefToPixel(PixelFormat::R5G6B5, 0x808080), 0x8410u);
  EXPECT_EQ(ColorRefToPixel(PixelFormat::R5G6B5, ColorRef(123, 125, 123)), 0x7BEFu);
  EXPECT_EQ(ColorRefToPixel(PixelFormat::X8R8G8B8, ColorRef(1, 2, 3)), 0x010203u);
}

}  // namespace
}  // namespace qm::platform
