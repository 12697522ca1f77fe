// Bitmaps and images on a real display (full screen with a flip chain, 16 and 32 bits): the effects
// against their plain definitions (also on padded rows), the replay's errors, both flip buffers,
// loads, failed saves that keep the old file, pastes counted per blit, turning images, LOAD IMAGE
// under a sprite, and requests queued for a bitmap that is deleted before they are replayed.
#include "display/bitmaps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "display/display_core_fixture.h"
#include "display/draw_request_queue.h"
#include "display/image_files/image_files.h"
#include "display/images.h"
#include "display/number_maps.h"
#include "display/sprites.h"
#include "platform/display/surface.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"
#include "tests/platform/temp_folder.h"

namespace qm::test {
namespace {

using platform::PixelFormat;
using platform::Surface;

// Channel fields as the effects split them: red above green above blue, blue at bit 0.
struct Fields {
  uint32_t redMax, greenMax, blueMax;
  int redShift, greenShift;
};
Fields FieldsOf(PixelFormat format) {
  const PixelPacking p = PackingOf(format);
  return {static_cast<uint32_t>(p.redMax), static_cast<uint32_t>(p.greenMax),
          static_cast<uint32_t>(p.blueMax), p.redShift, p.greenShift};
}

// The blur as defined: every pixel the average of the window's pixels inside the surface.
std::vector<uint32_t> PlainBlur(const std::vector<uint32_t>& in, int w, int h, int window, const Fields& f) {
  std::vector<uint32_t> out(in.size());
  const int lo = -(window / 2), hi = window - window / 2 - 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t r = 0, g = 0, b = 0, n = 0;
      for (int wy = y + lo; wy <= y + hi; ++wy) {
        for (int wx = x + lo; wx <= x + hi; ++wx) {
          if (wx < 0 || wy < 0 || wx >= w || wy >= h) continue;
          const uint32_t v = in[static_cast<std::size_t>(wy * w + wx)];
          r += (v >> f.redShift) & f.redMax;
          g += (v >> f.greenShift) & f.greenMax;
          b += v & f.blueMax;
          ++n;
        }
      }
      out[static_cast<std::size_t>(y * w + x)] = b / n + ((r / n) << f.redShift) + ((g / n) << f.greenShift);
    }
  }
  return out;
}

Surface* NewSurface(int w, int h, PixelFormat format) {
  platform::SurfaceDesc desc;
  desc.width = w;
  desc.height = h;
  desc.format = format;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  Surface* surface = nullptr;
  EXPECT_EQ(Surface::Create(desc, surface), platform::DisplayResult::Ok);
  return surface;
}

std::vector<uint32_t> PixelsOf(const Surface& s) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) pixels.push_back(s.PixelAt(x, y));
  }
  return pixels;
}

constexpr PixelFormat kFormats[] = {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5, PixelFormat::R8G8B8,
                                    PixelFormat::X8R8G8B8};

// Rows padded beyond width x bytes: an effect that took one surface's pitch for another's, or the
// width for the pitch, shows it here.
TEST(BitmapEffects, BlurIsTheWindowAverageInEveryFormatAndOnPaddedRows) {
  std::mt19937 random(7);
  for (const bool padded : {false, true}) {
    platform::SetPaddedPitchForTests(padded);
    for (const PixelFormat format : kFormats) {
      for (const auto& [w, h] : {std::pair{37, 23}, std::pair{1, 5}, std::pair{6, 1}}) {
        Surface* surface = NewSurface(w, h, format);
        const uint32_t mask = platform::BytesPerPixel(format) == 2 ? 0xFFFFu : 0xFFFFFFu;
        std::vector<uint32_t> start;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            surface->SetPixelAt(x, y, static_cast<uint32_t>(random()) & mask);
            start.push_back(surface->PixelAt(x, y));
          }
        }
        for (int amount = 1; amount <= 8; ++amount) {
          for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) surface->SetPixelAt(x, y, start[static_cast<std::size_t>(y * w + x)]);
          }
          ASSERT_EQ(BlurSurface(surface, amount + 1), 1);
          EXPECT_EQ(PixelsOf(*surface), PlainBlur(start, w, h, amount + 1, FieldsOf(format)))
              << "format " << static_cast<int>(format) << ", " << w << "x" << h << ", amount " << amount
              << (padded ? ", padded rows" : "");
        }
        surface->Release();
      }
    }
  }
  platform::SetPaddedPitchForTests(false);
}

TEST(BitmapEffects, BlurOneAveragesWithTheLeftUpperAndUpperLeftNeighbours) {
  Surface* s = NewSurface(2, 2, PixelFormat::X8R8G8B8);
  s->SetPixelAt(0, 0, 0x000000);
  s->SetPixelAt(1, 0, 0x0000FF);
  s->SetPixelAt(0, 1, 0x00FF00);
  s->SetPixelAt(1, 1, 0xFF0000);
  BlurSurface(s, 2);
  EXPECT_EQ(s->PixelAt(0, 0), 0x000000u);
  EXPECT_EQ(s->PixelAt(1, 0), 0x00007Fu);
  EXPECT_EQ(s->PixelAt(0, 1), 0x007F00u);
  EXPECT_EQ(s->PixelAt(1, 1), 0x3F3F3Fu);
  s->Release();
}

TEST(BitmapEffects, FadeIsValueTimesAmountOverHundredInIntegers) {
  struct Case {
    PixelFormat format;
    uint32_t pixel;
    int amount;
    uint32_t faded;
  };
  const Case cases[] = {
      {PixelFormat::X8R8G8B8, 0x646464, 1, 0x010101},  // 100 x 1 / 100 is 1, not 0
      {PixelFormat::X8R8G8B8, 0xFF8001, 50, 0x7F4000},
      {PixelFormat::X8R8G8B8, 0xFF8001, 100, 0xFF8001},
      {PixelFormat::X8R8G8B8, 0xFF8001, 0, 0x000000},
      {PixelFormat::R5G6B5, 0xFFFF, 50, (15u << 11) | (31u << 5) | 15u},
      {PixelFormat::X1R5G5B5, 0xFFFF, 100, 0x7FFF},  // the unused top bit is not kept
      {PixelFormat::R8G8B8, 0x0A141E, 30, 0x030609},
  };
  for (const Case& c : cases) {
    Surface* s = NewSurface(3, 2, c.format);
    s->Fill(nullptr, c.pixel);
    ASSERT_EQ(FadeSurface(s, c.amount), 1);
    EXPECT_EQ(s->PixelAt(2, 1), c.faded) << std::hex << c.pixel << " faded by " << std::dec << c.amount;
    s->Release();
  }
}

TEST(BitmapEffects, MirrorAndFlipSwapColumnsAndRowsAndUndoThemselves) {
  Surface* s = NewSurface(3, 2, PixelFormat::R8G8B8);
  const uint32_t picture[2][3] = {{0x0A, 0x0B, 0x0C}, {0x1A, 0x1B, 0x1C}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) s->SetPixelAt(x, y, picture[y][x]);
  }
  MirrorSurface(s);
  EXPECT_EQ(PixelsOf(*s), (std::vector<uint32_t>{0x0C, 0x0B, 0x0A, 0x1C, 0x1B, 0x1A}));
  MirrorSurface(s);
  FlipSurface(s);
  EXPECT_EQ(PixelsOf(*s), (std::vector<uint32_t>{0x1A, 0x1B, 0x1C, 0x0A, 0x0B, 0x0C}));
  FlipSurface(s);
  EXPECT_EQ(PixelsOf(*s), (std::vector<uint32_t>{0x0A, 0x0B, 0x0C, 0x1A, 0x1B, 0x1C}));
  s->Release();
}

// Pastes are BltFast calls (which the layer carries out through its Blt).
int gBlits = 0;
void CountBlits(platform::SurfaceOp op) {
  if (op == platform::SurfaceOp::BltFast) ++gBlits;
}

class BitmapDisplayTest : public DisplayCoreTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    ASSERT_TRUE(MakeDisplay(true, 640, 480, GetParam()));
    ASSERT_EQ(TheDisplay.flipChainFlag, 1);
    if (!ImageTable.Exists()) {
      ASSERT_TRUE(CreateEngineTables());
    }
    ASSERT_EQ(InitGameData(), 1);
    ResetDrawQueueForRun();
    ResetRuntimeErrorState();
    AppActiveFlag = 1;
  }
  void TearDown() override {
    platform::SetSurfaceCallObserver(nullptr);
    gSettings.blitOverdrawCount = 1;
    ClearDrawRequests();
    ResetRuntimeErrorState();
    DisplayCoreTest::TearDown();
  }

  Surface* Back() const { return TheDisplay.backBuffer; }
  uint32_t Packed(int32_t rgb) const { return PackColour(PackingOf(Back()->Format()), rgb); }
  // One frame's replay, and the error it left (0 when none); the pending error is cleared.
  RuntimeErrorCode Replay() {
    ProcessDrawRequests();
    const RuntimeErrorCode code = PendingErrorCode;
    ResetRuntimeErrorState();
    return code;
  }
  void MakeBitmap(int32_t n, int w, int h, int32_t rgb) {
    QueueCreateBitmap(n, w, h);
    ASSERT_EQ(Replay(), 0);
    BitmapSurface(n)->Fill(nullptr, Packed(rgb));
  }
  // A picture file in the temporary folder: w x h of `rgb`, with the pixel at 0,0 in `corner`.
  std::string PictureFile(const std::string& name, int w, int h, int32_t rgb, int32_t corner) {
    Surface* s = NewSurface(w, h, Back()->Format());
    s->Fill(nullptr, Packed(rgb));
    s->SetPixelAt(0, 0, Packed(corner));
    EXPECT_EQ(SaveSurfaceToImageFile(s, folder_ / name), ImageError::None);
    s->Release();
    return folder_ / name;
  }

  platform::testing::TempFolder folder_;
};

TEST_P(BitmapDisplayTest, ReplayErrorsOfTheBitmapRequests) {
  MakeBitmap(1, 64, 48, 0);
  MakeBitmap(2, 32, 24, 0);
  MakeBitmap(3, 64, 48, 0);
  struct Case {
    const char* what;
    void (*queue)();
    RuntimeErrorCode error;
  };
  const Case cases[] = {
      {"create bitmap 0", [] { QueueCreateBitmap(0, 8, 8); }, 1009},
      {"create bitmap 32", [] { QueueCreateBitmap(32, 8, 8); }, 1001},
      {"create of width 0", [] { QueueCreateBitmap(4, 0, 8); }, 1005},
      {"delete bitmap 0", [] { QueueDeleteBitmap(0); }, 1006},
      {"delete bitmap -1", [] { QueueDeleteBitmap(-1); }, 1001},
      {"delete a missing bitmap", [] { QueueDeleteBitmap(9); }, 1002},
      {"copy onto itself", [] { QueueCopyBitmap(1, 1); }, 1007},
      {"copy from a missing bitmap", [] { QueueCopyBitmap(9, 1); }, 1002},
      {"copy to 40", [] { QueueCopyBitmap(1, 40); }, 1001},
      {"copy of a wider source", [] { QueueCopyBitmap(1, 2); }, 1008},
      {"copy of the same size", [] { QueueCopyBitmap(1, 3); }, 0},
      {"copy rectangle two pixels wide",
       [] {
         QueueCopyBitmapRect(1, {0, 0, 1, 1}, 2, {0, 0, 1, 1});
       },
       0},
      {"copy rectangle 0,0,0,10",
       [] {
         QueueCopyBitmapRect(1, {0, 0, 0, 10}, 2, {0, 0, 5, 5});
       },
       1011},
      {"copy rectangle past the edge",
       [] {
         QueueCopyBitmapRect(0, {0, 0, 640, 479}, 1, {0, 0, 5, 5});
       },
       1010},
      {"copy rectangle onto its own bitmap",
       [] {
         QueueCopyBitmapRect(1, {0, 0, 5, 5}, 1, {6, 6, 9, 9});
       },
       0},
      {"destination rectangle outside",
       [] {
         QueueCopyBitmapRect(1, {0, 0, 5, 5}, 2, {30, 0, 32, 5});
       },
       1010},
      {"blur amount 9", [] { QueueBlurBitmap(1, 9); }, 1012},
      {"blur amount 0", [] { QueueBlurBitmap(1, 0); }, 1012},
      {"blur of a missing bitmap", [] { QueueBlurBitmap(9, 1); }, 1002},
      {"fade 101", [] { QueueFadeBitmap(1, 101); }, 1013},
      {"fade -1", [] { QueueFadeBitmap(1, -1); }, 1013},
      {"mirror 32", [] { QueueMirrorBitmap(32); }, 1001},
      {"flip a missing bitmap", [] { QueueFlipBitmap(5); }, 1002},
      {"save a missing bitmap", [] { QueueSaveBitmap(5, "x.bmp"); }, 1002},
      {"current bitmap 40", [] { QueueSetCurrentBitmap(40); }, 1001},
      {"current bitmap missing", [] { QueueSetCurrentBitmap(6); }, 1002},
  };
  for (const Case& c : cases) {
    c.queue();
    EXPECT_EQ(Replay(), c.error) << c.what;
    QueueCurrentBitmap = QueueBitmap{0, Back()};
  }
}

TEST_P(BitmapDisplayTest, EffectsOnTheScreenReachBothFlipBuffers) {
  Surface* front = TheDisplay.primary;
  Back()->Fill(nullptr, Packed(0xFFFFFF));
  front->Fill(nullptr, Packed(0xFFFFFF));
  QueueFadeBitmap(0, 0);
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 1) << "waits for the other buffer";
  ASSERT_EQ(front->Flip(), platform::DisplayResult::Ok);
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 0);
  EXPECT_EQ(Back()->PixelAt(5, 5), Packed(0));
  EXPECT_EQ(front->PixelAt(5, 5), Packed(0));
  MakeBitmap(1, 8, 8, 0xFFFFFF);
  QueueFadeBitmap(1, 0);
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 0) << "an off-screen bitmap is changed once";
}

TEST_P(BitmapDisplayTest, LoadsFitTheBitmapOrGiveItTheFilesSize) {
  const std::string quarter = PictureFile("quarter.bmp", 320, 240, 0xFF0000, 0x0000FF);
  const std::string big = PictureFile("big.bmp", 1024, 768, 0x00FF00, 0x00FF00);
  MakeBitmap(1, 640, 480, 0xFFFFFF);
  QueueLoadBitmap(1, quarter);
  ASSERT_EQ(Replay(), 0);
  EXPECT_EQ(BitmapInfo(1).width, 640);
  EXPECT_EQ(BitmapSurface(1)->PixelAt(0, 0), Packed(0x0000FF));
  EXPECT_EQ(BitmapSurface(1)->PixelAt(319, 239), Packed(0xFF0000));
  EXPECT_EQ(BitmapSurface(1)->PixelAt(320, 240), Packed(0xFFFFFF)) << "unscaled, into the top-left quarter";
  QueueLoadBitmap(1, big);
  ASSERT_EQ(Replay(), 0);
  EXPECT_EQ(BitmapSurface(1)->PixelAt(639, 479), Packed(0x00FF00)) << "scaled down to the bitmap";
  QueueLoadBitmap(2, quarter);
  ASSERT_EQ(Replay(), 0);
  EXPECT_EQ(QueueCurrentBitmap.number, 2);
  EXPECT_EQ(BitmapInfo(2).width, 320);
  EXPECT_EQ(BitmapInfo(2).height, 240);
  EXPECT_EQ(BitmapInfo(2).depth, GetParam()) << "the loaded bitmap has the screen's depth";
}

TEST_P(BitmapDisplayTest, AnUnreadableFileOnTheScreenWarnsOnceOnTheLastReplay) {
  folder_.Write("broken.bmp", "BM not a bitmap");
  QueueLoadBitmap(0, folder_ / "broken.bmp");
  EXPECT_EQ(Replay(), 0) << "the first buffer's replay says nothing";
  ProcessDrawRequests();
  EXPECT_EQ(PendingErrorCode, kWarningBitmapUnreadable);
  EXPECT_EQ(PendingErrorIsWarning, 1);
  ResetRuntimeErrorState();
  QueueLoadBitmap(0, folder_ / "missing.bmp");
  EXPECT_EQ(Replay(), kWarningFileMissing);
}

TEST_P(BitmapDisplayTest, AFailedSaveRaises1004AndKeepsTheOldFile) {
  MakeBitmap(1, 8, 8, 0xFF0000);
  ASSERT_NE(LoadImageFromFile(PictureFile("pic.bmp", 4, 4, 0xFF0000, 0), 3), 0);
  for (const char* name : {"old.pcx", "old.tif", "no_such_folder/x.bmp"}) {
    const bool existed = std::string(name).find('/') == std::string::npos;
    if (existed) folder_.Write(name, "the old file");
    QueueSaveBitmap(1, folder_ / name);
    EXPECT_EQ(Replay(), kErrorBitmapNotSaved) << name;
    QueueSaveImage(FindImage(3), folder_ / name);
    EXPECT_EQ(Replay(), kErrorBitmapNotSaved) << name;
    if (existed) {
      EXPECT_EQ(folder_.Read(name), "the old file") << name;
    }
  }
  folder_.Write("old.bmp", "the old file");
  QueueSaveBitmap(1, folder_ / "old.bmp");
  EXPECT_EQ(Replay(), 0);
  Surface* saved = LoadImageFileToSurface(folder_ / "old.bmp");
  ASSERT_NE(saved, nullptr) << "SAVE BITMAP replaces an existing file";
  EXPECT_EQ(saved->Width(), 8);
  saved->Release();
}

TEST_P(BitmapDisplayTest, EachPasteBlitsOnceOrTwiceWithBlitOverdraw) {
  MakeBitmap(1, 8, 8, 0xFF0000);
  const int32_t image = NewImageFromWholeBitmap(1);
  platform::SetSurfaceCallObserver(&CountBlits);
  for (const int32_t overdraw : {1, 2}) {
    gSettings.blitOverdrawCount = overdraw;
    QueueSetCurrentBitmap(1);
    QueuePasteImage(image, 0, 0, true);
    gBlits = 0;
    ASSERT_EQ(Replay(), 0);
    EXPECT_EQ(gBlits, overdraw);
  }
}

// A 3x2 picture A B C / D E F turned a quarter clockwise is D A / E B / F C.
TEST_P(BitmapDisplayTest, TurningAnImageTurnsItsSizesRectangleAndKeepsBlackTransparent) {
  MakeBitmap(1, 3, 2, 0);
  Surface* b = BitmapSurface(1);
  const int32_t colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFF00, 0x000000, 0xFFFFFF}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) b->SetPixelAt(x, y, Packed(colours[y][x]));
  }
  const int32_t image = NewImageFromWholeBitmap(1);
  RotateImage(image, 90);
  EXPECT_EQ(ImageWidth(image), 2);
  EXPECT_EQ(ImageHeight(image), 3);
  const ImageRecord& record = ImageTable[image];
  EXPECT_EQ(record.surfaceWidth, 2);
  EXPECT_EQ(record.sourceRect[2], 2);
  EXPECT_EQ(record.sourceRect[3], 3);
  EXPECT_EQ(ImageTable.ColumnAt(image), record.surface) << "the table owns the turned surface";
  const int32_t turned[3][2] = {{0xFFFF00, 0xFF0000}, {0x000000, 0x00FF00}, {0xFFFFFF, 0x0000FF}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(record.surface->PixelAt(x, y), Packed(turned[y][x])) << x << "," << y;
  }
  Back()->Fill(nullptr, Packed(0x808080));
  PasteImageClipped(Back(), 0, image, 10, 10, 2, 3, true);
  EXPECT_EQ(Back()->PixelAt(10, 11), Packed(0x808080)) << "black stays transparent after a turn";
  EXPECT_EQ(Back()->PixelAt(11, 12), Packed(0x0000FF));
  RotateImage(image, 90);  // a half turn from the start: F E D / C B A
  EXPECT_EQ(ImageWidth(image), 3);
  EXPECT_EQ(ImageTable[image].surface->PixelAt(0, 0), Packed(0xFFFFFF));
  EXPECT_EQ(ImageTable[image].surface->PixelAt(2, 1), Packed(0xFF0000));
  RotateImage(image, -90);
  EXPECT_EQ(ImageTable[image].surface->PixelAt(0, 0), Packed(0xFFFFFF)) << "no turn for angles below 90";
}

TEST_P(BitmapDisplayTest, LoadImageOverASpritesImageShowsTheNewPictureInTheSameRecord) {
  const std::string red = PictureFile("red.bmp", 4, 4, 0xFF0000, 0xFF0000);
  const std::string blue = PictureFile("blue.bmp", 6, 6, 0x0000FF, 0x0000FF);
  const int32_t record = LoadImageFromFile(red, 5);
  ASSERT_NE(record, 0);
  const int32_t sprite = MakeSprite(1);
  DisplayEntity& entity = DisplayEntityTable[sprite];
  entity.imageNumber = 5;
  entity.imageIndex = record;
  entity.visible = 1;
  entity.x = 20;
  entity.y = 20;
  QueuePasteImage(record, 100, 100, false);  // still queued when the picture changes
  EXPECT_EQ(LoadImageFromFile(blue, 5), record);
  EXPECT_EQ(FindImage(5), record);
  EXPECT_EQ(ImageWidth(record), 6);
  ASSERT_EQ(Replay(), 0);
  DrawSprites();
  EXPECT_EQ(Back()->PixelAt(25, 25), Packed(0x0000FF));
  EXPECT_EQ(Back()->PixelAt(105, 105), Packed(0x0000FF));
  EXPECT_EQ(LoadImageFromFile(folder_ / "missing.bmp", 5), 0);
  EXPECT_EQ(PendingErrorCode, kWarningFileMissing);
  ResetRuntimeErrorState();
  folder_.Write("broken.png", "not a png");
  EXPECT_EQ(LoadImageFromFile(folder_ / "broken.png", 5), 0);
  EXPECT_EQ(PendingErrorCode, kWarningBitmapUnreadable);
  EXPECT_EQ(ImageWidth(FindImage(5)), 6) << "a failed load changes nothing";
}

TEST_P(BitmapDisplayTest, DeletedImagesWaitTwoFramesAndAFailedGrabIsFreedToo) {
  MakeBitmap(1, 8, 8, 0xFF0000);
  const int32_t image = NewImageFromWholeBitmap(1);
  ImageNumberMap.Set(4, image);
  const int32_t failed = NewImageRecord();
  ImageNumberMap.Set(6, failed);
  EXPECT_EQ(DeleteImageLater(4), 1);
  EXPECT_EQ(DeleteImageLater(6), 1);
  EXPECT_EQ(FindImage(4), 0);
  ProcessDeferredImageDeletions();
  EXPECT_TRUE(ImageHasPicture(image)) << "the second buffer's paste still finds it";
  ProcessDeferredImageDeletions();
  EXPECT_FALSE(ImageTable.IsTaken(image));
  EXPECT_FALSE(ImageTable.IsTaken(failed));
}

// Requests stamped with a bitmap deleted before they are replayed draw nothing (the sanitizer run
// sees any write into the released surface).
TEST_P(BitmapDisplayTest, RequestsForABitmapDeletedFirstDrawNothing) {
  MakeBitmap(1, 8, 8, 0);
  QueueDeleteBitmap(1);
  QueueSetCurrentBitmap(1);
  QueueDot(1, 1);
  QueueBox(0, 0, 7, 7);
  EXPECT_EQ(Replay(), 1002) << "the current bitmap is gone";
  EXPECT_EQ(BitmapSurface(1), nullptr);
  MakeBitmap(1, 8, 8, 0);
  QueueSetCurrentBitmap(1);
  QueueCreateBitmap(1, 4, 4);  // replaces the surface the next requests were stamped with
  QueueSetCurrentBitmap(1);
  QueueDot(1, 1);
  EXPECT_EQ(Replay(), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, BitmapDisplayTest, ::testing::Values(16, 32),
                         [](const ::testing::TestParamInfo<int>& depth) {
                           return std::to_string(depth.param) + "Bits";
                         });

}  // namespace
}  // namespace qm::test
