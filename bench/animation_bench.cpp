// AVI animations: one frame step of a 320x240 animation at 25 frames per second stretched over a
// 640x480 back buffer (decode the frame that is due, convert it into the display's format, stretch
// it onto the screen), at 16 and 32 bits, for raw and MJPEG video. The files are made by ffmpeg
// once (ten seconds each) and looped; the clock moves 40 ms per frame, so every step decodes one
// frame. CPU time per iteration is the CPU per frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "display/animations.h"
#include "display/draw_request_queue.h"
#include "platform/clock.h"
#include "platform/display/surface.h"

namespace qm {
namespace {

// The made files' folder (removed at exit), or empty when ffmpeg failed.
const std::string& MadeFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/qm-animation-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return std::string();
    const std::string source = "-f lavfi -i testsrc=size=320x240:rate=25:duration=10 ";
    const std::string raw =
        "ffmpeg -v error -y " + source + "-c:v rawvideo -pix_fmt bgr24 " + pattern + "/raw.avi";
    const std::string mjpeg = "ffmpeg -v error -y " + source + "-c:v mjpeg -q:v 4 " + pattern + "/mjpeg.avi";
    if (std::system(raw.c_str()) != 0 || std::system(mjpeg.c_str()) != 0) return std::string();
    static std::string remove = "rm -rf " + pattern;
    std::atexit([] { [[maybe_unused]] int ignored = std::system(remove.c_str()); });
    return pattern;
  }();
  return folder;
}

void FrameStep(benchmark::State& state, const char* file, platform::PixelFormat format) {
  if (MadeFolder().empty()) {
    state.SkipWithError("ffmpeg could not make the animation");
    return;
  }
  platform::ManualClock clock(1000);
  platform::Clock* previous = platform::InstallClock(&clock);
  platform::SurfaceDesc desc;
  desc.width = 640;
  desc.height = 480;
  desc.format = format;
  platform::Surface* backBuffer = nullptr;
  platform::Surface::Create(desc, backBuffer);
  SetScreenSurfaces(backBuffer, false);
  if (LoadAnimation(1, MadeFolder() + "/" + file) == 0) {
    state.SkipWithError("the animation did not load");
  } else {
    AnimationSlots[1].exists = 1;
    SetAnimationLoopOn(1);
    PlayAnimation(1, true, 0, 0, 640, 480, 0, true);
    for (auto _ : state) {
      clock.Advance(40);
      UpdateAnimations();
    }
  }
  FreeAllAnimations();
  SetScreenSurfaces(nullptr, false);
  backBuffer->Release();
  platform::InstallClock(previous);
}

BENCHMARK_CAPTURE(FrameStep, raw_16bit, "raw.avi", platform::PixelFormat::R5G6B5);
BENCHMARK_CAPTURE(FrameStep, raw_32bit, "raw.avi", platform::PixelFormat::X8R8G8B8);
BENCHMARK_CAPTURE(FrameStep, mjpeg_16bit, "mjpeg.avi", platform::PixelFormat::R5G6B5);
BENCHMARK_CAPTURE(FrameStep, mjpeg_32bit, "mjpeg.avi", platform::PixelFormat::X8R8G8B8);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
