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
  // Empty when neither the playlist nor the file says. The file's own tags, where it has them,
  // replace what the playlist says.
  std::string title;
  std::string artist;
  std::string album;
  std::string album_artist;
  std::string track_number; // "3" of a track tagged "3/12"
  std::string total_tracks; // "12" of it
  std::string disc_number;
  std::string total_discs;
  std::string date;
  std::string genre;
  std::string comment;
  // The audio properties of a file that was read; empty otherwise.
  std::string bitrate;     // kbit/s
  std::string sample_rate; // Hz
  std::string channels;
  std::string codec;     // "FLAC", "MP3", "Vorbis", "Opus", "AAC", "WAV", ...
  std::string file_size; // bytes
};

struct Playlist {
  std::string name; // the file name without its extension
  std::vector<PlaylistEntry> entries;
};

} // namespace tessaly
