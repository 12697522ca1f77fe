// The texts PRINT and PRINTC wrote during a run, as lines: PRINT (and a finished INPUT line) ends a
// line, PRINTC does not, CLS leaves the transcript alone. Tools read it after the run; a headless
// quillmoor writes it to standard output as it is made, so scripts can read what a program
// printed.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Adds `text` to the open line; `endsLine` then closes the line.
void AppendToTranscript(std::string_view text, bool endsLine);
// The closed lines, and the open line when it holds text.
std::vector<std::string> TranscriptLines();
// Run start: no lines.
void ResetTranscript();
// Whether the transcript is also written to standard output as it is made (off by default).
void EchoTranscriptToStandardOutput(bool echo);

}  // namespace qm
