// The expression compiler: brackets, operator levels, operands, calls and conversions.
#include "compiler/expression_compiler.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

#include "compiler/statement_identification.h"

namespace qm {

namespace {

constexpr std::size_t npos = std::string::npos;

bool IsCallNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '$' || c == '#';
}

// The characters that stand for operators, as a table: every character of every expression is
// tested.
constexpr std::array<bool, 256> kOperatorCharacters = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view("^*/+-=><!&|")) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

bool IsOperatorCharacter(char c) { return kOperatorCharacters[static_cast<unsigned char>(c)]; }

bool IsLabelNameText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

OperandPair Failed() { return OperandPair{kTypeFailed, -1}; }

// ---- Operator levels --------------------------------------------------------------------------

// The levels in the order they are compiled; within a level operators are taken left to right.
// "*" and "/" share a level, and so do "+" and "-", so 10-2+3 is (10-2)+3.
enum class OperatorLevel {
  Power,
  MultiplyDivide,
  AddSubtract,
  GreaterOrEqual,
  LessOrEqual,
  Greater,
  Less,
  Equal,
  NotEqual,
  And,
  Or
};
constexpr OperatorLevel kOperatorLevels[] = {OperatorLevel::Power,       OperatorLevel::MultiplyDivide,
                                             OperatorLevel::AddSubtract, OperatorLevel::GreaterOrEqual,
                                             OperatorLevel::LessOrEqual, OperatorLevel::Greater,
                                             OperatorLevel::Less,        OperatorLevel::Equal,
                                             OperatorLevel::NotEqual,    OperatorLevel::And,
                                             OperatorLevel::Or};

// The levels whose operator is one character, and the value command of each.
struct SingleCharacterOperator {
  OperatorLevel level;
  char character;
  std::string_view commandName;
};
constexpr SingleCharacterOperator kSingleCharacterOperators[] = {
    {OperatorLevel::Power, '^', "^"},  {OperatorLevel::Greater, '>', ">"},  {OperatorLevel::Less, '<', "<"},
    {OperatorLevel::Equal, '=', "=="}, {OperatorLevel::NotEqual, '!', "!"}, {OperatorLevel::And, '&', "&"},
    {OperatorLevel::Or, '|', "|"},
};

// Tracks double quotes and bracket depth while a text is scanned in one direction.
struct ScanState {
  bool inQuotes = false;
  int32_t depth = 0;
  // Steps over `c`; `opening` is the bracket that deepens in this direction.
  void Step(char c, char opening) {
    if (c == '"') {
      inQuotes = !inQuotes;
    } else if (!inQuotes) {
      if (c == opening)
        ++depth;
      else if (c == '(' || c == ')')
        --depth;
    }
  }
  bool AtTopLevel() const { return !inQuotes && depth == 0; }
};

// ---- Text helpers -----------------------------------------------------------------------------

std::string Marker(OperandNumber number) { return "?" + std::to_string(number); }

std::size_t MarkerLength(OperandNumber number) {
  char digits[16];
  const auto written = std::to_chars(std::begin(digits), std::end(digits), number);
  return 1 + static_cast<std::size_t>(written.ptr - digits);
}

// For a "(" at `open`, the position of the ")" that closes it (quotes respected), or npos.
std::size_t MatchingBracket(std::string_view text, std::size_t open) {
  ScanState scan;
  for (std::size_t i = open; i < text.size(); ++i) {
    scan.Step(text[i], '(');
    if (!scan.inQuotes && text[i] == ')' && scan.depth == 0) return i;
  }
  return npos;
}

// ---- Brackets ---------------------------------------------------------------------------------
//
// A plain bracket (one not written right after a name, and not inside a call's brackets) is
// compiled before what surrounds it, and its result stands in the text in its place as the
// marker "?" and the result's number. The brackets are taken deepest first, left to right
// among those of one depth, each when its own inner brackets are compiled; what surrounds a
// bracket is compiled as the text with those markers in place of the inner brackets.
//
// The text is read once into its plain brackets; each bracket's text is put together when it is
// compiled. A marker ends in a digit, so a bracket written right after a compiled one has a name
// character before it from then on: it is a call's bracket, left in the text as it stands (its
// inner brackets, deeper, are compiled by then).

// A text of at most kMaxExpressionLength characters that holds more "(" than this, or more
// open at once, cannot close them all: the bracket lists need no more room.
constexpr std::size_t kMaxBrackets = kMaxExpressionLength / 2;

struct BracketGroup {
  enum class State : uint8_t { Pending, Compiled, Call };
  std::size_t open;  // the positions of "(" and ")" in the text
  std::size_t close;
  int32_t depth;         // 1 for a bracket at the top level of the text
  int32_t firstInner;    // the first plain bracket directly inside (-1: none), then each one's
  int32_t next;          // next plain bracket directly inside the same one
  int32_t writtenAfter;  // the plain bracket whose ")" stands right before this "(", or -1
  State state;
  OperandNumber number;  // Compiled: the result
};

// The lists are filled as the text is read; they start unset, as most texts have a bracket or
// two.
class BracketedText {
 public:
  explicit BracketedText(std::string_view text) : text_(text) { balanced_ = Read(); }

  bool Balanced() const { return balanced_; }
  int32_t DeepestDepth() const { return deepest_; }
  std::size_t Size() const { return count_; }
  BracketGroup& operator[](std::size_t k) { return groups_[k]; }

  // The text of bracket k as it stands when it is compiled: its inner compiled brackets as
  // their markers. A view of the text itself when nothing inside it has been compiled.
  std::string_view Inner(std::size_t k, std::string& built) const;
  // The whole text with the compiled brackets of the top level as their markers.
  std::string_view Outer(std::string& built) const;
  // Bracket k has been compiled to `number`: a plain bracket written right after it becomes a
  // call's bracket.
  void MarkCompiled(std::size_t k, OperandNumber number);

 private:
  bool Read();
  // Appends text [from, to) with the plain brackets from `first` on (those directly inside it)
  // as they stand; false when none of them stands differently, nothing appended.
  bool AppendWithInner(std::size_t from, std::size_t to, int32_t first, std::string& built) const;

  std::string_view text_;
  BracketGroup groups_[kMaxBrackets];
  std::size_t count_ = 0;
  int32_t firstOuter_ = -1;
  int32_t deepest_ = 0;
  bool balanced_ = true;
};

bool BracketedText::Read() {
  // The brackets open at this point: a plain bracket's index, kCallBracket for a call's bracket,
  // kInCall for a bracket inside one. For each open plain bracket, its last inner plain bracket.
  constexpr int32_t kCallBracket = -1;
  constexpr int32_t kInCall = -2;
  int32_t open[kMaxBrackets];
  int32_t lastInner[kMaxBrackets];
  std::size_t openCount = 0;
  std::size_t plainOpen = 0;
  int32_t callBrackets = 0;
  int32_t lastOuter = -1;   // the last plain bracket of the top level
  int32_t lastClosed = -1;  // the plain bracket closed last
  bool inQuotes = false;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    const char c = text_[i];
    if (c == '"') inQuotes = !inQuotes;
    if (inQuotes) continue;
    if (c == '(') {
      if (openCount == kMaxBrackets) return false;
      const bool call = i > 0 && IsCallNameCharacter(text_[i - 1]);
      if (call || callBrackets > 0) {
        if (call) ++callBrackets;
        open[openCount++] = call ? kCallBracket : kInCall;
        continue;
      }
      if (count_ == kMaxBrackets) return false;
      const auto index = static_cast<int32_t>(count_);
      BracketGroup& group = groups_[count_++];
      group.open = i;
      group.close = i;
      group.depth = static_cast<int32_t>(openCount) + 1;
      group.firstInner = -1;
      group.next = -1;
      group.writtenAfter = lastClosed >= 0 && groups_[lastClosed].close + 1 == i ? lastClosed : -1;
      group.state = BracketGroup::State::Pending;
      group.number = 0;
      deepest_ = std::max(deepest_, group.depth);
      // Linked after the previous plain bracket of its parent (or of the top level).
      int32_t& previous = openCount == 0 ? lastOuter : lastInner[plainOpen - 1];
      if (previous >= 0) {
        groups_[previous].next = index;
      } else if (openCount == 0) {
        firstOuter_ = index;
      } else {
        groups_[open[openCount - 1]].firstInner = index;
      }
      previous = index;
      open[openCount++] = index;
      lastInner[plainOpen++] = -1;
    } else if (c == ')') {
      if (openCount == 0) return false;
      const int32_t closing = open[--openCount];
      if (closing == kCallBracket) --callBrackets;
      if (closing >= 0) {
        groups_[closing].close = i;
        --plainOpen;
        lastClosed = closing;
      }
    }
  }
  return openCount == 0;
}

bool BracketedText::AppendWithInner(std::size_t from, std::size_t to, int32_t first,
                                    std::string& built) const {
  bool changed = false;
  for (int32_t k = first; k >= 0; k = groups_[k].next) {
    if (groups_[k].state != BracketGroup::State::Pending) changed = true;
  }
  if (!changed) return false;
  std::size_t at = from;
  for (int32_t k = first; k >= 0; k = groups_[k].next) {
    const BracketGroup& group = groups_[k];
    built.append(text_.substr(at, group.open - at));
    if (group.state == BracketGroup::State::Compiled) {
      built += Marker(group.number);
    } else {
      built.push_back('(');
      if (!AppendWithInner(group.open + 1, group.close, group.firstInner, built)) {
        built.append(text_.substr(group.open + 1, group.close - group.open - 1));
      }
      built.push_back(')');
    }
    at = group.close + 1;
  }
  built.append(text_.substr(at, to - at));
  return true;
}

std::string_view BracketedText::Inner(std::size_t k, std::string& built) const {
  const BracketGroup& group = groups_[k];
  built.clear();
  if (AppendWithInner(group.open + 1, group.close, group.firstInner, built)) return built;
  return text_.substr(group.open + 1, group.close - group.open - 1);
}

std::string_view BracketedText::Outer(std::string& built) const {
  built.clear();
  if (AppendWithInner(0, text_.size(), firstOuter_, built)) return built;
  return text_;
}

void BracketedText::MarkCompiled(std::size_t k, OperandNumber number) {
  groups_[k].state = BracketGroup::State::Compiled;
  groups_[k].number = number;
  const int32_t next = groups_[k].next;
  if (next >= 0 && groups_[next].writtenAfter == static_cast<int32_t>(k)) {
    groups_[next].state = BracketGroup::State::Call;
  }
}

// ---- The compiler proper ----------------------------------------------------------------------

bool CompileFlatExpression(CompileContext& context, std::string_view text, OperandPair& result);
OperandPair CompileOperand(CompileContext& context, std::string_view text);
OperandPair CompileMarkerNumber(Parser& parser, OperandNumber number);

bool Fail(Parser& parser, int32_t message, OperandPair& result) {
  SetCompilerError(parser, message);
  result = Failed();
  return false;
}

bool CompileBracketedText(CompileContext& context, std::string_view text, OperandPair& result) {
  BracketedText brackets(text);
  if (!brackets.Balanced()) return Fail(context.parser, kMsgUnbalancedBrackets, result);
  // The length of the text with the brackets compiled so far in their markers' places.
  std::size_t textLength = text.size();
  std::string built;
  for (int32_t depth = brackets.DeepestDepth(); depth >= 1; --depth) {
    for (std::size_t k = 0; k < brackets.Size(); ++k) {
      if (brackets[k].depth != depth || brackets[k].state != BracketGroup::State::Pending) continue;
      const std::string_view inner = brackets.Inner(k, built);
      OperandPair compiled;
      if (!CompileFlatExpression(context, inner, compiled) || compiled.type == kTypeFailed) {
        result = Failed();
        return false;
      }
      brackets.MarkCompiled(k, compiled.number);
      textLength = textLength - (inner.size() + 2) + MarkerLength(compiled.number);
      if (textLength > kMaxExpressionLength) return Fail(context.parser, kMsgLineTooLong, result);
    }
  }
  return CompileFlatExpression(context, brackets.Outer(built), result);
}

// ---- Flat texts ------------------------------------------------------------------------------
//
// A text without plain brackets is read once into pieces: the operator characters at its top
// level (outside quotes and call brackets, after its first character) and the operand text
// between them. The levels then take the operators from the pieces, left to right, and each
// compiled operator and its two operands become one compiled piece. The operands an operator
// takes, the order of the operators and every check are those of rewriting the text level by
// level: the pieces are that text, read once.

struct FlatPiece {
  enum class Kind : uint8_t { Text, Operator, Compiled };
  Kind kind;
  std::size_t begin;  // the piece's characters in the flat text as read: [begin, end)
  std::size_t end;
  bool nonBlank;         // Text: holds a character other than a blank
  OperandNumber number;  // Compiled: the operator's result
};

// The pieces of a flat text. Most texts have a few: they are held in place, unset until added,
// and only a text of many operators puts its pieces on the heap.
class PieceList {
 public:
  PieceList() = default;
  PieceList(const PieceList&) = delete;  // data_ may point into the list itself
  PieceList& operator=(const PieceList&) = delete;

  std::size_t size() const { return size_; }
  FlatPiece& operator[](std::size_t k) { return data_[k]; }
  const FlatPiece& operator[](std::size_t k) const { return data_[k]; }
  void push_back(const FlatPiece& piece) {
    if (size_ == capacity_) Grow();
    data_[size_++] = piece;
  }
  // Removes pieces [from, to).
  void erase(std::size_t from, std::size_t to) {
    std::copy(data_ + to, data_ + size_, data_ + from);
    size_ -= to - from;
  }

 private:
  void Grow() {
    std::vector<FlatPiece> larger(data_, data_ + size_);
    larger.resize(2 * capacity_);
    heap_ = std::move(larger);
    data_ = heap_.data();
    capacity_ = heap_.size();
  }

  static constexpr std::size_t kInPlace = 24;
  FlatPiece inPlace_[kInPlace];
  std::vector<FlatPiece> heap_;
  FlatPiece* data_ = inPlace_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kInPlace;
};

// An operator's operand as the pieces give it: the text between operators (a view of the flat
// text, or `built` when it holds compiled pieces among other text), or the result of one
// compiled piece standing alone, which reads as its marker.
struct PieceOperand {
  std::string_view text;
  std::string built;
  bool compiled = false;
  OperandNumber number = 0;
  bool Empty() const { return !compiled && text.empty(); }
};

class FlatText {
 public:
  explicit FlatText(std::string_view text) : text_(text) { Read(); }

  std::size_t Size() const { return pieces_.size(); }
  const FlatPiece& operator[](std::size_t k) const { return pieces_[k]; }
  char Character(std::size_t k) const { return text_[pieces_[k].begin]; }
  bool HasOperators() const { return operators_ > 0; }

  // What stands before piece k, blanks passed over, in the text as compiled so far.
  enum class Before { Nothing, OperatorAtStart, Operator, Operand };
  Before CharacterBefore(std::size_t k) const;

  // The length of the level's operator at piece k (0: none, 2: with the next piece) and the
  // value command naming it.
  std::size_t MatchOperator(OperatorLevel level, std::size_t k, std::string_view& commandName) const;

  // Whether an operator character of the level stood in the text as read: a level without one
  // has nothing to compile.
  bool LevelMayMatch(OperatorLevel level) const;

  // The pieces of the operator's left operand begin at the returned index (before k).
  std::size_t LeftOperandStart(std::size_t k) const;
  // The pieces of the right operand of the operator that ends before piece k end before the
  // returned index.
  std::size_t RightOperandEnd(std::size_t k) const;
  // The operand of pieces [from, to), without its outer blanks.
  void Operand(std::size_t from, std::size_t to, PieceOperand& operand) const;
  // Pieces [from, to) become one compiled piece.
  void Replace(std::size_t from, std::size_t to, OperandNumber number);

 private:
  void Read();
  void AddText(std::size_t begin, std::size_t end);

  std::string_view text_;
  PieceList pieces_;
  std::size_t operators_ = 0;
  std::array<bool, 128> operatorPresent_{};
};

void FlatText::AddText(std::size_t begin, std::size_t end) {
  if (begin == end) return;
  const bool nonBlank = text_.substr(begin, end - begin).find_first_not_of(' ') != std::string_view::npos;
  pieces_.push_back(FlatPiece{FlatPiece::Kind::Text, begin, end, nonBlank, 0});
}

void FlatText::Read() {
  if (text_.empty()) return;
  ScanState scan;
  std::size_t textStart = 0;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    const char c = text_[i];
    if (scan.AtTopLevel() && i > 0 && IsOperatorCharacter(c)) {
      AddText(textStart, i);
      pieces_.push_back(FlatPiece{FlatPiece::Kind::Operator, i, i + 1, false, 0});
      ++operators_;
      operatorPresent_[static_cast<unsigned char>(c)] = true;
      textStart = i + 1;
    }
    scan.Step(c, '(');
  }
  AddText(textStart, text_.size());
}

FlatText::Before FlatText::CharacterBefore(std::size_t k) const {
  while (k > 0) {
    const FlatPiece& piece = pieces_[--k];
    if (piece.kind == FlatPiece::Kind::Operator) return Before::Operator;
    if (piece.kind == FlatPiece::Kind::Compiled) return Before::Operand;  // the marker's digits
    if (!piece.nonBlank) continue;
    const std::string_view text = text_.substr(piece.begin, piece.end - piece.begin);
    const std::size_t last = text.find_last_not_of(' ');
    if (!IsOperatorCharacter(text[last])) return Before::Operand;
    // Inside operand text an operator character stands only first in the flat text.
    return piece.begin + last == 0 ? Before::OperatorAtStart : Before::Operator;
  }
  return Before::Nothing;
}

std::size_t FlatText::MatchOperator(OperatorLevel level, std::size_t k, std::string_view& commandName) const {
  const char c = Character(k);
  // The second character of a two-character operator is the operator piece right after it.
  const bool nextAdjacent = k + 1 < pieces_.size() && pieces_[k + 1].kind == FlatPiece::Kind::Operator &&
                            pieces_[k + 1].begin == pieces_[k].end;
  const char next = nextAdjacent ? Character(k + 1) : '\0';
  switch (level) {
    case OperatorLevel::MultiplyDivide:
      commandName = c == '*' ? "*" : "/";
      return c == '*' || c == '/' ? 1 : 0;
    case OperatorLevel::AddSubtract:
      commandName = c == '+' ? "+" : "-";
      // A minus after another operator is the sign of the number that follows it.
      return c == '+' || (c == '-' && CharacterBefore(k) != Before::Operator) ? 1 : 0;
    case OperatorLevel::GreaterOrEqual:
      commandName = ">=";
      return (c == '>' && next == '=') || (c == '=' && next == '>') ? 2 : 0;
    case OperatorLevel::LessOrEqual:
      commandName = "<=";
      return (c == '<' && next == '=') || (c == '=' && next == '<') ? 2 : 0;
    default:
      break;
  }
  for (const SingleCharacterOperator& single : kSingleCharacterOperators) {
    if (single.level != level) continue;
    commandName = single.commandName;
    return c == single.character ? 1 : 0;
  }
  return 0;
}

std::size_t FlatText::LeftOperandStart(std::size_t k) const {
  // Leftwards over operand text; after some text an operator ends the operand, except a minus
  // that is the sign of the text after it.
  bool passedNonBlank = false;
  std::size_t start = k;
  while (start > 0) {
    const FlatPiece& piece = pieces_[start - 1];
    if (piece.kind == FlatPiece::Kind::Operator) {
      const Before before = CharacterBefore(start - 1);
      const bool sign = text_[piece.begin] == '-' && before != Before::Operand;
      if (passedNonBlank && !sign) break;
      passedNonBlank = true;
    } else if (piece.kind == FlatPiece::Kind::Compiled || piece.nonBlank) {
      passedNonBlank = true;
    }
    --start;
  }
  return start;
}

std::size_t FlatText::RightOperandEnd(std::size_t k) const {
  // The first character after the blanks belongs to the operand, whatever it is; then the
  // operand runs to the next operator.
  bool begun = false;
  std::size_t end = k;
  for (; end < pieces_.size(); ++end) {
    const FlatPiece& piece = pieces_[end];
    if (piece.kind == FlatPiece::Kind::Operator) {
      if (begun) break;
      begun = true;
    } else if (piece.kind == FlatPiece::Kind::Compiled || piece.nonBlank) {
      begun = true;
    }
  }
  return end;
}

void FlatText::Operand(std::size_t from, std::size_t to, PieceOperand& operand) const {
  std::size_t compiledPieces = 0;
  std::size_t compiledAt = 0;
  bool otherText = false;
  for (std::size_t k = from; k < to; ++k) {
    const FlatPiece& piece = pieces_[k];
    if (piece.kind == FlatPiece::Kind::Compiled) {
      ++compiledPieces;
      compiledAt = k;
    } else if (piece.kind == FlatPiece::Kind::Operator || piece.nonBlank) {
      otherText = true;
    }
  }
  if (compiledPieces == 0) {
    // Pieces never compiled lie side by side in the flat text.
    operand.text =
        from < to ? TrimBlanks(text_.substr(pieces_[from].begin, pieces_[to - 1].end - pieces_[from].begin))
                  : std::string_view();
    return;
  }
  if (compiledPieces == 1 && !otherText) {
    operand.compiled = true;
    operand.number = pieces_[compiledAt].number;
    return;
  }
  for (std::size_t k = from; k < to; ++k) {
    const FlatPiece& piece = pieces_[k];
    if (piece.kind == FlatPiece::Kind::Compiled) {
      operand.built += Marker(piece.number) + " ";
    } else {
      operand.built.append(text_.substr(piece.begin, piece.end - piece.begin));
    }
  }
  operand.text = TrimBlanks(operand.built);
}

bool FlatText::LevelMayMatch(OperatorLevel level) const {
  auto present = [this](char c) { return operatorPresent_[static_cast<unsigned char>(c)]; };
  switch (level) {
    case OperatorLevel::Power:
      return present('^');
    case OperatorLevel::MultiplyDivide:
      return present('*') || present('/');
    case OperatorLevel::AddSubtract:
      return present('+') || present('-');
    case OperatorLevel::GreaterOrEqual:
      return present('>') && present('=');
    case OperatorLevel::LessOrEqual:
      return present('<') && present('=');
    case OperatorLevel::Greater:
      return present('>');
    case OperatorLevel::Less:
      return present('<');
    case OperatorLevel::Equal:
      return present('=');
    case OperatorLevel::NotEqual:
      return present('!');
    case OperatorLevel::And:
      return present('&');
    case OperatorLevel::Or:
      return present('|');
  }
  return true;
}

void FlatText::Replace(std::size_t from, std::size_t to, OperandNumber number) {
  const FlatPiece compiled{FlatPiece::Kind::Compiled, pieces_[from].begin, pieces_[to - 1].end, false,
                           number};
  for (std::size_t k = from; k < to; ++k) {
    if (pieces_[k].kind == FlatPiece::Kind::Operator) --operators_;
  }
  pieces_[from] = compiled;
  pieces_.erase(from + 1, to);
}

OperandPair CompilePieceOperand(CompileContext& context, const PieceOperand& operand) {
  if (operand.compiled) return CompileMarkerNumber(context.parser, operand.number);
  return CompileOperand(context, operand.text);
}

// Compiles the operator of pieces [k, k + length) with its two operands into one compiled piece
// at the returned index. The text grows by the marker of each result; `length` counts it.
bool CompileOperator(CompileContext& context, FlatText& flat, std::size_t k, std::size_t length,
                     std::string_view commandName, std::size_t& textLength, OperandPair& result,
                     std::size_t& compiledAt) {
  Parser& parser = context.parser;
  const std::size_t leftStart = flat.LeftOperandStart(k);
  const std::size_t rightEnd = flat.RightOperandEnd(k + length);
  PieceOperand left;
  PieceOperand right;
  flat.Operand(leftStart, k, left);
  flat.Operand(k + length, rightEnd, right);
  if (left.Empty() || right.Empty()) return Fail(parser, kMsgBadExpression, result);

  const OperandPair leftOperand = CompilePieceOperand(context, left);
  if (leftOperand.type == kTypeFailed) return Fail(parser, kMsgBadExpression, result);
  const OperandPair rightOperand = CompilePieceOperand(context, right);
  if (rightOperand.type == kTypeFailed) return Fail(parser, kMsgBadExpression, result);

  OperandList operands;
  OperandPair* slot = operands.AppendSlot();
  (void)operands.Append(leftOperand.type, leftOperand.number);
  (void)operands.Append(rightOperand.type, rightOperand.number);
  const int32_t entry = FindValueCommandOverload(context, commandName, operands);
  if (entry < 0) return Fail(parser, kMsgBadExpression, result);
  const ValueCommandEntry& command = context.Database().valueCommands[entry];
  if (parser.AllocateTemporary(*slot, command.signature[0]) < 0) {
    result = Failed();
    return false;
  }
  if (!parser.emissionSuppressed) {
    parser.EmitCommand(command.name, command.id, command.signature, operands);
  }
  result = *slot;
  flat.Replace(leftStart, rightEnd, slot->number);
  compiledAt = leftStart;
  textLength += MarkerLength(slot->number) - 1;
  if (textLength > kMaxExpressionLength) return Fail(parser, kMsgLineTooLong, result);
  return true;
}

bool CompileFlatExpression(CompileContext& context, std::string_view text, OperandPair& result) {
  text = TrimBlanks(text);
  if (text.empty()) return Fail(context.parser, kMsgBadExpression, result);
  // Most texts are one operand: without an operator character after the first there is nothing
  // to read into pieces.
  const bool mayHaveOperators = std::any_of(text.begin() + 1, text.end(), IsOperatorCharacter);
  FlatText flat(mayHaveOperators ? text : std::string_view());
  if (!flat.HasOperators()) {
    // A single operand: a failure still counts as compiled, with type 'x' and its own message.
    result = CompileOperand(context, text);
    return true;
  }
  std::size_t textLength = text.size();
  bool anyOperator = false;
  for (const OperatorLevel level : kOperatorLevels) {
    if (!flat.LevelMayMatch(level)) continue;
    for (std::size_t k = 0; k < flat.Size(); ++k) {
      if (flat[k].kind != FlatPiece::Kind::Operator) continue;
      std::string_view commandName;
      const std::size_t length = flat.MatchOperator(level, k, commandName);
      if (length == 0) continue;
      if (!CompileOperator(context, flat, k, length, commandName, textLength, result, k)) return false;
      anyOperator = true;
    }
  }
  if (anyOperator) return true;
  result = CompileOperand(context, text);
  return true;
}

// ---- Operands ---------------------------------------------------------------------------------

// An operand compiled earlier in this expression, by its number.
OperandPair CompileMarkerNumber(Parser& parser, OperandNumber number) {
  const char type = OperandTypeFromNumber(number);
  if (type == 0) {
    SetCompilerError(parser, kMsgBadExpression);
    return Failed();
  }
  return OperandPair{type, number};
}

// "?12345": an operand compiled earlier in this expression.
OperandPair CompileMarker(Parser& parser, std::string_view text) {
  OperandNumber number = 0;
  const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) {
    SetCompilerError(parser, kMsgBadExpression);
    return Failed();
  }
  return CompileMarkerNumber(parser, number);
}

// The call form name(...): the first "(" after a-z, 0-9, "$" or "#" outside quotes, whose
// closing bracket ends the text.
struct CallForm {
  std::string name;
  std::string arguments;
};

bool SplitCallName(std::string_view text, CallForm& call, bool& malformed) {
  malformed = false;
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') inQuotes = !inQuotes;
    if (inQuotes || text[i] != '(' || i == 0 || !IsCallNameCharacter(text[i - 1])) continue;
    const std::size_t close = MatchingBracket(text, i);
    if (close != text.size() - 1) {
      malformed = true;  // text after the call, or no closing bracket
      return true;
    }
    call.name.assign(text.substr(0, i));
    call.arguments.assign(text.substr(i + 1, close - i - 1));
    return true;
  }
  return false;
}

// The first entry of the name's run from which conversions are decided: the first whose result
// letter is the expected one, or the run's last when none has it.
int32_t StartingEntry(const CompileContext& context, const std::vector<int32_t>& entries) {
  const ParserDatabase& database = context.Database();
  const int32_t first = entries.front();
  if (context.expectedResultType == 0) return first;
  int32_t last = first;
  for (std::size_t k = 0; k < entries.size() && entries[k] == first + static_cast<int32_t>(k); ++k) {
    last = entries[k];
    if (database.valueCommands[last].signature[0] == context.expectedResultType) return last;
  }
  return last;
}

// Whether some entry of the run from `start` takes the parameter types so far (letters 1..k+1).
bool RunAcceptsTypes(const ParserDatabase& database, int32_t start, std::string_view types) {
  const std::string& name = database.valueCommands[start].name;
  for (int32_t e = start; e < database.ValueCommandCount() && database.valueCommands[e].name == name; ++e) {
    const std::string& signature = database.valueCommands[e].signature;
    if (signature.size() < types.size() + 1) continue;
    bool accepts = true;
    for (std::size_t j = 0; j < types.size() && accepts; ++j) {
      const char letter = signature[j + 1];
      accepts = letter == kSignatureAnyType || letter == types[j];
    }
    if (accepts) return true;
  }
  return false;
}

// A value-returning command (or, with `arrayRead`, the array element read "@") with its
// argument text.
OperandPair CompileValueCommandCall(CompileContext& context, const std::string& name,
                                    const std::string& arguments, bool arrayRead) {
  Parser& parser = context.parser;
  const ParserDatabase& database = context.Database();
  const std::vector<int32_t>& entries = context.commands.ValueEntries(name);
  if (entries.empty()) {
    parser.errorMessage = CompilerMessage(kMsgUnknownCommandBefore) + " " + name + " " +
                          CompilerMessage(kMsgUnknownCommandAfter);
    return Failed();
  }
  const int32_t start = arrayRead ? entries.front() : StartingEntry(context, entries);
  const std::string& startSignature = database.valueCommands[start].signature;

  ParameterViews parameters;
  if (SplitParameters(parser, arguments, parameters) < 0) return Failed();
  if (static_cast<int32_t>(parameters.size()) + 1 > OperandList::kCapacity) {
    SetCompilerError(parser, kMsgTooManyParameters);
    return Failed();
  }

  std::array<OperandPair, kMaxParameters> values;
  std::string types;
  for (std::size_t k = 0; k < parameters.size(); ++k) {
    context.expectedResultType = k + 1 < startSignature.size() ? startSignature[k + 1] : 0;
    OperandPair value = CompileExpressionOrInvalid(context, parameters[k]);
    if (arrayRead && k == 0) {
      parser.arrayLookupFlag = false;  // the name has been looked up
      // Only a variable can be an array: "5(1)" or "(a)(1)" is no element.
      const bool variable = value.number >= kIntVariables && value.number < kIntLiterals;
      if (!variable && !parser.emissionSuppressed) value = Failed();
    }
    types.push_back(value.type);
    if ((value.type == kTypeInteger || value.type == kTypeFloat) &&
        !RunAcceptsTypes(database, start, types)) {
      const int32_t conversion = value.type == kTypeInteger ? kConvertToFloatId : kConvertToIntegerId;
      if (!EmitConversion(context, conversion, value)) return Failed();
      types.back() = value.type;
    }
    values[k] = value;
  }
  context.expectedResultType = 0;

  OperandList operands;
  OperandPair* slot = operands.AppendSlot();
  for (std::size_t k = 0; k < parameters.size(); ++k) (void)operands.Append(values[k].type, values[k].number);
  const int32_t entry = FindValueCommandOverload(context, name, operands);
  if (entry < 0) return Failed();
  const ValueCommandEntry& command = database.valueCommands[entry];
  if (parser.AllocateTemporary(*slot, command.signature[0]) < 0) return Failed();
  if (!parser.emissionSuppressed) {
    parser.EmitCommand(command.name, command.id, command.signature, operands);
  }
  return *slot;
}

OperandPair CompileCallOperand(CompileContext& context, const CallForm& call) {
  const int32_t function = context.parser.FindUserFunction(call.name);
  if (function >= 0) {
    OperandPair result;
    CompileUserFunctionCall(context, call.arguments, function, result);
    return result;
  }
  if (!context.commands.ValueEntries(call.name).empty()) {
    return CompileValueCommandCall(context, call.name, call.arguments, false);
  }
  // Anything else with brackets is an array element: the array itself is the first parameter.
  context.parser.arrayLookupFlag = true;
  const OperandPair element = CompileValueCommandCall(context, "@", call.name + "," + call.arguments, true);
  context.parser.arrayLookupFlag = false;
  return element;
}

OperandPair CompileOperand(CompileContext& context, std::string_view text) {
  Parser& parser = context.parser;
  if (text.empty()) {
    SetCompilerError(parser, kMsgBadExpression);
    return Failed();
  }
  if (text[0] == '?') return CompileMarker(parser, text);

  CallForm call;
  bool malformed = false;
  if (SplitCallName(text, call, malformed)) {
    if (malformed) {
      SetCompilerError(parser, kMsgBadExpression);
      return Failed();
    }
    return CompileCallOperand(context, call);
  }

  const OperandPair literal = parser.CompileLiteral(text);
  if (literal.type != 0) return literal;

  OperandPair variable;
  if (parser.CompileVariableName(text, variable.number, variable.type, parser.emissionSuppressed)) {
    return variable;
  }
  if (!IsVariableNameText(text) || parser.errorMessage.empty()) {
    SetCompilerError(parser, kMsgBadExpression);
  }
  return Failed();
}

}  // namespace

// ---- Public entry points ----------------------------------------------------------------------

bool CompileExpression(CompileContext& context, std::string_view text, OperandPair& result) {
  // "?" marks operands the compiler has compiled; a program cannot write one outside quotes.
  // Without a bracket there is no bracket to compile first: the text is compiled as it stands.
  bool inQuotes = false;
  bool bracketed = false;
  for (const char c : text) {
    if (c == '"') {
      inQuotes = !inQuotes;
    } else if (c == '(' || c == ')') {
      bracketed = true;
    } else if (c == '?' && !inQuotes) {
      return Fail(context.parser, kMsgBadExpression, result);
    }
  }
  if (text.size() > kMaxExpressionLength) return Fail(context.parser, kMsgLineTooLong, result);
  if (!(bracketed ? CompileBracketedText(context, text, result)
                  : CompileFlatExpression(context, text, result))) {
    return false;
  }
  return result.type != kTypeFailed;
}

OperandPair CompileExpressionOrInvalid(CompileContext& context, std::string_view text) {
  OperandPair result;
  if (!CompileExpression(context, text, result)) return Failed();
  return result;
}

bool CompileUserFunctionCall(CompileContext& context, std::string_view arguments, int32_t function,
                             OperandPair& result) {
  Parser& parser = context.parser;
  const UserFunctionEntry& entry = parser.userFunctionTable[function];
  // The call's parameters: the argument count (an integer literal), then the arguments.
  std::string callText = std::to_string(entry.parameterLetters.size());
  const bool hasArguments = std::any_of(arguments.begin(), arguments.end(),
                                        [](char c) { return static_cast<unsigned char>(c) > 32; });
  if (hasArguments) callText += "," + std::string(arguments);

  ParameterViews parameters;
  result = Failed();
  if (SplitParameters(parser, callText, parameters) < 0) return false;
  // The operands are the function, its result, the argument count and the arguments.
  if (static_cast<int32_t>(parameters.size()) + 2 > OperandList::kCapacity) {
    SetCompilerError(parser, kMsgTooManyParameters);
    return false;
  }

  OperandList operands;
  OperandPair* label = operands.AppendSlot();
  OperandPair* slot = operands.AppendSlot();
  std::string argumentLetters;
  for (std::size_t k = 0; k < parameters.size(); ++k) {
    OperandPair value;
    if (!CompileExpression(context, parameters[k], value)) return false;
    (void)operands.Append(value.type, value.number);
    if (k >= 1) argumentLetters.push_back(value.type);
  }
  if (argumentLetters != entry.parameterLetters) {
    SetCompilerError(parser, kMsgFunctionArgumentTypes);
    return false;
  }

  char resultLetter = entry.resultLetter;
  if (context.functionTypeKnown != nullptr &&
      !(*context.functionTypeKnown)[static_cast<std::size_t>(function)]) {
    if (context.untypedCallee < 0) context.untypedCallee = function;
    resultLetter = kTypeInteger;
  }
  if (parser.AllocateTemporary(*slot, resultLetter) < 0) return false;
  if (!parser.emissionSuppressed) {
    // The label's reference is the word after the call's id: taken now, after the arguments'
    // own code, so it names the call's first operand.
    const OperandNumber labelNumber = parser.FindOrAddLabel(entry.name, LabelKind::Code, true, true);
    if (labelNumber < 0) return false;
    *label = OperandPair{kTypeLabel, labelNumber};
    parser.EmitCommand("function", kUserFunctionCallId, "", operands);
  } else {
    *label = OperandPair{kTypeLabel, 0};
  }
  result = *slot;
  return true;
}

bool CompileLabelOperand(CompileContext& context, bool isRestore, std::string_view text,
                         OperandPair& result) {
  if (!IsLabelNameText(text)) {
    SetCompilerError(context.parser, kMsgBadLabelName);
    result = Failed();
    return true;
  }
  const OperandNumber number =
      context.parser.FindOrAddLabel(text, isRestore ? LabelKind::Data : LabelKind::Code, true, false);
  if (number < 0) {
    result = Failed();
    return false;
  }
  result = OperandPair{kTypeLabel, number};
  return true;
}

void RewriteWordOperators(std::string& text) {
  auto replaceOutsideQuotes = [&text](std::string_view from, std::string_view to) {
    if (text.find(from) == std::string::npos) return;  // nothing to replace, in quotes or not
    std::string out;
    bool inQuotes = false;
    for (std::size_t i = 0; i < text.size();) {
      if (!inQuotes && text.compare(i, from.size(), from) == 0) {
        out += to;
        i += from.size();
        continue;
      }
      if (text[i] == '"') inQuotes = !inQuotes;
      out.push_back(text[i++]);
    }
    text = std::move(out);
  };
  replaceOutsideQuotes("<>", "!");
  replaceOutsideQuotes(" and ", "&");
  replaceOutsideQuotes(" or ", "|");
}

bool EmitConversion(CompileContext& context, int32_t commandId, OperandPair& operand) {
  Parser& parser = context.parser;
  const char target = commandId == kConvertToFloatId ? kTypeFloat : kTypeInteger;
  OperandList operands;
  OperandPair* slot = operands.AppendSlot();
  (void)operands.Append(kTypeConversionSource, operand.number);
  if (parser.AllocateTemporary(*slot, target) < 0) {
    operand = Failed();
    return false;
  }
  if (!parser.emissionSuppressed) {
    parser.EmitCommand("=", commandId, commandId == kConvertToFloatId ? "fl" : "lf", operands);
  }
  operand = *slot;
  return true;
}

int32_t FindValueCommandOverload(CompileContext& context, std::string_view name,
                                 const OperandList& operands) {
  const ParserDatabase& database = context.Database();
  std::string given;
  for (int32_t i = 1; i < operands.Size(); ++i) given.push_back(operands[i].type);
  const std::vector<int32_t>& entries = context.commands.ValueEntries(name);
  for (const int32_t e : entries) {
    const std::string& signature = database.valueCommands[e].signature;
    if (signature.size() != given.size() + 1) continue;
    bool fits = true;
    for (std::size_t j = 0; j < given.size() && fits; ++j) {
      fits = signature[j + 1] == kSignatureAnyType || signature[j + 1] == given[j];
    }
    if (fits) return e;
  }

  std::string& message = context.parser.errorMessage;
  if (context.parser.keepErrorMessage) return -1;
  if (entries.empty()) {
    message = CompilerMessage(kMsgUnknownCommandBefore) + " " + std::string(name) + " " +
              CompilerMessage(kMsgUnknownCommandAfter);
    return -1;
  }
  message = CompilerMessage(kMsgValueCommandMismatch) + " ";
  if (!AppendSpecialMismatchText(name, message)) {
    const std::string expected =
        DescribeSignature(std::string_view(database.valueCommands[entries.back()].signature).substr(1));
    message += std::string(name) + " " + CompilerMessage(kMsgWordExpects) + " " +
               (expected.empty() ? CompilerMessage(kMsgWordNoParameters) : expected);
  }
  return -1;
}

std::string DescribeSignature(std::string_view letters) {
  std::string text;
  for (const char letter : letters) {
    int32_t word = 0;
    switch (std::tolower(static_cast<unsigned char>(letter))) {
      case 'l':
        word = kMsgWordInteger;
        break;
      case 'f':
        word = kMsgWordFloat;
        break;
      case 's':
        word = kMsgWordString;
        break;
      default:
        continue;
    }
    if (!text.empty()) text += ", ";
    text += CompilerMessage(word);
  }
  return text;
}

bool AppendSpecialMismatchText(std::string_view name, std::string& message) {
  int32_t word = 0;
  if (name == "=")
    word = kMsgAssignmentMismatch;
  else if (name == "@=")
    word = kMsgArrayAssignmentMismatch;
  else if (name == "@")
    word = kMsgArrayReadMismatch;
  else
    return false;
  message += CompilerMessage(word);
  return true;
}

}  // namespace qm
