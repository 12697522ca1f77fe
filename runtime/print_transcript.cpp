// The print transcript (see print_transcript.h).
#include "runtime/print_transcript.h"

#include <cstdio>

namespace qm {
namespace {

struct Transcript {
  std::vector<std::string> lines;
  std::string openLine;
  bool echo = false;
};

Transcript gTranscript;

}  // namespace

void AppendToTranscript(std::string_view text, bool endsLine) {
  Transcript& t = gTranscript;
  t.openLine.append(text);
  if (t.echo && !text.empty()) std::fwrite(text.data(), 1, text.size(), stdout);
  if (!endsLine) return;
  t.lines.push_back(std::move(t.openLine));
  t.openLine.clear();
  if (t.echo) {
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

std::vector<std::string> TranscriptLines() {
  std::vector<std::string> lines = gTranscript.lines;
  if (!gTranscript.openLine.empty()) lines.push_back(gTranscript.openLine);
  return lines;
}

void ResetTranscript() {
  gTranscript.lines.clear();
  gTranscript.openLine.clear();
}

void EchoTranscriptToStandardOutput(bool echo) {
  if (gTranscript.echo && !echo) std::fflush(stdout);
  gTranscript.echo = echo;
}

}  // namespace qm
