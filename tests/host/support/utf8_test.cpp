#include <gtest/gtest.h>

#include "support/text_escapes.h"
#include "support/utf8.h"

namespace {

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

} // namespace
