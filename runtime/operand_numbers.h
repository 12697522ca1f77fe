// OperandNumber ranges: what a 32-bit program word names. Command ids are below 10000; every
// operand the compiler writes is at or above it. Program words keep these compiled values in the
// image, and handlers turn them into cells, DATA items and word indexes at use. Because every
// operand word is 10000 or more, a program counter that lands on an operand can never dispatch it.
#pragma once
#include <cstdint>

namespace qm {

using OperandNumber = int32_t;

inline constexpr OperandNumber kFirstOperand = 10000;
inline constexpr OperandNumber kIntTemporaries = 10000;     // cells 0-999
inline constexpr OperandNumber kFloatTemporaries = 11000;   // cells 1000-1999
inline constexpr OperandNumber kStringTemporaries = 12000;  // cells 2000-2999
inline constexpr OperandNumber kIntVariables = 13000;       // cells 3000-4999
inline constexpr OperandNumber kFloatVariables = 15000;     // cells 5000-6999
inline constexpr OperandNumber kStringVariables = 17000;    // cells 7000-8999
inline constexpr OperandNumber kIntLiterals = 19000;        // cells 9000-10999
inline constexpr OperandNumber kFloatLiterals = 21000;      // cells 11000-12999
inline constexpr OperandNumber kStringLiterals = 23000;     // cells 13000-14999
inline constexpr OperandNumber kDataItems = 25000;          // DATA items 0-9999, cells 15000-24999
inline constexpr OperandNumber kLabels = 35000;             // compile-time label numbers 35000-36999
inline constexpr OperandNumber kWordAddresses = 37000;      // 37000 + N names program word N

inline constexpr int32_t kTemporariesPerType = 1000;
inline constexpr int32_t kVariablesPerType = 2000;
inline constexpr int32_t kLiteralsPerType = 2000;
inline constexpr int32_t kMaxDataItems = 10000;
inline constexpr int32_t kDataBlockCells = 39005;

// The data-block cell an operand word names (valid for 10000-34999).
constexpr int32_t CellIndexOf(OperandNumber n) { return n - kFirstOperand; }

}  // namespace qm
