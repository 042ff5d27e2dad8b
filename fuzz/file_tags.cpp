// Any bytes as an audio file read from memory: TagLib's reading, and ours around it, never fail
// or read out of bounds, and a file that is read has a length no reader could mistake.
#include <cmath>
#include <string_view>
#include <vector>

#include "playlist/file_tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> bytes(data, data + size); // exact size: reads past the end are caught
  tessaly::PlaylistEntry entry;
  std::string reason;
  if (tessaly::read_tags_from_memory(std::string_view(bytes.data(), bytes.size()), &entry,
                                     &reason)) {
    if (entry.length_seconds &&
        !(std::isfinite(*entry.length_seconds) && *entry.length_seconds > 0))
      __builtin_trap();
  } else if (reason.empty()) {
    __builtin_trap();
  }
  return 0;
}
