// Reading the command-set text into the parser's statement and value-command tables, and the
// look-ups the compilers and the runtime error report make in them.
#include "compiler/command_database.h"

#include <algorithm>
#include <cstdio>

// The command-set text, embedded in the executable at build time.
extern "C" const unsigned char qm_command_set_database[];
extern "C" const unsigned long long qm_command_set_database_size;

namespace qm {
namespace {

constexpr int32_t kMaxCommandId = 9999;
constexpr std::string_view kResultLetters = "lfsz";

bool IsSignatureLetter(char c) {
  switch (c) {
    case 'l':
    case 'f':
    case 's':
    case 'a':
    case 'e':
    case 'z':
    case '0':
      return true;
    default:
      return false;
  }
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Writes the text lower cased into `out` (whose memory is reused from line to line).
void LowerCasedInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) c = LowerAscii(c);
}

// The signature as stored: lower case, every character of code 32 and below dropped.
void NormalisedSignatureInto(std::string_view text, std::string& out) {
  out.clear();
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 32) out += LowerAscii(c);
  }
}

// One entry line's fields as they stand in the text. Lower casing changes neither a name's length
// nor its closing "[", so the checks need no copies.
struct EntryFields {
  std::string_view name;  // with its closing "[" for a value-returning command
  int32_t id = 0;
  std::string_view signature;  // before its blanks are dropped and its letters lower cased

  bool ValueCommand() const { return !name.empty() && name.back() == '['; }
};

DatabaseBuildResult Failure(std::string message) { return {false, std::move(message)}; }

DatabaseBuildResult LineFailure(int lineNumber, const char* what, std::string_view detail = {}) {
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "command set line %d: ", lineNumber);
  std::string message = prefix;
  message += what;
  if (!detail.empty()) {
    message += " \"";
    message += detail;
    message += "\"";
  }
  return Failure(std::move(message));
}

// The id field: decimal digits, blanks ignored, 1 to 9999.
bool ParseCommandId(std::string_view text, int32_t& id) {
  id = 0;
  bool anyDigit = false;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    if (c < '0' || c > '9') return false;
    id = id * 10 + (c - '0');
    if (id > kMaxCommandId) return false;
    anyDigit = true;
  }
  return anyDigit && id >= 1;
}

// Checks the signature as it will be stored (see NormalisedSignatureInto) against the text format.
DatabaseBuildResult CheckSignature(std::string_view signature, bool valueCommand, int lineNumber,
                                   std::string_view line) {
  std::size_t letters = 0;
  bool outsideSet = false;
  char first = 0;
  for (char c : signature) {
    if (static_cast<unsigned char>(c) <= 32) continue;
    const char letter = LowerAscii(c);
    if (letters++ == 0) first = letter;
    if (!IsSignatureLetter(letter)) outsideSet = true;
  }
  if (letters == 0) return LineFailure(lineNumber, "empty signature in", line);
  if (letters > kMaxSignatureLength)
    return LineFailure(lineNumber, "signature longer than 32 letters in", line);
  if (outsideSet) return LineFailure(lineNumber, "signature letter outside \"lfsaez0\" in", line);
  if (valueCommand && kResultLetters.find(first) == std::string_view::npos) {
    return LineFailure(lineNumber, "value command without a result letter in", line);
  }
  return {true, {}};
}

// Parses one entry line "NAME%id%signature"; checks it against the text format.
DatabaseBuildResult ParseEntryLine(std::string_view line, int lineNumber, EntryFields& entry) {
  const std::size_t firstPercent = line.find('%');
  if (firstPercent == std::string_view::npos) {
    return LineFailure(lineNumber, "no '%' after the command name in", line);
  }
  const std::size_t secondPercent = line.find('%', firstPercent + 1);
  if (secondPercent == std::string_view::npos) {
    return LineFailure(lineNumber, "no '%' after the command id in", line);
  }
  entry.name = line.substr(0, firstPercent);
  const std::size_t bareNameLength = entry.name.size() - (entry.ValueCommand() ? 1 : 0);
  if (bareNameLength == 0) return LineFailure(lineNumber, "empty command name in", line);
  if (bareNameLength > kMaxCommandNameLength) {
    return LineFailure(lineNumber, "command name longer than 255 characters");
  }
  const std::string_view idText = line.substr(firstPercent + 1, secondPercent - firstPercent - 1);
  if (!ParseCommandId(idText, entry.id)) {
    return LineFailure(lineNumber, "command id is not a number from 1 to 9999:", idText);
  }
  entry.signature = line.substr(secondPercent + 1);
  return CheckSignature(entry.signature, entry.ValueCommand(), lineNumber, line);
}

// Calls `take` with every entry line of the text, in order, until a line is malformed (its
// failure is returned) or the text ends.
template <typename Take>
DatabaseBuildResult ForEachEntryLine(std::string_view text, Take take) {
  int lineNumber = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t end = text.find('\n', position);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(position, end - position);
    position = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Control characters before a line are skipped; blank lines and comments carry nothing.
    while (!line.empty() && static_cast<unsigned char>(line.front()) < 32) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;
    EntryFields entry;
    if (DatabaseBuildResult result = ParseEntryLine(line, lineNumber, entry); !result) return result;
    take(entry);
  }
  return {true, {}};
}

void ClearTables(ParserDatabase& database) {
  database.statements.clear();
  database.valueCommands.clear();
  database.firstArrayReadIndex = -1;
}

// The twelve block keywords: name, index of the closing keyword (-1: opens no block), whether
// it closes a block, whether its command takes a jump operand, whether it is a marker keyword.
struct BlockKeywordRow {
  const char* name;
  int32_t closedBy;
  bool closesBlock;
  bool jumpOperand;
  bool marker;
};
constexpr BlockKeywordRow kBlockKeywordRows[kBlockKeywordCount] = {
    {"if", 2, false, true, false},       {"else", -1, false, true, false},  {"endif", -1, true, false, true},
    {"do", 5, false, true, true},        {"exit", -1, false, true, false},  {"loop", -1, true, true, false},
    {"for", 7, false, true, false},      {"next", -1, true, true, false},   {"while", 9, false, true, false},
    {"endwhile", -1, true, true, false}, {"repeat", 11, false, true, true}, {"until", -1, true, true, false},
};

// The id of the last statement with this name, 0 when there is none.
int32_t LookUpBlockKeywordId(const ParserDatabase& database, std::string_view name) {
  int32_t id = 0;
  for (const StatementEntry& statement : database.statements) {
    if (statement.name == name) id = statement.id;
  }
  return id;
}

}  // namespace

std::string_view LoadCommandSetResource(int32_t resourceId) {
  if (resourceId != kCommandSetResourceId) return {};
  return {reinterpret_cast<const char*>(qm_command_set_database),
          static_cast<std::size_t>(qm_command_set_database_size)};
}

DatabaseBuildResult CreateParserDatabase(ParserDatabase& database, int32_t resourceId) {
  return CreateParserDatabaseFromText(database, LoadCommandSetResource(resourceId));
}

DatabaseBuildResult CreateParserDatabaseFromText(ParserDatabase& database, std::string_view text) {
  ClearTables(database);
  if (text.empty()) return Failure("command set database missing or empty");
  if (text.substr(0, kCommandSetHeader.size()) != kCommandSetHeader) {
    return Failure("command set database: the text does not start with \"" + std::string(kCommandSetHeader) +
                   "\"");
  }
  // Each table is allocated once: no more entries than the text has room for (an entry line
  // holds at least "n%1%0"), nor than the table holds.
  const std::size_t room = text.size() / 5 + 1;
  database.statements.reserve(std::min<std::size_t>(room, kMaxStatementEntries));
  database.valueCommands.reserve(std::min<std::size_t>(room, kMaxValueCommandEntries));
  std::string name, signature;
  DatabaseBuildResult result = ForEachEntryLine(text, [&](const EntryFields& entry) {
    LowerCasedInto(entry.name, name);
    NormalisedSignatureInto(entry.signature, signature);
    if (entry.ValueCommand()) {
      AddValueCommandEntry(database, name, entry.id, signature);
    } else {
      AddStatementEntry(database, name, entry.id, signature);
    }
  });
  // Only a text that parses whole fills the tables: a malformed text leaves them empty.
  if (!result) ClearTables(database);
  return result;
}

void AddStatementEntry(ParserDatabase& database, std::string_view name, int32_t id,
                       std::string_view signature) {
  if (database.StatementCount() >= kMaxStatementEntries) return;
  database.statements.push_back({std::string(name), std::string(signature), id, false});
}

void AddValueCommandEntry(ParserDatabase& database, std::string_view name, int32_t id,
                          std::string_view signature) {
  if (database.ValueCommandCount() >= kMaxValueCommandEntries) return;
  if (!name.empty() && name.back() == '[') name.remove_suffix(1);
  if (!name.empty() && name.front() == '@' && database.firstArrayReadIndex < 0) {
    database.firstArrayReadIndex = database.ValueCommandCount();
  }
  database.valueCommands.push_back({std::string(name), std::string(signature), id});
}

void BuildBlockKeywordTable(ParserDatabase& database) {
  for (int32_t index = 0; index < kBlockKeywordCount; ++index) {
    const BlockKeywordRow& row = kBlockKeywordRows[index];
    database.blockKeywords[index] = {row.name,        LookUpBlockKeywordId(database, row.name),
                                     row.closedBy,    row.closesBlock,
                                     row.jumpOperand, row.marker};
  }
  for (StatementEntry& statement : database.statements) {
    statement.blockKeyword = FindBlockKeywordByCommandId(database, statement.id) >= 0;
  }
}

int32_t FindBlockKeywordByCommandId(const ParserDatabase& database, int32_t id) {
  if (id == 0) return -1;
  for (int32_t index = 0; index < kBlockKeywordCount; ++index) {
    if (database.blockKeywords[index].commandId == id) return index;
  }
  return -1;
}

int32_t FindCommandNameById(const ParserDatabase& database, int32_t id, std::string& name) {
  if (id != 0) {
    for (int32_t index = 0; index < database.StatementCount(); ++index) {
      if (database.statements[index].id == id) {
        name = database.statements[index].name;
        return index;
      }
    }
  }
  return database.StatementCount();
}

char GetCommandSignatureLetter(const ParserDatabase& database, int32_t index, int32_t position) {
  if (index < 0 || index >= database.StatementCount() || position < 0) return 0;
  const std::string& signature = database.statements[index].signature;
  return static_cast<std::size_t>(position) < signature.size() ? signature[position] : 0;
}

}  // namespace qm
