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

// Brackets are compiled innermost first, each becoming the operand of what surrounds it. Each
// statement's report and words were fingerprinted with the compiler as it stood when brackets
// were compiled by rewriting the text: nesting, neighbouring brackets, calls inside and beside
// brackets, signs after brackets, brackets in quotes, and the limit on the text's length as the
// brackets' results take their places.
TEST_F(ProgramWordsGoldenTest, BracketedExpressionsKeepTheirWordsAndReports) {
  // "b" and `count` more bracketed operands added to it.
  auto sumOfBrackets = [](int count, const std::string& inner) {
    std::string text = "b";
    for (int i = 0; i < count; ++i) text += "+(" + inner + ")";
    return text;
  };
  struct Case {
    std::string statement;
    uint64_t fingerprint;
  };
  const Case cases[] = {
      {"a = (1 + 2) * 3", 17843864167221220556u},
      {"a = ((1 + 2) * (3 - 4)) / (5)", 14846439565138862073u},
      {"a = (b + (c * (d - (e / 2))))", 14447623151617183148u},
      {"a = ((((b))))", 16037586590723790975u},
      {"a = (1)+(2)*(3)^(2)", 8535937992854428312u},
      {"a = 1 - (2) - (3)", 18411196909648457236u},
      {"a = (b > 1) + (c <= 2) * (d => 3) - (e <> 4)", 8395996841670384110u},
      {"a# = (1.5 + (b# * 2)) / (c# - 0.5)", 7560469317062250389u},
      {"a$ = (b$ + (c$ + \"x\"))", 3593293884244175799u},
      // Signs before and after brackets.
      {"a = -(b + 1)", 9828543154857670523u},
      {"a = 2 * -(b)", 4628554074157948787u},
      {"a = -(-(-b))", 7360200734388440908u},
      {"a = (b) -1", 10107434518653639929u},
      {"a = (b)- -1", 6815365395157133985u},
      {"a = (b)*-(c)", 7360200734388440908u},
      {"a = (-1) - -(2)", 9403680422640808369u},
      {"a = (b)-(c)", 11223858664588645178u},
      {"a = b-(c)", 15527258428406455158u},
      {"a = (b)^-2", 3539217910422244388u},
      // Calls inside brackets and brackets inside calls.
      {"a = twice((b + 1) * 2)", 10481832436334634989u},
      {"a = (twice(b) + sqrt(abs(c)))", 1963342142945471860u},
      {"a = grid((1), (2))", 8032179124888511120u},
      {"a = (grid(1, (2 + b)) + 1)", 9851677020726383348u},
      {"a = ((twice((b))) * (grid((1), 2)))", 14448000279016985151u},
      {"a = len(\"(\" + \")\") + (1)", 13578003314059750469u},
      {"a = (len(\"((\"))", 17441123583151797967u},
      // Brackets in quoted texts are text.
      {"a$ = \"(\" + (b$ + \")\")", 14902897494400867404u},
      {"a$ = (\"(()\" + \")\")", 8692122158641949155u},
      {"a$ = \")\" + (\"(\")", 9983421700250561520u},
      // A bracket directly after a name, a number or another bracket.
      {"a = twice(b)(c)", 4084636408652774842u},
      {"a = (b)(c)", 4084636408652774842u},
      {"a = (b)(c)(d)", 4084636408652774842u},
      {"a = ((b))((c))", 4084636408652774842u},
      {"a = (b)((c) + 1)", 4084636408652774842u},
      {"a = (grid)(1)", 4084636408652774842u},
      {"a = (b)5", 4084636408652774842u},
      {"a = 5(b)", 1704618367291733924u},
      {"a = b (1)", 8862422865393149490u},
      {"a = b(1)", 15590321668652404518u},
      {"a = (b) (c)", 4084636408652774842u},
      {"a = b + c (d)(e)", 12522892439768857411u},
      {"a = (b)(c) + (d)", 4084636408652774842u},
      {"a = (b)+(c)(d)", 4084636408652774842u},
      {"a = (1, 2)", 4084636408652774842u},
      {"a = (\"x\"(1))", 8862422865393149490u},
      {"a = (twice)(1)", 4084636408652774842u},
      // Empty, unbalanced and unfinished brackets.
      {"a = ()", 4084636408652774842u},
      {"a = (1 + ())", 4084636408652774842u},
      {"a = (1 +) * 2", 4084636408652774842u},
      {"a = (1 + 2", 7923648975373813660u},
      {"a = 1 + 2)", 7923648975373813660u},
      {"a = )(", 7923648975373813660u},
      {"a = (1))(", 7923648975373813660u},
      {"a = twice(1", 7923648975373813660u},
      {"a = (\"(\")", 1178540566890822770u},
      {"a = (\")\"", 7923648975373813660u},
      {"a = (1 + \"(\")", 5735513571090459666u},
      {"a = ((1) + (\"x\"))", 10611307548876173653u},
      {"a = (b$) + 1", 8862422865393149490u},
      // Brackets in the statements that take expressions.
      {"if (a > 1) and (b < 2) then c = (1)", 17130623574716168959u},
      {"print (a + 1); (b$); -(c)", 16094102051643246707u},
      {"for i = (1) to (a + 2) step (-1) : next i", 933850595695837534u},
      {"grid((1 + 1)) = (2)", 11060073049159837180u},
      {"while (a) : endwhile", 13903997417456814304u},
      // Results taking the brackets' places lengthen or shorten the text.
      {"a = " + sumOfBrackets(60, "b"), 3201126095022560293u},
      {"a = " + sumOfBrackets(37, "b"), 3201126095022560293u},
      {"a = " + sumOfBrackets(36, "b"), 617731725257292512u},
      {"a = " + sumOfBrackets(22, "b"), 331859593353365848u},
      {"a = " + sumOfBrackets(21, "b"), 10976499933091931160u},
      {"a = " + sumOfBrackets(16, "bbbbbbbbbbbb"), 16516496700226564452u},
      {"a = " + sumOfBrackets(16, "(bbbbbbbbbb)"), 16516496700226564452u},
      {"a = " + sumOfBrackets(5, "(((((b)))))"), 8108330337155548266u},
  };
  for (const Case& c : cases) {
    const std::string program =
        "dim grid(3)\n" + c.statement + "\nend\nfunction twice(v)\nendfunction v * 2\n";
    Fingerprint print;
    const bool compiled = Compile(program);
    print.Add(compiled ? 1 : 0);
    print.Add(parser.ErrorTextWithLine());
    print.Add(static_cast<int32_t>(CompiledFingerprint()));
    EXPECT_EQ(print.Value(), c.fingerprint) << c.statement;
  }
}

}  // namespace
}  // namespace qm::testing
