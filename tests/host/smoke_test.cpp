#include <gtest/gtest.h>

#include "session/host.h"

TEST(Host, LoadsVorlane) {
  tessaly::Host host({});
  ASSERT_TRUE(host.start());
  ASSERT_NE(nullptr, host.find_module("vorlane"));
}
