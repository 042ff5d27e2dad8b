#include <gtest/gtest.h>

#include "support/natural_order.h"

namespace tessaly {
namespace {

int sign(int value) {
  return (value > 0) - (value < 0);
}

TEST(NaturalCompare, NumbersByValueLettersFolded) {
  struct Row {
    const char* a;
    const char* b;
    int want; // the sign of natural_compare(a, b)
  };
  const Row rows[] = {
      {"Track 2", "Track 10", -1},
      {"Track 10", "Track 9", 1},
      {"2", "10", -1},
      {"007", "7", 0},
      {"disc 1 track 10", "disc 1 track 9", 1},
      {"disc 2 track 1", "disc 10 track 1", -1},
      {"99999999999999999999998", "99999999999999999999999", -1}, // beyond any integer type
      {"abc", "ABC", 0},
      {"Abc", "abd", -1},
      {"a", "B", -1},
      {"", "", 0},
      {"", "a", -1},
      {"a", "a1", -1},
      {"a1b", "a01b", 0},
      {"x0", "x00", 0},
      {"Zebra", "Éclair", -1}, // bytes above ASCII follow it
      {"2024|Album", "2024|album", 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(sign(natural_compare(row.a, row.b)), row.want) << row.a << " vs " << row.b;
    EXPECT_EQ(sign(natural_compare(row.b, row.a)), -row.want) << row.b << " vs " << row.a;
  }
}

} // namespace
} // namespace tessaly
