// generate_command_ids: writes the header of named command ids from the command-set text, so code
// names a command by what it is instead of by its number.
//
//   generate_command_ids resources/commands.txt build/generated/resources/command_ids.h
//
// Naming rule (one constant per row of the command-set text, value = the row's command id):
// - An operator (a name of symbols only, or an array access "@[" / "@=") is `kOp` + the operator's
//   word + its signature letters: "+[" LLL is kOpAddLLL, "=" LF is kOpAssignLF, "@[" SSL is
//   kOpArrayGetSSL.
// - Any other command is `kCmd` + its words in CamelCase (first letter of each blank-separated word
//   upper case, the rest lower case; digits kept; "$" written "Str", "#" "Hash", "`" "Backquote"):
//   "LOAD BITMAP" is kCmdLoadBitmap, "CHR$[" kCmdChrStr, "#INCLUDE" kCmdHashInclude.
// - When more than one row gives a command the same name (overloads, and a statement and a
//   value-returning command of one name), its signature letters follow, upper case, "0" (no
//   parameters) adding none: "LOAD BITMAP" SL is kCmdLoadBitmapSL, "ENDFUNCTION" 0 kCmdEndfunction.
// Two rows that would get one constant name, a character the rule has no word for, or a malformed
// row stop the generator with a message and a non-zero exit, which fails the build.
#include <cctype>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct CommandRow {
  std::string name;       // as written, "[" of a value-returning command removed
  std::string id;         // the decimal id as written
  std::string signature;  // upper case, as written
  int line = 0;
  std::string base;  // the constant's name without signature letters
};

struct OperatorWord {
  std::string_view symbols;
  std::string_view word;
};

constexpr OperatorWord kOperatorWords[] = {
    {"^", "Pow"},  {"/", "Div"},        {"*", "Mul"},       {"+", "Add"},
    {"-", "Sub"},  {"==", "Equal"},     {">", "Greater"},   {">=", "GreaterEqual"},
    {"<", "Less"}, {"<=", "LessEqual"}, {"!", "NotEqual"},  {"&", "And"},
    {"|", "Or"},   {"=", "Assign"},     {"@=", "ArraySet"}, {"@", "ArrayGet"},
};

struct SymbolWord {
  char symbol;
  std::string_view word;
};

constexpr SymbolWord kSymbolWords[] = {{'$', "Str"}, {'#', "Hash"}, {'`', "Backquote"}};

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::runtime_error("commands.txt line " + std::to_string(line) + ": " + what);
}

std::string OperatorBase(const CommandRow& row) {
  for (const OperatorWord& op : kOperatorWords) {
    if (row.name == op.symbols) return "kOp" + std::string(op.word);
  }
  return {};
}

std::string CommandBase(const CommandRow& row) {
  std::string base = "kCmd";
  bool wordStart = true;
  for (const char c : row.name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == ' ') {
      wordStart = true;
    } else if (std::isalnum(u)) {
      base += static_cast<char>(wordStart ? std::toupper(u) : std::tolower(u));
      wordStart = false;
    } else {
      bool known = false;
      for (const SymbolWord& symbol : kSymbolWords) {
        if (symbol.symbol == c) {
          base += symbol.word;
          known = true;
        }
      }
      if (!known) Fail(row.line, "no word for the character '" + std::string(1, c) + "' in " + row.name);
      wordStart = true;
    }
  }
  return base;
}

CommandRow ParseRow(const std::string& line, int lineNumber) {
  const std::size_t first = line.find('%');
  const std::size_t second = first == std::string::npos ? first : line.find('%', first + 1);
  if (second == std::string::npos) Fail(lineNumber, "not NAME%id%signature: " + line);
  CommandRow row;
  row.line = lineNumber;
  row.name = line.substr(0, first);
  if (!row.name.empty() && row.name.back() == '[') row.name.pop_back();
  row.id = line.substr(first + 1, second - first - 1);
  for (const char c : line.substr(second + 1)) {
    if (static_cast<unsigned char>(c) > ' ') row.signature += static_cast<char>(std::toupper(c));
  }
  if (row.name.empty() || row.id.empty() || row.id.find_first_not_of("0123456789") != std::string::npos) {
    Fail(lineNumber, "no name or no numeric id: " + line);
  }
  row.base = OperatorBase(row);
  const bool isOperator = !row.base.empty();
  if (!isOperator) row.base = CommandBase(row);
  return row;
}

std::vector<CommandRow> ReadRows(std::istream& in) {
  std::vector<CommandRow> rows;
  std::string line;
  for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == ';') continue;
    rows.push_back(ParseRow(line, lineNumber));
  }
  return rows;
}

// The constant name of each row: its base, with the signature letters when the base is shared or
// the row is an operator.
std::vector<std::string> ConstantNames(const std::vector<CommandRow>& rows) {
  std::map<std::string, int> rowsPerBase;
  for (const CommandRow& row : rows) ++rowsPerBase[row.base];
  std::vector<std::string> names;
  std::map<std::string, int> lineOfName;
  for (const CommandRow& row : rows) {
    std::string name = row.base;
    const bool withSignature = rowsPerBase[row.base] > 1 || row.base.starts_with("kOp");
    if (withSignature && row.signature != "0") name += row.signature;
    const auto [earlier, inserted] = lineOfName.emplace(name, row.line);
    if (!inserted) Fail(row.line, name + " is already the name of line " + std::to_string(earlier->second));
    names.push_back(name);
  }
  return names;
}

std::string HeaderText(const std::vector<CommandRow>& rows, const std::vector<std::string>& names) {
  std::ostringstream out;
  out << "// Generated from resources/commands.txt by tools/command_ids/generate_command_ids.cpp; edit\n"
         "// those, not this file. One constant per command-set row, holding the row's command id:\n"
         "// kOp + operator word + signature for operators (kOpAddLLL), kCmd + the command's words in\n"
         "// CamelCase for the others (\"$\" is Str, \"#\" Hash), followed by the signature letters when\n"
         "// more than one row gives the same name (kCmdLoadBitmapSL; a \"0\" signature adds none).\n"
         "#pragma once\n"
         "#include <cstdint>\n\n"
         "namespace qm {\n\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out << "inline constexpr int32_t " << names[i] << " = " << rows[i].id << ";  // " << rows[i].name << " "
        << rows[i].signature << "\n";
  }
  out << "\n}  // namespace qm\n";
  return out.str();
}

void WriteHeader(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: generate_command_ids COMMANDS.TXT OUTPUT.H\n";
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const std::vector<CommandRow> rows = ReadRows(in);
    WriteHeader(argv[2], HeaderText(rows, ConstantNames(rows)));
  } catch (const std::exception& e) {
    std::cerr << "generate_command_ids: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
