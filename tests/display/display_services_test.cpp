// The display subsystem's services as the run loop uses them.
#include "display/display_services.h"

#include <gtest/gtest.h>

#include <string>

#include "display/engine_error_log.h"
#include "display/engine_tables.h"
#include "runtime/core_fixture.h"

namespace qm::test {
namespace {

class DisplayServicesTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    FreeEngineTables();
    ClearLastEngineError();
    display_.services.display = &DisplayCore();
    Install({&display_});
  }
  void TearDown() override {
    FreeEngineTables();
    ClearLastEngineError();
    CoreTest::TearDown();
  }

  Subsystem display_;
};

TEST_F(DisplayServicesTest, TheFirstRunSetUpCreatesTheTablesAndEveryOneEmptiesThem) {
  Services().display->InitGameData();
  ASSERT_TRUE(ImageTable.Exists());
  EXPECT_EQ(ImageTable.UsedCount(), 1);
  for (int i = 0; i < 10; ++i) NewImage();
  Services().display->FreeGameData();
  Services().display->InitGameData();
  EXPECT_EQ(ImageTable.UsedCount(), 1);
  EXPECT_EQ(ImageTable.Capacity(), 32) << "the grown capacity stays";
}

TEST_F(DisplayServicesTest, TheSystemErrorTextEndsWithTheLastEngineError) {
  LogEngineError("Failed to create a Clipper Object");
  PendingErrorCode = kErrorScreenAreas;
  const std::string text = FormatRuntimeErrorText();
  EXPECT_EQ(text.rfind("System Error : ", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 35), ". Failed to create a Clipper Object") << text;
}

}  // namespace
}  // namespace qm::test
