// Compiling and running one conformance program, and checking what it left against its REM
// expectations.
#include "tools/qmtest/program_run.h"

#include <sstream>

#include "app/system_start.h"
#include "compiler/compile.h"
#include "compiler/source_loader.h"
#include "platform/byte_reader.h"
#include "platform/current_folder.h"
#include "runtime/arrays.h"
#include "runtime/cli/runtime_cli.h"
#include "runtime/program_image.h"
#include "runtime/run_program.h"
#include "runtime/runtime_errors.h"
#include "tools/qmtest/screen_run.h"

namespace qm::qmtest {

namespace {

StopKind StopKindOf(const qm::RunOutcome& run) {
  switch (run.end) {
    case RunEnd::Ended:
      return StopKind::Ended;
    case RunEnd::RuntimeError:
      return run.warning ? StopKind::Warning : StopKind::RuntimeError;
    case RunEnd::MissingCommand:
      return StopKind::UnknownCommand;
    case RunEnd::SystemError:
      return StopKind::NotLoaded;
    case RunEnd::LimitReached:
      return StopKind::TimeLimit;
  }
  return StopKind::NotLoaded;
}

std::string Describe(const ExpectedValue& value) {
  std::ostringstream text;
  if (value.type == 's') {
    text << '"' << value.text << '"';
  } else if (value.type == 'f') {
    text << value.number;
  } else {
    text << value.integer;
  }
  return text.str();
}

bool ValuesMatch(const ExpectedValue& actual, const ExpectedValue& expected) {
  if (expected.type == 's') return actual.text == expected.text;
  if (expected.type == 'f') return FloatsMatch(actual.number, expected.number);
  return actual.integer == expected.integer;
}

std::string DescribeStop(const RunOutcome& outcome, double limitSeconds) {
  std::ostringstream text;
  switch (outcome.stop) {
    case StopKind::CompileError:
      text << "compile error on line " << outcome.line << ": " << outcome.text;
      break;
    case StopKind::Ended:
      text << "the program ended normally";
      break;
    case StopKind::RuntimeError:
    case StopKind::Warning:
      text << (outcome.stop == StopKind::Warning ? "warning " : "runtime error ") << outcome.code << " ("
           << outcome.text << ") on line " << outcome.line;
      break;
    case StopKind::TimeLimit:
      text << "still running after " << limitSeconds << " s";
      break;
    case StopKind::UnknownCommand:
      text << outcome.text << " (command id " << outcome.code << ") on line " << outcome.line;
      break;
    case StopKind::NotLoaded:
      text << "system error: " << outcome.text;
      break;
  }
  return text.str();
}

// What differs between the way the program stopped and the way it was expected to.
std::vector<std::string> CheckStop(const Expectations& expected, const RunOutcome& outcome) {
  std::vector<std::string> failures;
  if (!expected.stop) {
    if (outcome.stop != StopKind::Ended) failures.push_back(DescribeStop(outcome, expected.limitSeconds));
    return failures;
  }
  const StopExpectation& stop = *expected.stop;
  const StopKind kind = stop.warning ? StopKind::Warning : StopKind::RuntimeError;
  if (outcome.stop != kind || outcome.code != stop.code || outcome.line != stop.line) {
    failures.push_back("expected " + std::string(stop.warning ? "warning " : "runtime error ") +
                       std::to_string(stop.code) + " on line " + std::to_string(stop.line) + ", got " +
                       DescribeStop(outcome, expected.limitSeconds));
  }
  return failures;
}

std::vector<std::string> CheckCompileError(const CompileErrorExpectation& expected,
                                           const RunOutcome& outcome) {
  if (outcome.stop != StopKind::CompileError) {
    return {"expected a compile error on line " + std::to_string(expected.line) +
            ", but the program compiled"};
  }
  std::vector<std::string> failures;
  if (outcome.line != expected.line ||
      (expected.text && outcome.text.find(*expected.text) == std::string::npos)) {
    failures.push_back("expected a compile error on line " + std::to_string(expected.line) +
                       (expected.text ? " containing \"" + *expected.text + "\"" : "") + ", got " +
                       DescribeStop(outcome, 0));
  }
  return failures;
}

}  // namespace

ProgramRun::ProgramRun() : parser_(std::make_unique<Parser>()) {}

ProgramRun::~ProgramRun() = default;

RunOutcome ProgramRun::Run(const std::string& path, double limitSeconds,
                           const std::function<void()>& afterRun) {
  platform::CurrentFolderScope folder(platform::FolderOfFile(path));
  RunOutcome outcome;
  const CompileOutcome compiled = Compile(*parser_, CompileOptions{platform::NameOfFile(path), {}});
  if (!compiled.Compiled()) {
    outcome.stop = StopKind::CompileError;
    outcome.text = compiled.errorText;
    outcome.line = compiled.line;
    return outcome;
  }
  RunOptions options;
  options.program = parser_.get();
  options.limitSeconds = limitSeconds;
  options.afterRun = afterRun;
  options.displayWidth = display_.width;
  options.displayHeight = display_.height;
  options.displayDepth = display_.depth;
  options.fullScreen = !display_.windowed;
  options.windowMode = display_.windowed;
  // A program that names keys in REM INPUT types into the runtime command line too.
  CommandLineAttachment commandLine(display_.namedKeys ? parser_.get() : nullptr);
  const qm::RunOutcome run = RunProgram(options);
  outcome.stop = StopKindOf(run);
  outcome.text = run.text;
  outcome.line = run.line;
  outcome.code = run.code;
  return outcome;
}

bool StartRunner(std::string& error) {
  StartSettings settings;
  if (StartSystem(settings) == 0) return true;
  error = FormatRuntimeErrorText();
  return false;
}

std::optional<ExpectedValue> ProgramRun::ReadVariable(const VariableExpectation& expectation,
                                                      std::string& why) const {
  const char type = expectation.value.type;
  const bool isArray = !expectation.indices.empty();
  OperandNumber number = -1;
  for (int32_t i = 0; i < parser_->VariableCount(type); ++i) {
    const VariableEntry& variable = parser_->Variable(type, i);
    if (variable.scope == kMainScope && variable.isArray == isArray && variable.name == expectation.name) {
      number = variable.number;
      break;
    }
  }
  if (number < 0) {
    why = "the program has no " + std::string(isArray ? "array " : "variable ") + expectation.name;
    return std::nullopt;
  }
  ExpectedValue value;
  value.type = type;
  if (!isArray) {
    const ValueCell& cell = ProgramImage.dataBlock[CellIndexOf(number)];
    if (type == 's') value.text = cell.s != nullptr ? cell.s : "";
    if (type == 'f') value.number = cell.f;
    if (type == 'l') value.integer = cell.i;
    return value;
  }

  const ArrayEntry* entry = ProgramArrays.Find(ArrayIndexOf(number));
  if (entry == nullptr || !entry->IsDimensioned()) {
    why = "the array " + expectation.name + " is not dimensioned";
    return std::nullopt;
  }
  if (expectation.indices.size() > static_cast<std::size_t>(kMaxArrayDimensions)) {
    why = "an array has at most " + std::to_string(kMaxArrayDimensions) + " dimensions";
    return std::nullopt;
  }
  // The first subscript varies fastest: s1 + e1 * (s2 + e2 * (s3 + ...)).
  const std::vector<int32_t>& indices = expectation.indices;
  int64_t offset = indices[0];
  int64_t scale = 1;
  for (std::size_t k = 1; k < indices.size(); ++k) {
    scale *= entry->header.extent[k - 1];
    offset += scale * indices[k];
  }
  if (offset < 0 || offset >= entry->header.elementCount) {
    why = "the element is outside the array " + expectation.name;
    return std::nullopt;
  }
  if (type == 's') {
    const char* text = entry->Texts()[offset];
    value.text = text != nullptr ? text : "";
  }
  if (type == 'f') value.number = entry->Floats()[offset];
  if (type == 'l') value.integer = entry->Integers()[offset];
  return value;
}

namespace {

std::string TargetName(const VariableExpectation& variable) {
  std::string target = variable.name;
  if (variable.indices.empty()) return target;
  target += "(";
  for (std::size_t i = 0; i < variable.indices.size(); ++i) {
    target += (i > 0 ? ", " : "") + std::to_string(variable.indices[i]);
  }
  return target + ")";
}

// What differs between the program's variables and the expected values.
std::vector<std::string> CheckValues(const ProgramRun& run,
                                     const std::vector<VariableExpectation>& variables) {
  std::vector<std::string> failures;
  for (const VariableExpectation& variable : variables) {
    std::string why;
    const std::optional<ExpectedValue> actual = run.ReadVariable(variable, why);
    if (!actual) {
      failures.push_back(why);
    } else if (!ValuesMatch(*actual, variable.value)) {
      failures.push_back(TargetName(variable) + " is " + Describe(*actual) + ", expected " +
                         Describe(variable.value));
    }
  }
  return failures;
}

}  // namespace

std::string CheckProgram(const std::string& path, const std::function<void(double)>& onLimit) {
  // Through the byte reader, as the compiler reads it: a file that cannot be read (a device, an
  // I/O error) fails with its reason instead of ending the process.
  const platform::FileBytes file = platform::ReadWholeFile(path, kMaxSourceFileBytes);
  if (!file.Ok())
    return "cannot read the file (" + platform::DescribeReadFailure(file, kMaxSourceFileBytes) + ")";
  const Expectations expected = ReadExpectations(file.bytes);
  if (onLimit) onLimit(expected.limitSeconds);
  std::vector<std::string> failures = expected.problems;

  ProgramRun run;
  run.UseDisplay(expected.screen);
  ScreenWatch watch(expected.screen);
  std::vector<std::string> valueFailures;
  RunOutcome outcome = run.Run(path, expected.limitSeconds, [&] {
    valueFailures = CheckValues(run, expected.variables);
    const std::vector<std::string> screen = watch.Check();
    valueFailures.insert(valueFailures.end(), screen.begin(), screen.end());
  });
  // A run stopped by REM FRAMES ended as the program expected.
  if (outcome.stop == StopKind::TimeLimit && watch.EndedByFrameCount()) outcome.stop = StopKind::Ended;
  if (expected.compileError) {
    const std::vector<std::string> compile = CheckCompileError(*expected.compileError, outcome);
    failures.insert(failures.end(), compile.begin(), compile.end());
  } else if (outcome.stop == StopKind::CompileError) {
    failures.push_back(DescribeStop(outcome, 0));
  } else {
    const std::vector<std::string> stop = CheckStop(expected, outcome);
    failures.insert(failures.end(), stop.begin(), stop.end());
    failures.insert(failures.end(), valueFailures.begin(), valueFailures.end());
  }
  if (failures.empty()) return "PASS";
  std::string text;
  for (const std::string& failure : failures) text += (text.empty() ? "" : "; ") + failure;
  return text;
}

}  // namespace qm::qmtest
