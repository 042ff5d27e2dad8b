// Playlists read from PLS files ("[playlist]", FileN=, TitleN=, LengthN=). Parsing is pure: any
// text gives some list of entries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist.h"

namespace tessaly {

// The entries of a PLS text, in the order of their numbers (File1 before File2, gaps allowed);
// relative locations are resolved against folder. Keys are matched without regard to case; a
// negative length is unknown.
std::vector<PlaylistEntry> parse_pls(std::string_view text, const std::string& folder);

} // namespace tessaly
