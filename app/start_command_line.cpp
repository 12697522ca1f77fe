// The system's own command line.
#include "app/start_command_line.h"

#include <algorithm>

namespace qm {

StartCommandLine ParseStartCommandLine(const std::string& text) {
  StartCommandLine line;
  std::size_t i = 0;
  while (i + 1 < text.size() && text[i] == '-') {
    const std::size_t end = std::min(text.find(' ', i), text.size());
    const std::string word = text.substr(i, end - i);
    const char letter = text[i + 1];
    i += 2;
    if (word == "--help" || word == "-h") {
      line.mode = StartSwitch::Help;
      return line;
    }
    if (word.size() != 2 || (letter != 'c' && letter != 'x' && letter != 'b' && letter != 'f')) {
      line.unknownSwitch = word;
      return line;
    }
    if (letter == 'c') line.mode = StartSwitch::CompileOnly;
    if (letter == 'x') line.mode = StartSwitch::CompileAndRun;
    if (letter == 'b' || letter == 'f') {
      line.mode = letter == 'b' ? StartSwitch::Build : StartSwitch::BuildWithMedia;
      const std::size_t open = text.find('"', i);
      const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
      if (close == std::string::npos) break;
      line.exeName = text.substr(open + 1, close - open - 1);
      i = close + 1;
    }
    if (i < text.size()) ++i;  // the blank after the switch
  }
  line.programFile = text.substr(std::min(i, text.size()));
  return line;
}

std::string JoinStartArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
  return text;
}

std::string WithoutQuotes(std::string name) {
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  return name;
}

}  // namespace qm
