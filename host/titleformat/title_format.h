// The host's title-format language, which turns a format string and the variables of one
// playlist entry into text:
//   %name%           a variable; unknown ones give the empty text. The name runs to the next "%".
//   [ ... ]          shown only when every %name% directly inside (not in a nested bracket or in
//                    a function's arguments) is known and not empty; brackets nest.
//   '...'            literal text; '' is one quote, inside a literal too.
//   $name(a,b,...)   a function: crlf, tab, char, if, if2, upper, lower, len, num, add, sub,
//                    mul, div, mod, replace, uri.
// The formatter never fails: whatever is malformed comes out as text (a "%" without its closing
// "%", a "$" that starts no call, a call that is never closed) or as [UNKNOWN FUNCTION] (an
// unknown name, the wrong number of arguments), and an unclosed bracket or literal runs to the
// end of the format. Nesting deeper than kMaxTitleFormatDepth is taken as plain text.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "playlist/playlist.h"

namespace tessaly {

inline constexpr int kMaxTitleFormatDepth = 64;

// The value of a variable, or none when it is unknown.
using TitleLookup = std::function<std::optional<std::string>(std::string_view name)>;

std::string format_title_text(std::string_view format, const TitleLookup& lookup);

// The pairs of an extra-items text ("name=value" NUL ... NUL NUL), split at the first "=".
// Items without "=" are skipped; null gives none.
std::vector<std::pair<std::string, std::string>> parse_extra_items(const char* items);

// A field of an entry: title, artist, album, path, filename, length, length_seconds,
// list_index (index + 1) and list_total. Empty texts of the playlist are unknown.
std::optional<std::string> track_field(const PlaylistEntry& entry, size_t index, size_t total,
                                       std::string_view name);

// "m:ss" below an hour, "h:mm:ss" from one; whole seconds, the fraction dropped.
std::string format_length(double seconds);

// Variables looked up first among items, then among the fields of entry `index` of playlist
// (none when index is out of range). Names are compared without regard to ASCII case.
TitleLookup entry_lookup(const std::vector<std::pair<std::string, std::string>>& items,
                         const Playlist* playlist, long long index);

} // namespace tessaly
