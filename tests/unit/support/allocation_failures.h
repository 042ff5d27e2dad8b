// A fixture for tests that make allocations fail: whatever a test arms is switched off again, so
// a failing check never leaves later tests without memory.
#pragma once

#include <gtest/gtest.h>

#include "base/allocator.h"

namespace fake {

class AllocationFailures : public ::testing::Test {
protected:
  void TearDown() override { vorlane::fail_allocation(0, false); }
};

} // namespace fake
