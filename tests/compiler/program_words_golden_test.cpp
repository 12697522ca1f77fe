// Golden fingerprints of what the compiler makes of large generated programs: every program word,
// the source line beside it, and every literal's value; and the error report of a table of faulty
// statements. The fingerprints were taken with the compiler as it stood before its speed work, so
// any change to the words emitted, their numbering or the texts of errors shows up here, however
// the compiler gets there.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "compile_test_support.h"
#include "runtime/operand_numbers.h"

namespace qm::testing {
namespace {

// One line of a generated program; `n` counts lines. The mix covers assignments of every type,
// operators of every level with brackets, signs and blanks around them, calls of value commands
// and user functions, arrays, block structures of every kind, lists, DATA, labels and jumps.
std::string GeneratedLine(int n) {
  const std::string k = std::to_string(n % 97);
  const std::string j = std::to_string((n * 7) % 97);
  const std::string c = std::to_string(n % 311);
  const std::string label = "spot" + std::to_string(n / 40);
  switch (n % 40) {
    case 0:
      return label + ":";
    case 1:
      return "a" + k + " = b" + j + " * 2 + c" + k + " - " + c + " / 3 ^ 2";
    case 2:
      return "if a" + k + " >= b" + j + " and c" + k + " <> " + c + " or a" + k + " =< 4";
    case 3:
      return "  total = total + a" + k + " * (b" + j + " - (1 + c" + k + ")) / -2";
    case 4:
      return "else";
    case 5:
      return "  x# = x# / 2.5 + sqrt(abs(a" + k + ")) - -" + c + ".25";
    case 6:
      return "endif";
    case 7:
      return "for i = 1 to " + c + " step 2 : s = s + grid(3, i / 100) : next i";
    case 8:
      return "grid(" + std::to_string(n % 10) + ", 2) = a" + k + " + twice(b" + j + ") * grid(1,1)";
    case 9:
      return "print a" + k + "; b" + j + ", x#; \"t, ; : " + c + "\"";
    case 10:
      return "name$ = left$(name$ + str$(a" + k + "), 20) + \"(\" + mid$(name$, 2)";
    case 11:
      return "while s > " + c + " : s = s - 1 : endwhile";
    case 12:
      return "inc total, " + c + " : dec total";
    case 13:
      return "data " + c + ", 2.5, -" + c + ", \"d" + c + "\"";
    case 14:
      return "rem a comment " + c + " : not code";
    case 15:
      return "gosub " + label;
    case 16:
      return "if a" + k + " = 1 then b" + j + " = 2 else b" + j + " = 3 : c" + k + " = 4";
    case 17:
      return "select a" + k;
    case 18:
      return "  case 1, 2, " + c + " : d = 1 : endcase";
    case 19:
      return "  case default : d = 2 : endcase";
    case 20:
      return "endselect";
    case 21:
      return "repeat : r = r + 1 : until r > " + c + " or (r = 3 and s < 2)";
    case 22:
      return "do : r = r - 1 : if r < 0 then exit";
    case 23:
      return "loop";
    case 24:
      return "f# = f# * 1.5 - c" + k + " + int(x#) + rnd(10) / (2 + f#)";
    case 25:
      return "m$ = mix$(a" + k + ", f#, name$ + \"x\") + chr$(65 + a" + k + " / 26)";
    case 26:
      return "t = (((a" + k + " + 1) * (b" + j + " - 2)) > c" + k + ") + (1 < 2) + (3 => 2)";
    case 27:
      return "read q, q#, q$ : restore " + label;
    case 28:
      return "if name$ = \"abc\" then print \"yes\" : goto " + label;
    case 29:
      return "  `tick " + c;
    case 30:
      return "h = -" + c + " + a" + k + "*-2 - (-3) + b" + j;
    case 31:
      return "grid(a" + k + " / 10, b" + j + " / 10) = grid(1, 2) * -2 + grid(2, 1)";
    case 32:
      return "i# = " + c + " : i = i# : i$ = str$(i#) + str$(i)";
    case 33:
      return "print : print \"alone\" : print a" + k;
    case 34:
      return "cls : cls " + c;
    case 35:
      return "wait " + c;
    case 36:
      return "p = len(m$) + asc(m$) + val(\"" + c + "\")";
    case 37:
      return "e = a" + k + " ^ 2 ^ 1 - b" + j + " * c" + k + " / 4 + 7 - 8";
    case 38:
      return "twice(a" + k + ")";
    default:
      return "u = a" + k + " & b" + j + " | c" + k + " ! 3";
  }
}

std::string GeneratedProgram(int lines) {
  std::string program = "dim grid(10, 10)\ntotal = 0\nname$ = \"n\"\n";
  for (int n = 0; n < lines; ++n) program += GeneratedLine(n) + "\n";
  program += "end\n";
  program += "function twice(v)\nendfunction v * 2\n";
  program += "function mix$(a, b#, c$)\n  if a > b# then exitfunction c$\nendfunction c$ + str$(a)\n";
  return program;
}

// FNV-1a over 32-bit values.
class Fingerprint {
 public:
  void Add(int32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash_ ^= static_cast<uint32_t>(value) >> shift & 0xffu;
      hash_ *= 0x100000001b3u;
    }
  }
  void Add(std::string_view text) {
    Add(static_cast<int32_t>(text.size()));
    for (const char c : text) Add(static_cast<int32_t>(static_cast<unsigned char>(c)));
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 0xcbf29ce484222325u;
};

class ProgramWordsGoldenTest : public CompilerTest {
 protected:
  uint64_t CompiledFingerprint() const {
    Fingerprint print;
    for (int32_t i = 0; i < parser.WordCount(); ++i) {
      print.Add(parser.ProgramWordAt(i));
      print.Add(parser.LineWordAt(i));
    }
    const CompileCounters& end = parser.ProgramEndCounters();
    for (OperandNumber number = kIntLiterals; number < end.nextIntLiteral; ++number) {
      print.Add(parser.LiteralValue(number).i);
    }
    for (OperandNumber number = kFloatLiterals; number < end.nextFloatLiteral; ++number) {
      print.Add(parser.LiteralValue(number).i);
    }
    for (OperandNumber number = kStringLiterals; number < end.nextStringLiteral; ++number) {
      print.Add(parser.LiteralText(number));
    }
    for (OperandNumber number = kDataItems; number < end.nextData; ++number) {
      // A text item's cell points at its text: the text is fingerprinted, not the address.
      const char letter = parser.DataTypeLetter(number - kDataItems);
      print.Add(letter);
      if (letter == 's')
        print.Add(parser.LiteralText(number));
      else
        print.Add(parser.LiteralValue(number).i);
    }
    return print.Value();
  }
};

TEST_F(ProgramWordsGoldenTest, GeneratedProgramsCompileToTheirKnownWords) {
  struct Case {
    int lines;
    uint64_t fingerprint;
  };
  const Case cases[] = {
      {40, 607870452622146351u},
      {4000, 17375679267037817490u},
  };
  for (const Case& c : cases) {
    CompileOrFail(GeneratedProgram(c.lines));
    EXPECT_EQ(CompiledFingerprint(), c.fingerprint) << c.lines << " lines";
  }
}

// Each faulty statement follows a good line, so its report names line 2.
TEST_F(ProgramWordsGoldenTest, FaultyStatementsKeepTheirReports) {
  const char* const statements[] = {
      "a = (1 + 2",
      "a = 1 + 2)",
      "a = 1 +",
      "a = * 2",
      "a = b$ + 1",
      "a$ = 1",
      "a = 3 4",
      "a = sqrt()",
      "a = left$(1, 2)",
      "a = nosuch(1) + 2",
      "a = \"x\" * 2",
      "a = ?1",
      "5 = a",
      "a = 1 +* 2",
      "a = 1 ==  2",
      "a = ((((1))))) + 2",
      "a = twice(1, 2)",
      "a = twice(\"s\")",
      "grid(1 = 2",
      "undeclared(1) = 2",
      "for a# = 1 to 2",
      "next",
      "goto 12",
      "goto nowhere",
      "print a; b,, c",
      "cls \"x\"",
      "wait 1, 2, 3",
      "endwhile",
      "else",
      "case 1",
      "if a then",
      "data a",
      "inc 1",
      "dim",
      "function",
      "a = 1 : b = : c = 2",
      "a = mid$(\"abc\", 1 + , 2)",
      "a = len(\"a\" + 1)",
      "a = 1 and",
      "a = 1 <> 2 <>",
  };
  Fingerprint print;
  for (const char* statement : statements) {
    const std::string program =
        "dim grid(3)\n" + std::string(statement) + "\nend\nfunction twice(v)\nendfunction v * 2\n";
    const bool compiled = Compile(program);
    print.Add(compiled ? 1 : 0);
    print.Add(parser.ErrorTextWithLine());
    if (compiled) print.Add(static_cast<int32_t>(CompiledFingerprint()));
  }
  EXPECT_EQ(print.Value(), 6030865155289399566u);
}

}  // namespace
}  // namespace qm::testing
