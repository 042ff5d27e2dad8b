// Any bytes as an audio file: TagLib's reading, and ours around it, never fail or read out of
// bounds, and a file that is read has a length no reader could mistake. The same bytes are read
// twice: from memory through TagLib's own stream, and from a file through the host's stream,
// which must read the same entry from them.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/file_tags.h"

namespace {

// The name has no extension: both readings find the type from the content.
const std::string& file_name() {
  static const std::string name = "/tmp/fuzz-file-tags-" + std::to_string(::getpid());
  return name;
}

bool same(const tessaly::PlaylistEntry& a, const tessaly::PlaylistEntry& b) {
  return a.length_seconds == b.length_seconds && a.title == b.title && a.artist == b.artist &&
         a.album == b.album && a.file_fields == b.file_fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> bytes(data, data + size); // exact size: reads past the end are caught
  tessaly::PlaylistEntry entry;
  std::string reason;
  bool read =
      tessaly::read_tags_from_memory(std::string_view(bytes.data(), bytes.size()), &entry, &reason);
  if (read) {
    if (entry.length_seconds &&
        !(std::isfinite(*entry.length_seconds) && *entry.length_seconds > 0))
      __builtin_trap();
  } else if (reason.empty()) {
    __builtin_trap();
  }
  if (size == 0)
    return 0; // an empty file is refused before TagLib sees it
  std::FILE* file = std::fopen(file_name().c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
    __builtin_trap();
  tessaly::PlaylistEntry from_file;
  std::string file_reason;
  bool file_read = tessaly::read_file_tags(file_name(), &from_file, &file_reason);
  std::remove(file_name().c_str());
  if (file_read != read || (read && !same(entry, from_file)))
    __builtin_trap();
  return 0;
}
