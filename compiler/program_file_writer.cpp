// The compiled program file writer: one zero-filled buffer of the file's size, filled section by
// section, then written in one go.
#include "compiler/program_file_writer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/safe_file_write.h"
#include "runtime/operand_numbers.h"
#include "runtime/program_file.h"

namespace qm {
namespace {

std::string_view TextOf(const ValueCell& cell) {
  return cell.s ? std::string_view(cell.s) : std::string_view();
}

class FileBuffer {
 public:
  explicit FileBuffer(uint64_t dwords) : bytes_(static_cast<size_t>(dwords) * 4, '\0') {}
  void Put(uint64_t dword, uint32_t value) {
    for (int i = 0; i < 4; ++i)
      bytes_[static_cast<size_t>(dword) * 4 + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
  }
  void PutText(uint64_t byte, std::string_view text) {
    std::memcpy(&bytes_[static_cast<size_t>(byte)], text.data(), text.size());
  }
  void PutByte(uint64_t byte, char value) { bytes_[static_cast<size_t>(byte)] = value; }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

}  // namespace

std::string CompiledProgramFileBytes(const ParsedProgram& program, const CompileCounters& counters) {
  const uint32_t intLiterals = static_cast<uint32_t>(counters.nextIntLiteral - kIntLiterals);
  const uint32_t floatLiterals = static_cast<uint32_t>(counters.nextFloatLiteral - kFloatLiterals);
  const uint32_t strings = static_cast<uint32_t>(counters.nextStringLiteral - kStringLiterals);
  const uint32_t dataItems = static_cast<uint32_t>(counters.nextData - kDataItems);
  const uint32_t variables[3] = {static_cast<uint32_t>(counters.nextIntVariable - kIntVariables),
                                 static_cast<uint32_t>(counters.nextFloatVariable - kFloatVariables),
                                 static_cast<uint32_t>(counters.nextStringVariable - kStringVariables)};
  // A compile that ran past its program block writes what the block holds.
  const uint32_t words =
      static_cast<uint32_t>(std::clamp(counters.programWrite, 0, program.ProgramCapacity()));

  uint64_t textBytes = 0;
  for (uint32_t i = 0; i < strings; ++i) {
    textBytes += TextOf(program.LiteralValue(kStringLiterals + static_cast<int32_t>(i))).size() + 1;
  }
  uint64_t dataDwords = 0;
  for (uint32_t item = 0; item < dataItems; ++item) {
    const char letter = program.DataTypeLetter(static_cast<int32_t>(item));
    if (letter == 'l' || letter == 'f') dataDwords += 1;
    if (letter == 's') {
      dataDwords += TextDwords(static_cast<uint32_t>(
          TextOf(program.LiteralValue(kDataItems + static_cast<int32_t>(item))).size()));
    }
  }
  const uint32_t stringDwords = static_cast<uint32_t>(textBytes / 4 + 1);
  const uint32_t letterDwords = dataItems / 4 + 1;
  const uint32_t scopeDwords = 3 + variables[0] + variables[1] + variables[2];

  const uint32_t stringsAt = kProgramFileHeaderDwords + intLiterals + floatLiterals;
  const uint32_t lettersAt = stringsAt + stringDwords;
  const uint32_t wordsAt = lettersAt + letterDwords + static_cast<uint32_t>(dataDwords) + scopeDwords;
  FileBuffer file(static_cast<uint64_t>(wordsAt) + 2ull * words);
  const uint32_t header[12] = {kProgramFileFormat,
                               kProgramFileHeaderDwords,
                               kProgramFileHeaderDwords + intLiterals,
                               stringsAt,
                               strings,
                               lettersAt,
                               dataItems,
                               wordsAt,
                               variables[0],
                               variables[1],
                               variables[2],
                               scopeDwords};
  for (uint32_t i = 0; i < 12; ++i) file.Put(i, header[i]);

  uint64_t at = kProgramFileHeaderDwords;
  for (uint32_t i = 0; i < intLiterals; ++i)
    file.Put(at++, static_cast<uint32_t>(program.LiteralValue(kIntLiterals + static_cast<int32_t>(i)).i));
  for (uint32_t i = 0; i < floatLiterals; ++i)
    file.Put(at++, static_cast<uint32_t>(program.LiteralValue(kFloatLiterals + static_cast<int32_t>(i)).i));

  uint64_t byte = static_cast<uint64_t>(stringsAt) * 4;
  for (uint32_t i = 0; i < strings; ++i) {
    const std::string_view text = TextOf(program.LiteralValue(kStringLiterals + static_cast<int32_t>(i)));
    file.PutText(byte, text);
    byte += text.size() + 1;
  }
  for (uint32_t item = 0; item < dataItems; ++item) {
    file.PutByte(static_cast<uint64_t>(lettersAt) * 4 + item,
                 program.DataTypeLetter(static_cast<int32_t>(item)));
  }
  at = static_cast<uint64_t>(lettersAt) + letterDwords;
  for (uint32_t item = 0; item < dataItems; ++item) {
    const ValueCell value = program.LiteralValue(kDataItems + static_cast<int32_t>(item));
    const char letter = program.DataTypeLetter(static_cast<int32_t>(item));
    if (letter == 'l' || letter == 'f') file.Put(at++, static_cast<uint32_t>(value.i));
    if (letter == 's') {
      file.PutText(at * 4, TextOf(value));
      at += TextDwords(static_cast<uint32_t>(TextOf(value).size()));
    }
  }
  for (int type = 0; type < 3; ++type) {
    file.Put(at++, variables[type]);
    for (uint32_t i = 0; i < variables[type]; ++i) {
      const int32_t scope = program.VariableScope(static_cast<ValueType>(type), static_cast<int32_t>(i));
      file.Put(at++, static_cast<uint32_t>(scope));
    }
  }
  const int32_t* programWords = program.ProgramWords();
  const int32_t* lineWords = program.LineWords();
  for (uint32_t i = 0; i < words; ++i) {
    file.Put(static_cast<uint64_t>(wordsAt) + i, static_cast<uint32_t>(programWords[i]));
    file.Put(static_cast<uint64_t>(wordsAt) + words + i, static_cast<uint32_t>(lineWords[i]));
  }
  return file.Take();
}

bool WriteCompiledProgramFile(const Parser& parser, const std::string& fileName) {
  return platform::WriteFileReplacing(fileName, CompiledProgramFileBytes(parser, parser.counters));
}

}  // namespace qm
