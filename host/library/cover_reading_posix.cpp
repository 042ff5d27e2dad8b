#include <chrono>
#include <memory>

#include "library/cover_reading.h"
#include "library/covers.h"
#include "library/library_index.h"
#include "library/work_pool.h"
#include "support/location.h"

namespace tessaly {
namespace {

constexpr const char* kEmbedded = "h:";
constexpr const char* kNoneEmbedded = "-";

} // namespace

void read_covers(Playlist* playlist, const std::string& output, const LibraryOptions& options,
                 const FileStatuses& statuses, std::vector<std::string>* notes) {
  std::vector<PlaylistEntry>& entries = playlist->entries;
  CoverThumbnails thumbnails(output);
  std::unique_ptr<LibraryIndex> index;
  if (options.use_index) {
    std::string warning, note; // said once already, by the reading of the tags
    index = LibraryIndex::open(options.profile, &warning, &note);
  }
  auto keyed = [&](size_t i) {
    return i < statuses.keyed.size() && i < statuses.keys.size() && statuses.keyed[i];
  };

  // What the index holds of each unchanged file's picture: a folder's rows in one pass, the
  // others (a playlist's files) one lookup each.
  std::vector<std::string> known(entries.size());
  if (index && !options.rescan) {
    index->begin_lookups();
    EntriesByPath by_path(entries);
    for (const std::string& folder : options.folders) {
      if (!by_path.add_folder(folder))
        continue;
      index->visit_covers_below(
          folder, [&](std::string_view path, const FileKeys& keys, std::string_view picture) {
            by_path.find(path, [&](size_t i) {
              if (keyed(i) && statuses.keys[i] == keys)
                known[i] = picture;
            });
          });
    }
    for (size_t i = 0; i < entries.size(); ++i)
      if (keyed(i) && !by_path.added(i))
        index->find_cover(entries[i].resolved, statuses.keys[i], &known[i]);
    index->end_lookups();
  }

  // Each result lands in its own slot; the entries are changed afterwards, in order.
  std::vector<CoverResult> results(entries.size());
  struct Pending {
    size_t entry;
    std::string embedded;
  };
  std::vector<Pending> pending;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& path = entries[i].resolved;
    if (path.empty() || is_url(path))
      continue;
    // An unchanged file: its picture's thumbnail is made, or it has none of its own.
    const std::string& picture = known[i];
    if (picture == kNoneEmbedded) {
      results[i] = thumbnails.beside_cover(path);
      continue;
    }
    if (picture.rfind(kEmbedded, 0) == 0) {
      results[i] = thumbnails.made_thumbnail(picture.substr(2));
      if (results[i].status == CoverStatus::Cover)
        continue;
    }
    pending.push_back({i, {}});
  }

  run_work_pool(
      pending.size(), options.jobs > 0 ? options.jobs : available_processors(),
      [&](size_t k) {
        Pending& p = pending[k];
        results[p.entry] = thumbnails.cover_of(entries[p.entry].resolved, &p.embedded);
      },
      [](const std::vector<size_t>&) {}, 256, std::chrono::milliseconds(100));

  if (index) {
    // A damaged picture is not remembered: it is tried again, and counted again.
    std::vector<const std::string*> paths;
    std::vector<FileKeys> keys;
    std::vector<std::string> pictures;
    for (const Pending& p : pending) {
      if (!keyed(p.entry) || results[p.entry].status == CoverStatus::BadPicture ||
          results[p.entry].status == CoverStatus::Unwritable)
        continue;
      paths.push_back(&entries[p.entry].resolved);
      keys.push_back(statuses.keys[p.entry]);
      pictures.push_back(p.embedded.empty() ? kNoneEmbedded : kEmbedded + p.embedded);
    }
    index->store_covers(paths, keys, pictures);
  }

  size_t bad = 0;
  std::string first_bad;
  for (size_t i = 0; i < entries.size(); ++i) {
    const CoverResult& result = results[i];
    if (result.status == CoverStatus::Cover)
      entries[i].set_file_field(FileField::Cover, result.address);
    else if (result.status == CoverStatus::BadPicture && bad++ == 0)
      first_bad = entries[i].resolved + ": " + result.reason;
  }
  if (std::string error = thumbnails.folder_error(); !error.empty())
    notes->push_back(error);
  if (bad > 0)
    notes->push_back(std::to_string(bad) + (bad == 1 ? " cover" : " covers") +
                     " could not be used; first: " + first_bad);
  if (index && !index->trouble().empty())
    notes->push_back(index->trouble());
}

} // namespace tessaly
