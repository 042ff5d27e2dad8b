// The variables of one playlist entry, as the title formatter looks them up.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "playlist/playlist.h"
#include "titleformat/title_format.h"

namespace tessaly {

// A field of an entry: title, artist, album, path, filename, length, length_seconds,
// length_seconds_exact (the fraction kept), list_index (index + 1), list_total and playlist_name
// (what was exported: the first input's name, a folder's or a playlist's without its extension);
// and what the
// file gives: album artist (or albumartist), tracknumber, totaltracks, discnumber, totaldiscs,
// date, genre, comment, bitrate (kbit/s), samplerate (Hz), channels, codec, filesize (bytes).
// Empty texts are unknown.
std::optional<std::string> track_field(const PlaylistEntry& entry, size_t index, size_t total,
                                       std::string_view name);

// "m:ss" below an hour, "h:mm:ss" from one; whole seconds, the fraction dropped.
std::string format_length(double seconds);

// The number title formats resolve a field's name to (-1 for none): what an EntryVariables
// finds without comparing names again for every entry.
int track_field_id(std::string_view name);

// The variables of entry `index` of playlist (no fields when index is out of range), with items
// before them. Names are compared without regard to ASCII case.
class EntryVariables final : public TitleVariables {
public:
  EntryVariables(const std::vector<std::pair<std::string, std::string>>& items,
                 const Playlist* playlist, long long index)
      : items_(items), playlist_(playlist), index_(index) {}
  // field: track_field_id(name); formats applied to entries are compiled with it as resolver.
  void append_value(std::string_view name, int field, std::string& out) const override;
  // The whole playlist, for the group functions.
  size_t entry_count() const override;
  size_t entry_position() const override { return static_cast<size_t>(index_); }
  void visit_entry(size_t position,
                   const std::function<void(const TitleVariables&)>& visit) const override;
  double entry_length(size_t position) const override;

private:
  const std::vector<std::pair<std::string, std::string>>& items_;
  const Playlist* playlist_;
  long long index_;
};

// The same variables as one lookup.
TitleLookup entry_lookup(const std::vector<std::pair<std::string, std::string>>& items,
                         const Playlist* playlist, long long index);

} // namespace tessaly
