// "%g" with a three-digit exponent (see float_text.h).
#include "runtime/float_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace qm {
namespace {

constexpr std::size_t kMinExponentDigits = 3;

// Pads the exponent of a "%g" text ("1e+06") to three digits ("1e+006").
std::string WidenExponent(std::string text) {
  std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::size_t digits = e + 2;  // past "e" and its sign
  std::size_t count = text.size() - digits;
  if (count < kMinExponentDigits) text.insert(digits, kMinExponentDigits - count, '0');
  return text;
}

}  // namespace

std::string FormatFloatG(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return WidenExponent(buffer);
}

}  // namespace qm
