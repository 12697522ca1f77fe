// A hand-made compiled program for tests (see image_builder.h).
#include "image_builder.h"

#include <algorithm>

namespace qm::test {

ImageBuilder::ImageBuilder(int32_t capacity) : declaredCapacity_(capacity) { EnsureWordStorage(capacity); }

void ImageBuilder::EnsureWordStorage(int32_t size) {
  if (static_cast<int32_t>(words_.size()) >= size) return;
  words_.resize(static_cast<size_t>(size), 0);
  lines_.resize(static_cast<size_t>(size), 0);
}

int32_t ImageBuilder::NewVariable(int32_t& next, ValueType type, int16_t scope, int32_t& entries) {
  const int32_t number = next++;
  ++entries;
  scopes_[static_cast<int>(type)].push_back(scope);
  return number;
}

int32_t ImageBuilder::IntVariable(int16_t scope) {
  return NewVariable(counters_.nextIntVariable, ValueType::Integer, scope, counters_.intVariableEntries);
}
int32_t ImageBuilder::FloatVariable(int16_t scope) {
  return NewVariable(counters_.nextFloatVariable, ValueType::Float, scope, counters_.floatVariableEntries);
}
int32_t ImageBuilder::StringVariable(int16_t scope) {
  return NewVariable(counters_.nextStringVariable, ValueType::String, scope, counters_.stringVariableEntries);
}

int32_t ImageBuilder::IntLiteral(int32_t value) {
  const int32_t number = counters_.nextIntLiteral++;
  values_[number].i = value;
  return number;
}
int32_t ImageBuilder::FloatLiteral(float value) {
  const int32_t number = counters_.nextFloatLiteral++;
  values_[number].f = value;
  return number;
}
int32_t ImageBuilder::StringLiteral(const std::string& text) {
  const int32_t number = counters_.nextStringLiteral++;
  texts_.push_back(text);
  values_[number].s = texts_.back().data();
  return number;
}

int32_t ImageBuilder::NewData(char letter, ValueCell value) {
  const int32_t number = counters_.nextData++;
  dataLetters_.push_back(letter);
  values_[number] = value;
  return number;
}
int32_t ImageBuilder::DataInt(int32_t value) {
  ValueCell cell{};
  cell.i = value;
  return NewData('l', cell);
}
int32_t ImageBuilder::DataFloat(float value) {
  ValueCell cell{};
  cell.f = value;
  return NewData('f', cell);
}
int32_t ImageBuilder::DataString(const std::string& text) {
  texts_.push_back(text);
  ValueCell cell{};
  cell.s = texts_.back().data();
  return NewData('s', cell);
}

int32_t ImageBuilder::Emit(int32_t word) {
  const int32_t index = counters_.programWrite++;
  EnsureWordStorage(index + 1);
  words_[static_cast<size_t>(index)] = word;
  lines_[static_cast<size_t>(index)] = line_;
  counters_.lineWrite = counters_.programWrite;
  ++counters_.wordsEmitted;
  return index;
}

int32_t ImageBuilder::Command(int32_t id, std::initializer_list<int32_t> operands) {
  const int32_t index = Emit(id);
  for (int32_t operand : operands) Emit(operand);
  ++counters_.commandsEmitted;
  return index;
}

void ImageBuilder::Patch(int32_t index, int32_t word) {
  EnsureWordStorage(index + 1);
  words_[static_cast<size_t>(index)] = word;
}

void ImageBuilder::EndProgram() {
  programEnd_ = counters_;
  pieceStart_ = programStart_;
  pieceEnd_ = programEnd_;
}

void ImageBuilder::BeginCliPiece() {
  counters_.programWrite = programEnd_.programWrite;
  counters_.lineWrite = programEnd_.lineWrite;
  pieceStart_ = counters_;
}

void ImageBuilder::EndCliPiece() { pieceEnd_ = counters_; }

ValueCell ImageBuilder::LiteralValue(int32_t operandNumber) const {
  const auto found = values_.find(operandNumber);
  if (found != values_.end()) return found->second;
  ValueCell none{};
  none.s = nullptr;
  return none;
}

char ImageBuilder::DataTypeLetter(int32_t item) const {
  if (item < 0 || item >= static_cast<int32_t>(dataLetters_.size())) return 0;
  return dataLetters_[static_cast<size_t>(item)];
}

int16_t ImageBuilder::VariableScope(ValueType type, int32_t index) const {
  const std::vector<int16_t>& scopes = scopes_[static_cast<int>(type)];
  if (index < 0 || index >= static_cast<int32_t>(scopes.size())) return 0;
  return scopes[static_cast<size_t>(index)];
}

}  // namespace qm::test
