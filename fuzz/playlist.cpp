// Any bytes as an M3U playlist: parsing never fails or reads out of bounds, and every entry it
// yields has a location.
#include <string_view>
#include <vector>

#include "playlist/m3u_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> bytes(data, data + size); // exact size: reads past the end are caught
  auto entries =
      tessaly::parse_m3u(std::string_view(bytes.data(), bytes.size()), "/music/playlists");
  for (const tessaly::PlaylistEntry& entry : entries) {
    if (entry.location.empty())
      __builtin_trap();
  }
  return 0;
}
