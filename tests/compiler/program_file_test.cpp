// The compiled program file: its exact layout as the compiler writes it, the image the stand-alone
// runtime builds from it (the same the loader builds from the open compiler), and damaged files
// refused before anything of them is used.
#include "runtime/program_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/system_subsystems.h"
#include "compiler/compile.h"
#include "compiler/program_file_writer.h"
#include "runtime/operand_numbers.h"
#include "runtime/program_image.h"
#include "tests/platform/temp_folder.h"

namespace qm {
namespace {

uint32_t DwordAt(const std::string& file, uint64_t index) {
  uint32_t value = 0;
  std::memcpy(&value, file.data() + index * 4, 4);
  return value;
}

void PutDword(std::string& file, uint64_t index, uint32_t value) { std::memcpy(&file[index * 4], &value, 4); }

class ProgramFileTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallSubsystems(SystemSubsystems()); }
  void TearDown() override {
    FreeProgramImage();
    InstallSubsystems({});
  }

  // Compiles `source` with the program file written; the file's bytes (empty when none).
  std::string CompileToFile(const std::string& source, bool expectCompiled = true) {
    folder_.Write("p.qma", source);
    CompileOptions options;
    options.file = folder_ / "p.qma";
    const CompileOutcome outcome = Compile(parser_, options, folder_ / "p.dat");
    EXPECT_EQ(outcome.Compiled(), expectCompiled) << outcome.report;
    return folder_.Read("p.dat");
  }

  platform::testing::TempFolder folder_;
  Parser parser_;
};

TEST_F(ProgramFileTest, SectionsAreLaidOutExactly) {
  // No literals, DATA or variables: only the word 0 that ends the program.
  std::string file = CompileToFile("");
  ASSERT_EQ(file.size() % 4, 0u);
  const uint32_t expectedHeader[12] = {1, 1024, 1024, 1024, 0, 1025, 0, 1029, 0, 0, 0, 3};
  for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(DwordAt(file, i), expectedHeader[i]) << "dword " << i;
  const uint64_t words = parser_.ProgramEndCounters().programWrite;
  EXPECT_EQ(file.size(), 4 * (1029 + 2 * words));
  EXPECT_EQ(DwordAt(file, 1029 + words - 1), 0u);

  // Two string literals of two and one characters: their texts and zeros, then zero padding.
  file = CompileToFile("a$ = \"ab\"\nb$ = \"c\"\n");
  ASSERT_EQ(DwordAt(file, 4), 2u);
  EXPECT_EQ(DwordAt(file, 5) - DwordAt(file, 3), 2u);
  EXPECT_EQ(file.substr(DwordAt(file, 3) * 4, 8), std::string("ab\0c\0\0\0\0", 8));

  // A string DATA item of three characters takes two dwords: the text, its zero and four zeros.
  file = CompileToFile("data \"xyz\"\n");
  ASSERT_EQ(DwordAt(file, 6), 1u);
  const uint32_t letters = DwordAt(file, 5);
  EXPECT_EQ(file[letters * 4], 's');
  EXPECT_EQ(file.substr((letters + 1) * 4, 8), std::string("xyz\0\0\0\0\0", 8));
  EXPECT_EQ(DwordAt(file, 7) - DwordAt(file, 11), letters + 1 + 2);
}

TEST_F(ProgramFileTest, AFailedCompileStillWritesAWellFormedFile) {
  const std::string file = CompileToFile("print 1\nprint 2\nthis is no statement\nprint 3\n", false);
  ASSERT_GE(file.size(), 4u * 1029);
  const uint64_t rest = file.size() / 4 - DwordAt(file, 7);
  ASSERT_EQ(rest % 2, 0u);
  const uint64_t words = rest / 2;
  EXPECT_EQ(DwordAt(file, DwordAt(file, 7) + words - 1), 0u);  // the program ends with the word 0
  // The line words say that the words before the end come from the first two lines.
  EXPECT_EQ(DwordAt(file, DwordAt(file, 7) + words + words - 2), 2u);
  std::string error;
  EXPECT_NE(ReadCompiledProgramFile(file, &error), nullptr) << error;
}

// The image as the interpreter sees it: every cell the program's tables fill (texts by their
// text), the DATA letters, the scope tables and the program and line words.
struct ImageSnapshot {
  std::vector<std::string> cells;
  std::string letters;
  std::vector<int32_t> scopes, words, lines;
  int32_t dataCount = 0;
  bool operator==(const ImageSnapshot&) const = default;
};

ImageSnapshot Snapshot(const ParsedProgram& program) {
  ImageSnapshot snapshot;
  if (!CreateQuillmoorBlocksFromParser(program)) {
    ADD_FAILURE() << ProgramVerificationError();
    return snapshot;
  }
  const CompileCounters& end = program.ProgramEndCounters();
  const auto number = [&](int32_t n) { return std::to_string(ProgramImage.dataBlock[CellIndexOf(n)].i); };
  const auto text = [&](int32_t n) { return std::string("$") + ProgramImage.dataBlock[CellIndexOf(n)].s; };
  for (int32_t n = kIntLiterals; n < end.nextIntLiteral; ++n) snapshot.cells.push_back(number(n));
  for (int32_t n = kFloatLiterals; n < end.nextFloatLiteral; ++n) snapshot.cells.push_back(number(n));
  for (int32_t n = kStringLiterals; n < end.nextStringLiteral; ++n) snapshot.cells.push_back(text(n));
  for (int32_t n = kStringVariables; n < end.nextStringVariable; ++n) snapshot.cells.push_back(text(n));
  snapshot.dataCount = ProgramImage.dataCount;
  for (int32_t item = 0; item < ProgramImage.dataCount; ++item) {
    const char letter = ProgramImage.dataTypeTable[item];
    snapshot.letters += letter;
    snapshot.cells.push_back(letter == 's' ? text(kDataItems + item) : number(kDataItems + item));
  }
  for (int type = 0; type < 3; ++type) {
    snapshot.scopes.push_back(ProgramImage.variableCounts[type]);
    for (int32_t i = 0; i < ProgramImage.variableCounts[type]; ++i) {
      snapshot.scopes.push_back(ProgramImage.scopeTables[type][i]);
    }
  }
  snapshot.words.assign(ProgramImage.programBlock, ProgramImage.programBlock + end.programWrite);
  snapshot.lines.assign(ProgramImage.lineBlock, ProgramImage.lineBlock + end.programWrite);
  return snapshot;
}

constexpr const char* kRichProgram =
    "a = 7 : b# = 2.5 : c$ = \"hello\" : d$ = \"\"\n"
    "dim grid(3)\n"
    "gosub fill\n"
    "restore later\n"
    "read x, y#, z$\n"
    "print twice(a) ; c$ ; b# ; x ; y# ; z$\n"
    "end\n"
    "fill:\n"
    "grid(1) = -12\n"
    "return\n"
    "data 1, 2.5, \"first\"\n"
    "later:\n"
    "data 99, -0.125, \"second text of some length\"\n"
    "function twice(n)\n"
    "  m$ = \"in function\"\n"
    "endfunction n * 2\n";

TEST_F(ProgramFileTest, TheImageReadBackIsTheOneTheLoaderBuildsFromTheCompiler) {
  const std::string file = CompileToFile(kRichProgram);
  const ImageSnapshot fromCompiler = Snapshot(parser_);
  std::string error;
  auto loaded = ReadCompiledProgramFile(file, &error);
  ASSERT_NE(loaded, nullptr) << error;
  const ImageSnapshot fromFile = Snapshot(*loaded);
  EXPECT_FALSE(fromCompiler.words.empty());
  EXPECT_EQ(fromCompiler.letters, "lfslfs");
  EXPECT_TRUE(fromFile == fromCompiler);
  EXPECT_EQ(fromFile.cells, fromCompiler.cells);
  EXPECT_EQ(fromFile.scopes, fromCompiler.scopes);
  EXPECT_EQ(fromFile.words, fromCompiler.words);
  EXPECT_EQ(fromFile.lines, fromCompiler.lines);
  // The writer writes what it read back, byte for byte.
  EXPECT_EQ(CompiledProgramFileBytes(*loaded, loaded->ProgramEndCounters()), file);
}

TEST_F(ProgramFileTest, DamagedFilesAreRefused) {
  const std::string good = CompileToFile(kRichProgram);
  ASSERT_NE(ReadCompiledProgramFile(good, nullptr), nullptr);
  const uint32_t strings = DwordAt(good, 3), letters = DwordAt(good, 5), wordsAt = DwordAt(good, 7);
  const uint64_t words = (good.size() / 4 - wordsAt) / 2;
  struct Case {
    const char* what;
    std::string file;
  };
  std::vector<Case> cases = {
      {"empty", ""},
      {"header only", good.substr(0, 4096)},
      {"cut inside the program", good.substr(0, good.size() - 12)},
      {"one dword short (odd word count)", good.substr(0, good.size() - 4)},
      {"not whole dwords", good + "x"},
  };
  const auto changed = [&](const char* what, uint64_t dword, uint32_t value) {
    std::string file = good;
    PutDword(file, dword, value);
    cases.push_back({what, file});
  };
  changed("format 2", 0, 2);
  changed("format 0", 0, 0);
  changed("literals not after the header", 1, 1000);
  changed("float literals before integer ones", 2, 1000);
  changed("too many integer literals", 2, 1024 + 2001);
  changed("string section past the end", 3, 0x7fffffff);
  changed("too many strings", 4, 2001);
  changed("more strings than texts", 4, DwordAt(good, 4) + 40);
  changed("DATA letters past the end", 5, 0xfffffff0);
  changed("too many DATA items", 6, 10001);
  changed("program past the end", 7, 0xffffffff);
  changed("program before the scope tables", 7, letters);
  changed("too many variables", 8, 2001);
  changed("scope tables of the wrong size", 11, DwordAt(good, 11) + 1);
  changed("an unknown header field", 500, 1);
  changed("an unknown DATA letter", letters, 'q');
  changed("a jump past the end", wordsAt + 1, static_cast<uint32_t>(kWordAddresses + words));
  changed("a RESTORE past the DATA", wordsAt + 1, static_cast<uint32_t>(kDataItems + 7));
  changed("no word 0 at the end", wordsAt + words - 1, 5);
  changed("a scope count that differs", wordsAt - DwordAt(good, 11), 77);
  std::string noZero = good;
  for (uint32_t d = strings; d < letters; ++d) PutDword(noZero, d, 0x41414141);
  cases.push_back({"texts without their zeros", noZero});
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(ReadCompiledProgramFile(c.file, &error), nullptr) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  // Every shorter cut of the file is refused.
  for (size_t size = 0; size < good.size(); size += 4) {
    EXPECT_EQ(ReadCompiledProgramFile(std::string_view(good).substr(0, size), nullptr), nullptr) << size;
  }
}

}  // namespace
}  // namespace qm
