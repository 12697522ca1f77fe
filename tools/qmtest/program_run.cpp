// Compiling and running one conformance program, and checking what it left against its REM
// expectations.
#include "tools/qmtest/program_run.h"

#include <sys/time.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "compiler/parser.h"
#include "compiler/statement_compiler.h"
#include "resources/command_ids.h"
#include "runtime/arrays.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/program_image.h"
#include "runtime/run_hooks.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_commands.h"
#include "runtime/runtime_errors.h"

namespace qm::qmtest {

namespace {

volatile std::sig_atomic_t timeIsUp = 0;

// The run limit: the interpreter looks at its StopFlag each time its slice countdown runs out (at
// least every 1,024 commands), so even a slice that would never end by itself (SYNC ON) returns.
void OnRunLimit(int) {
  timeIsUp = 1;
  Interpreter.stopFlag = 1;
}

void StartRunLimit(double seconds) {
  timeIsUp = 0;
  struct sigaction action {};
  action.sa_handler = OnRunLimit;
  sigaction(SIGALRM, &action, nullptr);
  itimerval timer{};
  timer.it_value.tv_sec = static_cast<time_t>(seconds);
  timer.it_value.tv_usec = static_cast<suseconds_t>((seconds - std::floor(seconds)) * 1e6);
  if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) timer.it_value.tv_usec = 1;
  setitimer(ITIMER_REAL, &timer, nullptr);
}

void StopRunLimit() {
  itimerval timer{};
  setitimer(ITIMER_REAL, &timer, nullptr);
}

// Keeps a folder current while it lives.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
    if (!folder.empty()) std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

RunOutcome RunLoadedProgram(double limitSeconds) {
  RunHooks(RunHook::ResetSystemTables);
  ResetRunner();
  PendingErrorCode = 0;
  DisplayReadyFlag = 1;
  StartRunLimit(limitSeconds);
  RunOutcome outcome;
  for (;;) {
    ExecuteSlice();
    if (PendingErrorCode != 0) {
      outcome.stop = PendingErrorIsWarning ? StopKind::Warning : StopKind::RuntimeError;
      outcome.code = PendingErrorCode;
      outcome.line = SourceLineOfWord(RuntimeErrors.errorCommandWord);
      break;
    }
    if (ProgramEndedFlag) break;
    const int32_t word = ProgramWordAt(ProgramCounter);
    if (FindCommandHandler(word) == nullptr) {
      if (word != kCmdEnd && word != 0) {
        outcome.stop = StopKind::UnknownCommand;
        outcome.code = word;
        outcome.line = SourceLineOfWord(ProgramCounter);
      }
      break;
    }
    if (timeIsUp) {
      outcome.stop = StopKind::TimeLimit;
      break;
    }
  }
  StopRunLimit();
  return outcome;
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
      text << "compile error on line " << outcome.line << ": " << outcome.compileErrorText;
      break;
    case StopKind::Ended:
      text << "the program ended normally";
      break;
    case StopKind::RuntimeError:
    case StopKind::Warning:
      text << (outcome.stop == StopKind::Warning ? "warning " : "runtime error ") << outcome.code << " ("
           << GetErrorMessageText(outcome.code) << ") on line " << outcome.line;
      break;
    case StopKind::TimeLimit:
      text << "still running after " << limitSeconds << " s";
      break;
    case StopKind::UnknownCommand:
      text << "no handler for command id " << outcome.code << " on line " << outcome.line;
      break;
    case StopKind::NotLoaded:
      text << "the program image could not be built";
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
      (expected.text && outcome.compileErrorText.find(*expected.text) == std::string::npos)) {
    failures.push_back("expected a compile error on line " + std::to_string(expected.line) +
                       (expected.text ? " containing \"" + *expected.text + "\"" : "") + ", got " +
                       DescribeStop(outcome, 0));
  }
  return failures;
}

}  // namespace

ProgramRun::ProgramRun() : parser_(std::make_unique<Parser>()) {}

ProgramRun::~ProgramRun() {
  RunHooks(RunHook::EndRun);
  RunHooks(RunHook::FreeRuntimeData);
  FreeProgramImage();
}

RunOutcome ProgramRun::Run(const std::string& path, double limitSeconds) {
  const std::filesystem::path file(path);
  CurrentFolder folder(file.parent_path());
  RunOutcome outcome;
  parser_->Open();
  parser_->SetCompilerPasses(MakeStatementCompiler());
  if (!parser_->CreateDatabase() || !parser_->CreateProgramFromFile(file.filename().string())) {
    outcome.stop = StopKind::CompileError;
    outcome.compileErrorText = parser_->errorText;
    outcome.line = parser_->errorLine;
    return outcome;
  }
  ClearCommandRegistrations();
  ClearRunHooks();
  RegisterRuntimeCommands();
  if (!CreateQuillmoorBlocksFromParser(*parser_)) {
    outcome.stop = StopKind::NotLoaded;
    return outcome;
  }
  return RunLoadedProgram(limitSeconds);
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

std::string CheckProgram(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "cannot read the file";
  const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const Expectations expected = ReadExpectations(source);
  std::vector<std::string> failures = expected.problems;

  ProgramRun run;
  const RunOutcome outcome = run.Run(path, expected.limitSeconds);
  if (expected.compileError) {
    const std::vector<std::string> compile = CheckCompileError(*expected.compileError, outcome);
    failures.insert(failures.end(), compile.begin(), compile.end());
  } else if (outcome.stop == StopKind::CompileError) {
    failures.push_back(DescribeStop(outcome, 0));
  } else {
    const std::vector<std::string> stop = CheckStop(expected, outcome);
    failures.insert(failures.end(), stop.begin(), stop.end());
    for (const VariableExpectation& variable : expected.variables) {
      std::string why;
      const std::optional<ExpectedValue> actual = run.ReadVariable(variable, why);
      std::string target = variable.name;
      if (!variable.indices.empty()) {
        target += "(";
        for (std::size_t i = 0; i < variable.indices.size(); ++i) {
          target += (i > 0 ? ", " : "") + std::to_string(variable.indices[i]);
        }
        target += ")";
      }
      if (!actual) {
        failures.push_back(why);
      } else if (!ValuesMatch(*actual, variable.value)) {
        failures.push_back(target + " is " + Describe(*actual) + ", expected " + Describe(variable.value));
      }
    }
  }
  if (failures.empty()) return "PASS";
  std::string text;
  for (const std::string& failure : failures) text += (text.empty() ? "" : "; ") + failure;
  return text;
}

}  // namespace qm::qmtest
