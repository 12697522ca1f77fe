// The random generator behind RND and RANDOMIZE: a 32-bit linear congruential generator
// (state x 214013 + 2531011) that yields bits 16 to 30 of each new state, 0 to 32767. Programs
// depend on its exact sequence (RANDOMIZE 1 then RND(32767) gives 41), so it is kept bit for bit.
// Each thread has its own generator: the interpreter's thread draws for RND, and a thread of the
// sound engine (the module players) gets an instance of its own, so a playing song never shifts
// the program's sequence.
#pragma once
#include <cstdint>

namespace qm {

class RandomGenerator {
 public:
  static constexpr uint32_t kMultiplier = 214013u;
  static constexpr uint32_t kIncrement = 2531011u;
  static constexpr int32_t kMaxDraw = 32767;

  explicit RandomGenerator(uint32_t seed = 1) : state_(seed) {}

  void Seed(uint32_t seed) { state_ = seed; }
  uint32_t State() const { return state_; }

  // The next draw, 0 to 32767. Unsigned arithmetic wraps modulo 2^32 as the generator requires.
  int32_t Next() {
    state_ = state_ * kMultiplier + kIncrement;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFFu);
  }

 private:
  uint32_t state_;
};

// The calling thread's generator. A thread's first call finds it seeded with 1; nothing reseeds
// it when a program starts, so without RANDOMIZE a run goes on where the previous one stopped.
RandomGenerator& ThreadRandom();

}  // namespace qm
