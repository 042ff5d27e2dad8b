// TagLib has no package for the Windows targets: entries keep the playlist's information.
#include "playlist/file_tags.h"

namespace tessaly {

bool reads_file_tags() {
  return false;
}

bool read_file_tags(const std::string&, PlaylistEntry*, std::string* reason) {
  *reason = "this build does not read files";
  return false;
}

bool read_tags_from_memory(std::string_view, PlaylistEntry*, std::string* reason) {
  *reason = "this build does not read files";
  return false;
}

} // namespace tessaly
