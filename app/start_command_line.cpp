// The system's own command line.
#include "app/start_command_line.h"

#include <algorithm>

namespace qm {
namespace {

// The executable's name after -b or -f, from `i` (on the blank after the switch letter): a name
// in double quotes, or one word. Leaves `i` on the character after the name. False, with the
// line's error set, when there is no name or its closing quote is missing.
bool ReadExeName(const std::string& text, std::size_t& i, StartCommandLine& line) {
  const std::string switchWord = line.mode == StartSwitch::Build ? "-b" : "-f";
  if (i < text.size() && text[i] == ' ') ++i;
  std::size_t end;
  if (i < text.size() && text[i] == '"') {
    end = text.find('"', i + 1);
    if (end == std::string::npos) {
      line.error = switchWord + ": the executable's name has no closing double quote";
      return false;
    }
    line.exeName = text.substr(i + 1, end - i - 1);
    ++end;
  } else {
    end = std::min(text.find(' ', i), text.size());
    line.exeName = text.substr(i, end - i);
  }
  if (line.exeName.empty()) {
    line.error = switchWord + " needs the name of the executable to build";
    return false;
  }
  i = end;
  return true;
}

}  // namespace

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
      if (!ReadExeName(text, i, line)) return line;
    }
    if (i < text.size()) ++i;  // the blank after the switch
  }
  line.programFile = text.substr(std::min(i, text.size()));
  return line;
}

std::string JoinStartArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    // An argument the shell kept whole despite its blanks is quoted again, as typed.
    if (argument.find(' ') != std::string::npos && argument.find('"') == std::string::npos) {
      argument = '"' + argument + '"';
    }
    text += (i > 1 ? " " : "") + argument;
  }
  return text;
}

std::string WithoutQuotes(std::string name) {
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  return name;
}

}  // namespace qm
