// The reading of every local file of a playlist, as the user's music library: files that have
// not changed since the last export come from the library index (library_index.h), the others
// are read on every core, and entries keep their order whatever the timing. The Windows builds
// read no tags and so keep no index.
#pragma once

#include <string>
#include <vector>

#include "playlist/file_tags.h"
#include "playlist/playlist.h"

namespace tessaly {

struct LibraryOptions {
  bool use_index = true; // --no-index: read every file, touch no index
  bool rescan = false;   // --rescan: read every file, refresh the index
  unsigned jobs = 0;     // --jobs N; 0: the processors available
  bool quiet = false;    // --quiet: no progress line
  std::string profile;   // the folder of the index
  // Folders read whole (absolute): the rows of their files that are gone are removed.
  std::vector<std::string> folders;
};

// Reads every local entry of playlist (URLs keep what the playlist says). Lines for the user
// about the index (moved aside, cannot be kept) go to notes.
TagReading read_library(Playlist* playlist, const LibraryOptions& options,
                        std::vector<std::string>* notes);

} // namespace tessaly
