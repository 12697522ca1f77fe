// Literal operands: how a number or a quoted text written in a program is recognised and read.
// The pools themselves (value table, next free numbers, reuse of equal numbers) are the Parser's;
// CompileLiteral and the DATA item functions fill them.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/operand_numbers.h"

namespace qm {

// Pool limits: the last number of each range is never given.
inline constexpr OperandNumber kIntegerLiteralLimit = 21000;
inline constexpr OperandNumber kFloatLiteralLimit = 23000;
inline constexpr OperandNumber kStringLiteralLimit = 25000;
inline constexpr OperandNumber kDataItemLimit = 35000;
// A string literal, quotes included, may hold at most this many characters.
inline constexpr std::size_t kMaxStringLiteralText = 255;

// Every character is a digit, "-" or "+" (in any order and number).
bool IsIntegerLiteralText(std::string_view text);
// Every character is a digit, ".", "-" or "+", and at least one "." occurs.
bool IsFloatLiteralText(std::string_view text);
// At least two characters, the first and the last a double quote.
bool IsStringLiteralText(std::string_view text);

// The value of an integer literal text: leading blanks, an optional sign, then the digits up to
// the first other character ("1-2" reads 1, "-" reads 0). False when the digits do not fit in
// 32 bits (-2147483648 does).
[[nodiscard]] bool ReadIntegerLiteralValue(std::string_view text, int32_t& value);
// The value of a float literal text, the nearest single-precision float of the decimal number
// that starts it (a leading "+" or "-" is its sign; reading stops at the first character that
// cannot continue the number; no number reads 0).
float ReadFloatLiteralValue(std::string_view text);

}  // namespace qm
