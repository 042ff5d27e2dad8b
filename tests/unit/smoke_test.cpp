#include <gtest/gtest.h>

#include "entry/component_client.h"

TEST(Client, VersionIs35) {
  EXPECT_EQ(35, vorlane::component_client.version());
}
