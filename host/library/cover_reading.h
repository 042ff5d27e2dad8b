// The covers of a playlist's local files, for an export whose formats use %cover%: each entry's
// FileField::Cover is set to the address of its thumbnail beside the output (library/covers.h).
// Native builds only; the Windows builds read no pictures.
#pragma once

#include <string>
#include <vector>

#include "playlist/playlist.h"

namespace tessaly {

// Reads the covers on jobs threads (0: the processors available). Lines for the user (pictures
// that could not be used, a folder that cannot be written) go to notes.
void read_covers(Playlist* playlist, const std::string& output, unsigned jobs,
                 std::vector<std::string>* notes);

} // namespace tessaly
