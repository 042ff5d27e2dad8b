// Each class identifier, parsed from the text in which it is published, against the constant
// that the module and the host compare with. Both sides use the same constants, so a wrong digit
// would pass every other test.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "common/block_bytes.h"
#include "entry/guid.h"

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" as the 16 bytes of an identifier in memory: the first
// three groups are little-endian numbers, the last two are bytes in order. False when the text
// has another form.
bool parse_class_id(const std::string& text, uint8_t out[16]) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}')
    return false;
  const struct {
    size_t start, bytes;
    bool little_endian;
  } groups[] = {{1, 4, true}, {10, 2, true}, {15, 2, true}, {20, 2, false}, {25, 6, false}};
  size_t written = 0;
  for (const auto& group : groups) {
    if (group.start > 1 && text[group.start - 1] != '-')
      return false;
    for (size_t i = 0; i < group.bytes; ++i) {
      int high = hex_digit(text[group.start + 2 * i]);
      int low = hex_digit(text[group.start + 2 * i + 1]);
      if (high < 0 || low < 0)
        return false;
      size_t at = group.little_endian ? written + group.bytes - 1 - i : written + i;
      out[at] = static_cast<uint8_t>(high * 16 + low);
    }
    written += group.bytes;
  }
  return true;
}

TEST(ClassIds, MatchTheirPublishedText) {
  const struct {
    const char* what;
    const char* text;
    const vorlane::Guid* constant;
  } rows[] = {
      {"output format", "{67f3f73c-7033-4347-96fb-a4c6d6aafd22}", &vorlane::kOutputFormatClass},
      {"preferences page", "{7255e8d0-3fcf-4781-b93b-d06cb88dfafa}",
       &vorlane::kPreferencesPageClass},
      {"PlaylistService", "{8cc36fd2-9bc6-46b9-a748-1568de4cd602}",
       &vorlane::kPlaylistServiceClass},
      {"HandleService", "{609d48c8-c6a6-4784-8bbd-fdd32bf0740e}", &vorlane::kHandleServiceClass},
      {"MessageService", "{056b51c7-e78c-4a4e-b84e-6bff3f8ab8f2}", &vorlane::kMessageServiceClass},
      {"FileSystemService", "{2fbce1e5-902e-49e0-b9cf-ce0fba765348}",
       &vorlane::kFileSystemServiceClass},
  };
  for (const auto& row : rows) {
    uint8_t parsed[16];
    ASSERT_TRUE(parse_class_id(row.text, parsed)) << row.text;
    EXPECT_EQ(test_support::hex(parsed, 16), test_support::hex(row.constant, 16))
        << row.what << " " << row.text;
  }
}

} // namespace
