#include "platform/display/blit_loops.h"

#include <cstring>
#include <functional>

namespace qm::platform {
namespace {

template <PixelFormat F>
inline uint32_t Load(const uint8_t* p) {
  if constexpr (BytesPerPixel(F) == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (BytesPerPixel(F) == 3) {
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
  } else {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <PixelFormat F>
inline void Store(uint8_t* p, uint32_t v) {
  if constexpr (BytesPerPixel(F) == 2) {
    auto v16 = static_cast<uint16_t>(v);
    std::memcpy(p, &v16, 2);
  } else if constexpr (BytesPerPixel(F) == 3) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
  } else {
    std::memcpy(p, &v, 4);
  }
}

template <PixelFormat S, PixelFormat D>
inline uint32_t Convert(uint32_t v) {
  if constexpr (S == D || (BytesPerPixel(S) >= 3 && BytesPerPixel(D) >= 3)) {
    return v & 0xFFFFFF;
  } else {
    return PackRgb(D, UnpackPixel(S, v));
  }
}

template <PixelFormat F>
void FillRows(const FillJob& job) {
  constexpr int kBytes = BytesPerPixel(F);
  uint8_t* row = job.first;
  for (int y = 0; y < job.height; ++y, row += job.pitch) {
    if constexpr (kBytes == 4) {
      auto* p = reinterpret_cast<uint32_t*>(row);
      for (int x = 0; x < job.width; ++x) p[x] = job.pixel;
    } else if constexpr (kBytes == 2) {
      auto* p = reinterpret_cast<uint16_t*>(row);
      auto v = static_cast<uint16_t>(job.pixel);
      for (int x = 0; x < job.width; ++x) p[x] = v;
    } else {
      uint8_t* p = row;
      for (int x = 0; x < job.width; ++x, p += 3) Store<F>(p, job.pixel);
    }
  }
}

// The source row of destination row y, mirrored or not.
inline int SourceRow(const BlitJob& j, int y) {
  int fy = static_cast<int>(static_cast<int64_t>(y + j.offY) * j.srcH / j.fullH);
  return j.srcTop + (j.mirrorY ? j.srcH - 1 - fy : fy);
}

template <PixelFormat S, PixelFormat D, bool Keyed, bool Stretch>
void BlitRows(const BlitJob& j) {
  constexpr int kSrcBytes = BytesPerPixel(S);
  constexpr int kDstBytes = BytesPerPixel(D);
  const int step = j.mirrorX ? -kSrcBytes : kSrcBytes;
  const int64_t start = static_cast<int64_t>(j.offX) * j.srcW;
  const int firstColumn = Stretch ? static_cast<int>(start / j.fullW) : j.offX;
  const int firstSource = j.srcLeft + (j.mirrorX ? j.srcW - 1 - firstColumn : firstColumn);
  for (int y = 0; y < j.rows; ++y) {
    const uint8_t* s = j.src + static_cast<std::ptrdiff_t>(SourceRow(j, y)) * j.srcPitch +
                       static_cast<std::ptrdiff_t>(firstSource) * kSrcBytes;
    uint8_t* d = j.dst + static_cast<std::ptrdiff_t>(y) * j.dstPitch;
    int64_t acc = Stretch ? start % j.fullW : 0;
    for (int x = 0; x < j.cols; ++x, d += kDstBytes) {
      uint32_t v = Load<S>(s);
      if (!Keyed || v < j.keyLow || v > j.keyHigh) Store<D>(d, Convert<S, D>(v));
      if constexpr (Stretch) {
        acc += j.srcW;
        while (acc >= j.fullW) {
          acc -= j.fullW;
          s += step;
        }
      } else {
        s += step;
      }
    }
  }
}

// Same format, same size, no key, no mirror: whole rows at once. Within one surface the rows go
// bottom up when the destination lies below the source, so no row is overwritten before it is read.
void CopyRows(int bytesPerPixel, const BlitJob& j) {
  std::size_t bytes = static_cast<std::size_t>(j.cols) * static_cast<std::size_t>(bytesPerPixel);
  auto copyRow = [&](int y) {
    const uint8_t* s = j.src + static_cast<std::ptrdiff_t>(SourceRow(j, y)) * j.srcPitch +
                       static_cast<std::ptrdiff_t>(j.srcLeft + j.offX) * bytesPerPixel;
    std::memmove(j.dst + static_cast<std::ptrdiff_t>(y) * j.dstPitch, s, bytes);
  };
  const uint8_t* firstSourceRow = j.src + static_cast<std::ptrdiff_t>(SourceRow(j, 0)) * j.srcPitch;
  if (std::greater<const uint8_t*>()(j.dst, firstSourceRow)) {
    for (int y = j.rows - 1; y >= 0; --y) copyRow(y);
  } else {
    for (int y = 0; y < j.rows; ++y) copyRow(y);
  }
}

using BlitLoop = void (*)(const BlitJob&);

template <PixelFormat S, PixelFormat D>
BlitLoop LoopOf(bool keyed, bool stretched) {
  if (keyed) return stretched ? BlitRows<S, D, true, true> : BlitRows<S, D, true, false>;
  return stretched ? BlitRows<S, D, false, true> : BlitRows<S, D, false, false>;
}

template <PixelFormat S>
BlitLoop LoopFrom(PixelFormat dst, bool keyed, bool stretched) {
  switch (dst) {
    case PixelFormat::R5G6B5:
      return LoopOf<S, PixelFormat::R5G6B5>(keyed, stretched);
    case PixelFormat::X1R5G5B5:
      return LoopOf<S, PixelFormat::X1R5G5B5>(keyed, stretched);
    case PixelFormat::R8G8B8:
      return LoopOf<S, PixelFormat::R8G8B8>(keyed, stretched);
    default:
      return LoopOf<S, PixelFormat::X8R8G8B8>(keyed, stretched);
  }
}

BlitLoop PickLoop(PixelFormat src, PixelFormat dst, bool keyed, bool stretched) {
  switch (src) {
    case PixelFormat::R5G6B5:
      return LoopFrom<PixelFormat::R5G6B5>(dst, keyed, stretched);
    case PixelFormat::X1R5G5B5:
      return LoopFrom<PixelFormat::X1R5G5B5>(dst, keyed, stretched);
    case PixelFormat::R8G8B8:
      return LoopFrom<PixelFormat::R8G8B8>(dst, keyed, stretched);
    default:
      return LoopFrom<PixelFormat::X8R8G8B8>(dst, keyed, stretched);
  }
}

template <PixelFormat F>
void ConvertRows(const uint8_t* first, int pitch, int width, int height, const GammaTables& g, uint32_t alpha,
                 uint32_t* out) {
  constexpr int kBytes = BytesPerPixel(F);
  for (int y = 0; y < height; ++y, first += pitch) {
    const uint8_t* p = first;
    for (int x = 0; x < width; ++x, p += kBytes) {
      Rgb c = UnpackPixel(F, Load<F>(p));
      *out++ = alpha | static_cast<uint32_t>(g.red[c.r]) << 16 | static_cast<uint32_t>(g.green[c.g]) << 8 |
               g.blue[c.b];
    }
  }
}

}  // namespace

void ConvertToXrgb(PixelFormat format, const uint8_t* first, int pitch, int width, int height,
                   const GammaTables& gamma, uint32_t alpha, uint32_t* out) {
  switch (format) {
    case PixelFormat::R5G6B5:
      return ConvertRows<PixelFormat::R5G6B5>(first, pitch, width, height, gamma, alpha, out);
    case PixelFormat::X1R5G5B5:
      return ConvertRows<PixelFormat::X1R5G5B5>(first, pitch, width, height, gamma, alpha, out);
    case PixelFormat::R8G8B8:
      return ConvertRows<PixelFormat::R8G8B8>(first, pitch, width, height, gamma, alpha, out);
    case PixelFormat::X8R8G8B8:
      return ConvertRows<PixelFormat::X8R8G8B8>(first, pitch, width, height, gamma, alpha, out);
    default:
      return;
  }
}

void FillPixels(PixelFormat format, const FillJob& job) {
  switch (format) {
    case PixelFormat::R5G6B5:
    case PixelFormat::X1R5G5B5:
      return FillRows<PixelFormat::R5G6B5>(job);
    case PixelFormat::R8G8B8:
      return FillRows<PixelFormat::R8G8B8>(job);
    case PixelFormat::X8R8G8B8:
      return FillRows<PixelFormat::X8R8G8B8>(job);
    default:
      return;
  }
}

void BlitPixels(PixelFormat srcFormat, PixelFormat dstFormat, const BlitJob& job) {
  if (IsCompressed(srcFormat) || IsCompressed(dstFormat)) return;
  bool stretched = job.fullW != job.srcW || job.fullH != job.srcH;
  if (srcFormat == dstFormat && !stretched && !job.keyed && !job.mirrorX && !job.mirrorY) {
    return CopyRows(BytesPerPixel(srcFormat), job);
  }
  // Vertical stretching is handled per row by SourceRow; the column loop only needs to know
  // whether columns stretch.
  bool columnsStretch = job.fullW != job.srcW;
  PickLoop(srcFormat, dstFormat, job.keyed, columnsStretch)(job);
}

}  // namespace qm::platform
