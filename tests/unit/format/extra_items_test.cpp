#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/allocator.h"
#include "format/extra_items.h"
#include "support/allocation_failures.h"
#include "support/fake_host.h"

using vorlane::ExtraItems;

namespace {

std::string bytes_of(const ExtraItems& items) {
  const vorlane::MemoryBlock& b = items.bytes();
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

std::vector<uint32_t> offsets_of(const ExtraItems& items) {
  std::vector<uint32_t> out;
  const uint8_t* p = items.offsets().data();
  for (uint32_t i = 0; i + 4 <= items.offsets().size(); i += 4)
    out.push_back(p[i] | p[i + 1] << 8 | p[i + 2] << 16 | static_cast<uint32_t>(p[i + 3]) << 24);
  return out;
}

std::string visible(const std::string& bytes) {
  std::string out;
  for (char c : bytes)
    out += c == '\0' ? std::string("\\0") : std::string(1, c);
  return out;
}

} // namespace

TEST(FormatDuration, Examples) {
  struct Row {
    int64_t seconds;
    const char* text;
  };
  const Row rows[] = {
      {0, "0:00"},
      {-1, "0:00"},
      {-100000, "0:00"},
      {INT64_MIN, "0:00"},
      {1, "0:01"},
      {59, "0:59"},
      {60, "1:00"},
      {61, "1:01"},
      {600, "10:00"},
      {3599, "59:59"},
      {3600, "1:00:00"},
      {3661, "1:01:01"},
      {86399, "23:59:59"},
      {86400, "1d 0:00:00"},
      {90061, "1d 1:01:01"},
      {604799, "6d 23:59:59"},
      {604800, "1wk 0d 0:00:00"},
      {694861, "1wk 1d 1:01:01"},
      {1209600, "2wk 0d 0:00:00"},
      {6048000, "10wk 0d 0:00:00"},
  };
  for (const Row& row : rows) {
    char buffer[128];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(buffer, vorlane::format_duration(row.seconds, buffer));
    EXPECT_STREQ(row.text, buffer) << row.seconds << " seconds";
  }
}

TEST(FormatDuration, LongestTextFitsTheBuffer) {
  // Large enough that every field has its most digits; the result needs no particular value.
  char buffer[128];
  vorlane::format_duration(INT64_MAX, buffer);
  EXPECT_LE(std::strlen(buffer), 24u) << buffer;
}

TEST(ExtraItems, NewListIsTheSharedEmptyList) {
  ExtraItems items;
  EXPECT_EQ(0u, items.item_count());
  const char* text = items.items_text();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ('\0', text[0]);
  EXPECT_EQ('\0', text[1]);
  EXPECT_EQ(0u, items.bytes().size());
  EXPECT_EQ(vorlane::GrowthPolicy::Exact, items.bytes().policy());
  EXPECT_EQ(vorlane::GrowthPolicy::Exact, items.offsets().policy());
}

TEST(ExtraItems, AddItem) {
  struct Pair {
    const char* name;
    const char* value;
    int32_t length;
  };
  struct Row {
    std::vector<Pair> pairs;
    std::string bytes;
    std::vector<uint32_t> offsets;
  };
  const Row rows[] = {
      {{{"x", "y", -1}}, std::string("x=y\0\0", 5), {0}},
      {{{"a", "1", -1}, {"bc", "22", -1}}, std::string("a=1\0bc=22\0\0", 11), {0, 4}},
      {{{"x", "y", -1}, {"z", "w", -1}}, std::string("x=y\0z=w\0\0", 9), {0, 4}},
      {{{"n", "", -1}}, std::string("n=\0\0", 4), {0}},
      {{{"", "v", -1}}, std::string("=v\0\0", 4), {0}},
      {{{"a=b", "c=d", -1}}, std::string("a=b=c=d\0\0", 9), {0}},
      {{{"n", "value", 3}}, std::string("n=val\0\0", 7), {0}},
      {{{"n", "value", 0}}, std::string("n=\0\0", 4), {0}},
      {{{"k", "\xC3\xA9", -1}}, std::string("k=\xC3\xA9\0\0", 6), {0}},
      // Null names and values add nothing.
      {{{nullptr, "v", -1}, {"a", nullptr, -1}, {"a", "1", -1}}, std::string("a=1\0\0", 5), {0}},
      {{{nullptr, "v", -1}}, "", {}},
  };
  for (const Row& row : rows) {
    ExtraItems items;
    for (const Pair& p : row.pairs)
      items.add_item(p.name, p.value, p.length);
    EXPECT_EQ(visible(row.bytes), visible(bytes_of(items)));
    EXPECT_EQ(row.offsets, offsets_of(items));
    EXPECT_EQ(row.offsets.size(), items.item_count());
    if (items.item_count() > 0) {
      EXPECT_EQ(reinterpret_cast<const char*>(items.bytes().data()), items.items_text());
    }
  }
}

TEST(ExtraItems, ClearGivesTheStorageBack) {
  ExtraItems items;
  items.add_item("a", "1", -1);
  items.add_item("b", "2", -1);
  items.clear();
  EXPECT_EQ(0u, items.item_count());
  EXPECT_EQ(nullptr, items.bytes().data());
  EXPECT_EQ(nullptr, items.offsets().data());
  EXPECT_EQ(0u, items.bytes().capacity());
  EXPECT_EQ(0u, items.offsets().capacity());
  const char* text = items.items_text();
  EXPECT_EQ('\0', text[0]);
  EXPECT_EQ('\0', text[1]);
  // A pair added afterwards starts at offset 0 again.
  items.add_item("c", "3", -1);
  EXPECT_EQ(visible(std::string("c=3\0\0", 5)), visible(bytes_of(items)));
  EXPECT_EQ((std::vector<uint32_t>{0}), offsets_of(items));
}

TEST(ExtraItems, AddIntegerItem) {
  struct Row {
    int32_t value;
    const char* text;
  };
  const Row rows[] = {
      {0, "0"}, {3, "3"}, {-5, "-5"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const Row& row : rows) {
    ExtraItems items;
    vorlane::add_integer_item(items, "n", row.value);
    EXPECT_EQ(visible("n=" + std::string(row.text) + std::string("\0\0", 2)),
              visible(bytes_of(items)))
        << row.value;
  }
}

TEST(ExtraItems, AddRealItemHasTwoRoundedDecimals) {
  struct Row {
    double value;
    const char* text;
  };
  const Row rows[] = {
      {59.996, "60.00"},   {59.994, "59.99"}, {0.75, "0.75"},  {40.25, "40.25"},
      {0, "0.00"},         {5.6, "5.60"},     {1e-9, "0.00"},  {12.3456, "12.35"},
      {3725.0, "3725.00"}, {0.004, "0.00"},   {0.006, "0.01"},
  };
  for (const Row& row : rows) {
    ExtraItems items;
    vorlane::add_real_item(items, "d", row.value);
    EXPECT_EQ(visible("d=" + std::string(row.text) + std::string("\0\0", 2)),
              visible(bytes_of(items)))
        << row.value;
  }
}

using ExtraItemsFailures = fake::AllocationFailures;

// With the Nth allocation failing, a pair is added whole or not at all, and the list stays a
// well-formed text.
TEST_F(ExtraItemsFailures, AddItemIsAllOrNothing) {
  for (uint32_t n = 1; n < 20; ++n) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    ExtraItems items;
    items.add_item("first", "1", -1);
    std::string before = bytes_of(items);
    vorlane::fail_allocation(n, false);
    items.add_item("second", "22", -1);
    bool failed = vorlane::allocation_failed();
    vorlane::fail_allocation(0, false);
    if (!failed) {
      EXPECT_EQ(visible(std::string("first=1\0second=22\0\0", 19)), visible(bytes_of(items)));
      EXPECT_EQ((std::vector<uint32_t>{0, 8}), offsets_of(items));
      break;
    }
    EXPECT_EQ(visible(before), visible(bytes_of(items)));
    EXPECT_EQ((std::vector<uint32_t>{0}), offsets_of(items));
  }
}
