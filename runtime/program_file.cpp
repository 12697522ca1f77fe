// Reading a compiled program file: the checks of every section against the header, the file and
// the loader's limits, and the program view the loader takes.
#include "runtime/program_file.h"

#include <cstdint>

#include "platform/byte_reader.h"
#include "runtime/operand_numbers.h"

namespace qm {

// The sections of one file, checked one after the other; the first fault ends the reading.
class ProgramFileReader {
 public:
  explicit ProgramFileReader(std::string_view bytes) : bytes_(bytes) {}

  std::unique_ptr<LoadedProgram> Read(std::string* error) {
    program_.reset(new LoadedProgram());
    if (!ReadHeader() || !ReadNumbers() || !ReadStringTexts() || !ReadDataLetters() || !ReadDataValues() ||
        !ReadScopeTables() || !ReadProgram()) {
      if (error) *error = "the compiled program is damaged: " + fault_;
      return nullptr;
    }
    SetCounters();
    return std::move(program_);
  }

 private:
  bool Fail(std::string fault) {
    fault_ = std::move(fault);
    return false;
  }
  uint32_t Dword(uint64_t index) const {
    platform::ByteReader reader(bytes_.substr(static_cast<size_t>(index) * 4, 4));
    return reader.U32();
  }
  static bool AtMost(uint32_t value, uint32_t limit) { return value <= limit; }

  bool ReadHeader() {
    if (bytes_.size() % 4 != 0) return Fail("its size is not a whole number of dwords");
    dwords_ = bytes_.size() / 4;
    if (dwords_ < kProgramFileHeaderDwords) return Fail("it is shorter than its header");
    for (uint32_t i = 0; i < 12; ++i) header_[i] = Dword(i);
    if (header_[kHeaderFormat] != kProgramFileFormat) return Fail("its format is not 1");
    if (header_[kHeaderIntLiterals] != kProgramFileHeaderDwords)
      return Fail("its literals do not follow the header");
    if (header_[kHeaderFloatLiterals] < header_[kHeaderIntLiterals] ||
        header_[kHeaderStringTexts] < header_[kHeaderFloatLiterals]) {
      return Fail("its literal sections are out of order");
    }
    intLiterals_ = header_[kHeaderFloatLiterals] - header_[kHeaderIntLiterals];
    floatLiterals_ = header_[kHeaderStringTexts] - header_[kHeaderFloatLiterals];
    const uint32_t variables[3] = {header_[kHeaderIntVariables], header_[kHeaderFloatVariables],
                                   header_[kHeaderStringVariables]};
    if (!AtMost(intLiterals_, kLiteralsPerType) || !AtMost(floatLiterals_, kLiteralsPerType) ||
        !AtMost(header_[kHeaderStringCount], kLiteralsPerType) ||
        !AtMost(header_[kHeaderDataCount], kMaxDataItems) || !AtMost(variables[0], kVariablesPerType) ||
        !AtMost(variables[1], kVariablesPerType) || !AtMost(variables[2], kVariablesPerType)) {
      return Fail("a count is beyond its limit");
    }
    if (header_[kHeaderScopeTableDwords] != 3 + variables[0] + variables[1] + variables[2]) {
      return Fail("its scope tables do not match its variable counts");
    }
    for (uint32_t i = 12; i < kProgramFileHeaderDwords; ++i) {
      if (Dword(i) != 0) return Fail("its header holds unknown fields");
    }
    if (header_[kHeaderStringTexts] >= dwords_ || header_[kHeaderDataLetters] > dwords_ ||
        header_[kHeaderProgramWords] > dwords_) {
      return Fail("a section starts past the end of the file");
    }
    return true;
  }

  bool ReadNumbers() {
    for (uint32_t i = 0; i < intLiterals_; ++i)
      Number(kIntLiterals + i) = Dword(header_[kHeaderIntLiterals] + i);
    for (uint32_t i = 0; i < floatLiterals_; ++i) {
      Number(kFloatLiterals + i) = Dword(header_[kHeaderFloatLiterals] + i);
    }
    return true;
  }

  // A zero-terminated text starting at byte `at` that ends before byte `end`; false when no zero
  // comes before it.
  bool TextAt(size_t at, size_t end, std::string_view& text) const {
    const size_t zero = bytes_.substr(0, end).find('\0', at);
    if (zero == std::string_view::npos) return false;
    text = bytes_.substr(at, zero - at);
    return true;
  }

  bool AllZero(size_t from, size_t to) const {
    for (size_t i = from; i < to; ++i) {
      if (bytes_[i] != 0) return false;
    }
    return true;
  }

  bool ReadStringTexts() {
    const uint32_t start = header_[kHeaderStringTexts];
    if (header_[kHeaderDataLetters] <= start) return Fail("its string section is empty");
    const size_t end = static_cast<size_t>(header_[kHeaderDataLetters]) * 4;
    size_t at = static_cast<size_t>(start) * 4;
    for (uint32_t i = 0; i < header_[kHeaderStringCount]; ++i) {
      std::string_view text;
      if (!TextAt(at, end, text)) return Fail("a string literal runs past its section");
      SetText(kStringLiterals + static_cast<int32_t>(i), text);
      at += text.size() + 1;
    }
    const size_t textBytes = at - static_cast<size_t>(start) * 4;
    if (header_[kHeaderDataLetters] - start != textBytes / 4 + 1 || !AllZero(at, end)) {
      return Fail("its string section's size does not match its texts");
    }
    return true;
  }

  bool ReadDataLetters() {
    const uint32_t count = header_[kHeaderDataCount];
    lettersEnd_ = static_cast<uint64_t>(header_[kHeaderDataLetters]) + count / 4 + 1;
    if (lettersEnd_ > dwords_) return Fail("its DATA letters run past the end of the file");
    const size_t at = static_cast<size_t>(header_[kHeaderDataLetters]) * 4;
    for (uint32_t i = 0; i < count; ++i) {
      const char letter = bytes_[at + i];
      if (letter != 'l' && letter != 'f' && letter != 's')
        return Fail("a DATA item has an unknown type letter");
      program_->dataLetters_.push_back(letter);
    }
    if (!AllZero(at + count, static_cast<size_t>(lettersEnd_) * 4))
      return Fail("its DATA letter section is damaged");
    return true;
  }

  bool ReadDataValues() {
    const uint32_t scopeDwords = header_[kHeaderScopeTableDwords];
    if (header_[kHeaderProgramWords] < scopeDwords ||
        header_[kHeaderProgramWords] - scopeDwords < lettersEnd_) {
      return Fail("its scope tables overlap its DATA");
    }
    scopesStart_ = header_[kHeaderProgramWords] - scopeDwords;
    uint64_t at = lettersEnd_;
    for (uint32_t item = 0; item < header_[kHeaderDataCount]; ++item) {
      const int32_t number = kDataItems + static_cast<int32_t>(item);
      if (program_->dataLetters_[item] != 's') {
        if (at >= scopesStart_) return Fail("its DATA values run into its scope tables");
        Number(number) = Dword(at++);
        continue;
      }
      std::string_view text;
      if (!TextAt(static_cast<size_t>(at) * 4, static_cast<size_t>(scopesStart_) * 4, text)) {
        return Fail("a DATA text runs into its scope tables");
      }
      const uint64_t next = at + TextDwords(static_cast<uint32_t>(text.size()));
      if (next > scopesStart_ ||
          !AllZero(static_cast<size_t>(at) * 4 + text.size(), static_cast<size_t>(next) * 4)) {
        return Fail("a DATA text's dwords are damaged");
      }
      SetText(number, text);
      at = next;
    }
    if (at != scopesStart_) return Fail("its DATA values do not end where its scope tables begin");
    return true;
  }

  bool ReadScopeTables() {
    uint64_t at = scopesStart_;
    const uint32_t counts[3] = {header_[kHeaderIntVariables], header_[kHeaderFloatVariables],
                                header_[kHeaderStringVariables]};
    for (int type = 0; type < 3; ++type) {
      if (Dword(at++) != counts[type]) return Fail("a scope table's count does not match the header");
      for (uint32_t i = 0; i < counts[type]; ++i) {
        const int32_t scope = static_cast<int32_t>(Dword(at++));
        if (scope < INT16_MIN || scope > INT16_MAX) return Fail("a variable's scope is not a 16-bit number");
        program_->scopes_[type].push_back(static_cast<int16_t>(scope));
      }
    }
    return true;
  }

  bool ReadProgram() {
    const uint64_t rest = dwords_ - header_[kHeaderProgramWords];
    if (rest % 2 != 0 || rest < 2) return Fail("its program and line words do not pair up");
    const uint64_t words = rest / 2;
    if (words > static_cast<uint64_t>(kMaxProgramWords))
      return Fail("its program is larger than a program may be");
    const uint64_t start = header_[kHeaderProgramWords];
    program_->programWords_.resize(words);
    program_->lineWords_.resize(words);
    const int64_t dataLimit = kDataItems + static_cast<int64_t>(header_[kHeaderDataCount]);
    const int64_t wordLimit = kWordAddresses + static_cast<int64_t>(words);
    for (uint64_t i = 0; i < words; ++i) {
      const int32_t word = static_cast<int32_t>(Dword(start + i));
      if (word >= kWordAddresses && word >= wordLimit)
        return Fail("a jump leads past the end of the program");
      if (word >= kDataItems && word < kLabels && word > dataLimit)
        return Fail("a RESTORE leads past the DATA");
      program_->programWords_[i] = word;
      program_->lineWords_[i] = static_cast<int32_t>(Dword(start + words + i));
    }
    if (program_->programWords_.back() != 0) return Fail("its program does not end with the word 0");
    return true;
  }

  void SetCounters() {
    CompileCounters& end = program_->end_;
    end.nextIntLiteral = kIntLiterals + static_cast<int32_t>(intLiterals_);
    end.nextFloatLiteral = kFloatLiterals + static_cast<int32_t>(floatLiterals_);
    end.nextStringLiteral = kStringLiterals + static_cast<int32_t>(header_[kHeaderStringCount]);
    end.nextData = kDataItems + static_cast<int32_t>(header_[kHeaderDataCount]);
    end.nextIntVariable = kIntVariables + static_cast<int32_t>(header_[kHeaderIntVariables]);
    end.nextFloatVariable = kFloatVariables + static_cast<int32_t>(header_[kHeaderFloatVariables]);
    end.nextStringVariable = kStringVariables + static_cast<int32_t>(header_[kHeaderStringVariables]);
    end.programWrite = end.lineWrite = static_cast<int32_t>(program_->programWords_.size());
    program_->textPointers_.resize(program_->texts_.size());
    for (size_t i = 0; i < program_->texts_.size(); ++i)
      program_->textPointers_[i] = program_->texts_[i].c_str();
  }

  int32_t& Number(int32_t operandNumber) {
    auto& numbers = program_->numbers_;
    const size_t index = static_cast<size_t>(operandNumber - kIntLiterals);
    if (numbers.size() <= index) numbers.resize(index + 1, 0);
    return numbers[index];
  }
  void SetText(int32_t operandNumber, std::string_view text) {
    auto& texts = program_->texts_;
    const size_t index = static_cast<size_t>(operandNumber - kIntLiterals);
    if (texts.size() <= index) texts.resize(index + 1);
    texts[index] = std::string(text);
  }

  std::string_view bytes_;
  uint64_t dwords_ = 0;
  uint32_t header_[12] = {};
  uint32_t intLiterals_ = 0, floatLiterals_ = 0;
  uint64_t lettersEnd_ = 0, scopesStart_ = 0;
  std::string fault_;
  std::unique_ptr<LoadedProgram> program_;
};

ValueCell LoadedProgram::LiteralValue(int32_t operandNumber) const {
  ValueCell cell{};
  if (operandNumber < kIntLiterals || operandNumber >= kLabels) return cell;
  const size_t index = static_cast<size_t>(operandNumber - kIntLiterals);
  const bool isText = (operandNumber >= kStringLiterals && operandNumber < kDataItems) ||
                      (operandNumber >= kDataItems && DataTypeLetter(operandNumber - kDataItems) == 's');
  if (isText) {
    cell.s =
        const_cast<char*>(index < textPointers_.size() && textPointers_[index] ? textPointers_[index] : "");
  } else if (index < numbers_.size()) {
    cell.i = numbers_[index];
  }
  return cell;
}

char LoadedProgram::DataTypeLetter(int32_t item) const {
  if (item < 0 || static_cast<size_t>(item) >= dataLetters_.size()) return 0;
  return dataLetters_[static_cast<size_t>(item)];
}

int16_t LoadedProgram::VariableScope(ValueType type, int32_t index) const {
  const auto& scopes = scopes_[static_cast<int>(type)];
  if (index < 0 || static_cast<size_t>(index) >= scopes.size()) return 0;
  return scopes[static_cast<size_t>(index)];
}

std::unique_ptr<LoadedProgram> ReadCompiledProgramFile(std::string_view bytes, std::string* error) {
  return ProgramFileReader(bytes).Read(error);
}

}  // namespace qm
