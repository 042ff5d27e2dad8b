#include <chrono>

#include "library/cover_reading.h"
#include "library/covers.h"
#include "library/work_pool.h"
#include "support/location.h"

namespace tessaly {

void read_covers(Playlist* playlist, const std::string& output, unsigned jobs,
                 std::vector<std::string>* notes) {
  std::vector<PlaylistEntry>& entries = playlist->entries;
  std::vector<size_t> local;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].resolved.empty() && !is_url(entries[i].resolved))
      local.push_back(i);
  }
  CoverThumbnails thumbnails(output);
  // Each result lands in its own slot; the entries are changed afterwards, in order.
  std::vector<CoverResult> results(local.size());
  run_work_pool(
      local.size(), jobs > 0 ? jobs : available_processors(),
      [&](size_t k) { results[k] = thumbnails.cover_of(entries[local[k]].resolved); },
      [](const std::vector<size_t>&) {}, 256, std::chrono::milliseconds(100));
  size_t bad = 0;
  std::string first_bad;
  for (size_t k = 0; k < local.size(); ++k) {
    const CoverResult& result = results[k];
    if (result.status == CoverStatus::Cover)
      entries[local[k]].set_file_field(FileField::Cover, result.address);
    else if (result.status == CoverStatus::BadPicture && bad++ == 0)
      first_bad = entries[local[k]].resolved + ": " + result.reason;
  }
  if (std::string error = thumbnails.folder_error(); !error.empty())
    notes->push_back(error + "; the export has no covers");
  if (bad > 0)
    notes->push_back(std::to_string(bad) + (bad == 1 ? " cover" : " covers") +
                     " could not be used; first: " + first_bad);
}

} // namespace tessaly
