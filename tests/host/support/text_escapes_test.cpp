#include <gtest/gtest.h>

#include "support/text_escapes.h"

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

} // namespace
