// Source loading and include merging: the SourceText, the MergedText with its "end" line and the
// included files, and the line splitting every pass of the compiler shares.
#include "compiler/source_loader.h"

#include <algorithm>

#include "compiler/parser.h"
#include "platform/byte_reader.h"
#include "platform/files.h"

namespace qm {

namespace {

constexpr std::string_view kIncludeKeyword = "#include ";
constexpr std::string_view kEndLine = "end\r\n";

bool IsBelowBlank(char c) { return static_cast<unsigned char>(c) < 32; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string_view TrimBlanksAndQuotes(std::string_view text) {
  auto strip = [](char c) { return c == ' ' || c == '"'; };
  while (!text.empty() && strip(text.front())) text.remove_prefix(1);
  while (!text.empty() && strip(text.back())) text.remove_suffix(1);
  return text;
}

// Whether the prepared text of a raw line can begin "#include": its first character from a
// blank up, before any zero byte, is "#".
bool MayBeIncludeLine(std::string_view raw) {
  for (const char c : raw) {
    if (c == '\0') return false;
    if (!IsBelowBlank(c)) return c == '#';
  }
  return false;
}

}  // namespace

// ---- Line splitting -------------------------------------------------------------------------

bool SourceLineReader::Next(SourceLine& line) {
  const std::size_t size = text_.size();
  if (position_ >= size) return false;
  std::size_t start = position_;
  for (;;) {
    // A carriage return can only be met here with an empty line buffer: at the start of the text
    // or right after such a pair. The pair is an empty line that only counts.
    if (text_[position_] == '\r' && position_ + 1 < size && text_[position_ + 1] == '\n') {
      position_ += 2;
      ++nextLine_;
      start = position_;
    } else {
      // Past the first character the line runs to the next carriage return.
      position_ = std::min(text_.find('\r', position_ + 1), size);
    }
    if (position_ >= size || text_[position_] == '\r') break;
  }
  line.number = nextLine_;
  line.raw = text_.substr(start, position_ - start);
  if (position_ < size) ++position_;  // the carriage return; its line feed begins the next line
  line.endPosition = position_;
  ++nextLine_;
  return true;
}

void PrepareSourceLine(std::string_view raw, std::string& text) {
  std::size_t zero = raw.find('\0');
  if (zero != std::string_view::npos) raw = raw.substr(0, zero);
  std::size_t index = 0;
  while (index < raw.size() && IsBelowBlank(raw[index])) ++index;
  text.assign(raw.substr(index));
  bool quoted = false;
  for (char& c : text) {
    if (c == '"') quoted = !quoted;
    if (!quoted) c = LowerAscii(c);
  }
}

std::string PrepareSourceLine(std::string_view raw) {
  std::string text;
  PrepareSourceLine(raw, text);
  return text;
}

std::optional<std::string> IncludeNameOfLine(std::string_view preparedLine) {
  if (preparedLine.size() < kIncludeKeyword.size() ||
      !EqualsIgnoringCase(preparedLine.substr(0, kIncludeKeyword.size()), kIncludeKeyword)) {
    return std::nullopt;
  }
  std::string_view rest = preparedLine.substr(kIncludeKeyword.size());
  rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
  std::string_view word = rest.substr(0, rest.find(' '));
  return std::string(TrimBlanksAndQuotes(word));
}

bool HasLoneLineFeed(std::string_view bytes) {
  for (std::size_t index = bytes.find('\n'); index != std::string_view::npos;
       index = bytes.find('\n', index + 1)) {
    if (index == 0 || bytes[index - 1] != '\r') return true;
  }
  return false;
}

std::string NormalizeLineEnds(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32);
  std::size_t copied = 0;
  for (std::size_t index = bytes.find('\n'); index != std::string_view::npos;
       index = bytes.find('\n', index + 1)) {
    if (index > 0 && bytes[index - 1] == '\r') continue;
    text.append(bytes.substr(copied, index - copied));
    text.push_back('\r');
    copied = index;
  }
  text.append(bytes.substr(copied));
  return text;
}

int32_t CountMergedLines(std::string_view text) {
  int32_t lines = 0;
  bool lineHasText = false;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '\r') {
      ++lines;
      lineHasText = false;
      if (index + 1 < text.size() && text[index + 1] == '\n') ++index;
    } else {
      lineHasText = true;
    }
  }
  return lines + (lineHasText ? 1 : 0);
}

// ---- The Parser's source --------------------------------------------------------------------

bool Parser::ReadSourceBytes(const std::string& fileName, std::string& bytes) {
  platform::FileBytes read = platform::ReadWholeFile(platform::ResolvePath(fileName), kMaxSourceFileBytes);
  if (!read.Ok()) {
    sourceReadFailure_ = CompilerMessage(kMsgCannotOpenFile) + " " + fileName;
    // A missing file says enough; any other failure gets its reason.
    if (read.failure != platform::ReadFailure::Missing)
      sourceReadFailure_ += " (" + platform::DescribeReadFailure(read, kMaxSourceFileBytes) + ")";
    return false;
  }
  // Editors that write UTF-8 may start a file with a byte-order mark: it is no part of the text.
  std::string_view text = platform::WithoutByteOrderMark(read.bytes);
  if (text.size() == read.bytes.size())
    bytes = std::move(read.bytes);
  else
    bytes.assign(text);
  return true;
}

bool Parser::LoadSourceFile(const std::string& fileName) {
  if (fileName.empty()) {
    sourceText = "\r\n";
    hasSourceText = true;
    return true;
  }
  std::string bytes;
  if (!ReadSourceBytes(fileName, bytes)) return false;
  if (HasLoneLineFeed(bytes)) {
    LoadSourceBytes(bytes);
  } else {
    // Line ends that need no change: the bytes read become the text, not copied again.
    sourceText = std::move(bytes);
    sourceText.append("\0\r\n", 3);
    hasSourceText = true;
  }
  return true;
}

void Parser::LoadSourceBytes(std::string_view bytes) {
  sourceText = NormalizeLineEnds(bytes);
  sourceText.append("\0\r\n", 3);
  hasSourceText = true;
}

void Parser::SetSourceFromText(std::string_view text) {
  sourceText.assign(text);
  sourceText.push_back('\0');
  hasSourceText = true;
}

bool Parser::AppendIncludeFile(const std::string& name, std::string& text) {
  std::string bytes;
  if (!ReadSourceBytes(name, bytes)) return false;
  text.append(NormalizeLineEnds(bytes));
  return true;
}

int32_t Parser::FindIncludeAtPosition(std::size_t position) const {
  const int32_t count = static_cast<int32_t>(includeRecords.size());
  for (int32_t k = 0; k < count; ++k) {
    std::size_t end = (k + 1 < count) ? includeRecords[k + 1].start : includedTextEnd;
    if (includeRecords[k].start <= position && position < end) return k;
  }
  return count;
}

void Parser::FreeMergedText() {
  mergedText.clear();
  mergedText.shrink_to_fit();
}

int32_t Parser::MergeIncludeFiles() {
  mergedText.clear();
  mergedText.reserve(sourceText.size() + kEndLine.size());
  mergedText.append(sourceText);
  mergedText.append(kEndLine);
  includeRecords.clear();
  includedTextEnd = mergedText.size();
  std::vector<std::string> seenNames;
  int32_t firstPassLines = -1;
  bool firstPass = true;
  bool fileAdded = true;
  while (fileAdded) {
    fileAdded = false;
    // Files added during this pass join the text after it, and are scanned in the next one.
    std::string added;
    SourceLineReader reader(mergedText);
    SourceLine line;
    while (reader.Next(line)) {
      if (line.raw.size() > kMaxLineLength) {
        errorMessage = CompilerMessage(kMsgLineTooLongInMerge);
        errorLine = line.number;
        return -1;
      }
      if (!MayBeIncludeLine(line.raw)) continue;
      std::optional<std::string> name = IncludeNameOfLine(PrepareSourceLine(line.raw));
      if (!name || name->empty()) continue;
      if (compileMode == CompileMode::CommandLine) {
        // A typed line is compiled over the previous one: an included file's functions and
        // labels would point into words the next line overwrites.
        errorMessage = CompilerMessage(kMsgNotAtCommandLine);
        errorLine = line.number;
        return -1;
      }
      bool seen = std::any_of(seenNames.begin(), seenNames.end(),
                              [&](const std::string& s) { return EqualsIgnoringCase(s, *name); });
      if (seen) continue;
      bool hasRoom = static_cast<int32_t>(seenNames.size()) < kMaxIncludeNames &&
                     (!firstPass || static_cast<int32_t>(includeRecords.size()) < kMaxIncludeRecords);
      if (!hasRoom) {
        errorMessage = CompilerMessage(kMsgTooManyIncludeFiles);
        errorLine = firstPass ? line.number : IncludeLineForPosition(line.endPosition);
        return -1;
      }
      seenNames.push_back(*name);
      fileAdded = true;
      if (firstPass) includeRecords.push_back(IncludeRecord{line.number, mergedText.size() + added.size()});
      if (!AppendIncludeFile(*name, added)) {
        // A program without the file it names would fail later with a misleading message, or
        // run without the file's functions.
        errorMessage = sourceReadFailure_;
        errorLine = firstPass ? line.number : IncludeLineForPosition(line.endPosition);
        return -1;
      }
      if (firstPass) includedTextEnd = mergedText.size() + added.size();
    }
    mergedText.append(added);
    if (firstPass) firstPassLines = reader.NextLineNumber();
    firstPass = false;
  }
  return firstPassLines - 1;
}

int32_t Parser::IncludeLineForPosition(std::size_t position) const {
  if (includeRecords.empty()) return 0;
  int32_t record = FindIncludeAtPosition(position);
  // Text of a file included by an included file has no record of its own: name the last
  // "#include" line of the main program.
  if (record >= static_cast<int32_t>(includeRecords.size()))
    record = static_cast<int32_t>(includeRecords.size()) - 1;
  return includeRecords[record].line;
}

}  // namespace qm
