// AVI animations: decoding files made at test time by ffmpeg (five red frames then five blue, raw
// and MJPEG, with and without a PCM sound track), drawing them onto the screen and into bitmaps at
// their rate, clipping, looping, pausing, and refusing damaged files.
#include "display/animations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "display/animation_sound.h"
#include "display/animation_stream.h"
#include "display/display_subsystem.h"
#include "display/draw_request_queue.h"
#include "display_core_fixture.h"
#include "resources/command_ids.h"
#include "runtime/packed_files.h"
#include "runtime/settings.h"
#include "tests/platform/temp_folder.h"

namespace qm::test {
namespace {

using platform::PixelFormat;
using platform::Rgb;
using platform::Surface;

constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0}, kBlack{0, 0, 0};

// The files, made once for all tests. The colour sources are made in RGB, so that the raw files hold
// pure red, blue and green.
class MadeAnimations {
 public:
  MadeAnimations() {
    const std::string tenFrames =
        "-f lavfi -i color=red:s=64x48:r=10:d=0.5,format=bgr24 -f lavfi -i "
        "color=blue:s=64x48:r=10:d=0.5,format=bgr24 ";
    const std::string sound = "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 ";
    const std::string video = "-filter_complex '[0:v][1:v]concat=n=2[v]' -map '[v]' ";
    Make("raw.avi", tenFrames + video + "-c:v rawvideo -pix_fmt bgr24");
    Make("mjpeg.avi", tenFrames + video + "-c:v mjpeg -q:v 2");
    Make("raw_sound.avi", tenFrames + sound + video + "-map 2:a -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le");
    Make("mjpeg_sound.avi", tenFrames + sound + video + "-map 2:a -c:v mjpeg -q:v 2 -c:a pcm_s16le");
    // Left half red, right half green: shows which part of the frame a clipped destination gets.
    Make("halves.avi",
         "-f lavfi -i color=red:s=32x48:r=10:d=1,format=bgr24 -f lavfi -i "
         "color=lime:s=32x48:r=10:d=1,format=bgr24 "
         "-filter_complex hstack -c:v rawvideo -pix_fmt bgr24");
  }
  std::string Path(const std::string& name) const { return folder / name; }
  std::string Bytes(const std::string& name) const { return folder.Read(name); }
  platform::testing::TempFolder folder;

 private:
  void Make(const std::string& name, const std::string& arguments) {
    const std::string command = "ffmpeg -v error -y " + arguments + " '" + Path(name) + "'";
    made_ok = made_ok && std::system(command.c_str()) == 0;
  }

 public:
  bool made_ok = true;
};

// Destroyed at exit, which removes the folder.
MadeAnimations& Files() {
  static MadeAnimations files;
  return files;
}

// Records what reaches the sound output.
class RecordingSound : public AnimationSoundOutput {
 public:
  void BeginTrack(int id, int rate, int channels) override {
    began.push_back(id);
    sampleRate = rate;
    channelCount = channels;
  }
  void WriteSamples(int, const int16_t* samples, std::size_t frames) override {
    for (std::size_t i = 0; i < frames; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
    written += frames;
  }
  void EndTrack(int id) override { ended.push_back(id); }
  std::vector<int> began, ended;
  int sampleRate = 0, channelCount = 0, peak = 0;
  std::size_t written = 0;
};

bool Near(Rgb got, Rgb want, int tolerance) {
  return std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
         std::abs(got.b - want.b) <= tolerance;
}

// The colour every pixel of `surface` shows, or a failure naming the first one that differs.
::testing::AssertionResult AllPixels(const Surface& surface, Rgb want, int tolerance) {
  const Rgb stored = platform::UnpackPixel(surface.Format(), platform::PackRgb(surface.Format(), want));
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const uint32_t pixel = surface.PixelAt(x, y);
      const Rgb got = platform::UnpackPixel(surface.Format(), pixel);
      const bool exact = pixel == platform::PackRgb(surface.Format(), want);
      if (tolerance == 0 ? !exact : !Near(got, stored, tolerance)) {
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << std::hex << pixel;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

Surface* NewSurface(int width, int height, PixelFormat format) {
  platform::SurfaceDesc desc;
  desc.width = width;
  desc.height = height;
  desc.format = format;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  Surface* surface = nullptr;
  EXPECT_EQ(Surface::Create(desc, surface), platform::DisplayResult::Ok);
  return surface;
}

TEST(AnimationStream, DecodesEveryFrameOfTheMadeFilesAndHandsOnTheirSound) {
  ASSERT_TRUE(Files().made_ok);
  struct Case {
    const char* file;
    int tolerance;  // raw frames are exact; MJPEG within a few steps
    bool sound;
  };
  for (const Case& c : {Case{"raw.avi", 0, false}, Case{"mjpeg.avi", 10, false},
                        Case{"raw_sound.avi", 0, true}, Case{"mjpeg_sound.avi", 10, true}}) {
    for (PixelFormat format : platform::kRgbFormats) {
      SCOPED_TRACE(std::string(c.file) + " format " + std::to_string(static_cast<int>(format)));
      RecordingSound sound;
      std::string why;
      std::unique_ptr<AnimationStream> stream =
          AnimationStream::OpenFile(Files().Path(c.file), &sound, 7, &why);
      ASSERT_NE(stream, nullptr) << why;
      EXPECT_EQ(stream->Width(), 64);
      EXPECT_EQ(stream->Height(), 48);
      EXPECT_DOUBLE_EQ(stream->FramesPerSecond(), 10);
      EXPECT_EQ(stream->HasSoundTrack(), c.sound);
      Surface* frame = NewSurface(64, 48, format);
      for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(stream->NextFrame()) << "frame " << i;
        ASSERT_TRUE(stream->ConvertFrameInto(*frame));
        EXPECT_TRUE(AllPixels(*frame, i < 5 ? kRed : kBlue, c.tolerance)) << "frame " << i;
      }
      EXPECT_FALSE(stream->NextFrame()) << "ten frames only";
      if (c.sound) {
        EXPECT_EQ(sound.began, std::vector<int>{7});
        EXPECT_EQ(sound.sampleRate, 22050);
        EXPECT_EQ(sound.channelCount, 1);
        EXPECT_NEAR(sound.peak, 4096, 8) << "the sine at an eighth of full scale reached the output";
      } else {
        EXPECT_TRUE(sound.began.empty());
      }
      stream.reset();
      EXPECT_EQ(sound.ended, sound.began);
      frame->Release();
    }
  }
}

TEST(AnimationStream, DamagedFilesAreRefusedOrEndWithoutHarm) {
  ASSERT_TRUE(Files().made_ok);
  const std::string raw = Files().Bytes("raw.avi");
  const std::string sound = Files().Bytes("mjpeg_sound.avi");
  struct Case {
    std::string name;
    std::string bytes;
    bool refused;  // true: must be refused; false: may open, must not crash
  };
  std::vector<Case> cases = {
      {"empty", "", true},
      {"riff header only", raw.substr(0, 12), true},
      {"headers cut", raw.substr(0, 200), true},
      {"not an avi", std::string("\x89PNG\r\n\x1a\n") + std::string(400, 'x'), true},
      {"text", "LOAD ANIMATION \"a.avi\",1\r\n", true},
  };
  cases.push_back({"raw cut in half", raw.substr(0, raw.size() / 2), false});
  cases.push_back({"raw without its index", raw.substr(0, raw.size() - 7), false});
  cases.push_back({"sound cut at a third", sound.substr(0, sound.size() / 3), false});
  // Sizes and counts in the headers overwritten with large values.
  for (std::size_t at :
       {std::size_t{32}, std::size_t{48}, std::size_t{64}, std::size_t{176}, std::size_t{188}}) {
    std::string bytes = raw;
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = '\xff';
    cases.push_back({"0xffffffff at " + std::to_string(at), bytes, false});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<AnimationStream> stream = AnimationStream::OpenMemory(c.bytes, nullptr, 1);
    if (c.refused) {
      EXPECT_EQ(stream, nullptr);
      continue;
    }
    if (stream == nullptr) continue;
    Surface* frame = NewSurface(stream->Width(), stream->Height(), PixelFormat::R5G6B5);
    for (int i = 0; i < 100 && stream->NextFrame(); ++i) stream->ConvertFrameInto(*frame);
    frame->Release();
  }
}

class AnimationTest : public DisplayCoreTest {
 protected:
  void SetUp() override {
    DisplayCoreTest::SetUp();
    ASSERT_TRUE(Files().made_ok);
    ASSERT_TRUE(MakeDisplay(true, 640, 480, 32));
    FreeAllAnimations();
    SetAnimationSoundOutput(&sound_);
  }
  void TearDown() override {
    FreeAllAnimations();
    SetAnimationSoundOutput(nullptr);
    for (Surface*& bitmap : bitmaps_) {
      if (bitmap != nullptr) bitmap->Release();
    }
    DisplayCoreTest::TearDown();
  }

  // LOAD ANIMATION as the command does it.
  void Load(int32_t n, const std::string& file) {
    ASSERT_EQ(LoadAnimation(n, Files().Path(file)), 1) << file;
    AnimationSlots[static_cast<std::size_t>(n)].exists = 1;
  }
  // The frame step on a cleared screen.
  void Frame(uint32_t advanceMs = 0) {
    clock_.Advance(advanceMs);
    TheDisplay.backBuffer->Fill(nullptr, 0);
    UpdateAnimations();
  }
  Rgb ScreenAt(int x, int y) const { return RgbOf(*TheDisplay.backBuffer, x, y); }
  static Rgb RgbOf(const Surface& surface, int x, int y) {
    return platform::UnpackPixel(surface.Format(), surface.PixelAt(x, y));
  }
  // A bitmap surface of this size as bitmap n.
  Surface* MakeBitmap(int32_t n, int width, int height) {
    Surface* bitmap = NewSurface(width, height, TheDisplay.backBuffer->Format());
    bitmap->Fill(nullptr, 0);
    bitmaps_.push_back(bitmap);
    TheDisplay.bitmapSurfaces[static_cast<std::size_t>(n)] = bitmap;
    return bitmap;
  }
  AnimationRect Property(int32_t n) {
    AnimationRect r;
    GetAnimationProperty(n, r.left, r.top, r.right, r.bottom);
    return r;  // left, top, width, height
  }

  RecordingSound sound_;
  std::vector<Surface*> bitmaps_;
  platform::testing::TempFolder folder_;
};

TEST_F(AnimationTest, LoadingLearnsTheSizeAndPlayingDrawsEachFrameAtItsTimeThenKeepsTheLast) {
  Load(1, "raw.avi");
  EXPECT_EQ(Property(1).right, 64);
  EXPECT_EQ(Property(1).bottom, 48);
  ASSERT_EQ(PlayAnimation(1, true, 10, 10, 0, 0, 0, true), 1);
  AnimationSlots[1].playing = 1;
  const AnimationRect at = Property(1);
  EXPECT_EQ(at.left, 10);
  EXPECT_EQ(at.top, 10);
  EXPECT_EQ(at.right, 64);
  Frame();
  EXPECT_EQ(ScreenAt(10, 10), kRed);
  EXPECT_EQ(ScreenAt(73, 57), kRed);
  EXPECT_EQ(ScreenAt(74, 57), kBlack);
  EXPECT_EQ(ScreenAt(9, 10), kBlack);
  Frame(450);
  EXPECT_EQ(ScreenAt(40, 40), kRed) << "frame 4 is due";
  Frame(50);
  EXPECT_EQ(ScreenAt(40, 40), kBlue) << "frame 5 is due";
  Frame(2000);
  EXPECT_EQ(AnimationSlots[1].playing, 0) << "the end of the file stops it";
  for (int frame = 0; frame < 3; ++frame) {
    Frame(40);
    EXPECT_EQ(ScreenAt(40, 40), kBlue) << "the last frame stays drawn";
  }
  EXPECT_EQ(ResumeAnimation(1), 1) << "still open: it can resume (and finds the end)";
}

TEST_F(AnimationTest, LoopingStartsAgainAtTheEnd) {
  Load(1, "raw.avi");
  SetAnimationLoopOn(1);
  ASSERT_EQ(PlayAnimation(1, false, 0, 0, 0, 0, 0, false), 1);
  Frame();
  Frame(900);
  EXPECT_EQ(ScreenAt(5, 5), kBlue);
  Frame(200);  // frame 11 is due: the end, rewound
  Frame();
  EXPECT_EQ(ScreenAt(5, 5), kRed) << "frame 0 again";
  EXPECT_TRUE(AnimationRecords[1].running);
}

TEST_F(AnimationTest, PausedAnimationsKeepTheirFrameAndGoOnWhereTheyStopped) {
  Load(1, "raw.avi");
  ASSERT_EQ(PlayAnimation(1, false, 0, 0, 0, 0, 0, true), 1);
  Frame();
  Frame(300);
  ASSERT_EQ(PauseAnimation(1), 1);
  EXPECT_EQ(PauseAnimation(1), 0) << "nothing plays any more";
  Frame(5000);
  EXPECT_EQ(ScreenAt(5, 5), kRed) << "the paused frame is still drawn";
  ASSERT_EQ(ResumeAnimation(1), 1);
  EXPECT_EQ(ResumeAnimation(1), 0) << "not paused";
  Frame();
  EXPECT_EQ(ScreenAt(5, 5), kRed) << "frame 4 next, not the end";
  Frame(200);
  EXPECT_EQ(ScreenAt(5, 5), kBlue);
  ASSERT_EQ(StopAnimation(1), 1);
  EXPECT_EQ(StopAnimation(1), 0) << "nothing open";
  Frame();
  EXPECT_EQ(ScreenAt(5, 5), kBlack) << "a stopped animation draws nothing";
}

TEST_F(AnimationTest, DestinationsAreStretchedAndClippedToTheirTargetWithTheFrameCutInProportion) {
  struct Case {
    const char* name;
    int32_t bitmap;  // 0 the screen, else a 32x32 bitmap
    AnimationRect destination;
    AnimationRect reported;  // x, y, width, height after clipping
    std::vector<std::pair<std::pair<int, int>, Rgb>> probes;
  };
  const std::vector<Case> cases = {
      {"own size",
       0,
       {10, 10, 0, 0},
       {10, 10, 64, 48},
       {{{10, 10}, kRed},
        {{41, 57}, kRed},
        {{42, 10}, kGreen},
        {{73, 57}, kGreen},
        {{74, 10}, kBlack},
        {{10, 58}, kBlack}}},
      {"twice the size",
       0,
       {0, 0, 128, 96},
       {0, 0, 128, 96},
       {{{63, 95}, kRed}, {{64, 0}, kGreen}, {{127, 95}, kGreen}, {{128, 0}, kBlack}, {{0, 96}, kBlack}}},
      // 80 pixels stay visible of 128: the left 40 of 64 frame columns, red up to 623.
      {"across the right edge",
       0,
       {560, 0, 688, 48},
       {560, 0, 80, 48},
       {{{560, 0}, kRed}, {{623, 47}, kRed}, {{624, 0}, kGreen}, {{639, 47}, kGreen}}},
      // 32 columns lost on the left are 16 of the frame.
      {"across the left edge",
       0,
       {-32, 0, 96, 48},
       {0, 0, 96, 48},
       {{{0, 0}, kRed}, {{31, 0}, kRed}, {{32, 0}, kGreen}, {{95, 47}, kGreen}}},
      {"into a 32x32 bitmap",
       5,
       {16, 16, 0, 0},
       {16, 16, 16, 16},
       {{{16, 16}, kRed}, {{31, 31}, kRed}, {{15, 15}, kBlack}}},
      {"out of a bitmap on three sides",
       5,
       {-16, 8, 48, 40},
       {0, 8, 32, 24},
       {{{0, 8}, kRed}, {{15, 31}, kRed}, {{16, 8}, kGreen}, {{31, 31}, kGreen}}},
      {"no width", 0, {10, 10, 10, 50}, {10, 10, 0, 40}, {{{10, 10}, kBlack}}},
      {"upside down", 0, {50, 50, 10, 10}, {50, 50, -40, -40}, {{{30, 30}, kBlack}}},
      {"wholly outside", 0, {700, 10, 800, 50}, {700, 10, -60, 40}, {{{639, 10}, kBlack}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreeAllAnimations();
    Load(2, "halves.avi");
    Surface* target = TheDisplay.backBuffer;
    if (c.bitmap != 0) target = MakeBitmap(c.bitmap, 32, 32);
    const AnimationRect& d = c.destination;
    ASSERT_EQ(PlayAnimation(2, true, d.left, d.top, d.right, d.bottom, c.bitmap, true), 1);
    const AnimationRect got = Property(2);
    EXPECT_EQ(got.left, c.reported.left);
    EXPECT_EQ(got.top, c.reported.top);
    EXPECT_EQ(got.right, c.reported.right);
    EXPECT_EQ(got.bottom, c.reported.bottom);
    target->Fill(nullptr, 0);
    Frame();
    for (const auto& [at, colour] : c.probes) {
      EXPECT_EQ(RgbOf(*target, at.first, at.second), colour) << "at " << at.first << "," << at.second;
    }
    if (c.bitmap != 0) TheDisplay.bitmapSurfaces[static_cast<std::size_t>(c.bitmap)] = nullptr;
  }
}

TEST_F(AnimationTest, AnimationsFollowTheirBitmapAndDrawNothingOnceItIsGone) {
  Load(1, "raw.avi");
  Surface* bitmap = MakeBitmap(3, 32, 32);
  ASSERT_EQ(PlayAnimation(1, true, 0, 0, 0, 0, 3, true), 1);
  Frame();
  EXPECT_EQ(RgbOf(*bitmap, 31, 31), kRed);
  TheDisplay.bitmapSurfaces[3] = nullptr;  // the bitmap was deleted
  Frame(40);
  EXPECT_EQ(ScreenAt(5, 5), kBlack) << "nothing lands on the screen instead";
}

TEST_F(AnimationTest, FilesThatCannotBePlayedAreRefusedAtLoadAndAtPlay) {
  const std::string copy = folder_ / "copy.avi";
  folder_.Write("copy.avi", Files().Bytes("raw.avi"));
  folder_.Write("bad.avi", "RIFF\x10\0\0\0AVI LIST");
  EXPECT_EQ(LoadAnimation(1, folder_ / "missing.avi"), 0);
  EXPECT_EQ(LoadAnimation(1, folder_ / "bad.avi"), 0);
  ASSERT_EQ(LoadAnimation(1, copy), 1);
  folder_.Write("copy.avi", "no longer an animation");
  EXPECT_EQ(PlayAnimation(1, false, 0, 0, 0, 0, 0, true), 0);
  EXPECT_FALSE(AnimationRecords[1].running);
  EXPECT_EQ(AnimationRecords[1].frameSurface, nullptr);
}

TEST_F(AnimationTest, AStandAloneProgramsAnimationComesFromItsPack) {
  auto u32 = [](std::size_t value) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
  };
  auto entry = [&](const std::string& name, const std::string& data) {
    return u32(name.size() + 1) + name + '\0' + u32(data.size()) + data;
  };
  const std::string pack =
      entry("prog", "program") + entry("movies\\halves.avi", Files().Bytes("halves.avi")) + u32(0) + u32(0);
  auto table = PackedFileTable::FromPack(pack, 0, nullptr);
  ASSERT_NE(table, nullptr);
  gSettings.tempFolder = folder_.Path() + "/";
  InstallPackedFileTable(std::move(table));
  ASSERT_EQ(LoadAnimation(1, "MOVIES/Halves.avi"), 1);
  EXPECT_EQ(Property(1).right, 64);
  ClosePackedFileTable();
  EXPECT_EQ(LoadAnimation(1, "MOVIES/Halves.avi"), 0) << "no such file on disk";
}

TEST_F(AnimationTest, TheSoundTrackGoesToTheSoundOutput) {
  Load(4, "mjpeg_sound.avi");
  ASSERT_EQ(PlayAnimation(4, false, 0, 0, 0, 0, 0, true), 1);
  for (int frame = 0; frame < 30; ++frame) Frame(40);
  EXPECT_FALSE(sound_.began.empty());
  EXPECT_EQ(sound_.began.front(), 4);
  EXPECT_GT(sound_.written, 0u);
}

// The commands, run one by one on operand cells of their own, as a program runs them.
class AnimationCommandTest : public AnimationTest {
 protected:
  void SetUp() override {
    AnimationTest::SetUp();
    Install({&kDisplaySubsystem});
  }
  // Runs a command whose operands are `text` (when not null) and then the numbers; gives the error
  // it raised (0 for none) and clears it. `result` receives a query's result.
  int32_t Run(int32_t id, const char* text, std::initializer_list<int32_t> numbers,
              int32_t* result = nullptr) {
    std::array<ValueCell, 8> cells{};
    std::array<DecodedWord, 9> words{};
    std::string owned = text != nullptr ? text : "";
    std::size_t i = 0;
    if (result != nullptr) cells[i++].i = *result;
    if (text != nullptr) cells[i++].s = owned.data();
    for (int32_t number : numbers) cells[i++].i = number;
    words[0].run = FindCommandHandler(id);
    for (std::size_t w = 1; w < words.size(); ++w) words[w].cell = &cells[w - 1];
    EXPECT_NE(words[0].run, nullptr) << id;
    const Pc next = words[0].run(&words[0]);
    EXPECT_EQ(next, &words[i + 1]) << "command " << id << " goes on after its operands";
    if (result != nullptr) *result = cells[0].i;
    const int32_t raised = PendingErrorCode;
    ResetRuntimeErrorState();
    DrainQuit();
    return raised;
  }
  int32_t Query(int32_t id, int32_t n) {
    int32_t value = -99;
    EXPECT_EQ(Run(id, nullptr, {n}, &value), 0) << id;
    return value;
  }
  std::string flags(int32_t n) {
    return std::to_string(Query(kCmdAnimationPlaying, n)) + std::to_string(Query(kCmdAnimationPaused, n)) +
           std::to_string(Query(kCmdAnimationLooping, n));
  }
  std::string Raw() const { return Files().Path("raw.avi"); }
};

TEST_F(AnimationCommandTest, NumbersFilesAndStatesRaiseTheirErrors) {
  struct Case {
    const char* name;
    int32_t id;
    bool text;
    std::vector<int32_t> numbers;
    int32_t error;
  };
  folder_.Write("copy.avi", Files().Bytes("raw.avi"));
  ASSERT_EQ(Run(kCmdLoadAnimation, Raw().c_str(), {1}), 0);
  ASSERT_EQ(Run(kCmdLoadAnimation, (folder_ / "copy.avi").c_str(), {2}), 0);
  folder_.Write("copy.avi", "not an animation any more");
  const Case cases[] = {
      {"load into 0", kCmdLoadAnimation, true, {0}, 2001},
      {"load into 33", kCmdLoadAnimation, true, {33}, 2001},
      {"play 33", kCmdPlayAnimationL, false, {33}, 2001},
      {"play an unloaded number", kCmdPlayAnimationL, false, {3}, 2004},
      {"delete an unloaded number", kCmdDeleteAnimation, false, {3}, 2004},
      {"width of an unloaded number", kCmdAnimationWidth, false, {0, 3}, 2004},
      {"exist of 0", kCmdAnimationExist, false, {0, 0}, 2001},
      {"stop before playing", kCmdStopAnimation, false, {1}, 2008},
      {"pause before playing", kCmdPauseAnimation, false, {1}, 2008},
      {"resume before playing", kCmdResumeAnimation, false, {1}, 2010},
      {"into bitmap 32", kCmdPlayAnimationLLLLLL, false, {1, 32, 0, 0, 10, 10}, 1001},
      {"into a bitmap that does not exist", kCmdLoopAnimationLLLLLL, false, {1, 4, 0, 0, 10, 10}, 1002},
      {"play a file that went bad", kCmdPlayAnimationL, false, {2}, 2007},
      {"loop a file that went bad", kCmdLoopAnimationL, false, {2}, 2007},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int32_t> numbers = c.numbers;
    const std::string missing = folder_ / "missing.avi";
    int32_t result = 0;
    const bool query = c.id == kCmdAnimationWidth || c.id == kCmdAnimationExist;
    if (query) numbers.erase(numbers.begin());
    int32_t raised = 0;
    switch (numbers.size()) {
      case 1:
        raised = Run(c.id, c.text ? Raw().c_str() : nullptr, {numbers[0]}, query ? &result : nullptr);
        break;
      default:
        raised = Run(c.id, nullptr, {numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]});
    }
    EXPECT_EQ(raised, c.error);
  }
  EXPECT_EQ(flags(2), "000") << "a failed play or loop sets no flag";
  EXPECT_EQ(Run(kCmdLoadAnimation, (folder_ / "missing.avi").c_str(), {5}), 2002);
  EXPECT_EQ(Query(kCmdAnimationExist, 5), 0);
  EXPECT_EQ(Run(kCmdLoadAnimation, (folder_ / "copy.avi").c_str(), {2}), 2002) << "loading deletes first";
  EXPECT_EQ(Query(kCmdAnimationExist, 2), 0);
}

TEST_F(AnimationCommandTest, TheFlagsFollowPlayLoopPauseResumeAndStop) {
  ASSERT_EQ(Run(kCmdLoadAnimation, Raw().c_str(), {1}), 0);
  EXPECT_EQ(Query(kCmdAnimationExist, 1), 1);
  EXPECT_EQ(Query(kCmdAnimationWidth, 1), 64);
  EXPECT_EQ(Query(kCmdAnimationHeight, 1), 48);
  EXPECT_EQ(flags(1), "000");
  struct Step {
    int32_t id;
    std::vector<int32_t> numbers;
    int32_t error;
    const char* flags;  // playing, paused, looping
  };
  const Step steps[] = {
      {kCmdPlayAnimationLLL, {1, 20, 30}, 0, "100"},
      {kCmdPauseAnimation, {1}, 0, "110"},
      {kCmdPauseAnimation, {1}, 2008, "110"},
      {kCmdResumeAnimation, {1}, 0, "100"},
      {kCmdLoopAnimationL, {1}, 0, "101"},
      {kCmdPlayAnimationLLLLL, {1, 0, 0, 128, 96}, 0, "100"},
      {kCmdStopAnimation, {1}, 0, "000"},
      {kCmdStopAnimation, {1}, 2008, "000"},
      {kCmdLoopAnimationLLLLLL, {1, 0, 5, 5, 0, 0}, 0, "101"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.id);
    int32_t raised = 0;
    if (step.numbers.size() == 1) raised = Run(step.id, nullptr, {step.numbers[0]});
    if (step.numbers.size() == 3)
      raised = Run(step.id, nullptr, {step.numbers[0], step.numbers[1], step.numbers[2]});
    if (step.numbers.size() == 5)
      raised = Run(step.id, nullptr,
                   {step.numbers[0], step.numbers[1], step.numbers[2], step.numbers[3], step.numbers[4]});
    if (step.numbers.size() == 6)
      raised = Run(step.id, nullptr,
                   {step.numbers[0], step.numbers[1], step.numbers[2], step.numbers[3], step.numbers[4],
                    step.numbers[5]});
    EXPECT_EQ(raised, step.error);
    EXPECT_EQ(flags(1), step.flags);
  }
  EXPECT_EQ(Query(kCmdAnimationPositionX, 1), 5);
  EXPECT_EQ(Query(kCmdAnimationPositionY, 1), 5);
  EXPECT_EQ(Run(kCmdPlaceAnimation, nullptr, {1, 600, 10, 700, 60}), 0);
  EXPECT_EQ(Query(kCmdAnimationWidth, 1), 40) << "placed across the right edge";
  EXPECT_EQ(Run(kCmdDeleteAnimation, nullptr, {1}), 0);
  EXPECT_EQ(Query(kCmdAnimationExist, 1), 0);
}

}  // namespace
}  // namespace qm::test
