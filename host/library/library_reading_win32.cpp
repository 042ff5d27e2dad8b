#include "library/library_reading.h"

namespace tessaly {

// No tags are read here (file_tags_win32.cpp), so there is nothing to index.
TagReading read_library(Playlist* playlist, const LibraryOptions&, std::vector<std::string>*,
                        FileStatuses*) {
  return read_playlist_tags(playlist);
}

} // namespace tessaly
