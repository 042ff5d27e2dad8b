#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "format/extra_items.h"
#include "format/playlist_statistics.h"
#include "support/fake_host.h"

using Pairs = std::vector<std::pair<std::string, std::string>>;

namespace {

const char* const kNames[] = {"average_track_length_string",  "playlist_length_string",
                              "average_track_length_seconds", "average_track_length_seconds_d",
                              "average_track_length_minutes", "playlist_length_seconds",
                              "playlist_length_seconds_d",    "playlist_length_minutes",
                              "playlist_length_hours",        "playlist_total",
                              "num_tracks_no_length",         "vorlane_version"};

// The twelve values in their fixed order.
Pairs pairs(std::vector<std::string> values) {
  Pairs out;
  for (size_t i = 0; i < values.size(); ++i)
    out.push_back({kNames[i], values[i]});
  return out;
}

std::string show(const Pairs& p) {
  std::string out;
  for (const auto& [name, value] : p)
    out += name + "=" + value + "\n";
  return out;
}

Pairs statistics() {
  vorlane::ExtraItems items;
  vorlane::compute_statistics(items);
  EXPECT_EQ(12u, items.item_count());
  return fake::parse_items(items.items_text());
}

// Every handle given back, every begin_info matched by an end_info, get_info only in between.
void expect_everything_given_back(const fake::Playlist& playlist) {
  EXPECT_EQ(0, playlist.live_handles) << "handles not given back";
  EXPECT_EQ(0, playlist.open_infos) << "begin_info without end_info";
  EXPECT_EQ(0, playlist.info_order_errors) << "get_info or end_info out of order";
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(PlaylistStatistics, Table) {
  struct Row {
    const char* what;
    std::vector<fake::Track> tracks;
    int32_t reported_count; // -1: the number of tracks
    std::vector<std::string> values;
  };
  const Row rows[] = {
      {"the worked example",
       {{200.5}, {100.25}, {0, false}},
       -1,
       {"1:40", "5:00", "40", "40.25", "1", "0", "0.75", "5", "0", "3", "1", "Vorlane 1.03.00"}},
      {"one entry of 3725.6 seconds",
       {{3725.6}},
       -1,
       {"1:02:05", "1:02:05", "5", "5.60", "62", "5", "5.60", "2", "1", "1", "0",
        "Vorlane 1.03.00"}},
      {"two weeks",
       {{604800}, {604800}},
       -1,
       {"1wk 0d 0:00:00", "2wk 0d 0:00:00", "0", "0.00", "10080", "0", "0.00", "0", "336", "2", "0",
        "Vorlane 1.03.00"}},
      {"a remainder of 59.996 seconds",
       {{59.996}},
       -1,
       {"0:59", "0:59", "59", "60.00", "0", "59", "60.00", "0", "0", "1", "0", "Vorlane 1.03.00"}},
      {"a length of exactly 0, a negative one and no number",
       {{0}, {-5}, {kNaN}, {90}},
       -1,
       {"0:22", "1:30", "22", "22.50", "0", "30", "30.00", "1", "0", "4", "3", "Vorlane 1.03.00"}},
      {"an empty playlist",
       {},
       -1,
       {"0:00", "0:00", "0", "0.00", "0", "0", "0.00", "0", "0", "0", "0", "Vorlane 1.03.00"}},
      // The divisor is what the service reports, not the number of entries with a length.
      {"an entry count above the entries",
       {{120}},
       4,
       {"0:30", "2:00", "30", "30.00", "0", "0", "0.00", "2", "0", "4", "0", "Vorlane 1.03.00"}},
      // No average without entries: the four averages read zero, the rest keep their values.
      {"an entry count of 0",
       {{200.5}, {100.25}, {0, false}},
       0,
       {"0:00", "5:00", "0", "0.00", "0", "0", "0.75", "5", "0", "0", "1", "Vorlane 1.03.00"}},
      {"a day and an hour",
       {{86400}, {3600.5}},
       -1,
       {"12:30:00", "1d 1:00:00", "0", "0.25", "750", "0", "0.50", "0", "25", "2", "0",
        "Vorlane 1.03.00"}},
  };
  for (const Row& row : rows) {
    fake::Host host;
    fake::Playlist playlist;
    playlist.tracks = row.tracks;
    playlist.reported_count = row.reported_count;
    playlist.install(host);
    EXPECT_EQ(show(pairs(row.values)), show(statistics())) << row.what;
    expect_everything_given_back(playlist);
    EXPECT_EQ(row.tracks.empty() ? 0 : 1, playlist.handles.calls)
        << row.what << ": handles given back in one call";
  }
}

TEST(PlaylistStatistics, GivesEveryHandleBackInOneCall) {
  fake::Host host;
  fake::Playlist playlist;
  for (int i = 0; i < 1000; ++i)
    playlist.tracks.push_back({i % 7 == 0 ? 0.0 : 10.0 * i, i % 11 != 0});
  playlist.install(host);
  Pairs got = statistics();
  expect_everything_given_back(playlist);
  EXPECT_EQ(1, playlist.handles.calls);
  EXPECT_EQ(1000u, playlist.handles.last_count);
  EXPECT_EQ(1000u, playlist.made.size());
  EXPECT_EQ("1000", got[9].second);
}

TEST(PlaylistStatistics, EmptyPlaylistCallsNoHandleService) {
  fake::Host host;
  fake::Playlist playlist;
  playlist.install(host);
  statistics();
  EXPECT_EQ(0, playlist.handles.calls);
}
// Nothing is called through a service that is missing. Without a PlaylistService the playlist
// counts as empty; without a HandleService each handle goes back through its own release.
TEST(PlaylistStatistics, MissingServices) {
  const Pairs empty =
      pairs({"0:00", "0:00", "0", "0.00", "0", "0", "0.00", "0", "0", "0", "0", "Vorlane 1.03.00"});
  {
    SCOPED_TRACE("no PlaylistService");
    fake::Host host;
    fake::Playlist playlist;
    playlist.tracks = {{100}, {200}};
    host.add(vorlane::kHandleServiceClass, &playlist.handles);
    EXPECT_EQ(show(empty), show(statistics()));
    EXPECT_EQ(0, playlist.handles.calls);
    EXPECT_EQ(0, playlist.entry_count_calls);
  }
  {
    SCOPED_TRACE("no HandleService");
    fake::Host host;
    fake::Playlist playlist;
    playlist.tracks = {{100}, {200}};
    host.add(vorlane::kPlaylistServiceClass, &playlist);
    EXPECT_EQ(show(pairs({"2:30", "5:00", "30", "30.00", "2", "0", "0.00", "5", "0", "2", "0",
                          "Vorlane 1.03.00"})),
              show(statistics()));
    EXPECT_EQ(2u, playlist.made.size());
    expect_everything_given_back(playlist);
  }
  {
    SCOPED_TRACE("no host services at all");
    fake::Host host;
    EXPECT_EQ(show(empty), show(statistics()));
  }
}

// The host is asked in this order: entries, then the HandleService to give them back (only when
// there are any), then the entry count twice. The average divides by the first count and
// "playlist_total" is the second, so a count that changes in between shows which one went where.
TEST(PlaylistStatistics, AsksTheHostInOrder) {
  const struct {
    const char* what;
    std::vector<fake::Track> tracks;
    std::vector<int32_t> count_answers;
    fake::CallLog calls;
    std::vector<std::string> values;
  } rows[] = {
      {"two entries, the count changing between the two calls",
       {{60}, {60}},
       {2, 5},
       {"get_service PlaylistService", "get_entries", "get_service HandleService",
        "release_handles 2", "entry_count", "entry_count"},
       {"1:00", "2:00", "0", "0.00", "1", "0", "0.00", "2", "0", "5", "0", "Vorlane 1.03.00"}},
      {"an empty playlist: nothing to give back",
       {},
       {0, 3},
       {"get_service PlaylistService", "get_entries", "entry_count", "entry_count"},
       {"0:00", "0:00", "0", "0.00", "0", "0", "0.00", "0", "0", "3", "0", "Vorlane 1.03.00"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    fake::CallLog calls;
    fake::Host host;
    fake::Playlist playlist;
    playlist.tracks = row.tracks;
    playlist.count_answers = row.count_answers;
    playlist.install(host);
    host.log = playlist.log = &calls;
    EXPECT_EQ(show(pairs(row.values)), show(statistics()));
    EXPECT_EQ(row.calls, calls);
    expect_everything_given_back(playlist);
  }
}
