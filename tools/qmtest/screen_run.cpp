// The screen watch of qmtest (see screen_run.h).
#include "tools/qmtest/screen_run.h"

#include <cstdio>
#include <cstring>

#include "display/bitmaps.h"
#include "display/draw_request_queue.h"
#include "platform/display/surface.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "runtime/cli/runtime_cli.h"
#include "runtime/interpreter.h"
#include "runtime/print_transcript.h"
#include "runtime/run_loop.h"

namespace qm::qmtest {
namespace {

ScreenWatch* gWatch = nullptr;

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// A pixel of bitmap n (1-31) as the run left it; bitmap 0 is the screen's back buffer.
void CheckBitmapPixel(const PixelExpectation& pixel, const std::string& where,
                      std::vector<std::string>& failures) {
  platform::Surface* surface = pixel.bitmap < kProgramBitmaps ? BitmapSurface(pixel.bitmap) : nullptr;
  if (surface == nullptr || surface->IsLost()) {
    failures.push_back(where + ": the bitmap does not exist at the end of the run");
    return;
  }
  if (pixel.x < 0 || pixel.y < 0 || pixel.x >= surface->Width() || pixel.y >= surface->Height()) {
    failures.push_back(where + " lies outside the " + std::to_string(surface->Width()) + "x" +
                       std::to_string(surface->Height()) + " bitmap");
    return;
  }
  const uint32_t actual = surface->PixelAt(pixel.x, pixel.y);
  const uint32_t expected = PackColour(PackingOf(surface->Format()), pixel.colour);
  if (actual != expected) failures.push_back(where + " is " + Hex(actual) + ", expected " + Hex(expected));
}

}  // namespace

ScreenWatch::ScreenWatch(const ScreenExpectations& expected) : expected_(expected) {
  gWatch = this;
  SetFrameObserver(&ScreenWatch::OnFrame);
}

ScreenWatch::~ScreenWatch() {
  SetFrameObserver(nullptr);
  gWatch = nullptr;
}

void ScreenWatch::OnFrame() {
  if (gWatch != nullptr) gWatch->Frame();
}

void ScreenWatch::Frame() {
  ++frames_;
  if (typedSoFar_ < expected_.typed.size()) {
    const TypedInput& input = expected_.typed[typedSoFar_++];
    if (input.virtualKey > 0) {
      platform::headless::ScriptKeyPress(input.virtualKey);
    } else if (!input.Nothing()) {
      platform::Message typed;
      typed.id = platform::kMsgChar;
      typed.wParam = input.character;
      platform::PostMessage(typed);
    }
  } else if (expected_.namedKeys && TheRuntimeCli().WaitsForKeys()) {
    // Everything is typed and the command line waits for more: leave it, as the user would.
    platform::headless::ScriptKeyPress(platform::kVkF12);
  }
  if (!expected_.pixels.empty()) {
    platform::Surface* back = BackBufferSurface();
    if (back != nullptr && !back->IsLost()) {
      pictureWidth_ = back->Width();
      pictureHeight_ = back->Height();
      pictureBytes_ = platform::BytesPerPixel(back->Format());
      pictureFormat_ = static_cast<int32_t>(back->Format());
      const std::size_t row = static_cast<std::size_t>(pictureWidth_ * pictureBytes_);
      picture_.resize(row * static_cast<std::size_t>(pictureHeight_));
      for (int32_t y = 0; y < pictureHeight_; ++y)
        std::memcpy(&picture_[row * static_cast<std::size_t>(y)], back->Row(y), row);
    }
  }
  if (expected_.frames && frames_ >= *expected_.frames) {
    LeaveRunRequested = 1;
    Interpreter.stopFlag = 1;
  }
}

bool ScreenWatch::EndedByFrameCount() const { return expected_.frames && frames_ >= *expected_.frames; }

std::vector<std::string> ScreenWatch::Check() const {
  std::vector<std::string> failures;
  const std::vector<std::string> lines = TranscriptLines();
  for (const PrintedExpectation& printed : expected_.printed) {
    const auto index = static_cast<std::size_t>(printed.number - 1);
    if (index >= lines.size()) {
      failures.push_back("printed line " + std::to_string(printed.number) + " is missing (" +
                         std::to_string(lines.size()) + " lines printed)");
    } else if (lines[index] != printed.text) {
      failures.push_back("printed line " + std::to_string(printed.number) + " is \"" + lines[index] +
                         "\", expected \"" + printed.text + "\"");
    }
  }
  if (expected_.printedLines && static_cast<std::size_t>(*expected_.printedLines) != lines.size()) {
    failures.push_back(std::to_string(lines.size()) + " lines printed, expected " +
                       std::to_string(*expected_.printedLines));
  }
  for (const PixelExpectation& pixel : expected_.pixels) {
    const std::string where = "pixel " + std::to_string(pixel.x) + "," + std::to_string(pixel.y);
    if (pixel.bitmap >= 0) {
      CheckBitmapPixel(pixel, where + " of bitmap " + std::to_string(pixel.bitmap), failures);
      continue;
    }
    if (picture_.empty()) {
      failures.push_back(where + ": no frame was presented");
      continue;
    }
    if (pixel.x < 0 || pixel.y < 0 || pixel.x >= pictureWidth_ || pixel.y >= pictureHeight_) {
      failures.push_back(where + " lies outside the " + std::to_string(pictureWidth_) + "x" +
                         std::to_string(pictureHeight_) + " frame");
      continue;
    }
    const auto format = static_cast<platform::PixelFormat>(pictureFormat_);
    uint32_t actual = 0;
    std::memcpy(&actual,
                &picture_[static_cast<std::size_t>((pixel.y * pictureWidth_ + pixel.x) * pictureBytes_)],
                static_cast<std::size_t>(pictureBytes_));
    const uint32_t expected = PackColour(PackingOf(format), pixel.colour);
    if (actual != expected) failures.push_back(where + " is " + Hex(actual) + ", expected " + Hex(expected));
  }
  return failures;
}

}  // namespace qm::qmtest
