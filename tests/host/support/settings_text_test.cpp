#include <gtest/gtest.h>

#include "support/settings_text.h"

namespace {

TEST(UnescapeText, Escapes) {
  const struct {
    const char* given;
    const char* text; // null: refused
  } rows[] = {
      {"", ""},
      {"plain %title%", "plain %title%"},
      {"a\\nb", "a\nb"},
      {"a\\r\\nb", "a\r\nb"},
      {"\\t|\\\\|", "\t|\\|"},
      {"\\x41\\x7e\\x7E", "A~~"},
      {"\\xe2\\x82\\xac", "\xe2\x82\xac"},
      {"\xe2\x82\xac", "\xe2\x82\xac"},
      {"\\\\n", "\\n"},
      {"end\\", nullptr},
      {"\\q", nullptr},
      {"\\x4", nullptr},
      {"\\x4g", nullptr},
      {"\\x00", nullptr},
      {"\\xff", nullptr},
      {"\\xe2\\x82", nullptr},
      {"\xc0\xaf", nullptr},
  };
  for (const auto& row : rows) {
    std::string out = "(untouched)", problem;
    bool ok = tessaly::unescape_text(row.given, &out, &problem);
    if (!row.text) {
      EXPECT_FALSE(ok) << row.given << " gave " << out;
      EXPECT_FALSE(problem.empty()) << row.given;
      EXPECT_EQ("(untouched)", out) << row.given;
      continue;
    }
    EXPECT_TRUE(ok) << row.given << ": " << problem;
    EXPECT_EQ(row.text, out) << row.given;
  }
}

TEST(EscapeText, OneLineForms) {
  const struct {
    std::string bytes;
    const char* shown;
  } rows[] = {
      {"", ""},
      {"<tr>%title%</tr>", "<tr>%title%</tr>"},
      {"a\r\nb\tc\\d", "a\\r\\nb\\tc\\\\d"},
      {std::string("\x01\x1f\x20\x7f", 4), "\\x01\\x1F \x7f"},
      {"\xe2\x82\xac", "\xe2\x82\xac"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.shown, tessaly::escape_text(row.bytes));
    // What --show prints can be given back to --set.
    std::string back, problem;
    ASSERT_TRUE(tessaly::unescape_text(tessaly::escape_text(row.bytes), &back, &problem))
        << problem;
    EXPECT_EQ(row.bytes, back);
  }
}

TEST(IsUtf8, AcceptsWellFormedOnly) {
  const struct {
    std::string text;
    bool valid;
  } rows[] = {
      {"", true},
      {"ascii", true},
      {"\xc3\xa9", true},
      {"\xef\xbf\xbf", true},
      {"\xf4\x8f\xbf\xbf", true},
      {"\xc3", false},
      {"\xc1\xbf", false},         // overlong
      {"\xe0\x9f\xbf", false},     // overlong
      {"\xed\xa0\x80", false},     // surrogate
      {"\xf4\x90\x80\x80", false}, // past U+10FFFF
      {"\x80", false},
      {"\xf8\x88\x80\x80\x80", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.valid, tessaly::is_utf8(row.text)) << tessaly::escape_text(row.text);
}

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
