#include <gtest/gtest.h>

#include "support/fake_host.h"

#include "format/custom_output_format.h"

TEST(Smoke, HeaderThroughFakeHost) {
  fake::Host host;
  fake::Playlist playlist;
  playlist.tracks = {{200.5}, {100.25}, {0, false}};
  playlist.install(host);
  vorlane::CustomOutputFormat* format = vorlane::CustomOutputFormat::create();
  vorlane::Utf8String sink;
  format->get_header(&sink);
  ASSERT_EQ(1u, playlist.format_calls.size());
  EXPECT_EQ(12u, playlist.format_calls[0].items.size());
  EXPECT_EQ(0, playlist.live_handles);
  EXPECT_EQ(0, format->release());
}
