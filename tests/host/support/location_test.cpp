#include <gtest/gtest.h>

#include "support/location.h"

namespace {

TEST(Location, SchemeAndUrl) {
  const struct {
    const char* text;
    size_t scheme;
    bool url;
  } rows[] = {
      {"C:\\x", 0, false}, // a drive, not a scheme
      {"c:/x", 0, false},       {"http://x", 4, true}, {"file:///x", 4, true},
      {"FILE:/x", 4, true},     {"urn:x", 3, false}, // a scheme, but as a location a plain name
      {"a+b-c.d://x", 7, true}, {"://x", 0, false},    {"1a:x", 0, false},
      {"a b:x", 0, false},      {"name", 0, false},    {"", 0, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.scheme, tessaly::scheme_length(row.text)) << row.text;
    EXPECT_EQ(row.url, tessaly::is_url(row.text)) << row.text;
  }
}

} // namespace
