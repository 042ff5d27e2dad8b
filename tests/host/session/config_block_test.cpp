#include <gtest/gtest.h>

#include "common/block_bytes.h"
#include "session/config_block.h"

namespace {

using test_support::record;

TEST(ParseConfigBlock, RecordsInOrder) {
  std::vector<tessaly::ConfigRecord> records;
  ASSERT_TRUE(tessaly::parse_config_block("", &records));
  EXPECT_TRUE(records.empty());
  std::string block =
      record("autocrlf", std::string("\x02\0\0\0", 4)) + record("header", "abc") + record("", "");
  ASSERT_TRUE(tessaly::parse_config_block(block, &records));
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ("autocrlf", records[0].name);
  int32_t number = 0;
  EXPECT_TRUE(tessaly::int_of_value(records[0].value, &number));
  EXPECT_EQ(2, number);
  EXPECT_EQ("header", records[1].name);
  EXPECT_EQ("abc", records[1].value);
  EXPECT_FALSE(tessaly::int_of_value(records[1].value, &number));
  // Every cut inside a record is found.
  std::string whole = record("header", "abc");
  for (size_t cut = 1; cut < whole.size(); ++cut)
    EXPECT_FALSE(tessaly::parse_config_block(whole.substr(0, cut), &records)) << cut;
}

} // namespace
