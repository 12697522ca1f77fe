// The command-set database: the language's whole command vocabulary, read from a text resource
// carried in the executable. Each line names a command, its command id (the number the interpreter
// dispatches on) and its signature letters. The statement compiler looks statements up here, the
// expression compiler value-returning commands and operators, and the runtime error report turns a
// command id back into a name and its parameter letters.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Capacities of the two tables; entries beyond them are dropped without a message.
inline constexpr int32_t kMaxStatementEntries = 768;
inline constexpr int32_t kMaxValueCommandEntries = 512;
// Field sizes of an entry: the text format holds no longer names or signatures.
inline constexpr std::size_t kMaxCommandNameLength = 255;
inline constexpr std::size_t kMaxSignatureLength = 32;
// The resource id of the command-set text.
inline constexpr int32_t kCommandSetResourceId = 218;
// The first line every command-set text starts with.
inline constexpr std::string_view kCommandSetHeader = "; Command Set Database V111";

// Signature letters (lower case). A value-returning command's first letter is its result type.
inline constexpr char kSignatureInteger = 'l';
inline constexpr char kSignatureFloat = 'f';
inline constexpr char kSignatureString = 's';
inline constexpr char kSignatureLabel = 'a';       // RESTORE, GOSUB, GOTO
inline constexpr char kSignatureRestOfLine = 'e';  // DATA, REM, "`", #INCLUDE, REMSTART, REMEND
inline constexpr char kSignatureAnyType = 'z';     // CALL DLL
inline constexpr char kSignatureNone = '0';        // a command without parameters

// A statement: a command that stands alone ("load bitmap", signature "sl").
struct StatementEntry {
  std::string name;       // lower case, blanks inside kept
  std::string signature;  // lower case, no blanks
  int32_t id = 0;
  bool blockKeyword = false;  // the id is one of the twelve block keyword ids
};

// A value-returning command or operator ("rnd", signature "ll"; "+", signature "lll").
struct ValueCommandEntry {
  std::string name;       // lower case, without the closing "["
  std::string signature;  // result letter first, then one letter per parameter
  int32_t id = 0;
};

// One row of the block keyword table: the keywords that open, continue and close blocks.
struct BlockKeyword {
  std::string name;       // "if", "else", "endif", ...
  int32_t commandId = 0;  // looked up in the statement table by name at every rebuild
  int32_t closedBy = -1;  // index of the keyword that closes the block this one opens, or -1
  bool closesBlock = false;
  bool jumpOperand = false;  // the keyword's command receives a jump target
  bool marker = false;       // ENDIF, DO, REPEAT: no command word of its own
};

inline constexpr int32_t kBlockKeywordCount = 12;
using BlockKeywordTable = std::array<BlockKeyword, kBlockKeywordCount>;

// The two command tables of the Parser, in database order. Overloads of a name are consecutive
// entries (a few names have two runs), tried in order by the compilers.
struct ParserDatabase {
  std::vector<StatementEntry> statements;
  std::vector<ValueCommandEntry> valueCommands;
  // Index of the first value-returning entry whose name begins with "@" (array element reads),
  // -1 when there is none.
  int32_t firstArrayReadIndex = -1;
  BlockKeywordTable blockKeywords{};

  int32_t StatementCount() const { return static_cast<int32_t>(statements.size()); }
  int32_t ValueCommandCount() const { return static_cast<int32_t>(valueCommands.size()); }
};

// The outcome of building the database. On failure `error` says what is wrong; the start-up
// reports that as system error 10001.
struct DatabaseBuildResult {
  bool ok = false;
  std::string error;
  explicit operator bool() const { return ok; }
};

// The embedded command-set text (resource 218), or an empty view when the executable carries none.
std::string_view LoadCommandSetResource(int32_t resourceId = kCommandSetResourceId);

// Clears both tables and fills them from the embedded command-set text (resource 218). Fails when
// the resource is missing or empty, or when the text is malformed (see
// CreateParserDatabaseFromText); the tables are then left empty.
[[nodiscard]] DatabaseBuildResult CreateParserDatabase(ParserDatabase& database,
                                                       int32_t resourceId = kCommandSetResourceId);

// The same from a given text. The text must start with kCommandSetHeader; lines may end in CR LF
// or LF; ";" lines are comments; every other line is NAME%id%signature. A line without two "%",
// an id that is not a number from 1 to 9999, an empty name, a name over 255 characters, a
// signature over 32 letters or a letter outside "lfsaez0" is reported with its line number, and
// the database is left empty.
[[nodiscard]] DatabaseBuildResult CreateParserDatabaseFromText(ParserDatabase& database,
                                                               std::string_view text);

// Appends a statement when fewer than kMaxStatementEntries are stored; ignores it otherwise.
void AddStatementEntry(ParserDatabase& database, std::string_view name, int32_t id,
                       std::string_view signature);
// Appends a value-returning command (name given with or without its closing "[", stored without)
// when fewer than kMaxValueCommandEntries are stored, and records the first "@" entry's index.
void AddValueCommandEntry(ParserDatabase& database, std::string_view name, int32_t id,
                          std::string_view signature);

// Rebuilds the twelve block keyword rows, takes each keyword's id from the last statement of that
// name, and sets every statement's blockKeyword flag. The Parser runs it before every compile
// (and clears its own block stack alongside).
void BuildBlockKeywordTable(ParserDatabase& database);
// Index (0-11) of the block keyword with this command id, or -1.
int32_t FindBlockKeywordByCommandId(const ParserDatabase& database, int32_t id);

// The first statement with this id: its name goes into `name` and its index is returned. When no
// statement has the id (id 0, a value-returning command's id, an unknown id) `name` is left as
// it was and the statement count is returned.
int32_t FindCommandNameById(const ParserDatabase& database, int32_t id, std::string& name);

// The signature letter at `position` (0-based) of the statement at `index`; 0 past the end of the
// signature or for an index outside the table.
char GetCommandSignatureLetter(const ParserDatabase& database, int32_t index, int32_t position);

}  // namespace qm
