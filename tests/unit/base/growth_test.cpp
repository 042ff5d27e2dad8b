// What many small pieces cost in allocations: the containers that collect data from outside one
// piece at a time grow by doubling, so n pieces take a logarithmic number of allocations, never
// one per piece. Counted, not timed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/allocator.h"
#include "base/pointer_array.h"
#include "base/utf8_string.h"
#include "config/config_var.h"
#include "support/allocation_failures.h"

namespace {

using Growth = fake::AllocationFailures;

constexpr uint32_t kPieces = 100000;

// Allocations (and reallocations) that run makes; the failure planned far beyond them only arms
// the counter.
uint32_t allocations_of(const std::function<void()>& run) {
  vorlane::fail_allocation(UINT32_MAX, false);
  run();
  uint32_t count = vorlane::allocations_attempted();
  vorlane::fail_allocation(0, false);
  return count;
}

TEST_F(Growth, PiecesAppendedOneByOneCostFewAllocations) {
  const struct {
    const char* what;
    std::function<void()> run;
    uint32_t at_most;
  } rows[] = {
      {"PointerArray entries, as a host appends them",
       [] {
         vorlane::PointerArray list;
         for (uint32_t i = 0; i < kPieces; ++i)
           list.insert_at(&list, list.count());
         EXPECT_EQ(kPieces, list.count());
       },
       20},
      {"ScratchString, one byte at a time",
       [] {
         vorlane::ScratchString text;
         for (uint32_t i = 0; i < kPieces; ++i)
           text.append("x", 1);
         EXPECT_EQ(kPieces, text.length());
       },
       18},
      {"MemoryWriter, one byte at a time",
       [] {
         vorlane::MemoryWriter writer;
         for (uint32_t i = 0; i < kPieces; ++i)
           writer.write("x", 1);
         EXPECT_EQ(kPieces, writer.size());
       },
       18},
      // The reservation rule's slack of 16 bytes: one allocation per 16 appended bytes.
      {"Utf8String, one byte at a time",
       [] {
         vorlane::Utf8String text;
         for (uint32_t i = 0; i < kPieces; ++i)
           text.append("x", 1);
         EXPECT_EQ(kPieces, text.length());
       },
       kPieces / 16 + 1},
      // Records whose names match no variable: only the name buffer is allocated, and it is reused.
      {"config_load_all, 10000 records of unknown names",
       [] {
         std::string block;
         for (int i = 0; i < 10000; ++i)
           block += std::string("\x06\0\0\0", 4) + (i % 2 ? "nosuch" : "other1") +
                    std::string("\x01\0\0\0x", 5);
         vorlane::config_load_all(block.data(), static_cast<uint32_t>(block.size()));
       },
       2},
  };
  for (const auto& row : rows) {
    uint32_t count = allocations_of(row.run);
    EXPECT_LE(count, row.at_most) << row.what;
    EXPECT_GT(count, 0u) << row.what;
  }
}

} // namespace
