// Every host test ends with everything given back: a test that leaves a service reference, a
// track handle, a file or an output-format object outstanding fails.
#include <gtest/gtest.h>

#include "diag/audit.h"

namespace {

class AuditEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    before_ = tessaly::Audit::instance().report();
  }
  void OnTestEnd(const ::testing::TestInfo& test) override {
    std::string after = tessaly::Audit::instance().report();
    // What was outstanding before the test is that test's predecessor's fault, reported there.
    if (after != before_ && !after.empty()) {
      std::fprintf(stderr, "audit: %s.%s left outstanding: %s\n", test.test_suite_name(),
                   test.name(), after.c_str());
      ++failures_;
    }
  }
  void OnTestProgramEnd(const ::testing::UnitTest&) override {
    if (failures_ > 0) {
      std::fprintf(stderr, "audit: %d test(s) did not give everything back\n", failures_);
      std::fflush(stderr);
      std::_Exit(1);
    }
  }

  std::string before_;
  int failures_ = 0;
};

// Installed before main runs the tests.
const bool installed = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new AuditEachTest);
  return true;
}();

} // namespace
