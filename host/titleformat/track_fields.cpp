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

std::optional<std::string> track_field(const PlaylistEntry& entry, size_t index, size_t total,
                                       std::string_view name) {
  auto known = [](const std::string& text) -> std::optional<std::string> {
    if (text.empty())
      return std::nullopt;
    return text;
  };
  if (equal_ignoring_ascii_case(name, "title"))
    return known(entry.title);
  if (equal_ignoring_ascii_case(name, "artist"))
    return known(entry.artist);
  if (equal_ignoring_ascii_case(name, "album"))
    return known(entry.album);
  // What the file's own tags and properties say; names as players spell them, with or
  // without a space.
  static const std::pair<std::string_view, FileField> kFileFields[] = {
      {"album artist", FileField::AlbumArtist},
      {"albumartist", FileField::AlbumArtist},
      {"tracknumber", FileField::TrackNumber},
      {"totaltracks", FileField::TotalTracks},
      {"discnumber", FileField::DiscNumber},
      {"totaldiscs", FileField::TotalDiscs},
      {"date", FileField::Date},
      {"genre", FileField::Genre},
      {"comment", FileField::Comment},
      {"bitrate", FileField::Bitrate},
      {"samplerate", FileField::SampleRate},
      {"channels", FileField::Channels},
      {"codec", FileField::Codec},
      {"filesize", FileField::FileSize},
  };
  for (const auto& [field_name, field] : kFileFields) {
    if (equal_ignoring_ascii_case(name, field_name))
      return known(entry.file_field(field));
  }
  if (equal_ignoring_ascii_case(name, "path"))
    return known(entry.resolved);
  if (equal_ignoring_ascii_case(name, "filename")) {
    size_t slash = entry.resolved.find_last_of("/\\");
    std::string base =
        slash == std::string::npos ? entry.resolved : entry.resolved.substr(slash + 1);
    return known(name_without_extension(base));
  }
  if (equal_ignoring_ascii_case(name, "length"))
    return entry.length_seconds ? std::optional(format_length(*entry.length_seconds))
                                : std::nullopt;
  if (equal_ignoring_ascii_case(name, "length_seconds")) {
    if (!entry.length_seconds)
      return std::nullopt;
    return std::to_string(whole_seconds(*entry.length_seconds));
  }
  if (equal_ignoring_ascii_case(name, "length_seconds_exact")) {
    if (!entry.length_seconds)
      return std::nullopt;
    // The shortest decimal that reads back as the same length: 198.4, 160, 0.001.
    char text[64];
    auto [end, error] = std::to_chars(text, text + sizeof text, *entry.length_seconds);
    if (error != std::errc())
      return std::nullopt;
    return std::string(text, end);
  }
  if (equal_ignoring_ascii_case(name, "list_index"))
    return std::to_string(index + 1);
  if (equal_ignoring_ascii_case(name, "list_total"))
    return std::to_string(total);
  return std::nullopt;
}

TitleLookup entry_lookup(const std::vector<std::pair<std::string, std::string>>& items,
                         const Playlist* playlist, long long index) {
  return [&items, playlist, index](std::string_view name) -> std::optional<std::string> {
    for (const auto& [item_name, value] : items) {
      if (equal_ignoring_ascii_case(item_name, name))
        return value;
    }
    if (!playlist || index < 0 || static_cast<size_t>(index) >= playlist->entries.size())
      return std::nullopt;
    return track_field(playlist->entries[static_cast<size_t>(index)], static_cast<size_t>(index),
                       playlist->entries.size(), name);
  };
}

} // namespace tessaly
