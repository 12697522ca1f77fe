// Image files: reading a 1024 x 768 JPEG, PNG, BMP and TGA (written by our own writers) into a
// 16-bit surface, writing a 512 x 512 DDS with its 7 levels, and DXT1 conversion of 256 x 256.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "display/image_files/image_file_formats.h"

namespace {
using namespace qm;
using platform::PixelFormat;
using platform::Surface;

Surface* Picture(int width, int height) {
  Surface* s = nullptr;
  CreateImageSurface(width, height, PixelFormat::X8R8G8B8, s);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      PutRgb(*s, x, y, {static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y)});
  return s;
}

void ReadInto16Bit(benchmark::State& state, ImageWriter write, ImageReader read) {
  Surface* source = Picture(1024, 768);
  std::string file;
  write(*source, file);
  source->Release();
  std::vector<uint8_t> bytes(file.begin(), file.end());
  for (auto _ : state) {
    Surface* s = nullptr;
    read(bytes, PixelFormat::R5G6B5, s);
    benchmark::DoNotOptimize(s);
    if (s) s->Release();
  }
}
BENCHMARK_CAPTURE(ReadInto16Bit, jpeg, WriteJpegFile, ReadJpegFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadInto16Bit, png, WritePngFile, ReadPngFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadInto16Bit, bmp, WriteBmpFile, ReadBmpFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadInto16Bit, tga, WriteTgaFile, ReadTgaFile)->Unit(benchmark::kMillisecond);

void WriteDds512(benchmark::State& state) {
  Surface* source = Picture(512, 512);
  for (auto _ : state) {
    std::string file;
    WriteDdsFile(*source, file);
    benchmark::DoNotOptimize(file);
  }
  source->Release();
}
BENCHMARK(WriteDds512)->Unit(benchmark::kMillisecond);

void ConvertToDxt1(benchmark::State& state) {
  Surface* source = Picture(256, 256);
  for (auto _ : state) {
    Surface* out = nullptr;
    ConvertSurfaceFormat(*source, out, '1', true);
    if (out) out->Release();
  }
  source->Release();
}
BENCHMARK(ConvertToDxt1)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
