// AVI animations through FFmpeg.
#include "display/animation_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "display/animation_sound.h"
#include "display/video_library.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace qm {
namespace {

constexpr int kMemoryBlockBytes = 64 * 1024;
// What the stream information step may read before it settles (keeps damaged files cheap).
constexpr int64_t kProbeBytes = 1 << 20;
constexpr double kDefaultFramesPerSecond = 25;

class NullSoundOutput : public AnimationSoundOutput {
 public:
  void BeginTrack(int, int, int) override {}
  void WriteSamples(int, const int16_t*, std::size_t) override {}
  void EndTrack(int) override {}
};

NullSoundOutput gNullSound;
AnimationSoundOutput* gSound = &gNullSound;

// FFmpeg reports nothing to the terminal: a refused file is reported to the program instead.
void QuietenFfmpegOnce() {
  static const bool quiet = [] {
    Video().av_log_set_level(AV_LOG_QUIET);
    return true;
  }();
  (void)quiet;
}

// Bytes in memory as an input for the AVI reader.
struct MemoryReader {
  std::string_view bytes;
  std::size_t position = 0;

  static int Read(void* opaque, uint8_t* buffer, int size) {
    auto& reader = *static_cast<MemoryReader*>(opaque);
    const std::size_t left = reader.bytes.size() - reader.position;
    if (left == 0) return AVERROR_EOF;
    const std::size_t count = std::min(left, static_cast<std::size_t>(size));
    std::memcpy(buffer, reader.bytes.data() + reader.position, count);
    reader.position += count;
    return static_cast<int>(count);
  }
  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto& reader = *static_cast<MemoryReader*>(opaque);
    const auto size = static_cast<int64_t>(reader.bytes.size());
    if (whence & AVSEEK_SIZE) return size;
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET:
        break;
      case SEEK_CUR:
        base = static_cast<int64_t>(reader.position);
        break;
      case SEEK_END:
        base = size;
        break;
      default:
        return AVERROR(EINVAL);
    }
    if (offset > size - base || offset < -base) return AVERROR(EINVAL);
    reader.position = static_cast<std::size_t>(base + offset);
    return base + offset;
  }
};

// One sample of any of FFmpeg's plain sample formats as signed 16 bits.
int16_t SampleAsInt16(const uint8_t* at, AVSampleFormat format) {
  switch (Video().av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
      return static_cast<int16_t>((static_cast<int>(*at) - 128) * 256);
    case AV_SAMPLE_FMT_S16: {
      int16_t v;
      std::memcpy(&v, at, sizeof v);
      return v;
    }
    case AV_SAMPLE_FMT_S32: {
      int32_t v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<int16_t>(v >> 16);
    }
    case AV_SAMPLE_FMT_S64: {
      int64_t v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<int16_t>(v >> 48);
    }
    case AV_SAMPLE_FMT_FLT: {
      float v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<int16_t>(
          std::lround(std::clamp(std::isfinite(v) ? v : 0.0f, -1.0f, 1.0f) * 32767.0f));
    }
    case AV_SAMPLE_FMT_DBL: {
      double v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<int16_t>(std::lround(std::clamp(std::isfinite(v) ? v : 0.0, -1.0, 1.0) * 32767.0));
    }
    default:
      return 0;
  }
}

}  // namespace

AnimationSoundOutput& AnimationSound() { return *gSound; }
void SetAnimationSoundOutput(AnimationSoundOutput* output) {
  gSound = output != nullptr ? output : &gNullSound;
}

struct AnimationStream::Decoder {
  AVFormatContext* format = nullptr;
  AVIOContext* io = nullptr;
  MemoryReader memory;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  int videoIndex = -1, audioIndex = -1;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;       // the last video frame
  AVFrame* soundFrame = nullptr;  // audio frames, handed on at once
  SwsContext* scaler = nullptr;
  platform::Surface* staging = nullptr;  // 32-bit frames for surfaces of other formats
  bool draining = false;
  bool haveFrame = false;
  bool trackBegun = false;
  std::vector<int16_t> samples;

  ~Decoder() {
    Video().sws_freeContext(scaler);
    if (staging != nullptr) staging->Release();
    Video().av_frame_free(&frame);
    Video().av_frame_free(&soundFrame);
    Video().av_packet_free(&packet);
    Video().avcodec_free_context(&video);
    Video().avcodec_free_context(&audio);
    Video().avformat_close_input(&format);  // also frees a custom reader's context, not its buffer
    if (io != nullptr) {
      Video().av_freep(&io->buffer);
      Video().avio_context_free(&io);
    }
  }
};

AnimationStream::AnimationStream() = default;

AnimationStream::~AnimationStream() {
  if (decoder_ != nullptr && decoder_->trackBegun && sound_ != nullptr) sound_->EndTrack(soundId_);
}

bool AnimationStream::HasSoundTrack() const { return decoder_ != nullptr && decoder_->audio != nullptr; }

std::unique_ptr<AnimationStream> AnimationStream::OpenFile(const std::string& hostPath,
                                                           AnimationSoundOutput* sound, int soundId,
                                                           std::string* why) {
  std::unique_ptr<AnimationStream> stream(new AnimationStream);
  stream->path_ = hostPath;
  stream->sound_ = sound;
  stream->soundId_ = soundId;
  if (!stream->Open(why)) return nullptr;
  return stream;
}

std::unique_ptr<AnimationStream> AnimationStream::OpenMemory(std::string_view bytes,
                                                             AnimationSoundOutput* sound, int soundId,
                                                             std::string* why) {
  std::unique_ptr<AnimationStream> stream(new AnimationStream);
  stream->bytes_ = bytes;
  stream->sound_ = sound;
  stream->soundId_ = soundId;
  if (!stream->Open(why)) return nullptr;
  return stream;
}

namespace {

// A decoder for a stream of the file, single-threaded (frames are decoded on the main thread, in
// order). Null when FFmpeg has none for it.
AVCodecContext* OpenDecoder(const AVStream& stream) {
  const AVCodec* codec = Video().avcodec_find_decoder(stream.codecpar->codec_id);
  if (codec == nullptr) return nullptr;
  AVCodecContext* context = Video().avcodec_alloc_context3(codec);
  if (context == nullptr) return nullptr;
  context->thread_count = 1;
  if (Video().avcodec_parameters_to_context(context, stream.codecpar) < 0 ||
      Video().avcodec_open2(context, codec, nullptr) < 0) {
    Video().avcodec_free_context(&context);
    return nullptr;
  }
  return context;
}

bool Refuse(std::string* why, const char* reason) {
  if (why != nullptr) *why = reason;
  return false;
}

bool AcceptableSize(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxAnimationSide && height <= kMaxAnimationSide &&
         int64_t{width} * height <= kMaxAnimationPixels;
}

}  // namespace

bool AnimationStream::Open(std::string* why) {
  std::string unavailable;
  if (LoadVideoFunctions(&unavailable) == nullptr) return Refuse(why, unavailable.c_str());
  QuietenFfmpegOnce();
  decoder_ = std::make_unique<Decoder>();
  Decoder& d = *decoder_;
  d.format = Video().avformat_alloc_context();
  d.packet = Video().av_packet_alloc();
  d.frame = Video().av_frame_alloc();
  d.soundFrame = Video().av_frame_alloc();
  if (d.format == nullptr || d.packet == nullptr || d.frame == nullptr || d.soundFrame == nullptr)
    return Refuse(why, "out of memory");
  d.format->probesize = kProbeBytes;
  AVDictionary* options = nullptr;
  Video().av_dict_set(&options, "protocol_whitelist", "file", 0);
  Video().av_dict_set(&options, "format_whitelist", "avi", 0);
  if (path_.empty()) {
    auto* buffer = static_cast<uint8_t*>(Video().av_malloc(kMemoryBlockBytes));
    d.memory = MemoryReader{bytes_, 0};
    d.io = buffer != nullptr ? Video().avio_alloc_context(buffer, kMemoryBlockBytes, 0, &d.memory,
                                                          MemoryReader::Read, nullptr, MemoryReader::Seek)
                             : nullptr;
    if (d.io == nullptr) {
      Video().av_free(buffer);
      Video().av_dict_free(&options);
      return Refuse(why, "out of memory");
    }
    d.format->pb = d.io;
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
  }
  const AVInputFormat* avi = Video().av_find_input_format("avi");
  const std::string url = path_.empty() ? std::string() : "file:" + path_;
  const int opened = Video().avformat_open_input(&d.format, url.c_str(), avi, &options);
  Video().av_dict_free(&options);
  if (opened < 0) {
    d.format = nullptr;  // freed by the failed open
    return Refuse(why, "not an AVI file");
  }
  if (Video().avformat_find_stream_info(d.format, nullptr) < 0) return Refuse(why, "damaged AVI file");

  d.videoIndex = Video().av_find_best_stream(d.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (d.videoIndex < 0) return Refuse(why, "no video stream");
  const AVStream& video = *d.format->streams[d.videoIndex];
  if (!AcceptableSize(video.codecpar->width, video.codecpar->height)) return Refuse(why, "bad frame size");
  width_ = video.codecpar->width;
  height_ = video.codecpar->height;
  d.video = OpenDecoder(video);
  if (d.video == nullptr) return Refuse(why, "no decoder for the video");
  AVRational rate = video.avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = video.r_frame_rate;
  const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : kDefaultFramesPerSecond;
  framesPerSecond_ = std::isfinite(fps) && fps >= 1 && fps <= 1000 ? fps : kDefaultFramesPerSecond;

  d.audioIndex = Video().av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, d.videoIndex, nullptr, 0);
  if (d.audioIndex >= 0) d.audio = OpenDecoder(*d.format->streams[d.audioIndex]);
  if (d.audio == nullptr) d.audioIndex = -1;  // a track without a decoder plays silent

  // A file whose first frame cannot be decoded is no animation; the frame waits for NextFrame.
  if (!NextFrame()) return Refuse(why, "no frame can be decoded");
  probedFrameWaiting_ = true;
  return true;
}

bool AnimationStream::NextFrame() {
  if (probedFrameWaiting_) {
    probedFrameWaiting_ = false;
    return true;
  }
  if (decoder_ == nullptr) return false;
  Decoder& d = *decoder_;
  for (;;) {
    const int received = Video().avcodec_receive_frame(d.video, d.frame);
    if (received == 0) {
      if (AcceptableSize(d.frame->width, d.frame->height)) {
        d.haveFrame = true;
        return true;
      }
      Video().av_frame_unref(d.frame);
      continue;  // a frame of an impossible size is skipped
    }
    if (received != AVERROR(EAGAIN) || d.draining) {
      d.haveFrame = false;
      return false;
    }
    if (Video().av_read_frame(d.format, d.packet) < 0) {
      // The end of the file (or damage there): what the decoder still holds comes out first.
      Video().avcodec_send_packet(d.video, nullptr);
      d.draining = true;
      continue;
    }
    if (d.packet->stream_index == d.videoIndex) {
      Video().avcodec_send_packet(d.video, d.packet);  // a damaged packet is skipped
    } else if (d.packet->stream_index == d.audioIndex && sound_ != nullptr) {
      if (Video().avcodec_send_packet(d.audio, d.packet) == 0) {
        while (Video().avcodec_receive_frame(d.audio, d.soundFrame) == 0) {
          const AVFrame& f = *d.soundFrame;
          const int channels = f.ch_layout.nb_channels;
          const auto format = static_cast<AVSampleFormat>(f.format);
          const int bytes = Video().av_get_bytes_per_sample(format);
          if (channels <= 0 || channels > 8 || bytes <= 0 || f.nb_samples <= 0 || f.sample_rate <= 0)
            continue;
          if (!d.trackBegun) {
            sound_->BeginTrack(soundId_, f.sample_rate, channels);
            d.trackBegun = true;
          }
          const bool planar = Video().av_sample_fmt_is_planar(format) != 0;
          d.samples.resize(static_cast<std::size_t>(f.nb_samples) * static_cast<std::size_t>(channels));
          for (int i = 0; i < f.nb_samples; ++i) {
            for (int c = 0; c < channels; ++c) {
              const uint8_t* at =
                  planar ? f.extended_data[c] + static_cast<std::ptrdiff_t>(i) * bytes
                         : f.extended_data[0] + (static_cast<std::ptrdiff_t>(i) * channels + c) * bytes;
              d.samples[static_cast<std::size_t>(i) * static_cast<std::size_t>(channels) +
                        static_cast<std::size_t>(c)] = SampleAsInt16(at, format);
            }
          }
          sound_->WriteSamples(soundId_, d.samples.data(), static_cast<std::size_t>(f.nb_samples));
        }
      }
    }
    Video().av_packet_unref(d.packet);
  }
}

bool AnimationStream::ConvertFrameInto(platform::Surface& surface) {
  if (decoder_ == nullptr || !decoder_->haveFrame || surface.Width() != width_ || surface.Height() != height_)
    return false;
  Decoder& d = *decoder_;
  // Into 8 bits a channel first, blue at the lowest byte (the layout of a 32-bit surface), so that
  // every display format gets its pixels as the surface conversion truncates them.
  platform::Surface* staging = &surface;
  if (surface.Format() != platform::PixelFormat::X8R8G8B8) {
    if (d.staging == nullptr) {
      platform::SurfaceDesc desc;
      desc.width = width_;
      desc.height = height_;
      desc.format = platform::PixelFormat::X8R8G8B8;
      desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
      if (platform::Surface::Create(desc, d.staging) != platform::DisplayResult::Ok) {
        d.staging = nullptr;
        return false;
      }
    }
    staging = d.staging;
  }
  d.scaler = Video().sws_getCachedContext(d.scaler, d.frame->width, d.frame->height,
                                          static_cast<AVPixelFormat>(d.frame->format), width_, height_,
                                          AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr);
  bool converted = false;
  platform::LockedRect locked;
  if (d.scaler != nullptr &&
      staging->Lock(nullptr, platform::kLockWait, locked) == platform::DisplayResult::Ok) {
    uint8_t* planes[4] = {locked.bits, nullptr, nullptr, nullptr};
    int strides[4] = {locked.pitch, 0, 0, 0};
    converted = Video().sws_scale(d.scaler, d.frame->data, d.frame->linesize, 0, d.frame->height, planes,
                                  strides) > 0;
    // The unused byte of a 32-bit pixel is 0 in every pixel the system makes (colour keys compare
    // whole values); the conversion may have set it.
    if (converted && staging == &surface) {
      for (int y = 0; y < locked.height; ++y) {
        uint8_t* row = locked.bits + static_cast<std::ptrdiff_t>(y) * locked.pitch;
        for (int x = 0; x < locked.width; ++x) row[x * 4 + 3] = 0;
      }
    }
    staging->Unlock();
  }
  if (converted && staging != &surface)
    converted = surface.Blt(nullptr, staging, nullptr, 0) == platform::DisplayResult::Ok;
  return converted;
}

bool AnimationStream::Rewind() {
  if (decoder_ != nullptr && decoder_->trackBegun && sound_ != nullptr) sound_->EndTrack(soundId_);
  decoder_.reset();
  probedFrameWaiting_ = false;
  if (Open(nullptr)) return true;
  decoder_.reset();
  return false;
}

}  // namespace qm
