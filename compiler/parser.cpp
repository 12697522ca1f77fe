// The Parser's lifecycle and the compile driver: whole programs (with the program block sized
// from the source, and the restart that enlarges it when that was not enough) and lines typed at
// the runtime command line.
#include "compiler/parser.h"

#include <algorithm>
#include <cstdint>

#include "runtime/diagnostics.h"
#include "runtime/settings.h"

namespace qm {

Parser::Parser() = default;
Parser::~Parser() = default;

// ---- Lifecycle ------------------------------------------------------------------------------

void Parser::Open() {
  counters = CompileCounters{};
  counters.nextUserFunction = 0;
  for (auto& table : variableTables) table.clear();
  for (auto& index : variableIndex_) index.clear();
  dimTable.clear();
  labelReferenceTable.clear();
  labelDefinitionTable.clear();
  userFunctionTable.clear();
  integerLiteralIndex_.clear();
  floatLiteralIndex_.clear();
  labelIndex_.clear();
  userFunctionIndex_.clear();

  statementWords.clear();
  selectState = SelectState{};
  blockStack.clear();
  remBlockFlag = false;
  arrayLookupFlag = false;
  emissionSuppressed = false;
  insideFunction = false;
  currentScope = kMainScope;
  ResetTemporaries();

  errorText.clear();
  errorMessage.clear();
  keepErrorMessage = false;
  errorLine = 0;
  errorOrigin = ErrorOrigin::None;
  labelArrayErrorLine = 0;

  valueTable_.Reset(kDataBlockCells);
  ownedTexts_.clear();
  dataTypeLetters_.clear();

  programWords_.Free();
  lineWords_.Free();
  sourceText.clear();
  hasSourceText = false;
  programOverflow_ = false;
  // A restart belongs to the compile that asked for it: a compile left behind with one pending
  // (its source could not be read) must not make the next compile report success.
  restartFlag_ = false;
}

void Parser::FreeCompiledProgramData() {
  ownedTexts_.clear();
  for (LabelReferenceEntry& entry : labelReferenceTable) entry.references.clear();
  programWords_.Free();
  lineWords_.Free();
}

void Parser::Close() {
  FreeCompiledProgramData();
  valueTable_.Free();
  dataTypeLetters_ = {};
  sourceText = {};
  hasSourceText = false;
  FreeMergedText();
}

bool Parser::CreateDatabase() {
  DatabaseBuildResult result = CreateParserDatabase(database);
  if (!result) {
    errorText = result.error.empty() ? CompilerMessage(kMsgUnknownStatement) : result.error;
    return false;
  }
  return true;
}

// ---- Entry points ---------------------------------------------------------------------------

bool Parser::CreateProgramFromFile(const std::string& fileName) {
  outputFileName.clear();
  return CompileSourceFile(fileName);
}

bool Parser::CompileToProgramFile(const std::string& sourceFileName, const std::string& outputFile) {
  outputFileName = outputFile;
  return CompileSourceFile(sourceFileName);
}

bool Parser::CreateProgramFromText(std::string_view text) {
  outputFileName.clear();
  return CompileLoadedProgram([this, text] {
    LoadSourceBytes(text);
    return true;
  });
}

bool Parser::CompileSourceFile(const std::string& fileName) {
  return CompileLoadedProgram([this, &fileName] { return LoadSourceFile(fileName); });
}

bool Parser::CompileLoadedProgram(const std::function<bool()>& loadSource) {
  for (bool compileAgain = true; compileAgain;) {
    if (!loadSource()) {
      errorMessage = sourceReadFailure_;
      errorText = errorMessage;
      errorLine = 0;
      return false;
    }
    ResetCompileCounters();
    programStartCounters = counters;
    restartFlag_ = false;
    if (!CompileProgram(CompileMode::WholeProgram, kMainScope)) return false;
    programEndCounters = counters;
    pieceStartCounters = programEndCounters;
    pieceEndCounters = programEndCounters;
    compileAgain = restartFlag_;
    if (compileAgain) {
      // The capacity was doubled; label references and block jumps hold word indexes of this
      // pass, so the whole program is compiled again into the larger block. The command
      // database is kept: it comes from the same text.
      Close();
      Open();
    }
  }
  return true;
}

bool Parser::CompileCliLine(std::string_view text, ScopeNumber scope) {
  if (programWords_.empty() || valueTable_.empty()) {
    errorMessage = CompilerMessage(kMsgCommandLineTooLarge);
    errorText = errorMessage;
    return false;
  }
  restartFlag_ = true;
  SetSourceFromText(text);
  // Literal, DATA, variable, label and function numbers go on after the last piece; the words
  // go to the end of the program, over any earlier command-line line.
  counters = pieceEndCounters;
  counters.programWrite = programEndCounters.programWrite;
  counters.lineWrite = programEndCounters.lineWrite;
  counters.commandsEmitted = programEndCounters.commandsEmitted;
  counters.wordsEmitted = programEndCounters.wordsEmitted;
  counters.currentLine = programEndCounters.currentLine;
  counters.labelReferenceCounts = programEndCounters.labelReferenceCounts;
  pieceStartCounters = counters;
  restartFlag_ = false;
  programOverflow_ = false;
  if (!CompileProgram(CompileMode::CommandLine, scope) || restartFlag_) return false;
  pieceEndCounters = counters;
  return true;
}

void Parser::ResetCompileCounters() {
  BuildBlockKeywordTable(database);
  // Record 0 marks the bottom; opening a block adds the records as blocks nest, so a program
  // without blocks writes none of the kBlockStackCapacity records.
  blockStack.assign(1, BlockRecord{});
  // The next function number and the reference counts stay as the opening left them.
  const int32_t nextUserFunction = counters.nextUserFunction;
  const auto referenceCounts = counters.labelReferenceCounts;
  counters = CompileCounters{};
  counters.nextUserFunction = nextUserFunction;
  counters.labelReferenceCounts = referenceCounts;
  AllocateProgramBlocks();
  programOverflow_ = false;
}

void Parser::SizeProgramBlockForSource(std::size_t sourceBytes) {
  // Never beyond the program-word limit: a larger program is refused when it gets there.
  const std::size_t wanted = std::min(sourceBytes + static_cast<std::size_t>(kSmallestProgramBlock),
                                      static_cast<std::size_t>(programWordLimit));
  if (wanted <= static_cast<std::size_t>(programCapacity_)) return;
  programCapacity_ = static_cast<int32_t>(wanted);
  AllocateProgramBlocks();
}

void Parser::AllocateProgramBlocks() {
  if (static_cast<int32_t>(programWords_.size()) != programCapacity_) {
    programWords_.Reset(static_cast<std::size_t>(programCapacity_));
    lineWords_.Reset(static_cast<std::size_t>(programCapacity_));
  }
}

// ---- One compile ----------------------------------------------------------------------------

bool Parser::CompileProgram(CompileMode mode, ScopeNumber scope) {
  compileMode = mode;
  commandLineScope = scope;
  errorMessage.clear();
  keepErrorMessage = false;
  errorText.clear();
  errorTextHasLine = false;
  errorLine = 0;

  bool failed = false;
  includeStartLine = MergeIncludeFiles();
  if (includeStartLine < 0) failed = true;
  // Nothing is emitted yet: the block may still be replaced by a larger one.
  if (!failed && mode == CompileMode::WholeProgram) SizeProgramBlockForSource(mergedText.size());
  if (!failed && !passes_) {
    errorMessage = CompilerMessage(kMsgUnknownStatement);
    failed = true;
  }
  if (!failed) {
    emissionSuppressed = true;
    ResetTemporaries();
    const int32_t mergedLineCount = passes_->PrescanFunctions(*this, includeStartLine);
    emissionSuppressed = false;
    if (mergedLineCount < 0) {
      failed = true;
    } else {
      if (TraceModeFlag()) WriteDebugListing();
      insideFunction = false;
      currentScope = scope;
      errorText.clear();
      errorMessage.clear();
      keepErrorMessage = false;
      failed = !CompileLines(includeStartLine, mergedLineCount);
      if (restartFlag_) {
        FreeMergedText();
        return true;
      }
    }
  }
  // Every failure carries a message, so it can never read as success.
  if (failed && errorMessage.empty()) errorMessage = CompilerMessage(kMsgUnknownStatement);
  FinishCompile();
  FreeMergedText();
  return errorText.empty();
}

bool Parser::CompileLines(int32_t includeStart, int32_t mergedLineCount) {
  SourceLineReader reader(mergedText, counters.currentLine);
  SourceLine line;
  int32_t shownSteps = 0;
  while (reader.Next(line)) {
    counters.currentLine = line.number;
    if (!CompileOneLine(line, includeStart)) return false;
    counters.currentLine = line.number + 1;
    ReportProgress(mergedLineCount, shownSteps);
    if (GrowthNeeded()) {
      if (compileMode == CompileMode::CommandLine) {
        // A typed line goes after the program in the block the run already uses.
        errorMessage = CompilerMessage(kMsgCommandLineTooLarge);
        errorLine = line.number;
        return false;
      }
      if (programCapacity_ >= programWordLimit) {
        errorMessage = CompilerMessage(kMsgProgramTooLarge);
        errorLine = line.number;
        return false;
      }
      // The first block was sized from the source, so doubling seldom lands on the limit: the
      // last step stops at it, and every program within the limit still compiles.
      programCapacity_ = static_cast<int32_t>(
          std::min(2 * static_cast<int64_t>(programCapacity_), static_cast<int64_t>(programWordLimit)));
      restartFlag_ = true;
      return true;
    }
  }
  return true;
}

bool Parser::CompileOneLine(const SourceLine& line, int32_t includeStart) {
  // The line buffer holds the carried line feed as well; the merge already refused longer lines.
  if (line.raw.size() >= kMaxLineLength) {
    errorMessage = CompilerMessage(kMsgLineTooLong);
    errorLine = line.number;
    return false;
  }
  std::string& text = preparedLine_;
  PrepareSourceLine(line.raw, text);
  if (passes_->CompileStatement(*this, text)) return true;
  ReportLineFailure(line, text, includeStart);
  return false;
}

void Parser::ReportLineFailure(const SourceLine& line, std::string_view text, int32_t includeStart) {
  if (line.number < includeStart || compileMode == CompileMode::CommandLine) {
    if (errorMessage.empty()) errorMessage = CompilerMessage(kMsgUnknownStatement);
    errorLine = line.number;
    return;
  }
  // A line of an included file is reported at the main program's "#include" line.
  if (errorMessage.empty()) {
    errorMessage = CompilerMessage(kMsgErrorInIncludeFile);
  } else {
    errorMessage += " " + CompilerMessage(kMsgWordIn) + " " + std::string(text);
  }
  errorLine = IncludeLineForPosition(line.endPosition);
}

bool Parser::GrowthNeeded() const {
  return programOverflow_ || counters.programWrite > programCapacity_ - kProgramGrowthMargin;
}

void Parser::ReportProgress(int32_t mergedLineCount, int32_t& shownSteps) {
  const double lines = mergedLineCount > 0 ? mergedLineCount : 1;
  const double exact = std::clamp(100.0 / lines * counters.currentLine, 0.0, 1.0e6);
  const int32_t percent = static_cast<int32_t>(exact);
  const int32_t step = static_cast<int32_t>(percent / 10.0);
  if (step <= shownSteps) return;
  ++shownSteps;  // one step per line at most
  if (progressCallback) progressCallback(std::min(percent, 100));
}

void Parser::FinishCompile() {
  const std::string suffix =
      compileMode == CompileMode::WholeProgram ? " " + CompilerMessage(kMsgWordAtLine) + " " : std::string();
  auto reportCheck = [&](int32_t message) {
    errorText = CompilerMessage(message);
    errorLine = labelArrayErrorLine;
    if (!suffix.empty()) errorText += suffix + std::to_string(labelArrayErrorLine);
    errorTextHasLine = !suffix.empty();
  };
  if (errorMessage.empty() && passes_) {
    if (!passes_->ResolveLabels(*this)) reportCheck(kMsgUndefinedLabel);
    if (!passes_->CheckArraysDeclared(*this)) reportCheck(kMsgArrayNotDeclared);
    if (counters.openBlocks != 0) {
      errorLine = counters.currentLine;
      errorText = CompilerMessage(kMsgBlockStillOpen);
      if (!suffix.empty()) errorText += suffix + std::to_string(errorLine);
      errorTextHasLine = !suffix.empty();
    }
  } else {
    errorText = errorMessage;
  }
  AppendEndOfPiece();
  if (compileMode == CompileMode::WholeProgram && !outputFileName.empty()) {
    const bool written = programFileWriter && programFileWriter(*this, outputFileName);
    if (!written && errorText.empty()) {
      errorText = CompilerMessage(kMsgCannotOpenFile) + " " + outputFileName;
      errorLine = 0;
    }
  }
}

std::string Parser::ErrorTextWithLine() const {
  if (errorTextHasLine || errorLine <= 0) return errorText;
  return errorText + " " + CompilerMessage(kMsgWordAtLine) + " " + std::to_string(errorLine);
}

void Parser::WriteDebugListing() { WriteDebugOutputScript(mergedText.data(), mergedText.size()); }

}  // namespace qm
