// libFuzzer target for the AVI open-and-decode path: arbitrary bytes opened as an animation in
// memory, then up to 64 frames decoded and converted into a 5-6-5 surface, with the sound track
// decoded to the output that drops it. Bad input must be refused or end the stream without a
// crash or a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "display/animation_sound.h"
#include "display/animation_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace qm;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<AnimationStream> stream = AnimationStream::OpenMemory(bytes, &AnimationSound(), 1);
  if (stream == nullptr) return 0;
  platform::SurfaceDesc desc;
  desc.width = stream->Width();
  desc.height = stream->Height();
  desc.format = platform::PixelFormat::R5G6B5;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  platform::Surface* frame = nullptr;
  if (platform::Surface::Create(desc, frame) != platform::DisplayResult::Ok) return 0;
  for (int i = 0; i < 64 && stream->NextFrame(); ++i) stream->ConvertFrameInto(*frame);
  frame->Release();
  return 0;
}
