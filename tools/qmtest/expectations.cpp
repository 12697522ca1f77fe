// Reading the REM expectations of a conformance program.
#include "tools/qmtest/expectations.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "tools/qmtest/directive_words.h"

namespace qm::qmtest {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool TakeInteger(std::string_view& text, int32_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop == begin) return false;
  text = Trim(text.substr(static_cast<std::size_t>(stop - begin)));
  return true;
}

// The rest of a line after its first word "REM" (upper case, as directives are written); empty
// when the line has none.
std::optional<std::string_view> RemText(std::string_view line) {
  for (std::size_t at = line.find("REM"); at != std::string::npos; at = line.find("REM", at + 1)) {
    const bool startsWord = at == 0 || line[at - 1] == ' ' || line[at - 1] == ':' || line[at - 1] == '\t';
    const bool endsWord = at + 3 == line.size() || line[at + 3] == ' ' || line[at + 3] == '\t';
    if (startsWord && endsWord) return Trim(line.substr(at + 3));
  }
  return std::nullopt;
}

bool ReadValue(std::string_view text, char type, ExpectedValue& value) {
  value.type = type;
  if (type == 's') {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
    value.text = std::string(text.substr(1, text.size() - 2));
    return true;
  }
  const std::string owned(text);
  char* end = nullptr;
  if (type == 'l') {
    const long long number = std::strtoll(owned.c_str(), &end, 10);
    if (end == owned.c_str() || *end != '\0') return false;
    value.integer = static_cast<int32_t>(number);
    return number >= INT32_MIN && number <= INT32_MAX;
  }
  value.number = std::strtod(owned.c_str(), &end);
  return end != owned.c_str() && *end == '\0';
}

char TypeOfName(std::string_view name) {
  if (name.find('#') != std::string_view::npos) return 'f';
  if (name.find('$') != std::string_view::npos) return 's';
  return 'l';
}

bool ReadVariable(std::string_view text, VariableExpectation& expectation) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return false;
  std::string_view target = Trim(text.substr(0, equals));
  const std::size_t open = target.find('(');
  if (open != std::string_view::npos) {
    if (target.back() != ')') return false;
    std::string_view list = target.substr(open + 1, target.size() - open - 2);
    target = Trim(target.substr(0, open));
    while (!list.empty()) {
      const std::size_t comma = list.find(',');
      std::string_view item = Trim(list.substr(0, comma));
      int32_t index = 0;
      if (!TakeInteger(item, index) || !item.empty()) return false;
      expectation.indices.push_back(index);
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    if (expectation.indices.empty()) return false;
  }
  if (target.empty()) return false;
  expectation.name = Lower(target);
  return ReadValue(Trim(text.substr(equals + 1)), TypeOfName(expectation.name), expectation.value);
}

bool ReadStop(std::string_view text, bool warning, Expectations& expectations) {
  StopExpectation stop;
  stop.warning = warning;
  if (!TakeInteger(text, stop.code) || !TakeWord(text, "LINE") || !TakeInteger(text, stop.line) ||
      !text.empty()) {
    return false;
  }
  expectations.stop = stop;
  return true;
}

bool ReadCompileError(std::string_view text, Expectations& expectations) {
  CompileErrorExpectation error;
  if (!TakeWord(text, "LINE") || !TakeInteger(text, error.line)) return false;
  if (!text.empty()) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
    error.text = std::string(text.substr(1, text.size() - 2));
  }
  expectations.compileError = error;
  return true;
}

bool ReadExpectation(std::string_view text, int32_t line, Expectations& expectations) {
  if (TakeWord(text, "COMPILE")) {
    return TakeWord(text, "ERROR") && ReadCompileError(text, expectations);
  }
  if (TakeWord(text, "RUNTIME")) return TakeWord(text, "ERROR") && ReadStop(text, false, expectations);
  if (TakeWord(text, "WARNING")) return ReadStop(text, true, expectations);
  VariableExpectation variable;
  variable.line = line;
  if (!ReadVariable(text, variable)) return false;
  expectations.variables.push_back(std::move(variable));
  return true;
}

}  // namespace

Expectations ReadExpectations(std::string_view source) {
  Expectations expectations;
  int32_t lineNumber = 0;
  while (!source.empty()) {
    const std::size_t end = source.find('\n');
    std::string_view line = source.substr(0, end);
    source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::optional<std::string_view> rem = RemText(line);
    if (!rem) continue;
    std::string_view text = *rem;
    bool understood = true;
    if (TakeWord(text, "EXPECT")) {
      if (!ReadScreenExpectation(text, lineNumber, expectations.screen, understood)) {
        understood = ReadExpectation(text, lineNumber, expectations);
      }
    } else if (ReadScreenDirective(text, expectations.screen, understood)) {
      // DISPLAY, WINDOWED, INPUT or FRAMES
    } else if (TakeWord(text, "LIMIT")) {
      const std::string owned(text);
      char* stop = nullptr;
      const double limit = std::strtod(owned.c_str(), &stop);
      // A limit the run's timer cannot hold (infinite, NaN, beyond kLongestLimitSeconds) is
      // refused rather than left to overflow it.
      understood = stop != owned.c_str() && *stop == '\0' && limit > 0 && limit <= kLongestLimitSeconds;
      if (understood) expectations.limitSeconds = limit;
    }
    if (!understood) {
      expectations.problems.push_back("line " + std::to_string(lineNumber) + ": cannot read \"" +
                                      std::string(Trim(line)) + "\"");
    }
  }
  return expectations;
}

bool FloatsMatch(double actual, double expected) {
  // An infinity or a NaN is no number near another: each matches only itself.
  if (std::isnan(actual) || std::isnan(expected)) return std::isnan(actual) && std::isnan(expected);
  if (std::isinf(actual) || std::isinf(expected)) return actual == expected;
  const double difference = std::fabs(actual - expected);
  const double scale = std::max(std::fabs(actual), std::fabs(expected));
  return difference <= 1e-5 * scale || difference <= 1e-6;
}

}  // namespace qm::qmtest
