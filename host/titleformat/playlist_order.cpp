#include "titleformat/playlist_order.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "support/natural_order.h"
#include "titleformat/title_format.h"
#include "titleformat/track_fields.h"

namespace tessaly {

void sort_playlist(Playlist* playlist, std::string_view key_format, bool reverse) {
  std::vector<PlaylistEntry>& entries = playlist->entries;
  std::vector<size_t> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  if (key_format.empty()) {
    if (reverse)
      std::reverse(order.begin(), order.end());
  } else {
    TitleFormat key(key_format, track_field_id);
    static const std::vector<std::pair<std::string, std::string>> kNoItems;
    std::vector<std::string> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
      keys[i] = key.apply(EntryVariables(kNoItems, playlist, static_cast<long long>(i)));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      int by_key = natural_compare(keys[a], keys[b]);
      return reverse ? by_key > 0 : by_key < 0;
    });
  }
  std::vector<PlaylistEntry> sorted;
  sorted.reserve(entries.size());
  for (size_t i : order)
    sorted.push_back(std::move(entries[i]));
  entries = std::move(sorted);
}

} // namespace tessaly
