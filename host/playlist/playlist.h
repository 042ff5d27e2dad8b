// The host's playlist: its entries as the player holds them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct PlaylistEntry {
  std::string location;                 // as the playlist writes it
  std::string resolved;                 // the full location: a relative one joined to the
                                        // playlist's folder; what %path% shows
  std::optional<double> length_seconds; // none when unknown
  // Empty when the playlist does not say.
  std::string title;
  std::string artist;
  std::string album;
};

struct Playlist {
  std::string name; // the file name without its extension
  std::vector<PlaylistEntry> entries;
};

} // namespace tessaly
