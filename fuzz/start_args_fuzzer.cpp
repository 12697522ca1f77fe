// libFuzzer target for the command line start-up reads: the input is the arguments, one per line
// (as a shell would pass them), joined and read as quillmoor reads them. The program file is what
// follows the switches, so it is always the end of the joined text; an executable name is a part
// of it between quotes; a help request or an unknown switch carries nothing else. No input may
// crash or trip a sanitizer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/start_command_line.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments{"quillmoor"};
  for (std::string_view line : qm::fuzz::Lines(std::string_view(reinterpret_cast<const char*>(data), size))) {
    arguments.emplace_back(line);
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  const std::string text = qm::JoinStartArguments(static_cast<int>(argv.size()), argv.data());
  const qm::StartCommandLine line = qm::ParseStartCommandLine(text);

  if (!text.ends_with(line.programFile)) __builtin_trap();
  if (text.find(line.exeName) == std::string::npos) __builtin_trap();
  const bool stopped = line.mode == qm::StartSwitch::Help || !line.unknownSwitch.empty();
  if (stopped && !line.programFile.empty()) __builtin_trap();
  if (!line.unknownSwitch.empty() && line.unknownSwitch.front() != '-') __builtin_trap();
  const std::string name = qm::WithoutQuotes(line.programFile);
  if (name.size() + 2 < line.programFile.size()) __builtin_trap();
  return 0;
}
