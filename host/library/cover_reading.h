// The covers of a playlist's local files, for an export whose formats use %cover%: each entry's
// FileField::Cover is set to the address of its thumbnail beside the output (library/covers.h).
// With the library index, a file that has not changed and whose thumbnail is made already is not
// opened again. Native builds only; the Windows builds read no pictures.
#pragma once

#include <string>
#include <vector>

#include "library/library_reading.h"
#include "playlist/playlist.h"

namespace tessaly {

// Reads the covers on options.jobs threads, the files taken as read_library found them
// (statuses). Lines for the user (pictures that could not be used, a folder that cannot be
// written) go to notes.
void read_covers(Playlist* playlist, const std::string& output, const LibraryOptions& options,
                 const FileStatuses& statuses, std::vector<std::string>* notes);

} // namespace tessaly
