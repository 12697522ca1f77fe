// Function tables of libraries opened at first use: a library that is missing or lacks a function
// gives no table and a reason that names it, every time it is asked for.
#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace qm::platform {
namespace {

#define QM_TEST_FUNCTIONS(X) \
  X(strlen)                  \
  X(atoi)

QM_LIBRARY_TABLE(TestFunctions, QM_TEST_FUNCTIONS)

// A resolver asking for a function the C library does not have.
bool ResolveMissingFunction(const LibraryHandle& library, TestFunctions& table, std::string& error) {
  void* address = FindLibrarySymbol(library, "qm_no_such_function", error);
  table.strlen = reinterpret_cast<decltype(table.strlen)>(address);
  return address != nullptr;
}

TEST(LibraryTable, AnOpenedLibraryGivesItsFunctions) {
  LibraryTable<TestFunctions> libc("libc.so.6", TestFunctions::Resolve);
  std::string why = "untouched";
  const TestFunctions* table = libc.Load(&why);
  ASSERT_NE(table, nullptr) << why;
  EXPECT_EQ(why, "untouched");
  EXPECT_EQ(table->strlen("four"), 4u);
  EXPECT_EQ(libc.Functions().atoi("-3"), -3);
  EXPECT_EQ(libc.Load(), table);
}

TEST(LibraryTable, AnUnusableLibraryGivesNoTableAndItsReasonEachTime) {
  struct Case {
    const char* library;
    LibraryTable<TestFunctions>::Resolver resolve;
    const char* reasonPart;
  };
  const Case cases[] = {
      {"libqm-missing-library.so.0", TestFunctions::Resolve,
       "the library libqm-missing-library.so.0 could not be opened"},
      {"libc.so.6", ResolveMissingFunction, "libc.so.6 lacks qm_no_such_function"},
  };
  for (const Case& c : cases) {
    LibraryTable<TestFunctions> table(c.library, c.resolve);
    for (int attempt = 0; attempt < 2; ++attempt) {
      std::string why;
      EXPECT_EQ(table.Load(&why), nullptr) << c.library;
      EXPECT_NE(why.find(c.reasonPart), std::string::npos) << why;
    }
    EXPECT_EQ(table.Functions().strlen, nullptr) << c.library;
  }
}

}  // namespace
}  // namespace qm::platform
