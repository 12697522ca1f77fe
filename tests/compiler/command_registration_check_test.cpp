// The check that keeps the registered command handlers in step with the command-set database.
#include "compiler/command_registration_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

Pc HandlerA(Pc at) { return at; }
Pc HandlerB(Pc at) { return at + 1; }

const ParserDatabase& Database() {
  static const ParserDatabase database = [] {
    ParserDatabase built;
    EXPECT_TRUE(CreateParserDatabase(built).ok);
    return built;
  }();
  return database;
}

TEST(CommandRegistrationCheck, MatchingRegistrationsPass) {
  const CommandRegistration rows[] = {
      {1, "if", "l", HandlerA},
      {9, "while", "l", HandlerA},  // one handler shared by several ids
      {1002, "load bitmap", "sl", HandlerB},
      {246, "position mouse", "ll", HandlerB},
      {390, "rnd", "ll", HandlerA},           // a value command, result letter first
      {249, "RND[", "FL", HandlerB},          // case and the closing "[" do not matter
      {7264, "copy object", "ll", HandlerA},  // handler-only ids have no row to compare
      {9990, "", "0", HandlerA},
      {1002, "load bitmap", "sl", HandlerB},  // the same registration twice is harmless
  };
  EXPECT_EQ(CheckRegistrationsAgainstDatabase(Database(), rows), std::vector<std::string>{});
}

TEST(CommandRegistrationCheck, MismatchedRegistrationsAreEachReported) {
  const CommandRegistration rows[] = {
      {1001, "load bitmap", "sl", HandlerA},     // wrong signature
      {1002, "save bitmap", "sl", HandlerA},     // wrong name
      {4242, "no such command", "0", HandlerA},  // unknown id
      {201, "abs", "ff", HandlerA},              // a signature of the other ABS row
      {212, "cls", "0", HandlerA},
      {212, "cls", "0", HandlerB},  // the same id with two handlers
  };
  const std::vector<std::string> mismatches = CheckRegistrationsAgainstDatabase(Database(), rows);
  const std::vector<std::string> expected = {
      "id 1001 \"load bitmap\" sl: the database has \"load bitmap\" s",
      "id 1002 \"save bitmap\" sl: the database has \"load bitmap\" sl",
      "id 4242 \"no such command\" 0: no database row has this id",
      "id 201 \"abs\" ff: the database has \"abs\" lf",
      "id 212 \"cls\" 0: registered twice with different handlers",
  };
  EXPECT_EQ(mismatches, expected);
}

TEST(CommandRegistrationCheck, AnIdWithTwoRowsNamesBothWhenNeitherMatches) {
  const CommandRegistration rows[] = {{246, "rem", "e", HandlerA}};
  EXPECT_EQ(CheckRegistrationsAgainstDatabase(Database(), rows),
            std::vector<std::string>{"id 246 \"rem\" e: the database has \"position mouse\" ll or \"`\" e"});
}

TEST(CommandRegistrationCheck, ListsTheDatabaseIdsThatHaveNoHandler) {
  ParserDatabase database;
  ASSERT_TRUE(CreateParserDatabaseFromText(
                  database, std::string(kCommandSetHeader) + "\r\nCLS%212%0\r\nCLS%405%L\r\nRND[%390%LL\r\n")
                  .ok);
  const CommandRegistration rows[] = {{405, "cls", "l", HandlerA}, {7264, "copy object", "ll", HandlerA}};
  EXPECT_EQ(CommandIdsWithoutHandler(database, rows), (std::vector<int32_t>{212, 390}));
}

}  // namespace
}  // namespace qm
