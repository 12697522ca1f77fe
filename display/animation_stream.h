// One open AVI animation, decoded through FFmpeg (libavformat, libavcodec, libswscale): the frame
// size and rate, the video frames one after another converted into a surface, a rewind, and the
// sound track handed to the animation sound output as it is read. Only the AVI container is
// accepted, and only from a local file or bytes in memory: a file is never asked to open others.
// Every size the file gives is checked before anything is allocated for it; a file that cannot be
// read is refused when it is opened (no video stream, no decoder, no first frame), and damage
// found later ends the stream as its end would.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/display/surface.h"

namespace qm {

class AnimationSoundOutput;

// The largest frame accepted: a side of a surface, and no more pixels than this in all.
inline constexpr int kMaxAnimationSide = platform::kMaxSurfaceSide;
inline constexpr int64_t kMaxAnimationPixels = int64_t{4096} * 4096;

class AnimationStream {
 public:
  ~AnimationStream();
  AnimationStream(const AnimationStream&) = delete;
  AnimationStream& operator=(const AnimationStream&) = delete;

  // Opens a host path, or bytes the stream keeps a view of (they must outlive it). Null, with
  // `why` saying what was wrong, when it is no playable AVI. `sound` (may be null) receives the
  // sound track under `soundId`.
  static std::unique_ptr<AnimationStream> OpenFile(const std::string& hostPath, AnimationSoundOutput* sound,
                                                   int soundId, std::string* why = nullptr);
  static std::unique_ptr<AnimationStream> OpenMemory(std::string_view bytes, AnimationSoundOutput* sound,
                                                     int soundId, std::string* why = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Frames per second, between 1 and 1000 (25 when the file names no usable rate).
  double FramesPerSecond() const { return framesPerSecond_; }
  bool HasSoundTrack() const;

  // Decodes the next video frame; false at the end of the stream or when the rest cannot be
  // decoded.
  bool NextFrame();
  // Writes the last decoded frame into `surface` (Width() x Height(), any RGB format). False when
  // no frame was decoded or the conversion failed.
  bool ConvertFrameInto(platform::Surface& surface);
  // Back to the first frame (the source is opened again). False when that failed; the stream then
  // has no more frames.
  bool Rewind();

 private:
  struct Decoder;
  AnimationStream();
  bool Open(std::string* why);

  std::string path_;        // the file, or empty for bytes in memory
  std::string_view bytes_;  // the bytes in memory
  AnimationSoundOutput* sound_ = nullptr;
  int soundId_ = 0;
  std::unique_ptr<Decoder> decoder_;
  int width_ = 0, height_ = 0;
  double framesPerSecond_ = 25;
  bool probedFrameWaiting_ = false;  // the first frame, decoded when opening, not yet handed out
};

}  // namespace qm
