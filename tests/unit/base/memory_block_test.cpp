#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/allocator.h"
#include "base/memory_block.h"
#include "support/allocation_failures.h"

using vorlane::GrowthPolicy;
using vorlane::MemoryBlock;

namespace {

const char* policy_name(GrowthPolicy policy) {
  switch (policy) {
  case GrowthPolicy::Exact:
    return "Exact";
  case GrowthPolicy::Doubling:
    return "Doubling";
  case GrowthPolicy::DoublingKeep:
    return "DoublingKeep";
  }
  return "?";
}

struct Step {
  uint32_t resize_to;
  uint32_t size;
  uint32_t capacity;
};

struct ResizeRow {
  GrowthPolicy policy;
  std::vector<Step> steps;
};

// Fills the block with a pattern that later steps must keep in their leading bytes.
void fill(MemoryBlock& block) {
  for (uint32_t i = 0; i < block.size(); ++i)
    block.data()[i] = static_cast<uint8_t>(i * 7 + 1);
}

} // namespace

TEST(MemoryBlock, NewBlockHasNothing) {
  MemoryBlock block;
  EXPECT_EQ(nullptr, block.data());
  EXPECT_EQ(0u, block.size());
  EXPECT_EQ(0u, block.capacity());
  EXPECT_EQ(GrowthPolicy::Exact, block.policy());
}

TEST(MemoryBlock, ResizeFollowsPolicy) {
  const ResizeRow rows[] = {
      {GrowthPolicy::Exact, {{10, 10, 10}, {3, 3, 3}, {40, 40, 40}, {0, 0, 0}, {5, 5, 5}}},
      // From capacity 16 down to 4: 8 / 2 is not greater than 4, so 8 stays.
      {GrowthPolicy::Doubling, {{16, 16, 16}, {4, 4, 8}}},
      // From capacity 1 up to 4.
      {GrowthPolicy::Doubling, {{1, 1, 1}, {4, 4, 4}}},
      {GrowthPolicy::Doubling,
       {{5, 5, 8},
        {17, 17, 32},
        {9, 9, 16},
        {16, 16, 16},
        {3, 3, 4},
        {2, 2, 4},
        {1, 1, 2},
        {0, 0, 0},
        {100, 100, 128}}},
      {GrowthPolicy::Doubling, {{3, 3, 4}, {3, 3, 4}, {64, 64, 64}, {65, 65, 128}, {32, 32, 64}}},
      // DoublingKeep: never gives anything back, not even at 0.
      {GrowthPolicy::DoublingKeep,
       {{5, 5, 8}, {17, 17, 32}, {2, 2, 32}, {0, 0, 32}, {40, 40, 64}, {1, 1, 64}}},
      {GrowthPolicy::DoublingKeep, {{1, 1, 1}, {2, 2, 2}, {3, 3, 4}, {0, 0, 4}, {4, 4, 4}}},
  };
  for (const ResizeRow& row : rows) {
    MemoryBlock block(row.policy);
    uint32_t kept = 0;
    for (const Step& step : row.steps) {
      SCOPED_TRACE(testing::Message()
                   << policy_name(row.policy) << ": resize to " << step.resize_to);
      std::vector<uint8_t> before(block.data(), block.data() + block.size());
      uint8_t* result = block.resize(step.resize_to);
      EXPECT_EQ(step.size, block.size());
      EXPECT_EQ(step.capacity, block.capacity());
      EXPECT_EQ(block.data(), result);
      EXPECT_EQ(block.capacity() == 0, block.data() == nullptr);
      // The leading bytes survive every reallocation.
      uint32_t common = std::min<uint32_t>(kept, step.size);
      for (uint32_t i = 0; i < common; ++i)
        ASSERT_EQ(before[i], block.data()[i]) << "byte " << i;
      fill(block);
      kept = block.size();
    }
  }
}

TEST(MemoryBlock, ResizeToZeroKeepsStorageOnlyUnderDoublingKeep) {
  for (GrowthPolicy policy :
       {GrowthPolicy::Exact, GrowthPolicy::Doubling, GrowthPolicy::DoublingKeep}) {
    SCOPED_TRACE(policy_name(policy));
    MemoryBlock block(policy);
    block.resize(12);
    uint8_t* storage = block.data();
    uint32_t capacity = block.capacity();
    block.resize(0);
    EXPECT_EQ(0u, block.size());
    if (policy == GrowthPolicy::DoublingKeep) {
      EXPECT_EQ(storage, block.data());
      EXPECT_EQ(capacity, block.capacity());
    } else {
      EXPECT_EQ(nullptr, block.data());
      EXPECT_EQ(0u, block.capacity());
    }
  }
}

// Storage taken over from another block keeps its capacity while the size fits; growing from it
// goes to a power of two again, under both doubling policies.
TEST(MemoryBlock, DoublingResumesAfterTradingStorage) {
  for (GrowthPolicy policy : {GrowthPolicy::Doubling, GrowthPolicy::DoublingKeep}) {
    MemoryBlock block(policy), other;
    ASSERT_NE(nullptr, block.resize(20000));
    ASSERT_NE(nullptr, other.resize(20029));
    block.swap_storage(other);
    EXPECT_EQ(32768u, other.capacity());
    EXPECT_EQ(20029u, block.capacity()) << policy_name(policy);
    ASSERT_NE(nullptr, block.resize(40000));
    EXPECT_EQ(65536u, block.capacity()) << policy_name(policy);
  }
}

TEST(MemoryBlock, EnsureSizeNeverShrinks) {
  MemoryBlock block;
  EXPECT_TRUE(block.ensure_size(8));
  EXPECT_EQ(8u, block.size());
  EXPECT_TRUE(block.ensure_size(3));
  EXPECT_EQ(8u, block.size());
  EXPECT_TRUE(block.ensure_size(9));
  EXPECT_EQ(9u, block.size());
  EXPECT_EQ(9u, block.capacity());
}

TEST(MemoryBlock, WriteAt) {
  MemoryBlock block;
  uint8_t* at = block.write_at("abc", 3, 0);
  ASSERT_NE(nullptr, at);
  EXPECT_EQ(block.data(), at);
  EXPECT_EQ(3u, block.size());
  EXPECT_EQ(0, std::memcmp(block.data(), "abc", 3));

  // Inside the current size: nothing grows.
  at = block.write_at("X", 1, 1);
  EXPECT_EQ(block.data() + 1, at);
  EXPECT_EQ(3u, block.size());
  EXPECT_EQ(0, std::memcmp(block.data(), "aXc", 3));

  // Past the end: the size becomes offset + count.
  at = block.write_at("de", 2, 5);
  EXPECT_EQ(block.data() + 5, at);
  EXPECT_EQ(7u, block.size());
  EXPECT_EQ(0, std::memcmp(block.data() + 5, "de", 2));

  // A null source writes zeros.
  at = block.write_at(nullptr, 3, 1);
  EXPECT_EQ(block.data() + 1, at);
  EXPECT_EQ(0, std::memcmp(block.data(), "a\0\0\0", 4));
  EXPECT_EQ(7u, block.size());

  // Count 0 still reaches the offset.
  block.write_at("zz", 0, 10);
  EXPECT_EQ(10u, block.size());
}

TEST(MemoryBlock, AppendBytesGrowsByCount) {
  MemoryBlock block(GrowthPolicy::DoublingKeep);
  struct Row {
    const char* bytes;
    uint32_t count;
    uint32_t size_after;
  };
  const Row rows[] = {{"ab", 2, 2}, {nullptr, 3, 5}, {"cdef", 4, 9}, {"", 0, 9}};
  for (const Row& row : rows) {
    uint32_t before = block.size();
    uint8_t* at = block.append_bytes(row.bytes, row.count);
    EXPECT_EQ(row.size_after, block.size());
    if (row.count) {
      EXPECT_EQ(block.data() + before, at);
    }
  }
  EXPECT_EQ(0, std::memcmp(block.data(), "ab\0\0\0cdef", 9));
  EXPECT_EQ(16u, block.capacity());
}

// Lengths plus counts past 2^32 - 1 would wrap to small sizes and write far beyond the storage.
TEST(MemoryBlock, SizeArithmeticNeverWraps) {
  struct Row {
    const char* what;
    uint32_t count;
    uint32_t offset;
  };
  const Row rows[] = {
      {"write_at(null, 0xFFFFFFF0, 0x20)", 0xFFFFFFF0u, 0x20},
      {"write_at(null, 0x20, 0xFFFFFFF0)", 0x20, 0xFFFFFFF0u},
      {"write_at(null, 0xFFFFFFFF, 1)", 0xFFFFFFFFu, 1},
      {"write_at(null, 1, 0xFFFFFFFF)", 1, 0xFFFFFFFFu},
      {"write_at(null, 0x80000000, 0x80000000)", 0x80000000u, 0x80000000u},
  };
  for (GrowthPolicy policy :
       {GrowthPolicy::Exact, GrowthPolicy::Doubling, GrowthPolicy::DoublingKeep}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << policy_name(policy) << ": " << row.what);
      MemoryBlock block(policy);
      block.write_at("12345678", 8, 0);
      uint8_t* storage = block.data();
      uint32_t capacity = block.capacity();
      EXPECT_EQ(nullptr, block.write_at(nullptr, row.count, row.offset));
      EXPECT_EQ(storage, block.data());
      EXPECT_EQ(8u, block.size());
      EXPECT_EQ(capacity, block.capacity());
      EXPECT_EQ(0, std::memcmp(block.data(), "12345678", 8));
    }
  }
}

using MemoryBlockFailures = fake::AllocationFailures;

// Sizes from 2^31 on are refused before any memory is asked for; 2^31 - 1 is still tried (and
// here made to fail, so that nothing that large is ever allocated).
TEST_F(MemoryBlockFailures, SizesOutOfRangeAreRefused) {
  const struct {
    uint32_t size;
    bool tried;
  } rows[] = {{0x7FFFFFFFu, true},
              {0x80000000u, false},
              {0x80000001u, false},
              {0xC0000000u, false},
              {0xFFFFFFFFu, false}};
  for (GrowthPolicy policy :
       {GrowthPolicy::Exact, GrowthPolicy::Doubling, GrowthPolicy::DoublingKeep}) {
    for (const auto& row : rows) {
      uint32_t n = row.size;
      SCOPED_TRACE(testing::Message() << policy_name(policy) << ": " << std::hex << n);
      MemoryBlock block(policy);
      block.resize(3);
      uint8_t* storage = block.data();
      uint32_t capacity = block.capacity();
      vorlane::fail_allocation(1, true);
      EXPECT_EQ(nullptr, block.resize(n));
      EXPECT_FALSE(block.ensure_size(n));
      EXPECT_EQ(nullptr, block.append_bytes(nullptr, n - 3));
      EXPECT_EQ(row.tried, vorlane::allocations_attempted() > 0);
      vorlane::fail_allocation(0, false);
      EXPECT_EQ(storage, block.data());
      EXPECT_EQ(3u, block.size());
      EXPECT_EQ(capacity, block.capacity());
    }
  }
}

TEST_F(MemoryBlockFailures, FailedGrowthLeavesBlockAsItWas) {
  struct Row {
    GrowthPolicy policy;
    uint32_t first;  // size before, 0 for a block without storage
    uint32_t second; // the size whose allocation fails
  };
  const Row rows[] = {
      {GrowthPolicy::Exact, 0, 10},         {GrowthPolicy::Exact, 10, 11},
      {GrowthPolicy::Doubling, 0, 3},       {GrowthPolicy::Doubling, 4, 5},
      {GrowthPolicy::DoublingKeep, 0, 1},   {GrowthPolicy::DoublingKeep, 8, 9},
      {GrowthPolicy::DoublingKeep, 8, 200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << policy_name(row.policy) << ": " << row.first << " -> " << row.second);
    MemoryBlock block(row.policy);
    if (row.first)
      block.resize(row.first);
    fill(block);
    std::vector<uint8_t> before(block.data(), block.data() + block.size());
    uint8_t* storage = block.data();
    uint32_t capacity = block.capacity();

    vorlane::fail_allocation(1, true);
    EXPECT_EQ(nullptr, block.resize(row.second));
    EXPECT_FALSE(block.ensure_size(row.second));
    EXPECT_EQ(nullptr, block.write_at("x", 1, row.second - 1));
    EXPECT_EQ(nullptr, block.append_bytes(nullptr, row.second - row.first));
    EXPECT_TRUE(vorlane::allocation_failed());
    vorlane::fail_allocation(0, false);

    EXPECT_EQ(row.first, block.size());
    EXPECT_EQ(storage, block.data());
    EXPECT_EQ(capacity, block.capacity());
    EXPECT_EQ(before, std::vector<uint8_t>(block.data(), block.data() + block.size()));
  }
}

TEST_F(MemoryBlockFailures, FailedShrinkKeepsTheLargerStorage) {
  MemoryBlock block;
  block.resize(40);
  fill(block);
  std::vector<uint8_t> before(block.data(), block.data() + 10);
  vorlane::fail_allocation(1, true);
  uint8_t* result = block.resize(10);
  ASSERT_NE(nullptr, result);
  EXPECT_EQ(10u, block.size());
  EXPECT_GE(block.capacity(), 10u);
  EXPECT_EQ(before, std::vector<uint8_t>(block.data(), block.data() + 10));
  // The storage it reports is the storage it has: growing back within it needs no allocation.
  EXPECT_NE(nullptr, block.write_at("abc", 3, 37));
}
