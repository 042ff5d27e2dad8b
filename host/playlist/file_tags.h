// The tags and audio properties of each local file of a playlist, read from the file as a player
// reads them when the file joins a playlist. The native build reads them with TagLib; the Windows
// builds have no such library and keep what the playlist says (reads_file_tags() is false).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "playlist/playlist.h"

namespace tessaly {

// False on a build that leaves every entry as the playlist gives it.
bool reads_file_tags();

// The most of a file that its tags are read from: a cover of the largest size (16 MiB) as base64
// in a Xiph comment, and a little more. Past that, a tag's declared size is not taken at its word,
// and what it would hold is never all in memory. After it, kTagReserve bytes more serve the few
// reads that find the audio behind such a tag.
inline constexpr unsigned long kMaxTagBytes = (16ul << 20) / 2 * 3 + (1ul << 20);
inline constexpr unsigned long kTagReserve = 1ul << 20;

// Reads the file at path into entry: each tag the file has and its length replace the
// playlist's, and the audio properties are set. False, with the reason, when the file cannot be
// read as audio; entry is then left as it was.
bool read_file_tags(const std::string& path, PlaylistEntry* entry, std::string* reason);

// The same for a file's bytes in memory, its type found from its content.
bool read_tags_from_memory(std::string_view bytes, PlaylistEntry* entry, std::string* reason);

struct TagReading {
  size_t files = 0;          // local entries tried
  size_t failed = 0;         // of them, the ones that kept the playlist's information
  std::string first_failure; // "PATH: REASON" of the first that failed
};

// Reads every local entry of playlist (URLs keep what the playlist says).
TagReading read_playlist_tags(Playlist* playlist);

// "3 of 120 files could not be read; first: PATH: REASON", or empty when all were read.
std::string tag_reading_summary(const TagReading& reading);

} // namespace tessaly
