#include "playlist_statistics.h"

#include "base/pointer_array.h"
#include "entry/host_access.h"

namespace vorlane {
namespace {

double entry_length(TrackHandle& handle) {
  handle.begin_info();
  const TrackInfo* info = handle.get_info(0);
  double length = info ? info->length_seconds() : 0.0;
  handle.end_info();
  return length;
}

// Truncation toward zero that stays defined for values out of the 32-bit range (and NaN).
int32_t truncate_32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0))
    return 0;
  return static_cast<int32_t>(value);
}

int64_t truncate_64(double value) {
  if (!(value > -9.2e18 && value < 9.2e18))
    return 0;
  return static_cast<int64_t>(value);
}

} // namespace

void compute_statistics(ExtraItems& items) {
  double total = 0;
  int32_t no_length = 0;
  PlaylistService* playlist = playlist_service();
  // Without a playlist service the playlist counts as empty. The HandleService is asked for only
  // when there are handles to give back, inside release_all.
  if (playlist) {
    HandleList list;
    AllEntriesMask all;
    playlist->get_entries(list.as_list(), &all);
    for (uint32_t i = 0; i < list.count(); ++i) {
      double length = entry_length(*static_cast<TrackHandle*>(list.item_at(i)));
      if (length > 0)
        total += length;
      else
        ++no_length;
    }
    list.release_all();
  }
  int32_t count = playlist ? playlist->entry_count() : 0;
  // An empty playlist has no average; it reads as 0 rather than as a division by zero.
  double average = count != 0 ? total / count : 0.0;

  char buffer[128];
  items.add_item("average_track_length_string", format_duration(truncate_64(average), buffer), -1);
  items.add_item("playlist_length_string", format_duration(truncate_64(total), buffer), -1);

  int32_t avg_minutes = truncate_32(average / 60);
  double avg_seconds = average - avg_minutes * 60.0;
  int32_t hours = truncate_32(total / 3600);
  double rest = total - hours * 3600.0;
  int32_t minutes = truncate_32(rest / 60);
  double seconds = rest - minutes * 60.0;

  add_integer_item(items, "average_track_length_seconds", truncate_32(avg_seconds));
  add_real_item(items, "average_track_length_seconds_d", avg_seconds);
  add_integer_item(items, "average_track_length_minutes", avg_minutes);
  add_integer_item(items, "playlist_length_seconds", truncate_32(seconds));
  add_real_item(items, "playlist_length_seconds_d", seconds);
  add_integer_item(items, "playlist_length_minutes", minutes);
  add_integer_item(items, "playlist_length_hours", hours);
  add_integer_item(items, "playlist_total", playlist ? playlist->entry_count() : 0);
  add_integer_item(items, "num_tracks_no_length", no_length);
  items.add_item("vorlane_version", kVorlaneVersion, -1);
}

} // namespace vorlane
