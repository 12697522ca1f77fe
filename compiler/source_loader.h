// Source loading: the text a compile works through. The program file (or a line typed at the
// runtime command line) becomes the SourceText; the MergedText is that text, an "end" line, and
// the bytes of every file named by an "#include" line. Line numbers everywhere in the compiler are
// merged line numbers as SourceLineReader counts them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// A line buffer that reaches this many characters (a carried line feed included) is refused:
// while merging only from 256 on, in the compile loop at exactly 255.
inline constexpr std::size_t kMaxLineLength = 255;
// The largest source file read (a main program or an included file). Lines hold at most 255
// characters, so this is millions of lines, well past what the program-word limit lets compile.
inline constexpr std::size_t kMaxSourceFileBytes = std::size_t{64} << 20;
// Files named by the main program that get an IncludeRecord, and include names in all.
inline constexpr int32_t kMaxIncludeRecords = 255;
inline constexpr int32_t kMaxIncludeNames = 256;

// Where the file named by an "#include" line of the main program starts in the MergedText.
struct IncludeRecord {
  int32_t line = 0;       // merged line of the "#include" statement
  std::size_t start = 0;  // first byte of the file's text in the MergedText
};

// One line of a merged text, as the compile loop sees it.
struct SourceLine {
  int32_t number = 0;           // merged line number
  std::string_view raw;         // the line's bytes, without its carriage return; a line after a
                                // carriage return and line feed starts with that line feed
  std::size_t endPosition = 0;  // position just after the line (after its carriage return)
};

// Splits a text into lines the way the compiler counts them: a carriage return ends a line and
// the line feed after it is carried into the next line's text; a carriage return and line feed at
// the very start of the text (or right after such a pair) make an empty line that only counts;
// the end of the text ends the last line.
class SourceLineReader {
 public:
  explicit SourceLineReader(std::string_view text, int32_t firstLineNumber = 1)
      : text_(text), nextLine_(firstLineNumber) {}
  // The next complete line, or false at the end of the text.
  bool Next(SourceLine& line);
  // The number the next line would get (after the last line: the line counter at the end).
  int32_t NextLineNumber() const { return nextLine_; }
  std::size_t Position() const { return position_; }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  int32_t nextLine_ = 1;
};

// The statement text of a raw line: cut at a zero byte, letters A-Z outside double quotes
// lower-cased, leading characters below 32 (control characters, the carried line feed) removed;
// blanks stay.
std::string PrepareSourceLine(std::string_view raw);
// The same into `text`, whose memory is used again from line to line.
void PrepareSourceLine(std::string_view raw, std::string& text);

// For a prepared line that begins with "#include " (any case), the file name: the first
// blank-delimited word after it, without surrounding blanks and double quotes.
std::optional<std::string> IncludeNameOfLine(std::string_view preparedLine);

// Lines that end in a line feed alone get a carriage return in front of it, so LF and CR LF
// files read alike.
std::string NormalizeLineEnds(std::string_view bytes);
// Whether some line ends in a line feed alone: without one NormalizeLineEnds changes nothing.
bool HasLoneLineFeed(std::string_view bytes);

// The number of lines the function pre-scan counts in a merged text (a carriage return and the
// line feed after it end a line; the line feed does not begin the next one).
int32_t CountMergedLines(std::string_view text);

}  // namespace qm
