#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "titleformat/title_format.h"
#include "titleformat/track_fields.h"

namespace tessaly {
namespace {

// Three albums, the first one twice apart: a group is a run of neighbours with the same key, its
// count and length known at its first entry already.
TEST(TitleFormatGroups, FirstEntryCountAndLength) {
  const struct {
    const char* artist;
    const char* album;
    double seconds; // below zero: unknown
  } tracks[] = {
      {"Ann", "North", 61}, {"Ann", "North", 60}, {"Bo", "South", 3599},  {"Bo", "South", -1},
      {"Bo", "South", 2},   {"Cy", "West", -1},   {"Ann", "North", 30.5},
  };
  Playlist playlist;
  for (const auto& track : tracks) {
    PlaylistEntry entry;
    entry.artist = track.artist;
    entry.album = track.album;
    if (track.seconds >= 0)
      entry.length_seconds = track.seconds;
    playlist.entries.push_back(entry);
  }
  // A group's key is made while the call around it holds its arguments' texts.
  TitleFormat format(
      "$groupfirst(%artist%|%album%)/$groupcount(%artist%|%album%)/"
      "$lower($grouplength($upper(%album%)))$if($groupfirst(%artist%), new artist)",
      track_field_id);
  const std::vector<std::string> want = {
      "1/2/2:01 new artist", "/2/2:01",         "1/3/1:00:01 new artist", "/3/1:00:01",
      "/3/1:00:01",          "1/1/ new artist", "1/1/0:30 new artist",
  };
  const std::vector<std::pair<std::string, std::string>> items;
  for (size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(format.apply(EntryVariables(items, &playlist, static_cast<long long>(i))), want[i])
        << "entry " << i + 1;
  // The same format over another playlist, once told: the groups are made anew.
  playlist.entries.resize(2);
  playlist.entries[1].album = "East";
  format.forget_groups();
  EXPECT_EQ(format.apply(EntryVariables(items, &playlist, 0)), "1/1/1:01 new artist");
  // Without a playlist an entry is a group of one.
  EXPECT_EQ(format_title_text("$groupfirst(x)$groupcount(x)[$grouplength(x)]", nullptr), "11");
}

} // namespace
} // namespace tessaly
