// Every handler an installed subsystem registers names a command of the embedded command-set
// database by its id, name and signature: the check walks the installed list, so a subsystem
// added to the list is checked with no other edit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/system_subsystems.h"
#include "compiler/command_registration_check.h"
#include "resources/command_ids.h"
#include "runtime/subsystem.h"

namespace qm {
namespace {

class CommandDatabaseRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    const DatabaseBuildResult built = CreateParserDatabase(database);
    ASSERT_TRUE(built.ok) << built.error;
  }
  void TearDown() override { InstallSubsystems({}); }

  ParserDatabase database;
};

TEST_F(CommandDatabaseRegistration, TheSystemsSubsystemsAgreeWithTheDatabase) {
  InstallSubsystems(SystemSubsystems());
  EXPECT_EQ(CheckInstalledSubsystems(database), std::vector<std::string>{});
}

// A later subsystem: one right row and one whose signature disagrees with the database.
Pc Nothing(Pc at) { return at + 1; }
constexpr CommandRegistration kLaterRows[] = {
    {kCmdCls, "cls", "0", Nothing},
    {kCmdRandomize, "randomize", "F", Nothing},
};
constexpr CommandFamily kLaterFamily{kLaterRows, {}};
constexpr const CommandFamily* kLaterFamilies[] = {&kLaterFamily};
constexpr Subsystem LaterSubsystem() {
  Subsystem subsystem;
  subsystem.name = "later";
  subsystem.families = kLaterFamilies;
  return subsystem;
}
constexpr Subsystem kLaterSubsystem = LaterSubsystem();

TEST_F(CommandDatabaseRegistration, ASubsystemAddedToTheListIsCheckedWithNoOtherEdit) {
  std::vector<const Subsystem*> list(SystemSubsystems().begin(), SystemSubsystems().end());
  list.push_back(&kLaterSubsystem);
  InstallSubsystems(list);
  const std::vector<std::string> problems = CheckInstalledSubsystems(database);
  ASSERT_EQ(problems.size(), 1u) << ::testing::PrintToString(problems);
  EXPECT_NE(problems[0].find("later"), std::string::npos) << problems[0];
  EXPECT_NE(problems[0].find("randomize"), std::string::npos) << problems[0];
}

}  // namespace
}  // namespace qm
