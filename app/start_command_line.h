// The system's own command line as start-up reads it: leading switches, then the program file.
//
//   quillmoor [-c | -x | -b exe | -f exe] program.qma
//
// -c compiles only, -x compiles and runs; -b and -f (building an executable, without or with its
// media) carry the executable's name, in double quotes or as one word; --help and -h ask for the
// usage text.
#pragma once
#include <string>

namespace qm {

enum class StartSwitch { None, CompileOnly, CompileAndRun, Build, BuildWithMedia, Help };

struct StartCommandLine {
  StartSwitch mode = StartSwitch::None;
  std::string exeName;        // -b and -f: the executable's name, without its quotes
  std::string programFile;    // what follows the switches, as typed, quotes included
  std::string unknownSwitch;  // the first word that starts with "-" and is no switch
  std::string error;          // what is wrong with a switch's own value (a missing name)
};

// Reads the arguments joined by single blanks: each switch is followed by one blank, and
// whatever follows the switches is the program file.
StartCommandLine ParseStartCommandLine(const std::string& text);

// The arguments after the executable's name, joined by single blanks; an argument with a blank
// in it (and no quote) is put in double quotes.
std::string JoinStartArguments(int argc, char** argv);

// The program file without one leading and one trailing double quote.
std::string WithoutQuotes(std::string name);

}  // namespace qm
