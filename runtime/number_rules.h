// The arithmetic rules every numeric command follows: 32-bit integers wrap modulo 2^32 (computed
// in unsigned arithmetic, so nothing is undefined), floats are computed in double and stored as
// the nearest single, and a float becomes an integer by truncation toward zero, with every value
// outside the 32-bit range, every infinity and every not-a-number giving -2147483648.
#pragma once
#include <cstdint>
#include <limits>

namespace qm {

inline constexpr int32_t kIntegerOutOfRange = std::numeric_limits<int32_t>::min();

constexpr int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t WrapSubtract(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t WrapMultiply(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
// Truncating division; the caller handles a divisor of 0. -2147483648 / -1 wraps to itself.
constexpr int32_t WrapDivide(int32_t a, int32_t b) { return b == -1 ? WrapSubtract(0, a) : a / b; }

constexpr int32_t TruncateToInt32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return kIntegerOutOfRange;
  return static_cast<int32_t>(value);
}

// The nearest single-precision value (the one rounding of every float result). Magnitudes past
// the largest single round to it or, from halfway to the next power of two on, to an infinity,
// as IEEE rounding does; they are handled here so no conversion is ever out of range.
constexpr float NearestSingle(double value) {
  constexpr double kLargestSingle = std::numeric_limits<float>::max();
  constexpr double kOverflowBoundary = kLargestSingle + 0x1p103;  // halfway to 2^128
  if (value >= kOverflowBoundary) return std::numeric_limits<float>::infinity();
  if (value <= -kOverflowBoundary) return -std::numeric_limits<float>::infinity();
  if (value > kLargestSingle) return std::numeric_limits<float>::max();
  if (value < -kLargestSingle) return -std::numeric_limits<float>::max();
  return static_cast<float>(value);
}

}  // namespace qm
