// The Parser: the one compiler object of the process. It holds every table a compile fills (the
// command database, symbol tables, literal and DATA values, program words and their source lines)
// and runs the compile: load the source, merge the "#include" files, pre-scan user functions,
// compile the merged text line by line, resolve labels, check arrays and open blocks, and leave
// either an empty errorText or an error text with its errorLine. The same open Parser later
// compiles lines typed at the runtime command line after the program, so they see the program's
// variables, labels and functions.
//
// The statement-level passes (pre-scan, statement compiler, label resolution, array check) plug
// in through CompilerPasses; the driver here never needs to know which implementation runs.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/command_database.h"
#include "compiler/compiler_messages.h"
#include "compiler/literal_pools.h"
#include "compiler/program_emission.h"
#include "compiler/source_loader.h"
#include "compiler/symbol_tables.h"
#include "compiler/zeroed_table.h"
#include "runtime/operand_numbers.h"
#include "runtime/parsed_program.h"
#include "runtime/value_cell.h"

namespace qm {

class Parser;

// The passes of a compile that work statement by statement or on whole tables. The statement
// compiler provides the real ones; tests plug in small stand-ins.
class CompilerPasses {
 public:
  virtual ~CompilerPasses() = default;

  // Runs before the first statement, with parser.emissionSuppressed set: registers every user
  // function of the MergedText (and, in a whole-program compile, turns the lines of included
  // files outside functions into comments). Returns the number of merged lines (used for the
  // progress percentage), or -1 with parser.errorMessage and parser.errorLine set.
  virtual int32_t PrescanFunctions(Parser& parser, int32_t includeStartLine) = 0;

  // Compiles one statement text: a whole source line, cut at a zero byte, lower-cased outside
  // double quotes, leading control characters removed (it may be empty). False on failure, with
  // the message in parser.errorMessage (the driver supplies one when it is empty).
  virtual bool CompileStatement(Parser& parser, std::string_view text) = 0;

  // After the last statement: writes every label reference's value, each by its own kind. False
  // when a referenced label has no definition, with parser.labelArrayErrorLine set.
  virtual bool ResolveLabels(Parser& parser) = 0;

  // False when an array variable has no DIM in its scope, with parser.labelArrayErrorLine set.
  virtual bool CheckArraysDeclared(Parser& parser) = 0;
};

enum class CompileMode : int32_t { WholeProgram = 1, CommandLine = 2 };

// Who raised the error the editor is to show after a run (written by the runtime command line).
enum class ErrorOrigin : int32_t { None = 0, Program = 1, CommandLine = 2 };

// The program block starts at twice kProgramGrowthMargin words. Before the first statement of a
// whole program it grows to one word per byte of the merged source plus that (an ordinary program
// needs less than half of it), so it compiles once and an empty program costs a few pages; a
// program that still comes within kProgramGrowthMargin words of the end doubles the block (up to
// the program-word limit) and is compiled again. The block never shrinks while the Parser lives.
inline constexpr int32_t kProgramGrowthMargin = 1024;
inline constexpr int32_t kSmallestProgramBlock = 2 * kProgramGrowthMargin;

inline constexpr int32_t kMaxStatementWords = 257;
inline constexpr int32_t kBlockStackCapacity = 1024;  // records 1-1023; record 0 marks the bottom
inline constexpr int32_t kMaxExitJumpsPerLoop = 32;

// One open block of the statement compiler's block structures. Word positions are word indexes.
struct BlockRecord {
  int32_t kind = 0;             // block keyword index of the opening statement
  int32_t serial = 0;           // the open-block count when the block opened
  int32_t openerJumpWord = -1;  // the word that holds the opener's jump operand
  int32_t start = 0;            // word index a closing loop jumps back to
  int32_t elseJumpWord = -1;    // -1: no ELSE
  int32_t elsePosition = 0;
  int32_t closerJumpWord = -1;
  int32_t closerPosition = 0;
  int32_t expectedCloser = 0;  // block keyword index of the closing keyword
  bool marker = false;         // DO and REPEAT
  std::vector<int32_t> exitJumpWords;

  // Records an EXIT's jump word; false when the loop already has kMaxExitJumpsPerLoop.
  [[nodiscard]] bool AddExitJump(int32_t wordIndex) {
    if (static_cast<int32_t>(exitJumpWords.size()) >= kMaxExitJumpsPerLoop) return false;
    exitJumpWords.push_back(wordIndex);
    return true;
  }
};

// The open SELECT of the statement compiler.
struct SelectState {
  bool open = false;
  bool defaultSeen = false;
  std::string expression;  // the hidden variable that holds the SELECT's value
  std::string written;     // the SELECT's expression as the program writes it
};

class Parser final : public ParsedProgram {
 public:
  Parser();
  ~Parser() override;
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  // ---- Lifecycle and compile driver (parser.cpp) -------------------------------------------

  // The error as the command line reports it: errorText and " at line N" once.
  std::string ErrorTextWithLine() const;

  // Prepares a compile: empties the symbol tables and counters, the statement words and SELECT
  // state, clears the error fields, and allocates the value table. The command database is kept.
  void Open();
  // Frees the compiled program (texts, reference lists, program and line blocks), the value table
  // and the source. For a run the Parser stays open until the run has ended.
  void Close();

  // Builds the command database from the embedded command-set text. False when it is missing or
  // malformed, with errorText set.
  [[nodiscard]] bool CreateDatabase();

  // Compiles a program file (an empty name compiles an empty program). True on success.
  [[nodiscard]] bool CreateProgramFromFile(const std::string& fileName);
  // Compiles a program given as its text, as if read from a file (includes resolve against the
  // current folder). True on success.
  [[nodiscard]] bool CreateProgramFromText(std::string_view text);
  // The same, then writes the compiled program through programFileWriter (also after an error).
  [[nodiscard]] bool CompileToProgramFile(const std::string& sourceFileName,
                                          const std::string& outputFileName);
  // Compiles one line typed at the runtime command line onto the end of the program, in `scope`.
  // Its words overwrite the previous command-line piece; its literals, DATA items and variables
  // keep numbering on from it.
  [[nodiscard]] bool CompileCliLine(std::string_view text, ScopeNumber scope);

  // The steps of a compile, public for tests and for the executable builder.
  [[nodiscard]] bool CompileSourceFile(const std::string& fileName);
  // The whole-program compile after `loadSource` filled the SourceText (false: it could not).
  [[nodiscard]] bool CompileLoadedProgram(const std::function<bool()>& loadSource);
  [[nodiscard]] bool CompileProgram(CompileMode mode, ScopeNumber scope);
  void ResetCompileCounters();

  void SetCompilerPasses(std::shared_ptr<CompilerPasses> passes) { passes_ = std::move(passes); }
  CompilerPasses* Passes() const { return passes_.get(); }

  // ---- Source loading and include merging (source_loader.cpp) -----------------------------

  // The SourceText: the file's bytes (line ends made CR LF), a zero byte, CR LF; an empty name
  // gives CR LF alone. A UTF-8 byte-order mark at the start of a file is dropped. False when the
  // file cannot be read (see SourceReadFailure).
  [[nodiscard]] bool LoadSourceFile(const std::string& fileName);
  // The SourceText from a program's bytes, as LoadSourceFile makes it from a file's.
  void LoadSourceBytes(std::string_view bytes);
  // The SourceText becomes the text and its terminating zero (no line end added).
  void SetSourceFromText(std::string_view text);
  // Builds the MergedText: the SourceText, "end" CR LF, then every included file, in as many
  // passes as nesting needs. Returns the merged line where the included text begins, or -1 with
  // errorMessage and errorLine set.
  int32_t MergeIncludeFiles();
  // Appends a file's bytes (line ends made CR LF) to `text`, the files a merge pass adds to the
  // MergedText; false (nothing appended) when it cannot be read. An "#include" of a file that
  // cannot be read fails the merge with that file's message.
  bool AppendIncludeFile(const std::string& name, std::string& text);
  // The index of the IncludeRecord whose file holds the MergedText position, or the include
  // count when none does.
  int32_t FindIncludeAtPosition(std::size_t position) const;
  void FreeMergedText();
  // The merged line of the main program's "#include" statement that brought in the text at a
  // MergedText position (the last one for text of nested includes); 0 without includes.
  int32_t IncludeLineForPosition(std::size_t position) const;

  // ---- Symbol tables and operand allocation (symbol_tables.cpp) ---------------------------

  // For a variable name: its number (created in the current scope on first use) and type. With
  // checkOnly set, or while emissionSuppressed, only the type is derived and nothing is created.
  // Takes and clears arrayLookupFlag. False for a text that is no variable name, or when the
  // table is full (errorMessage set).
  [[nodiscard]] bool CompileVariableName(std::string_view name, OperandNumber& number, char& type,
                                         bool checkOnly = false);
  // The number of a variable of the type in the current scope (arrays: then the main program's),
  // made on first use; -1 with errorMessage set when the table is full.
  OperandNumber FindOrAddVariable(char type, std::string_view name, bool isArray);
  // The label number for a reference or a definition. A reference records the word after the
  // command id at the current write position, with its kind. -1: table full, or a definition
  // typed at the runtime command line (errorMessage set); -2: a definition of a label already
  // defined in this scope.
  OperandNumber FindOrAddLabel(std::string_view name, LabelKind kind, bool isReference, bool global);
  // Appends to the LabelDefinitionTable; false (errorMessage set) when it is full.
  [[nodiscard]] bool AddLabelDefinition(std::string_view name, ScopeNumber scope, int32_t wordIndex);
  // Appends to the DimTable; false (errorMessage set) when it is full.
  [[nodiscard]] bool AddDimEntry(std::string_view name, ScopeNumber scope);
  // The function number of the function of that name (registered now if new), or -1 with
  // errorMessage set when the table is full.
  int32_t RegisterUserFunction(std::string_view name, std::string_view parameterLetters);
  // Index of the user function of that name (exact comparison), or -1.
  int32_t FindUserFunction(std::string_view name) const;

  // Restarts the three temporary counters at the window of currentScope (every statement).
  void ResetTemporaries();
  // A fresh temporary of the type ('z' counts as 'l'); writes type and number into the slot.
  // -1 (slot type 'x', errorMessage set) when the statement has used up its window.
  OperandNumber AllocateTemporary(OperandPair& slot, char type);

  // Table views bounded by the live counters.
  int32_t VariableCount(char type) const;
  const VariableEntry& Variable(char type, int32_t index) const;
  int32_t LabelEntryCount() const { return counters.labelReferences; }
  int32_t LabelReferenceCount(int32_t entry) const { return counters.labelReferenceCounts[entry]; }
  int32_t LabelDefinitionCount() const { return counters.labelDefinitions; }
  int32_t DimEntryCount() const { return counters.dimEntries; }
  int32_t UserFunctionCount() const { return counters.userFunctions; }

  // ---- Literal pools and DATA items (literal_pools.cpp) -----------------------------------

  // A literal operand: tries the integer, float and string tests in that order. Type 0 when the
  // text is no literal; type 'x' and number -1 when the pool refuses it (errorMessage set); while
  // emissionSuppressed only the type is given (number 0) and nothing is stored.
  OperandPair CompileLiteral(std::string_view text);
  OperandPair CompileIntegerLiteral(std::string_view text);
  OperandPair CompileFloatLiteral(std::string_view text);
  OperandPair CompileStringLiteral(std::string_view text);
  // One item of a DATA statement: its type by the literal tests (the last test that holds wins)
  // and its value, stored under the next DATA number. False with errorMessage set for an item
  // that is no literal, an integer that does not fit, or the 10,000th item.
  [[nodiscard]] bool AddDataItem(std::string_view itemText);
  int32_t DataItemCount() const { return counters.nextData - kDataItems; }
  // The text of a string literal or string DATA item ("" for other numbers).
  std::string_view LiteralText(OperandNumber number) const;

  // ---- Program emission (program_emission.cpp) --------------------------------------------

  // Appends one word and, beside it, the current source line.
  void EmitWord(int32_t word);
  // Appends the command id and the number of every operand of the list (up to the first pair of
  // type 0). The name and signature are for readers of the code; they are not emitted.
  void EmitCommand(std::string_view name, int32_t commandId, std::string_view signature,
                   const OperandList& operands);
  // Appends an operand to a command's list; false with the too-many-parameters message when the
  // list is full.
  [[nodiscard]] bool AppendOperand(OperandList& operands, char type, OperandNumber number);
  // Overwrites an emitted word (jump targets and label values filled in later).
  void PatchWord(int32_t wordIndex, int32_t value);
  int32_t WordCount() const { return counters.wordsEmitted; }
  int32_t ProgramWordAt(int32_t wordIndex) const;
  int32_t LineWordAt(int32_t wordIndex) const;

  // ---- ParsedProgram: what the program-image loader reads ---------------------------------

  const int32_t* ProgramWords() const override { return programWords_.data(); }
  const int32_t* LineWords() const override { return lineWords_.data(); }
  int32_t ProgramCapacity() const override { return programCapacity_; }
  ValueCell LiteralValue(int32_t operandNumber) const override;
  char DataTypeLetter(int32_t item) const override;
  int16_t VariableScope(ValueType type, int32_t index) const override;
  const CompileCounters& ProgramStartCounters() const override { return programStartCounters; }
  const CompileCounters& ProgramEndCounters() const override { return programEndCounters; }
  const CompileCounters& PieceStartCounters() const override { return pieceStartCounters; }
  const CompileCounters& PieceEndCounters() const override { return pieceEndCounters; }

  // ---- State ----------------------------------------------------------------------------

  ParserDatabase database;

  // The live counters and the snapshots that tell the loader which range a piece covers.
  CompileCounters counters;
  CompileCounters programStartCounters;
  CompileCounters programEndCounters;
  CompileCounters pieceStartCounters;
  CompileCounters pieceEndCounters;

  // Symbol tables; the live part of each is bounded by its count in `counters`.
  std::array<std::vector<VariableEntry>, 3> variableTables;  // integer, float, string
  std::vector<DimEntry> dimTable;
  std::vector<LabelReferenceEntry> labelReferenceTable;
  std::vector<LabelDefinition> labelDefinitionTable;
  std::vector<UserFunctionEntry> userFunctionTable;

  // Statement compiler state.
  std::vector<std::string> statementWords;  // at most kMaxStatementWords
  SelectState selectState;
  std::vector<BlockRecord> blockStack;  // depth and open count live in `counters`
  int32_t statementStartWord = 0;
  bool remBlockFlag = false;
  bool arrayLookupFlag = false;
  // Set while the function pre-scan runs: literals and variables only give their types, and
  // nothing is emitted.
  bool emissionSuppressed = false;
  bool insideFunction = false;
  ScopeNumber currentScope = kMainScope;
  CompileMode compileMode = CompileMode::WholeProgram;
  ScopeNumber commandLineScope = kMainScope;

  // Temporaries of the statement being compiled: next free number and the end of the window.
  std::array<OperandNumber, 3> nextTemporary{};
  std::array<OperandNumber, 3> temporaryLimit{};

  // Source.
  std::string sourceText;
  bool hasSourceText = false;
  std::string mergedText;
  std::vector<IncludeRecord> includeRecords;
  std::size_t includedTextEnd = 0;  // end of the last file that has an IncludeRecord
  int32_t includeStartLine = 0;

  // Errors. errorMessage is the message of the step that failed; errorText (with errorLine) is
  // what the editor and the runtime command line show. An empty errorText means success.
  int32_t labelArrayErrorLine = 0;
  int32_t errorLine = 0;
  std::string errorMessage;
  // Set with the message of a full variable table: it names the limit the program reached, so
  // the later steps of the failing statement (expression, assignment, FOR, DIM) leave it.
  bool keepErrorMessage = false;
  std::string errorText;
  // The whole-program checks after the last line (labels, arrays, open blocks) write their line
  // into errorText themselves.
  bool errorTextHasLine = false;
  ErrorOrigin errorOrigin = ErrorOrigin::None;
  std::string outputFileName;  // empty: no compiled program file is written

  // Progress of a compile in percent (0-100); the full system shows it in the editor.
  std::function<void(int32_t percent)> progressCallback;
  // The program words a compile may grow to (the loader's limit; tests lower it).
  int32_t programWordLimit = kMaxProgramWords;
  // Writes the compiled program file of a compile; false when it cannot.
  std::function<bool(const Parser& parser, const std::string& fileName)> programFileWriter;

 private:
  bool CompileLines(int32_t includeStart, int32_t mergedLineCount);
  bool CompileOneLine(const SourceLine& line, int32_t includeStart);
  void ReportLineFailure(const SourceLine& line, std::string_view text, int32_t includeStart);
  bool GrowthNeeded() const;
  void ReportProgress(int32_t mergedLineCount, int32_t& shownSteps);
  void FinishCompile();
  void AppendEndOfPiece();
  void WriteDebugListing();
  void AllocateProgramBlocks();
  void SizeProgramBlockForSource(std::size_t sourceBytes);
  void FreeCompiledProgramData();
  // A source file's bytes, at most kMaxSourceFileBytes; false with SourceReadFailure set.
  bool ReadSourceBytes(const std::string& fileName, std::string& bytes);

  OperandNumber StoreIntegerLiteral(int32_t value);
  OperandNumber StoreFloatLiteral(float value);
  OperandNumber StoreStringLiteral(std::string_view text);
  void StoreText(OperandNumber number, std::string_view text);
  int32_t FindVariableInScope(int32_t table, std::string_view name, ScopeNumber scope, bool isArray) const;
  int32_t FindLabelEntry(std::string_view name, bool global) const;
  void AddLabelReference(int32_t entry, LabelKind kind);

  std::shared_ptr<CompilerPasses> passes_;
  bool restartFlag_ = false;
  bool programOverflow_ = false;  // a word was emitted beyond the program block
  int32_t programCapacity_ = kSmallestProgramBlock;
  std::string sourceReadFailure_;  // "Cannot open file NAME", with the reason beyond "missing"
  std::string preparedLine_;       // the line being compiled, its memory used again line by line
  // Sized to the source, so far larger than most programs use: zeroed memory the compile writes
  // only where it emits.
  ZeroedTable<int32_t> programWords_;
  ZeroedTable<int32_t> lineWords_;

  // The value table, indexed by OperandNumber (literals and DATA items), the texts that its
  // string cells point at, and the DATA type letters. The value table is zeroed at each opening
  // without being written, so an opening costs only the cells a compile stores; the texts and
  // letters grow to the highest slot stored.
  struct OwnedText {
    std::unique_ptr<char[]> bytes;
    std::size_t length = 0;
  };
  ZeroedTable<ValueCell> valueTable_;
  std::vector<OwnedText> ownedTexts_;  // indexed by number - kStringLiterals
  std::vector<char> dataTypeLetters_;  // indexed by number - kDataItems

  // Indexes that find the first equal entry without scanning; every hit is checked against the
  // live table, so entries left behind by a failed command-line line are never found.
  std::unordered_map<int32_t, OperandNumber> integerLiteralIndex_;
  std::unordered_map<uint32_t, OperandNumber> floatLiteralIndex_;
  std::array<NameKeyIndex<int32_t>, 3> variableIndex_;
  NameKeyIndex<std::vector<int32_t>> labelIndex_;
  NameKeyIndex<int32_t> userFunctionIndex_;
};

}  // namespace qm
