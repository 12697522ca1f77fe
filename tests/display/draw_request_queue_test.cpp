// The draw-request queue and the replay of the 2D drawing codes on real surfaces of every RGB
// format: replays per flip buffer, colour packing, lines, boxes, ellipses, POINT, cut texts and
// an inactive application.
#include "display/draw_request_queue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>

#include "display/engine_tables.h"
#include "platform/display/surface.h"
#include "runtime/interpreter.h"
#include "runtime/run_loop.h"

namespace qm::test {
namespace {

using platform::PixelFormat;
using Pixel = std::pair<int, int>;

class DrawQueueTest : public ::testing::TestWithParam<PixelFormat> {
 protected:
  void SetUp() override {
    if (!DrawRequestQueue.Exists()) {
      ASSERT_TRUE(CreateEngineTables());
    }
    DrawRequestQueue.Reset();
    platform::SurfaceDesc desc;
    desc.width = 64;
    desc.height = 48;
    desc.format = GetParam();
    ASSERT_EQ(platform::Surface::Create(desc, surface_), platform::DisplayResult::Ok);
    SetScreenSurfaces(surface_, false);
    ResetDrawQueueForRun();
    AppActiveFlag = 1;
  }
  void TearDown() override {
    ClearDrawRequests();
    SetScreenSurfaces(nullptr, false);
    QueueCurrentBitmap = QueueBitmap{};
    AppActiveFlag = 1;
    surface_->Release();
  }

  uint32_t Packed(int32_t colour) const { return PackColour(PackingOf(GetParam()), colour); }
  std::set<Pixel> InkPixels() const {
    std::set<Pixel> set;
    for (int y = 0; y < surface_->Height(); ++y) {
      for (int x = 0; x < surface_->Width(); ++x) {
        if (surface_->PixelAt(x, y) != 0) set.insert({x, y});
      }
    }
    return set;
  }

  platform::Surface* surface_ = nullptr;
};

TEST_P(DrawQueueTest, TheRunStartInkIsWhiteInTheScreensFormat) {
  QueueDot(3, 3);
  ProcessDrawRequests();
  EXPECT_EQ(surface_->PixelAt(3, 3), Packed(0xFFFFFF));
  EXPECT_EQ(surface_->PixelAt(3, 3), platform::PackRgb(GetParam(), {255, 255, 255}));
}

TEST_P(DrawQueueTest, InkPacksEachChannelScaledToItsField) {
  QueueInk(0x808080, 0);
  QueueDot(3, 3);
  ProcessDrawRequests();
  const uint32_t expected = GetParam() == PixelFormat::R5G6B5     ? 0x7BEFu
                            : GetParam() == PixelFormat::X1R5G5B5 ? 0x3DEFu
                                                                  : 0x808080u;
  EXPECT_EQ(surface_->PixelAt(3, 3), expected);
}

TEST_P(DrawQueueTest, PointReadsThePixelBackIntoItsCellOnce) {
  ValueCell cells[4]{};
  ValueCell* saved = Interpreter.cells;
  Interpreter.cells = cells;
  SetScreenSurfaces(surface_, true);
  QueueInk(0x808080, 0);
  QueueDot(3, 3);
  ProcessDrawRequests();
  QueuePoint(3, 3, 2);
  QueuePoint(99, 3, 1);  // outside: the cell keeps its value
  cells[1].i = -7;
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 4);  // the ink and the dot wait for the second buffer
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 0) << "POINT is replayed once even under a flip chain";
  const int32_t expected = GetParam() == PixelFormat::R5G6B5     ? 0x7B7D7B
                           : GetParam() == PixelFormat::X1R5G5B5 ? 0x7B7B7B
                                                                 : 0x808080;
  EXPECT_EQ(cells[2].i, expected);
  EXPECT_EQ(cells[1].i, -7);
  Interpreter.cells = saved;
}

TEST_P(DrawQueueTest, BothFlipBuffersGetTheSameInk) {
  SetScreenSurfaces(surface_, true);
  QueueDot(1, 1);
  QueueInk(0xFF0000, 0);
  QueueDot(3, 3);
  ProcessDrawRequests();
  const uint32_t firstBuffer = surface_->PixelAt(1, 1);
  surface_->Fill(nullptr, 0);  // the other buffer of the chain
  ProcessDrawRequests();
  EXPECT_EQ(firstBuffer, Packed(0xFFFFFF));
  EXPECT_EQ(surface_->PixelAt(1, 1), Packed(0xFFFFFF)) << "the second replay of a dot queued before INK";
  EXPECT_EQ(surface_->PixelAt(3, 3), Packed(0xFF0000));
}

TEST_P(DrawQueueTest, ScreenRequestsReplayOncePerFlipBuffer) {
  SetScreenSurfaces(surface_, true);
  QueueDot(1, 1);
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 1);
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 0);
  SetScreenSurfaces(surface_, false);
  QueueDot(1, 1);
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 0);
}

struct LineCase {
  const char* name;
  int x1, y1, x2, y2;
  std::set<Pixel> pixels;
};

TEST_P(DrawQueueTest, LinesKeepTheirPointRuleAndClipPerPixel) {
  const LineCase cases[] = {
      {"steep", 0, 0, 3, 4, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {3, 4}}},
      {"one point", 5, 5, 5, 5, {{5, 5}}},
      {"diagonal of length 1.4", 0, 0, 1, 1, {{0, 0}}},
      {"from outside", -3, 2, 2, 2, {{0, 2}, {1, 2}, {2, 2}}},
      {"leaving the surface", 61, 7, 66, 7, {{61, 7}, {62, 7}, {63, 7}}},
  };
  for (const LineCase& c : cases) {
    surface_->Fill(nullptr, 0);
    QueueLine(c.x1, c.y1, c.x2, c.y2);
    ProcessDrawRequests();
    EXPECT_EQ(InkPixels(), c.pixels) << c.name;
  }
  surface_->Fill(nullptr, 0);
  QueueLine(0, 0, 10, 0);
  ProcessDrawRequests();
  EXPECT_EQ(InkPixels().size(), 11u);
}

TEST_P(DrawQueueTest, BoxesIncludeBothCornersAndReversedOnesDrawNothing) {
  QueueBox(10, 10, 10, 10);
  QueueBox(20, 10, 10, 20);
  ProcessDrawRequests();
  EXPECT_EQ(InkPixels(), (std::set<Pixel>{{10, 10}}));
}

TEST_P(DrawQueueTest, CirclesLieOnTheirRadiusAndAreSymmetric) {
  QueueEllipse(24, 24, 10.0f, 10.0f);
  ProcessDrawRequests();
  const std::set<Pixel> pixels = InkPixels();
  ASSERT_FALSE(pixels.empty());
  for (const auto& [x, y] : pixels) {
    const double distance = std::hypot(x + 0.5 - 24.5, y + 0.5 - 24.5);
    EXPECT_GE(distance, 9.0) << x << "," << y;
    EXPECT_LE(distance, 11.0) << x << "," << y;
    EXPECT_TRUE(pixels.count({y, x})) << x << "," << y;
  }
}

TEST_P(DrawQueueTest, ClsFillsWithTheBackgroundColour) {
  QueueSetClearColour(0xFF0000);
  QueueClearScreen();
  ProcessDrawRequests();
  EXPECT_EQ(surface_->PixelAt(0, 0), Packed(0xFF0000));
  EXPECT_EQ(surface_->PixelAt(63, 47), Packed(0xFF0000));
}

TEST_P(DrawQueueTest, AnInactiveApplicationKeepsTheQueueForLater) {
  QueueInk(0x00FF00, 0);
  QueueDot(2, 2);
  AppActiveFlag = 0;
  ProcessDrawRequests();
  EXPECT_EQ(DrawRequestQueue.UsedCount(), 2);
  EXPECT_EQ(surface_->PixelAt(2, 2), 0u);
  AppActiveFlag = 1;
  ProcessDrawRequests();
  EXPECT_EQ(surface_->PixelAt(2, 2), Packed(0x00FF00));
}

TEST_P(DrawQueueTest, RequestsAreStampedWithTheBitmapCurrentWhenQueued) {
  QueueCurrentBitmap = QueueBitmap{5, nullptr};  // a bitmap without a surface
  QueueDot(4, 4);
  QueueCurrentBitmap = QueueBitmap{0, surface_};
  ProcessDrawRequests();
  EXPECT_TRUE(InkPixels().empty());
}

TEST_P(DrawQueueTest, LongTextsAreCutTo255Characters) {
  QueueTextRequest(kDrawText, 0, 0, std::string(300, 'x'));
  const DrawRequest& request = DrawRequestQueue[DrawRequestQueue.UsedTail()];
  EXPECT_EQ(std::string(request.text), std::string(255, 'x'));
}

std::string FormatName(const ::testing::TestParamInfo<PixelFormat>& info) {
  switch (info.param) {
    case PixelFormat::R5G6B5:
      return "R5G6B5";
    case PixelFormat::X1R5G5B5:
      return "X1R5G5B5";
    case PixelFormat::R8G8B8:
      return "R8G8B8";
    default:
      return "X8R8G8B8";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryRgbFormat, DrawQueueTest, ::testing::ValuesIn(platform::kRgbFormats),
                         FormatName);

}  // namespace
}  // namespace qm::test
