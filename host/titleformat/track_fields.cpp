#include "titleformat/track_fields.h"

#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>

#include "support/text.h"

namespace tessaly {

namespace {
// Whole seconds, the fraction dropped; lengths beyond any real track are held at a bound rather
// than overflowing.
long long whole_seconds(double seconds) {
  if (!(seconds > 0))
    return 0;
  return seconds < 9.0e15 ? static_cast<long long>(seconds) : 9000000000000000LL;
}
} // namespace

std::string format_length(double seconds) {
  long long s = whole_seconds(seconds);
  char text[64];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

namespace {

// Field ids; a file's own field f is kFirstFileField + f.
enum FieldId : int {
  kTitle,
  kArtist,
  kAlbum,
  kPath,
  kFilename,
  kLength,
  kLengthSeconds,
  kLengthSecondsExact,
  kListIndex,
  kListTotal,
  kPlaylistName,
  kFirstFileField,
};

constexpr int file_id(FileField field) {
  return kFirstFileField + static_cast<int>(field);
}

void append_track_field(const PlaylistEntry& entry, size_t index, size_t total, int id,
                        std::string& out) {
  switch (id) {
  case kTitle:
    out += entry.title;
    return;
  case kArtist:
    out += entry.artist;
    return;
  case kAlbum:
    out += entry.album;
    return;
  case kPath:
    out += entry.resolved;
    return;
  case kFilename: {
    size_t slash = entry.resolved.find_last_of("/\\");
    std::string base =
        slash == std::string::npos ? entry.resolved : entry.resolved.substr(slash + 1);
    out += name_without_extension(base);
    return;
  }
  case kLength:
    if (entry.length_seconds)
      out += format_length(*entry.length_seconds);
    return;
  case kLengthSeconds:
    if (entry.length_seconds)
      out += std::to_string(whole_seconds(*entry.length_seconds));
    return;
  case kLengthSecondsExact: {
    if (!entry.length_seconds)
      return;
    // The shortest decimal that reads back as the same length: 198.4, 160, 0.001.
    char text[64];
    auto [end, error] = std::to_chars(text, text + sizeof text, *entry.length_seconds);
    if (error == std::errc())
      out.append(text, end);
    return;
  }
  case kListIndex:
    out += std::to_string(index + 1);
    return;
  case kListTotal:
    out += std::to_string(total);
    return;
  default:
    if (id >= kFirstFileField)
      out += entry.file_field(static_cast<FileField>(id - kFirstFileField));
    return;
  }
}

} // namespace

int track_field_id(std::string_view name) {
  // What the file's own tags and properties say has names as players spell them, with or without
  // a space.
  static const std::pair<std::string_view, int> kNames[] = {
      {"title", kTitle},
      {"playlist_name", kPlaylistName},
      {"artist", kArtist},
      {"album", kAlbum},
      {"album artist", file_id(FileField::AlbumArtist)},
      {"albumartist", file_id(FileField::AlbumArtist)},
      {"tracknumber", file_id(FileField::TrackNumber)},
      {"totaltracks", file_id(FileField::TotalTracks)},
      {"discnumber", file_id(FileField::DiscNumber)},
      {"totaldiscs", file_id(FileField::TotalDiscs)},
      {"date", file_id(FileField::Date)},
      {"genre", file_id(FileField::Genre)},
      {"comment", file_id(FileField::Comment)},
      {"bitrate", file_id(FileField::Bitrate)},
      {"samplerate", file_id(FileField::SampleRate)},
      {"channels", file_id(FileField::Channels)},
      {"codec", file_id(FileField::Codec)},
      {"filesize", file_id(FileField::FileSize)},
      {"cover", file_id(FileField::Cover)},
      {"path", kPath},
      {"filename", kFilename},
      {"length", kLength},
      {"length_seconds", kLengthSeconds},
      {"length_seconds_exact", kLengthSecondsExact},
      {"list_index", kListIndex},
      {"list_total", kListTotal},
  };
  for (const auto& [field_name, id] : kNames) {
    if (equal_ignoring_ascii_case(name, field_name))
      return id;
  }
  return -1;
}

std::optional<std::string> track_field(const PlaylistEntry& entry, size_t index, size_t total,
                                       std::string_view name) {
  int id = track_field_id(name);
  if (id < 0)
    return std::nullopt;
  std::string text;
  append_track_field(entry, index, total, id, text);
  if (text.empty())
    return std::nullopt;
  return text;
}

void EntryVariables::append_value(std::string_view name, int field, std::string& out) const {
  for (const auto& [item_name, value] : items_) {
    if (equal_ignoring_ascii_case(item_name, name)) {
      out += value;
      return;
    }
  }
  if (field == kPlaylistName && playlist_) {
    out += playlist_->name;
    return;
  }
  if (field < 0 || !playlist_ || index_ < 0 ||
      static_cast<size_t>(index_) >= playlist_->entries.size())
    return;
  append_track_field(playlist_->entries[static_cast<size_t>(index_)], static_cast<size_t>(index_),
                     playlist_->entries.size(), field, out);
}

size_t EntryVariables::entry_count() const {
  bool in_playlist =
      playlist_ && index_ >= 0 && static_cast<size_t>(index_) < playlist_->entries.size();
  return in_playlist ? playlist_->entries.size() : 0;
}

void EntryVariables::visit_entry(size_t position,
                                 const std::function<void(const TitleVariables&)>& visit) const {
  visit(EntryVariables(items_, playlist_, static_cast<long long>(position)));
}

double EntryVariables::entry_length(size_t position) const {
  const std::optional<double>& length = playlist_->entries[position].length_seconds;
  return length && *length > 0 ? *length : -1; // as the statistics count them
}

TitleLookup entry_lookup(const std::vector<std::pair<std::string, std::string>>& items,
                         const Playlist* playlist, long long index) {
  return [&items, playlist, index](std::string_view name) -> std::optional<std::string> {
    std::string value;
    EntryVariables(items, playlist, index).append_value(name, track_field_id(name), value);
    if (value.empty())
      return std::nullopt;
    return value;
  };
}

} // namespace tessaly
