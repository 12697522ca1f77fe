// FFmpeg's libraries, opened with dlopen the first time an animation is loaded. Linking them into
// the executable would load them, and everything they pull in, at every start of the system, while
// most programs never play an animation.
#pragma once
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace qm {

// Every FFmpeg function the animation reader calls, with the library that holds it.
#define QM_VIDEO_FUNCTIONS(X)               \
  X(avutil, av_dict_free)                   \
  X(avutil, av_dict_set)                    \
  X(avutil, av_frame_alloc)                 \
  X(avutil, av_frame_free)                  \
  X(avutil, av_frame_unref)                 \
  X(avutil, av_free)                        \
  X(avutil, av_freep)                       \
  X(avutil, av_get_bytes_per_sample)        \
  X(avutil, av_get_packed_sample_fmt)       \
  X(avutil, av_log_set_level)               \
  X(avutil, av_malloc)                      \
  X(avutil, av_sample_fmt_is_planar)        \
  X(avcodec, av_packet_alloc)               \
  X(avcodec, av_packet_free)                \
  X(avcodec, av_packet_unref)               \
  X(avcodec, avcodec_alloc_context3)        \
  X(avcodec, avcodec_find_decoder)          \
  X(avcodec, avcodec_free_context)          \
  X(avcodec, avcodec_open2)                 \
  X(avcodec, avcodec_parameters_to_context) \
  X(avcodec, avcodec_receive_frame)         \
  X(avcodec, avcodec_send_packet)           \
  X(avformat, av_find_best_stream)          \
  X(avformat, av_find_input_format)         \
  X(avformat, av_read_frame)                \
  X(avformat, avformat_alloc_context)       \
  X(avformat, avformat_close_input)         \
  X(avformat, avformat_find_stream_info)    \
  X(avformat, avformat_open_input)          \
  X(avformat, avio_alloc_context)           \
  X(avformat, avio_context_free)            \
  X(swscale, sws_freeContext)               \
  X(swscale, sws_getCachedContext)          \
  X(swscale, sws_scale)

struct VideoFunctions {
#define QM_VIDEO_ENTRY(library, name) decltype(&::name) name = nullptr;
  QM_VIDEO_FUNCTIONS(QM_VIDEO_ENTRY)
#undef QM_VIDEO_ENTRY
};

// The table, loaded on the first call; null when a library or a function is missing, with the
// reason in `why`. Later calls give the same answer without trying again.
const VideoFunctions* LoadVideoFunctions(std::string* why);

// The loaded table; only valid once LoadVideoFunctions succeeded.
const VideoFunctions& Video();

}  // namespace qm
