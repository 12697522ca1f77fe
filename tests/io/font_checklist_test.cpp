// PERFORM CHECKLIST FOR FONTS: each family once, at most 255, the entries' values untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/checklist.h"
#include "io/io_commands.h"
#include "platform/display/fonts.h"

namespace qm::test {
namespace {

TEST(FontChecklistTest, EachFamilyOnceAndTheValuesUntouched) {
  ResetChecklist();
  Checklist.entries[0].a = 7;
  FillFontChecklist({"DejaVu Sans", "Liberation Serif", "DejaVu Sans", "dejavu sans"});
  EXPECT_EQ(Checklist.count, 3);
  EXPECT_EQ(Checklist.entries[0].text, "DejaVu Sans");
  EXPECT_EQ(Checklist.entries[1].text, "Liberation Serif");
  EXPECT_EQ(Checklist.entries[2].text, "dejavu sans");  // names compare exactly
  EXPECT_EQ(Checklist.entries[0].a, 7);
  EXPECT_EQ(Checklist.exists, 1);
  EXPECT_EQ(Checklist.hasStrings, 1);
  EXPECT_EQ(Checklist.hasValues, 0);
}

TEST(FontChecklistTest, AtMost255NamesAndNoneLeavesItMissing) {
  std::vector<std::string> many;
  for (int i = 0; i < 600; ++i) many.push_back("Family " + std::to_string(i));
  FillFontChecklist(many);
  EXPECT_EQ(Checklist.count, 255);
  FillFontChecklist({});
  EXPECT_EQ(Checklist.count, 0);
  EXPECT_EQ(Checklist.exists, 0);
}

TEST(FontChecklistTest, TheSystemsFamiliesAreListedUnique) {
  FillFontChecklist(platform::EnumFontFamilies());
  for (int32_t i = 0; i < Checklist.count; ++i) {
    for (int32_t j = 0; j < i; ++j) EXPECT_NE(Checklist.entries[i].text, Checklist.entries[j].text);
  }
  ResetChecklist();
}

}  // namespace
}  // namespace qm::test
