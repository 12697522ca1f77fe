// The runtime error codes by name, and the table that gives each code the key of its text in
// section ERRORS of the language words. Every handler raises codes from here; the error report
// and the tests read the one table.
#pragma once
#include <cstdint>

namespace qm {

using RuntimeErrorCode = int32_t;

// ---- Runtime errors and warnings raised by commands ----
inline constexpr RuntimeErrorCode kErrorStopped = 21;
inline constexpr RuntimeErrorCode kErrorArrayNotCreated = 101;
// The same code where any other allocation failed (an engine table could not grow).
inline constexpr RuntimeErrorCode kErrorOutOfMemory = 101;
inline constexpr RuntimeErrorCode kErrorArrayIndexOutOfBounds = 102;
inline constexpr RuntimeErrorCode kWarningFileMissing = 105;
inline constexpr RuntimeErrorCode kErrorTextTooLong = 107;
inline constexpr RuntimeErrorCode kErrorReturnStackFull = 108;
inline constexpr RuntimeErrorCode kWarningDivisionByZero = 111;
inline constexpr RuntimeErrorCode kErrorSyncRateRange = 112;
inline constexpr RuntimeErrorCode kErrorRandomRange = 113;
inline constexpr RuntimeErrorCode kErrorIncrementOperand = 114;
inline constexpr RuntimeErrorCode kErrorDecrementOperand = 115;

// ---- System errors: codes from here up (start-up failures and an exception inside a command) ----
inline constexpr RuntimeErrorCode kFirstSystemError = 10000;
inline constexpr RuntimeErrorCode kErrorNoCommandDatabase = 10001;
inline constexpr RuntimeErrorCode kErrorWindow = 10002;
inline constexpr RuntimeErrorCode kErrorDirectX = 10003;
inline constexpr RuntimeErrorCode kErrorDisplayMode = 10004;
inline constexpr RuntimeErrorCode kErrorScreenAreas = 10005;
inline constexpr RuntimeErrorCode kErrorInput = 10007;
inline constexpr RuntimeErrorCode kErrorLanguageMissing = 10008;
inline constexpr RuntimeErrorCode kErrorSevereException = 10010;
inline constexpr RuntimeErrorCode kErrorLanguageTooOld = 10011;

// ---- Code to ERRORS word ----
// Each run of codes maps in order onto a run of ERRORS keys: code firstCode + n has the text of
// key firstKey + n. A code outside every run has no word.
struct ErrorWordRun {
  RuntimeErrorCode firstCode, lastCode;
  int firstKey;
};

inline constexpr ErrorWordRun kErrorWordRuns[] = {
    {0, 3, 1},         {21, 21, 5},       {101, 115, 6},     {300, 304, 21},    {310, 312, 26},
    {500, 505, 29},    {1000, 1013, 35},  {1014, 1014, 173}, {1500, 1504, 49},  {2000, 2010, 54},
    {3000, 3007, 65},  {3008, 3008, 177}, {3021, 3023, 73},  {3201, 3201, 76},  {3500, 3507, 77},
    {4001, 4002, 85},  {4101, 4104, 87},  {5101, 5109, 194}, {7000, 7008, 91},  {7009, 7009, 108},
    {7010, 7010, 107}, {7011, 7017, 109}, {7018, 7018, 119}, {7019, 7019, 122}, {7020, 7020, 129},
    {7021, 7027, 100}, {7028, 7028, 133}, {7031, 7031, 130}, {7101, 7102, 120}, {7301, 7305, 168},
    {7601, 7606, 123}, {7901, 7901, 116}, {7911, 7912, 117}, {7931, 7932, 131}, {8001, 8003, 134},
    {8021, 8025, 137}, {8101, 8103, 142}, {8201, 8204, 145}, {8211, 8213, 149}, {8301, 8305, 184},
    {8501, 8518, 204}, {9001, 9005, 156}, {9011, 9014, 152}, {9701, 9705, 189}, {10001, 10007, 161},
};

}  // namespace qm
