// Every handler the runtime registers names a command of the embedded command-set database by its
// id, name and signature.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/command_registration_check.h"
#include "runtime/command_dispatch.h"
#include "runtime/runtime_commands.h"

namespace qm {
namespace {

TEST(CommandDatabaseRegistration, RuntimeHandlersAgreeWithTheDatabase) {
  ParserDatabase database;
  const DatabaseBuildResult built = CreateParserDatabase(database);
  ASSERT_TRUE(built.ok) << built.error;
  ClearCommandRegistrations();
  RegisterRuntimeCommands();
  const std::vector<CommandRegistration> registered = RegisteredCommands();
  ClearCommandRegistrations();
  EXPECT_FALSE(registered.empty());
  EXPECT_EQ(CheckRegistrationsAgainstDatabase(database, registered), std::vector<std::string>{});
}

}  // namespace
}  // namespace qm
