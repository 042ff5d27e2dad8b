#include "playlist/file_tags.h"

#include "support/location.h"

namespace tessaly {

TagReading read_playlist_tags(Playlist* playlist) {
  TagReading reading;
  if (!reads_file_tags())
    return reading;
  std::string reason;
  for (PlaylistEntry& entry : playlist->entries) {
    if (entry.resolved.empty() || is_url(entry.resolved))
      continue;
    ++reading.files;
    if (read_file_tags(entry.resolved, &entry, &reason))
      continue;
    if (reading.failed++ == 0)
      reading.first_failure = entry.resolved + ": " + reason;
  }
  return reading;
}

std::string tag_reading_summary(const TagReading& reading) {
  if (reading.failed == 0)
    return {};
  return std::to_string(reading.failed) + " of " + std::to_string(reading.files) +
         (reading.files == 1 ? " file" : " files") +
         " could not be read; first: " + reading.first_failure;
}

} // namespace tessaly
