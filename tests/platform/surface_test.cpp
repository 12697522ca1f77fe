#include "platform/display/surface.h"

#include <climits>

#include "tests/platform/surface_fixture.h"

namespace qm::platform {
namespace {

using Surfaces = SurfaceFormats;

TEST_P(Surfaces, FillOfAOnePixelRectangleSetsExactlyThatPixel) {
  Surface* s = Make(8, 6);
  uint32_t red = Pack(255, 0, 0);
  Rect one{0, 0, 1, 1};
  ASSERT_EQ(s->Fill(&one, red), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*s, [&](int x, int y) { return x == 0 && y == 0 ? red : 0u; }));
}

TEST_P(Surfaces, FillKeepsOnlyThePixelWidthOfTheValue) {
  Surface* s = Make(3, 2);
  ASSERT_EQ(s->Fill(nullptr, 0xABCDEF12u), DisplayResult::Ok);
  EXPECT_EQ(s->PixelAt(2, 1), 0xABCDEF12u & PixelValueMask(Format()));
}

TEST_P(Surfaces, PitchIsPaddedInTheTestMode) {
  Surface* s = Make(10, 2);
  int tight = 10 * BytesPerPixel(Format());
  if (PaddedPitchForTests()) {
    EXPECT_GE(s->Pitch(), tight + 16);
  } else {
    EXPECT_GE(s->Pitch(), tight);
  }
}

// A source whose pixel (x, y) has a value distinct from every other pixel in any format.
Surface* MakeNumbered(SurfaceFormats& t, int w, int h, Surface* s) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      s->SetPixelAt(x, y,
                    PackRgb(std::get<0>(t.GetParam()),
                            {static_cast<uint8_t>(8 + 16 * x), static_cast<uint8_t>(8 + 32 * y), 200}));
    }
  }
  return s;
}

struct StretchCase {
  int srcW, srcH, dstW, dstH;
  uint32_t flags;
};

TEST_P(Surfaces, StretchAndMirrorFollowTheNearestNeighbourRule) {
  const StretchCase cases[] = {
      {2, 2, 4, 4, 0},
      {3, 2, 7, 5, 0},
      {4, 4, 2, 2, 0},
      {3, 1, 3, 1, kBltMirrorLeftRight},
      {2, 3, 2, 3, kBltMirrorUpDown},
      {3, 2, 6, 3, kBltMirrorLeftRight | kBltMirrorUpDown},
  };
  for (const StretchCase& c : cases) {
    Surface* src = MakeNumbered(*this, c.srcW, c.srcH, Make(c.srcW, c.srcH));
    Surface* dst = Make(c.dstW, c.dstH);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, c.flags), DisplayResult::Ok);
    EXPECT_TRUE(PixelsAre(*dst,
                          [&](int x, int y) {
                            int sx = x * c.srcW / c.dstW, sy = y * c.srcH / c.dstH;
                            if (c.flags & kBltMirrorLeftRight) sx = c.srcW - 1 - sx;
                            if (c.flags & kBltMirrorUpDown) sy = c.srcH - 1 - sy;
                            return src->PixelAt(sx, sy);
                          }))
        << c.srcW << "x" << c.srcH << " to " << c.dstW << "x" << c.dstH << " flags " << c.flags;
  }
}

TEST_P(Surfaces, IntegerStretchGivesWholeBlocks) {
  Surface* src = MakeNumbered(*this, 2, 2, Make(2, 2));
  Surface* dst = Make(4, 4);
  ASSERT_EQ(dst->Blt(nullptr, src, nullptr, 0), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*dst, [&](int x, int y) { return src->PixelAt(x / 2, y / 2); }));
}

TEST_P(Surfaces, SourceColourKeyRangeKeepsTheDestinationUnderKeyedPixels) {
  uint32_t white = Pack(255, 255, 255), red = Pack(255, 0, 0), dark = Pack(0, 0, 8);
  Surface* src = Make(4, 1);
  src->SetPixelAt(1, 0, red);
  src->SetPixelAt(2, 0, dark);
  src->SetColorKey({0, dark});  // black and the dark blue are both transparent
  Surface* dst = Make(4, 1, white);
  ASSERT_EQ(dst->Blt(nullptr, src, nullptr, kBltKeySrc), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*dst, [&](int x, int) { return x == 1 ? red : white; }));
  Surface* fast = Make(6, 2, white);
  ASSERT_EQ(fast->BltFast(2, 1, src, nullptr, kBltFastSrcColorKey), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*fast, [&](int x, int y) { return x == 3 && y == 1 ? red : white; }));
}

TEST_P(Surfaces, RectanglesNotWhollyInsideAreRefusedAndDrawNothing) {
  Surface* dst = Make(10, 10);
  Surface* src = Make(4, 4, Pack(255, 255, 255));
  const Rect bad[] = {{-1, 5, 0, 6}, {5, 5, 11, 6}, {3, 3, 3, 4}, {4, 4, 2, 6}, {0, 9, 1, 11}};
  for (const Rect& r : bad) {
    EXPECT_EQ(dst->Fill(&r, 0xFFFF), DisplayResult::InvalidRect);
    EXPECT_EQ(dst->Blt(&r, src, nullptr, 0), DisplayResult::InvalidRect);
    EXPECT_EQ(src->Blt(nullptr, dst, &r, 0), DisplayResult::InvalidRect);
  }
  EXPECT_EQ(dst->BltFast(8, 8, src, nullptr, 0), DisplayResult::InvalidRect);
  EXPECT_EQ(dst->BltFast(-1, 0, src, nullptr, 0), DisplayResult::InvalidRect);
  EXPECT_EQ(dst->BltFast(INT_MAX - 1, 0, src, nullptr, 0), DisplayResult::InvalidRect);
  EXPECT_EQ(dst->BltFast(0, INT_MAX, src, nullptr, 0), DisplayResult::InvalidRect);
  const Rect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(dst->Fill(&huge, 1), DisplayResult::InvalidRect);
  EXPECT_TRUE(PixelsAre(*dst, [](int, int) { return 0u; }));
}

TEST_P(Surfaces, BlitsWithinOneSurfaceReadTheSourceAsItWasBefore) {
  struct Case {
    Rect from, to;
    uint32_t flags;
  };
  const Case cases[] = {
      {{0, 0, 6, 5}, {2, 3, 8, 8}, 0},                    // down and right
      {{2, 3, 8, 8}, {0, 0, 6, 5}, 0},                    // up and left
      {{0, 2, 8, 6}, {0, 3, 8, 7}, 0},                    // one row down, full width
      {{1, 1, 5, 4}, {2, 1, 6, 4}, kBltMirrorLeftRight},  // mirrored one column over
      {{0, 0, 4, 4}, {1, 1, 9, 9}, 0},                    // stretched over itself
      {{1, 1, 7, 7}, {0, 0, 6, 6}, kBltMirrorUpDown},
  };
  for (const Case& c : cases) {
    Surface* s = Make(10, 10);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) {
        s->SetPixelAt(x, y, Pack(static_cast<uint8_t>(8 + 24 * x), static_cast<uint8_t>(8 + 24 * y), 100));
      }
    }
    Surface* before = Make(10, 10);
    ASSERT_EQ(before->Blt(nullptr, s, nullptr, 0), DisplayResult::Ok);
    ASSERT_EQ(s->Blt(&c.to, s, &c.from, c.flags), DisplayResult::Ok);
    int fw = c.from.Width(), fh = c.from.Height(), tw = c.to.Width(), th = c.to.Height();
    EXPECT_TRUE(PixelsAre(*s,
                          [&](int x, int y) {
                            if (x < c.to.left || x >= c.to.right || y < c.to.top || y >= c.to.bottom)
                              return before->PixelAt(x, y);
                            int sx = (x - c.to.left) * fw / tw, sy = (y - c.to.top) * fh / th;
                            if (c.flags & kBltMirrorLeftRight) sx = fw - 1 - sx;
                            if (c.flags & kBltMirrorUpDown) sy = fh - 1 - sy;
                            return before->PixelAt(c.from.left + sx, c.from.top + sy);
                          }))
        << "from (" << c.from.left << "," << c.from.top << ") to (" << c.to.left << "," << c.to.top << ")";
  }
}

TEST_P(Surfaces, AClipperClipsTheDestinationAndTheSourceFollows) {
  Surface* src = MakeNumbered(*this, 4, 4, Make(4, 4));
  Surface* dst = Make(10, 10);
  Clipper* clipper = CreateClipper();
  clipper->SetClipRect({2, 2, 8, 8});
  dst->SetClipper(clipper);
  clipper->Release();
  Rect partly{-2, 0, 6, 8};  // 4x4 stretched to 8x8, its left part outside
  ASSERT_EQ(dst->Blt(&partly, src, nullptr, 0), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*dst, [&](int x, int y) {
    bool inside = x >= 2 && x < 6 && y >= 2 && y < 8;
    return inside ? src->PixelAt((x + 2) / 2, y / 2) : 0u;
  }));
  Rect outside{20, 20, 24, 24};
  EXPECT_EQ(dst->Blt(&outside, src, nullptr, 0), DisplayResult::Ok);
  Rect huge{INT_MIN, 0, INT_MAX, 8};  // wider than an int counts
  EXPECT_EQ(dst->Blt(&huge, src, nullptr, 0), DisplayResult::InvalidRect);
  Rect wide{-1000000000, 2, 1000000000, 8};
  EXPECT_EQ(dst->Blt(&wide, src, nullptr, 0), DisplayResult::Ok);
  EXPECT_EQ(dst->BltFast(8, 8, src, nullptr, 0), DisplayResult::InvalidRect);  // BltFast never clips
}

TEST_P(Surfaces, ConversionToThisFormatTruncatesEachChannel) {
  const Rgb colours[] = {{255, 255, 255}, {128, 128, 128}, {1, 2, 3}, {0, 0, 0}, {255, 0, 127}, {7, 3, 250}};
  for (PixelFormat from : kRgbFormats) {
    Surface* src = Make(6, 1, 0, from);
    for (int i = 0; i < 6; ++i) src->SetPixelAt(i, 0, PackRgb(from, colours[i]));
    Surface* dst = Make(6, 1);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, 0), DisplayResult::Ok);
    EXPECT_TRUE(
        PixelsAre(*dst, [&](int x, int) { return PackRgb(Format(), UnpackPixel(from, src->PixelAt(x, 0))); }))
        << "from " << PixelFormatName(from);
  }
}

TEST(SurfaceConversion, TwentyFourBitToFiveSixFive) {
  EXPECT_EQ(PackRgb(PixelFormat::R5G6B5, {255, 255, 255}), 0xFFFFu);
  EXPECT_EQ(PackRgb(PixelFormat::R5G6B5, {128, 128, 128}), 0x8410u);
  EXPECT_EQ(PackRgb(PixelFormat::X1R5G5B5, {255, 255, 255}), 0x7FFFu);
  EXPECT_EQ(UnpackPixel(PixelFormat::R5G6B5, 0xFFFF), (Rgb{248, 252, 248}));
}

TEST_P(Surfaces, LockedSurfacesAreBusyAndLocksDoNotNest) {
  Surface* s = Make(4, 4);
  Surface* src = Make(4, 4);
  LockedRect locked;
  EXPECT_EQ(s->Unlock(), DisplayResult::NotLocked);
  Rect part{1, 2, 3, 4};
  ASSERT_EQ(s->Lock(&part, kLockWait, locked), DisplayResult::Ok);
  EXPECT_EQ(locked.bits, s->Row(2) + BytesPerPixel(Format()));
  EXPECT_EQ(locked.pitch, s->Pitch());
  LockedRect again;
  EXPECT_EQ(s->Lock(nullptr, 0, again), DisplayResult::SurfaceBusy);
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::SurfaceBusy);
  EXPECT_EQ(s->Blt(nullptr, src, nullptr, 0), DisplayResult::SurfaceBusy);
  EXPECT_EQ(src->Blt(nullptr, s, nullptr, 0), DisplayResult::SurfaceBusy);
  EXPECT_EQ(s->BeginTextContext(), DisplayResult::SurfaceBusy);
  EXPECT_EQ(s->Unlock(), DisplayResult::Ok);
  EXPECT_EQ(s->Unlock(), DisplayResult::NotLocked);
  ASSERT_EQ(s->BeginTextContext(), DisplayResult::Ok);
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::SurfaceBusy);
  EXPECT_EQ(s->Lock(nullptr, 0, again), DisplayResult::SurfaceBusy);
  s->EndTextContext();
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::Ok);
}

TEST_P(Surfaces, LostSurfacesRefuseEverythingUntilRestored) {
  Surface* s = Make(4, 4, 0, PixelFormat::Dxt5, kCapsOffscreenPlain | kCapsVideoMemory);
  Surface* system = Make(4, 4, 0, PixelFormat::Dxt5, kCapsOffscreenPlain | kCapsSystemMemory);
  LoseAllSurfaces();
  LockedRect locked;
  EXPECT_FALSE(system->IsLost());
  EXPECT_EQ(s->Lock(nullptr, 0, locked), DisplayResult::SurfaceLost);
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::SurfaceLost);
  EXPECT_EQ(s->Blt(nullptr, system, nullptr, 0), DisplayResult::SurfaceLost);
  EXPECT_EQ(system->Blt(nullptr, s, nullptr, 0), DisplayResult::SurfaceLost);
  EXPECT_EQ(s->BltFast(0, 0, system, nullptr, 0), DisplayResult::SurfaceLost);
  EXPECT_EQ(s->BeginTextContext(), DisplayResult::SurfaceLost);
  InjectSurfaceError(SurfaceOp::Restore, DisplayResult::SurfaceLost, 1);
  EXPECT_EQ(s->Restore(), DisplayResult::SurfaceLost);
  EXPECT_TRUE(s->IsLost());
  EXPECT_EQ(s->Restore(), DisplayResult::Ok);
  EXPECT_FALSE(s->IsLost());
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::Ok);
}

TEST_P(Surfaces, InjectedResultsLastTheirCountAndDrawNothing) {
  Surface* s = Make(2, 2);
  InjectSurfaceError(SurfaceOp::Blt, DisplayResult::WasStillDrawing, 2);
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::WasStillDrawing);
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::WasStillDrawing);
  EXPECT_EQ(s->PixelAt(0, 0), 0u);
  EXPECT_EQ(s->Fill(nullptr, 1), DisplayResult::Ok);
  EXPECT_EQ(s->PixelAt(0, 0), 1u);
  InjectSurfaceError(SurfaceOp::Create, DisplayResult::OutOfMemory, 1);
  Surface* none = nullptr;
  EXPECT_EQ(Surface::Create({4, 4, Format()}, none), DisplayResult::OutOfMemory);
  EXPECT_EQ(none, nullptr);
}

TEST_P(Surfaces, FlipSwapsTheMemoryOfTheTwoBuffers) {
  SurfaceDesc desc{6, 4, Format(), kCapsPrimary | kCapsFlip | kCapsComplex, 1, 1};
  Surface* front = nullptr;
  ASSERT_EQ(Surface::Create(desc, front), DisplayResult::Ok);
  made_.push_back(front);
  Surface* back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(kCapsBackBuffer, back), DisplayResult::Ok);
  EXPECT_EQ(back->References(), 2);
  uint8_t* frontMemory = front->Row(0);
  uint8_t* backMemory = back->Row(0);
  uint32_t red = Pack(255, 0, 0), green = Pack(0, 255, 0);
  back->Fill(nullptr, red);
  ASSERT_EQ(front->Flip(), DisplayResult::Ok);
  EXPECT_EQ(front->Row(0), backMemory);
  EXPECT_EQ(back->Row(0), frontMemory);
  EXPECT_EQ(front->PixelAt(5, 3), red);
  back->Fill(nullptr, green);
  ASSERT_EQ(front->Flip(), DisplayResult::Ok);
  EXPECT_EQ(front->PixelAt(0, 0), green);
  EXPECT_EQ(back->PixelAt(0, 0), red);  // the frame before last
  EXPECT_EQ(back->Flip(), DisplayResult::InvalidCaps);
  LoseAllSurfaces();
  ASSERT_EQ(front->Restore(), DisplayResult::Ok);  // the back buffer comes back with the chain
  EXPECT_FALSE(back->IsLost());
  EXPECT_EQ(back->Fill(nullptr, red), DisplayResult::Ok);
  EXPECT_EQ(back->Release(), 1);
}

// A fill of the whole surface is kept as a value until its pixels are used; whatever uses them
// next (a smaller fill, a blit from or onto it, a lock, a flip) must see the filled value.
TEST_P(Surfaces, WholeSurfaceFillsShowWhereverThePixelsAreUsed) {
  const uint32_t red = Pack(255, 0, 0), green = Pack(0, 255, 0), blue = Pack(0, 0, 255);
  Surface* s = Make(6, 4, red);
  Rect inner{1, 1, 3, 2};
  ASSERT_EQ(s->Fill(&inner, green), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*s, [&](int x, int y) { return x >= 1 && x < 3 && y == 1 ? green : red; }));

  // Filling again with the value it held before the smaller fill must not be skipped.
  ASSERT_EQ(s->Fill(nullptr, red), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*s, [&](int, int) { return red; }));

  Surface* source = Make(6, 4, blue);
  Rect corner{0, 0, 2, 2};
  ASSERT_EQ(s->Blt(&corner, source, &corner, 0), DisplayResult::Ok);
  EXPECT_TRUE(PixelsAre(*s, [&](int x, int y) { return x < 2 && y < 2 ? blue : red; }));

  ASSERT_EQ(s->Fill(nullptr, green), DisplayResult::Ok);
  LockedRect locked;
  ASSERT_EQ(s->Lock(nullptr, 0, locked), DisplayResult::Ok);
  const uint8_t* last = locked.bits + static_cast<std::ptrdiff_t>(3) * locked.pitch;
  uint32_t lastPixel = 0;
  for (int i = 0; i < BytesPerPixel(Format()); ++i) lastPixel |= static_cast<uint32_t>(last[i]) << (8 * i);
  EXPECT_EQ(lastPixel, green);
  ASSERT_EQ(s->Unlock(), DisplayResult::Ok);

  // A surface lost after a fill comes back with the restore marker, not the filled value.
  ASSERT_EQ(s->Fill(nullptr, blue), DisplayResult::Ok);
  LoseAllSurfaces();
  ASSERT_EQ(s->Restore(), DisplayResult::Ok);
  EXPECT_NE(s->PixelAt(0, 0), blue);
  ASSERT_EQ(source->Restore(), DisplayResult::Ok);
}

// A source known to hold one value is drawn as a fill of that value: every way of drawing it
// (stretched, mirrored, keyed, from a surface never written) must give what a copy gives.
TEST_P(Surfaces, ASourceHoldingOneValueDrawsAsItsPixelsWould) {
  const uint32_t white = Pack(255, 255, 255), red = Pack(255, 0, 0);
  struct Case {
    const char* name;
    uint32_t value;  // what the whole source holds (0: fresh memory, never filled)
    uint32_t flags;
    bool keyedOnValue;  // the source's colour key covers its value
    bool drawn;
  };
  const Case cases[] = {
      {"fresh source", 0, 0, false, true},
      {"filled source", red, 0, false, true},
      {"mirrored", red, kBltMirrorLeftRight | kBltMirrorUpDown, false, true},
      {"keyed, value transparent", red, kBltKeySrc, true, false},
      {"keyed, value not transparent", red, kBltKeySrc, false, true},
  };
  for (const Case& c : cases) {
    Surface* src = c.value == 0 ? Make(2, 2) : Make(2, 2, c.value);
    if (c.flags & kBltKeySrc) src->SetColorKey(c.keyedOnValue ? ColorKey{c.value, c.value} : ColorKey{1, 1});
    Surface* dst = Make(6, 5, white);
    Rect stretched{1, 1, 5, 4};
    ASSERT_EQ(dst->Blt(&stretched, src, nullptr, c.flags), DisplayResult::Ok) << c.name;
    const auto inside = [&](int x, int y) { return x >= 1 && x < 5 && y >= 1 && y < 4; };
    EXPECT_TRUE(PixelsAre(*dst, [&](int x, int y) { return inside(x, y) && c.drawn ? c.value : white; }))
        << c.name;
    EXPECT_TRUE(PixelsAre(*src, [&](int, int) { return c.value; })) << c.name;
  }
}

TEST(SurfaceReferences, ReleasingAFlipChainReleasesItsBackBuffer) {
  std::size_t before = Surface::LiveSurfaces().size();
  Surface* front = nullptr;
  ASSERT_EQ(Surface::Create({8, 8, PixelFormat::R5G6B5, kCapsPrimary | kCapsFlip, 1, 1}, front),
            DisplayResult::Ok);
  EXPECT_EQ(Surface::LiveSurfaces().size(), before + 2);
  Surface* back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(kCapsBackBuffer, back), DisplayResult::Ok);
  EXPECT_EQ(front->Release(), 0);
  EXPECT_EQ(Surface::LiveSurfaces().size(), before + 1);  // still held by `back`
  EXPECT_EQ(back->Release(), 0);
  EXPECT_EQ(Surface::LiveSurfaces().size(), before);
}

TEST(SurfaceCreation, DescriptionsAreChecked) {
  struct Case {
    SurfaceDesc desc;
    DisplayResult result;
  };
  const Case cases[] = {
      {{0, 4, PixelFormat::R5G6B5}, DisplayResult::InvalidParams},
      {{4, -1, PixelFormat::R5G6B5}, DisplayResult::InvalidParams},
      {{kMaxSurfaceSide + 1, 4, PixelFormat::R5G6B5}, DisplayResult::InvalidParams},
      {{kMaxSurfaceSide, 1, PixelFormat::X8R8G8B8}, DisplayResult::Ok},
      {{64, 64, PixelFormat::R5G6B5, kCapsTexture | kCapsMipMap, 7}, DisplayResult::Ok},
      {{64, 64, PixelFormat::R5G6B5, kCapsTexture | kCapsMipMap, 8}, DisplayResult::InvalidParams},
      {{64, 64, PixelFormat::R5G6B5, kCapsTexture, 3}, DisplayResult::InvalidParams},
      {{4, 4, static_cast<PixelFormat>(40)}, DisplayResult::InvalidCaps},
      {{4, 4, PixelFormat::R5G6B5, kCapsPrimary, 1, 1}, DisplayResult::InvalidCaps},
  };
  for (const Case& c : cases) {
    Surface* s = nullptr;
    EXPECT_EQ(Surface::Create(c.desc, s), c.result) << c.desc.width << "x" << c.desc.height;
    EXPECT_EQ(s != nullptr, c.result == DisplayResult::Ok);
    if (s) s->Release();
  }
}

TEST(SurfaceCreation, MipChainsHalveDownToOnePixel) {
  Surface* s = nullptr;
  ASSERT_EQ(Surface::Create({16, 4, PixelFormat::X8R8G8B8, kCapsTexture | kCapsMipMap, 5}, s),
            DisplayResult::Ok);
  Surface* level = s;
  level->AddRef();
  std::vector<std::pair<int, int>> sizes;
  while (level) {
    sizes.emplace_back(level->Width(), level->Height());
    Surface* next = nullptr;
    level->GetAttachedSurface(0, next);
    level->Release();
    level = next;
  }
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}}));
  s->Release();
}

TEST(SurfaceCreation, CompressedSurfacesHaveALinearSizeAndRefuseBlitsAndText) {
  struct Case {
    PixelFormat format;
    int w, h;
    std::size_t size;
  };
  const Case cases[] = {
      {PixelFormat::Dxt1, 16, 16, 128}, {PixelFormat::Dxt5, 16, 16, 256}, {PixelFormat::Dxt3, 5, 3, 32}};
  for (const Case& c : cases) {
    Surface* s = nullptr;
    ASSERT_EQ(Surface::Create({c.w, c.h, c.format, kCapsTexture}, s), DisplayResult::Ok);
    LockedRect locked;
    ASSERT_EQ(s->Lock(nullptr, 0, locked), DisplayResult::Ok);
    EXPECT_EQ(locked.linearSize, c.size);
    s->Unlock();
    EXPECT_EQ(s->Fill(nullptr, 0), DisplayResult::Unsupported);
    EXPECT_EQ(s->BeginTextContext(), DisplayResult::Unsupported);
    s->Release();
  }
}

QM_ALL_SURFACE_FORMATS(Surfaces);

}  // namespace
}  // namespace qm::platform
