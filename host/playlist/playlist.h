// The host's playlist: its entries as the player holds them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {

enum class FileField : unsigned char {
  AlbumArtist,
  TrackNumber, // "3" of a track tagged "3/12"
  TotalTracks, // "12" of it
  DiscNumber,
  TotalDiscs,
  Date,
  Genre,
  Comment,
  Bitrate,    // kbit/s
  SampleRate, // Hz
  Channels,
  Codec,    // "FLAC", "MP3", "Vorbis", "Opus", "AAC", "WAV", ...
  FileSize, // bytes
  // Set for an export, never kept in the library index: the address of the entry's cover
  // thumbnail beside the output.
  Cover,
};

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
  // What only a file's tags and properties give, each field at most once. A list rather than
  // a member each: a playlist of a million entries that no file describes stays small.
  std::vector<std::pair<FileField, std::string>> file_fields;

  // The field's text; empty when unknown.
  const std::string& file_field(FileField field) const;
  // Sets a field; an empty text makes it unknown.
  void set_file_field(FileField field, std::string text);
};

struct Playlist {
  std::string name; // the file name without its extension
  std::vector<PlaylistEntry> entries;
};

} // namespace tessaly
