// The reading of every local file of a playlist, as the user's music library: files that have
// not changed since the last export come from the library index (library_index.h), the others
// are read on every core, and entries keep their order whatever the timing. The Windows builds
// read no tags and so keep no index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "playlist/file_tags.h"
#include "playlist/playlist.h"

namespace tessaly {

// What tells that a file changed: a tag editor that keeps the modification time still changes
// the status-change time.
struct FileKeys {
  int64_t size = 0;
  int64_t mtime_ns = 0;
  int64_t ctime_ns = 0;
  uint64_t inode = 0;
  uint64_t device = 0;

  bool operator==(const FileKeys&) const = default;
};

// The keys of the file at path (its links followed, as its reading follows them). False with
// errno set when it cannot be looked at.
bool file_keys(const std::string& path, FileKeys* keys);

// Each entry's keys as the reading found them, for a later look at the same files.
struct FileStatuses {
  std::vector<FileKeys> keys;
  std::vector<char> keyed; // 0: the entry is no local file, or it could not be looked at
};

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
// about the index (moved aside, cannot be kept) go to notes; the keys of the files it looked at go
// to statuses (none on Windows).
TagReading read_library(Playlist* playlist, const LibraryOptions& options,
                        std::vector<std::string>* notes, FileStatuses* statuses);

} // namespace tessaly
