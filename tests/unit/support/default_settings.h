// A fixture that puts the module's four settings back to their defaults before and after each
// test: they are process-wide, and a test that changes them must not leak into the next one.
#pragma once

#include <gtest/gtest.h>

#include "base/allocator.h"
#include "config/config_var.h"

namespace fake {

inline void restore_default_settings() {
  vorlane::settings::header.set_text("");
  vorlane::settings::footer.set_text("");
  vorlane::settings::format.set_text("");
  vorlane::settings::autocrlf.set_value(1);
}

class DefaultSettings : public ::testing::Test {
protected:
  void SetUp() override { restore_default_settings(); }
  void TearDown() override {
    vorlane::fail_allocation(0, false);
    restore_default_settings();
  }
};

} // namespace fake
