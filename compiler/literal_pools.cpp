// Literal pools: integer, float and string literals and DATA items, stored in the Parser's value
// table under their OperandNumbers.
#include "compiler/literal_pools.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "compiler/parser.h"

namespace qm {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

uint32_t FloatKey(float value) {
  if (value == 0.0f) value = 0.0f;  // -0.0 equals 0.0: one literal
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::string_view BetweenQuotes(std::string_view text) {
  return text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view();
}

}  // namespace

bool IsIntegerLiteralText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || c == '-' || c == '+'; });
}

bool IsFloatLiteralText(std::string_view text) {
  return text.find('.') != std::string_view::npos && std::all_of(text.begin(), text.end(), [](char c) {
           return IsDigit(c) || c == '.' || c == '-' || c == '+';
         });
}

bool IsStringLiteralText(std::string_view text) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

bool ReadIntegerLiteralValue(std::string_view text, int32_t& value) {
  std::size_t index = 0;
  while (index < text.size() && IsSpace(text[index])) ++index;
  bool negative = false;
  if (index < text.size() && (text[index] == '-' || text[index] == '+')) {
    negative = text[index] == '-';
    ++index;
  }
  // The magnitude may reach 2147483648 for a negative number.
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t magnitude = 0;
  for (; index < text.size() && IsDigit(text[index]); ++index) {
    magnitude = magnitude * 10 + (text[index] - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

float ReadFloatLiteralValue(std::string_view text) {
  // The C library's conversion, on the characters a decimal number may hold; the system runs in
  // the C locale, so the decimal point is ".".
  std::string copy(text);
  return std::strtof(copy.c_str(), nullptr);
}

// ---- Literals -------------------------------------------------------------------------------

OperandPair Parser::CompileLiteral(std::string_view text) {
  if (IsIntegerLiteralText(text)) return CompileIntegerLiteral(text);
  if (IsFloatLiteralText(text)) return CompileFloatLiteral(text);
  if (IsStringLiteralText(text)) return CompileStringLiteral(text);
  return OperandPair{};
}

OperandPair Parser::CompileIntegerLiteral(std::string_view text) {
  if (emissionSuppressed) return OperandPair{kTypeInteger, 0};
  std::string digits(text);
  if (!digits.empty() && digits.front() == '+') digits.front() = ' ';
  int32_t value = 0;
  if (!ReadIntegerLiteralValue(digits, value)) {
    errorMessage = CompilerMessage(kMsgIntegerTooLarge);
    return OperandPair{kTypeFailed, -1};
  }
  const OperandNumber number = StoreIntegerLiteral(value);
  return number < 0 ? OperandPair{kTypeFailed, -1} : OperandPair{kTypeInteger, number};
}

OperandPair Parser::CompileFloatLiteral(std::string_view text) {
  if (emissionSuppressed) return OperandPair{kTypeFloat, 0};
  std::string digits(text);
  if (!digits.empty() && digits.front() == '+') digits.front() = ' ';
  const OperandNumber number = StoreFloatLiteral(ReadFloatLiteralValue(digits));
  return number < 0 ? OperandPair{kTypeFailed, -1} : OperandPair{kTypeFloat, number};
}

OperandPair Parser::CompileStringLiteral(std::string_view text) {
  if (emissionSuppressed) return OperandPair{kTypeString, 0};
  if (text.size() > kMaxStringLiteralText) {
    errorMessage = CompilerMessage(kMsgStringLiteralTooLong);
    return OperandPair{kTypeFailed, -1};
  }
  const OperandNumber number = StoreStringLiteral(BetweenQuotes(text));
  return number < 0 ? OperandPair{kTypeFailed, -1} : OperandPair{kTypeString, number};
}

OperandNumber Parser::StoreIntegerLiteral(int32_t value) {
  auto found = integerLiteralIndex_.find(value);
  if (found != integerLiteralIndex_.end() && found->second < counters.nextIntLiteral &&
      valueTable_[found->second].i == value) {
    return found->second;
  }
  if (counters.nextIntLiteral >= kIntegerLiteralLimit - 1) {
    counters.nextIntLiteral = kIntegerLiteralLimit;
    errorMessage = CompilerMessage(kMsgTooManyIntegerLiterals);
    return -1;
  }
  const OperandNumber number = counters.nextIntLiteral++;
  valueTable_[number].i = value;
  integerLiteralIndex_[value] = number;
  return number;
}

OperandNumber Parser::StoreFloatLiteral(float value) {
  const uint32_t key = FloatKey(value);
  auto found = floatLiteralIndex_.find(key);
  if (found != floatLiteralIndex_.end() && found->second < counters.nextFloatLiteral &&
      valueTable_[found->second].f == value) {
    return found->second;
  }
  if (counters.nextFloatLiteral >= kFloatLiteralLimit - 1) {
    counters.nextFloatLiteral = kFloatLiteralLimit;
    errorMessage = CompilerMessage(kMsgTooManyFloatLiterals);
    return -1;
  }
  const OperandNumber number = counters.nextFloatLiteral++;
  valueTable_[number].f = value;
  floatLiteralIndex_[key] = number;
  return number;
}

OperandNumber Parser::StoreStringLiteral(std::string_view text) {
  // Equal texts are never shared: every occurrence gets its own number.
  if (counters.nextStringLiteral >= kStringLiteralLimit - 1) {
    counters.nextStringLiteral = kStringLiteralLimit;
    errorMessage = CompilerMessage(kMsgTooManyStringLiterals);
    return -1;
  }
  const OperandNumber number = counters.nextStringLiteral++;
  StoreText(number, text);
  return number;
}

void Parser::StoreText(OperandNumber number, std::string_view text) {
  const std::size_t slot = static_cast<std::size_t>(number - kStringLiterals);
  auto copy = std::make_unique<char[]>(text.size() + 1);  // zero-filled
  std::memcpy(copy.get(), text.data(), text.size());
  valueTable_[number].s = copy.get();
  if (slot >= ownedTexts_.size()) ownedTexts_.resize(slot + 1);
  ownedTexts_[slot] = OwnedText{std::move(copy), text.size()};
}

std::string_view Parser::LiteralText(OperandNumber number) const {
  if (number < kStringLiterals || number >= kDataItemLimit) return {};
  const std::size_t slot = static_cast<std::size_t>(number - kStringLiterals);
  if (slot >= ownedTexts_.size() || !ownedTexts_[slot].bytes) return {};
  return std::string_view(ownedTexts_[slot].bytes.get(), ownedTexts_[slot].length);
}

// ---- DATA items -----------------------------------------------------------------------------

bool Parser::AddDataItem(std::string_view itemText) {
  char type = kTypeFailed;
  if (IsIntegerLiteralText(itemText)) type = kTypeInteger;
  if (IsFloatLiteralText(itemText)) type = kTypeFloat;
  if (IsStringLiteralText(itemText)) type = kTypeString;
  if (type == kTypeFailed) {
    errorMessage = CompilerMessage(kMsgBadDataItem);
    return false;
  }
  const OperandNumber number = counters.nextData;
  if (number >= kDataItemLimit - 1) {
    errorMessage = CompilerMessage(kMsgTooManyDataItems);
    return false;
  }
  if (type == kTypeInteger) {
    int32_t value = 0;
    if (!ReadIntegerLiteralValue(itemText, value)) {
      errorMessage = CompilerMessage(kMsgIntegerTooLarge);
      return false;
    }
    valueTable_[number].i = value;
  } else if (type == kTypeFloat) {
    valueTable_[number].f = ReadFloatLiteralValue(itemText);
  } else {
    StoreText(number, BetweenQuotes(itemText));
  }
  const std::size_t item = static_cast<std::size_t>(number - kDataItems);
  if (item >= dataTypeLetters_.size()) dataTypeLetters_.resize(item + 1, 0);
  dataTypeLetters_[item] = type;
  ++counters.nextData;
  return true;
}

ValueCell Parser::LiteralValue(int32_t operandNumber) const {
  if (operandNumber < kIntLiterals || operandNumber >= kDataItemLimit ||
      static_cast<std::size_t>(operandNumber) >= valueTable_.size()) {
    return ValueCell{0};
  }
  return valueTable_[operandNumber];
}

char Parser::DataTypeLetter(int32_t item) const {
  if (item < 0 || static_cast<std::size_t>(item) >= dataTypeLetters_.size()) return 0;
  return dataTypeLetters_[item];
}

}  // namespace qm
