// Shared by the display-layer tests: each case runs in the four RGB formats, with ordinary and
// with deliberately padded row pitch.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <tuple>

#include "platform/display/fault_injection.h"
#include "platform/display/surface.h"

namespace qm::platform {

using FormatAndPitch = std::tuple<PixelFormat, bool>;

// Test names and messages show formats by name rather than as bytes.
inline void PrintTo(PixelFormat format, std::ostream* out) { *out << PixelFormatName(format); }

class SurfaceFormats : public ::testing::TestWithParam<FormatAndPitch> {
 protected:
  void SetUp() override {
    SetPaddedPitchForTests(std::get<1>(GetParam()));
    ClearInjectedSurfaceErrors();
  }
  void TearDown() override {
    for (Surface* s : made_) s->Release();
    SetPaddedPitchForTests(false);
    ClearInjectedSurfaceErrors();
  }
  PixelFormat Format() const { return std::get<0>(GetParam()); }
  uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) const { return PackRgb(Format(), {r, g, b}); }

  // A surface released at the end of the test, filled with `background`.
  Surface* Make(int width, int height, uint32_t background = 0, PixelFormat format = PixelFormat::Dxt5,
                uint32_t caps = kCapsOffscreenPlain) {
    SurfaceDesc desc;
    desc.width = width;
    desc.height = height;
    desc.format = format == PixelFormat::Dxt5 ? Format() : format;
    desc.caps = caps;
    Surface* s = nullptr;
    EXPECT_EQ(Surface::Create(desc, s), DisplayResult::Ok);
    if (s) {
      EXPECT_EQ(s->Fill(nullptr, background), DisplayResult::Ok);
      made_.push_back(s);
    }
    return s;
  }

  std::vector<Surface*> made_;
};

// Every pixel of `s` equals `expected(x, y)`; reports the first few that differ.
inline ::testing::AssertionResult PixelsAre(const Surface& s,
                                            const std::function<uint32_t(int, int)>& expected) {
  int wrong = 0;
  std::string report;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      uint32_t want = expected(x, y), got = s.PixelAt(x, y);
      if (want != got && ++wrong <= 4) {
        report += " (" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(got) +
                  " not " + std::to_string(want) + ";";
      }
    }
  }
  if (wrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong << " pixels differ:" << report;
}

inline std::string FormatAndPitchName(const ::testing::TestParamInfo<FormatAndPitch>& info) {
  return std::string(PixelFormatName(std::get<0>(info.param))) + (std::get<1>(info.param) ? "_padded" : "");
}

#define QM_ALL_SURFACE_FORMATS(Suite)                                                               \
  INSTANTIATE_TEST_SUITE_P(AllFormats, Suite,                                                       \
                           ::testing::Combine(::testing::ValuesIn(kRgbFormats), ::testing::Bool()), \
                           FormatAndPitchName)

}  // namespace qm::platform
