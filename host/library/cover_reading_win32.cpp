#include "library/cover_reading.h"

namespace tessaly {

// No picture decoder is built for Windows: entries have no cover there, as the README says.
void read_covers(Playlist*, const std::string&, const LibraryOptions&, const FileStatuses&,
                 std::vector<std::string>*) {}

} // namespace tessaly
