// add_ref and release are the only operations of an output-format object that may come from
// several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "format/custom_output_format.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

TEST(OutputFormatReferences, PairsFromEightThreadsLeaveTheCountWhereItWas) {
  constexpr int kThreads = 8;
  constexpr int kPairs = 100000;
  vorlane::CustomOutputFormat* format = vorlane::CustomOutputFormat::create();
  ASSERT_NE(nullptr, format);
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      while (!start.load())
        std::this_thread::yield();
      for (int i = 0; i < kPairs; ++i) {
        format->add_ref();
        format->release();
      }
    });
  }
  start = true;
  for (std::thread& thread : threads)
    thread.join();
  // Still alive and counting 1: one more reference makes 2, and giving both back frees it.
  EXPECT_EQ(2, format->add_ref());
  EXPECT_EQ(1, format->release());
  EXPECT_EQ(0, format->release());
#if defined(__SANITIZE_ADDRESS__)
  // Freed by the last release; a second free or a use after it would have stopped the test.
  EXPECT_TRUE(__asan_address_is_poisoned(format));
#endif
}

} // namespace
