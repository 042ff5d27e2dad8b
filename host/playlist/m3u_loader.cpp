#include "playlist/m3u_loader.h"

#include <algorithm>
#include <charconv>

#include "playlist/locations.h"
#include "support/files.h"
#include "support/location.h"
#include "support/text.h"
#include "support/utf8.h"

namespace tessaly {
namespace {

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

struct Pending {
  std::optional<double> length;
  std::string title;
  std::string artist;
  std::string album;
};

void read_extinf(std::string_view rest, Pending* pending) {
  size_t comma = rest.find(',');
  std::optional<double> seconds = parse_decimal(trim(rest.substr(0, comma)));
  pending->length = seconds && *seconds >= 0 ? seconds : std::nullopt;
  pending->title.clear();
  pending->artist.clear();
  if (comma == std::string_view::npos)
    return;
  std::string_view display = trim(rest.substr(comma + 1));
  size_t dash = display.find(" - ");
  if (dash != std::string_view::npos) {
    std::string_view artist = trim(display.substr(0, dash));
    std::string_view title = trim(display.substr(dash + 3));
    if (!artist.empty() && !title.empty()) {
      pending->artist = artist;
      pending->title = title;
      return;
    }
  }
  pending->title = display;
}

} // namespace

std::optional<double> parse_decimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  size_t digits = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      ++digits;
  }
  if (digits == 0 || i != text.size())
    return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return negative ? -value : value;
}

std::vector<PlaylistEntry> parse_m3u(std::string_view text, const std::string& folder) {
  if (starts_with(text, "\xEF\xBB\xBF"))
    text.remove_prefix(3);
  std::vector<PlaylistEntry> entries;
  Pending pending;
  size_t position = 0;
  while (position < text.size()) {
    std::string_view line = next_trimmed_line(text, &position);
    if (line.empty())
      continue;
    if (line[0] == '#') {
      if (starts_with(line, "#EXTINF:"))
        read_extinf(line.substr(8), &pending);
      else if (starts_with(line, "#EXTALB:"))
        pending.album = trim(line.substr(8));
      continue;
    }
    PlaylistEntry entry;
    entry.location = line;
    entry.resolved = resolve_location(entry.location, folder);
    entry.length_seconds = pending.length;
    entry.title = std::move(pending.title);
    entry.artist = std::move(pending.artist);
    entry.album = std::move(pending.album);
    entries.push_back(std::move(entry));
    pending = Pending();
  }
  return entries;
}

size_t first_non_text_byte(std::string_view text) {
  size_t nul = text.find('\0');
  size_t invalid = invalid_utf8_at(text);
  return nul < invalid ? nul : invalid;
}

bool load_playlist(const std::string& path, Playlist* playlist, std::string* error) {
  std::string bytes;
  if (!read_file(path, &bytes, error))
    return false;
  // A playlist is UTF-8 text; anything else (a binary file given by mistake) is refused with
  // the place where the text stops being text.
  size_t bad = first_non_text_byte(bytes);
  if (bad != std::string_view::npos) {
    size_t line = 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + bad, '\n'));
    *error = path + ": not a playlist: line " + std::to_string(line) + " is not UTF-8 text (byte " +
             std::to_string(bad) + ")";
    return false;
  }
  // A player holds every entry as a full location: a relative one is taken from the playlist's
  // folder and written with this system's separators.
  playlist->entries = parse_m3u(bytes, parent_dir(absolute_path(path)));
  for (PlaylistEntry& entry : playlist->entries) {
    if (entry.resolved != entry.location)
      entry.resolved = local_separators(entry.resolved);
  }
  playlist->name = name_without_extension(file_name(path));
  return true;
}

} // namespace tessaly
