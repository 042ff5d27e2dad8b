#include <gtest/gtest.h>

#include "session/config_block.h"

namespace {

std::string record(const std::string& name, const std::string& value) {
  auto length = [](size_t n) {
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
  };
  return length(name.size()) + name + length(value.size()) + value;
}

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
