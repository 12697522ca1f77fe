// Where the sound tracks of animations go: the sound output interface. Until the sound engine
// takes them, the output in place drops every sample; tests install one that records.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qm {

class AnimationSoundOutput {
 public:
  virtual ~AnimationSoundOutput() = default;
  // The track of animation `id` starts (again, after a rewind): its rate and channel count.
  virtual void BeginTrack(int id, int sampleRate, int channels) = 0;
  // Interleaved signed 16-bit samples: `frames` samples for each channel.
  virtual void WriteSamples(int id, const int16_t* samples, std::size_t frames) = 0;
  // The track stops (stop, pause, delete, end of the stream).
  virtual void EndTrack(int id) = 0;
};

// The output in use (never null).
AnimationSoundOutput& AnimationSound();
// Installs an output; nullptr puts the one that drops everything back.
void SetAnimationSoundOutput(AnimationSoundOutput* output);

}  // namespace qm
