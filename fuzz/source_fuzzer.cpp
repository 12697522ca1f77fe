// libFuzzer target for source loading with includes. The input describes a folder: the main
// program, then (each after a "@@" line) included files, each a line with its name and then its
// bytes. The files are written to a folder of their own and the main program compiled from it
// with the compile entry, so the real file reading, line-end handling and include merging run.
// A compile either succeeds or says why it failed; no input may crash or trip a sanitizer.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/system_subsystems.h"
#include "compiler/compile.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr std::size_t kMaxFiles = 8;
constexpr std::size_t kMaxNameLength = 24;

qm::Parser& TheParser() {
  static qm::Parser* parser = [] {
    qm::InstallSubsystems(qm::SystemSubsystems());
    return new qm::Parser();
  }();
  return *parser;
}

// A file name made from the first line of a part: letters, digits, "._-" only (so every file
// stays in the folder), or a numbered name when nothing is left.
std::string FileNameOf(std::string_view line, std::size_t index) {
  std::string name;
  for (char c : line) {
    if (name.size() == kMaxNameLength) break;
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-') name.push_back(c);
  }
  if (name.empty() || name == "." || name == "..") name = "inc" + std::to_string(index) + ".qma";
  return name;
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::filesystem::path folder = qm::fuzz::ScratchFolder() / "program";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  const qm::fuzz::InScratchFolder scratch("program");  // includes resolve against the current folder

  const std::vector<std::string_view> parts = qm::fuzz::SplitParts(data, size, kMaxFiles);
  WriteFile(folder / "main.qma", parts[0]);
  for (std::size_t index = 1; index < parts.size(); ++index) {
    const std::string name = FileNameOf(qm::fuzz::FirstLine(parts[index]), index);
    if (name == "main.qma") continue;
    WriteFile(folder / name, qm::fuzz::AfterFirstLine(parts[index]));
  }

  qm::CompileOptions options;
  options.file = "main.qma";
  const qm::CompileOutcome compiled = qm::Compile(TheParser(), options);
  // The main file is there and readable, and included files that are not are compile errors.
  if (compiled.result == qm::CompileResult::SystemError) __builtin_trap();
  if (!compiled.Compiled() && compiled.errorText.empty()) __builtin_trap();
  TheParser().Close();
  return 0;
}
