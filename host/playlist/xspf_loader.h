// Playlists read from XSPF files (XML Shareable Playlist Format, version 0 or 1).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist.h"

namespace tessaly {

// The tracks of an XSPF document: the first location (a file: URI becomes a path, a relative one
// is resolved against folder), title, creator, album, trackNum and duration in milliseconds.
// A track without a location is skipped. False, with the reason, when the text is not
// well-formed XML or its document element is not a playlist.
bool parse_xspf(std::string_view text, const std::string& folder,
                std::vector<PlaylistEntry>* entries, std::string* error);

} // namespace tessaly
