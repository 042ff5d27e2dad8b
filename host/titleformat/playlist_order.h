// The playlist put in the order a title format's key gives each entry.
#pragma once

#include <string_view>

#include "playlist/playlist.h"

namespace tessaly {

// Sorts the entries by the text key_format makes of each, in natural order (support/
// natural_order.h), stable: entries with equal keys keep their order. reverse sorts from the
// greatest key down, still stable; with no key_format it reverses the playlist. The key of each
// entry is made once.
void sort_playlist(Playlist* playlist, std::string_view key_format, bool reverse);

} // namespace tessaly
