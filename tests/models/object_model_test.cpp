// The object model's operations that the display reset uses.
#include "models/object_model.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ObjectModelTest, LimbTexturesAreKeptPerLimbAndLimbsOutsideTheModelRefused) {
  ObjectModel model(3);
  EXPECT_EQ(model.SetLimbTexture(1, 7), 1);
  EXPECT_EQ(model.SetLimbTexture(3, 9), 1);
  EXPECT_EQ(model.SetLimbTexture(3, 0), 1) << "0 leaves the limb untextured";
  for (int32_t limb : {0, 4, -1}) EXPECT_EQ(model.SetLimbTexture(limb, 5), 0) << limb;
  EXPECT_EQ(model.LimbTexture(1), 7);
  EXPECT_EQ(model.LimbTexture(2), 0);
  EXPECT_EQ(model.LimbTexture(3), 0);
  EXPECT_EQ(ObjectModel().SetLimbTexture(1, 7), 0) << "an empty model fails";
}

}  // namespace
}  // namespace qm
