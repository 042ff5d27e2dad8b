// Playlists read from M3U and M3U8 files. Parsing is pure, so that any bytes, garbage included,
// give some list of entries and never fail.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist.h"

namespace tessaly {

// Entries of an M3U text; relative locations are resolved against folder. A UTF-8 byte-order
// mark, "#EXTM3U", CRLF or LF line ends and blank lines are all taken in stride. "#EXTINF:" and
// "#EXTALB:" describe the next entry only.
std::vector<PlaylistEntry> parse_m3u(std::string_view text, const std::string& folder);

// A plain decimal number ("200", "100.25", ".5", "-1"), or none.
std::optional<double> parse_decimal(std::string_view text);

// The offset of the first byte that is not valid UTF-8 (a NUL counts as invalid), or npos.
size_t first_non_text_byte(std::string_view text);

// Reads and parses the playlist at path. False, with a message naming the path, when the file
// cannot be read or is not text.
bool load_playlist(const std::string& path, Playlist* playlist, std::string* error);

} // namespace tessaly
