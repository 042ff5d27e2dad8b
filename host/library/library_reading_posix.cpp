#include <algorithm>
#include <cerrno>
#include <memory>

#include "library/library_index.h"
#include "library/library_reading.h"
#include "library/progress_line.h"
#include "library/work_pool.h"
#include "support/location.h"

namespace tessaly {
namespace {

// Rows reach the index in transactions of this many: few commits, little lost to a kill.
constexpr size_t kBatch = 1000;
constexpr auto kTick = std::chrono::milliseconds(100);

struct Pending {
  size_t entry;     // its index in the playlist
  bool keyed;       // keys were read: the reading may be kept
  FileReading read; // the file's keys, then what it gave
};

// What the file gave, over what the playlist says: each field the file knows wins.
void apply(PlaylistEntry&& given, PlaylistEntry* entry) {
  if (given.length_seconds)
    entry->length_seconds = given.length_seconds;
  if (!given.title.empty())
    entry->title = std::move(given.title);
  if (!given.artist.empty())
    entry->artist = std::move(given.artist);
  if (!given.album.empty())
    entry->album = std::move(given.album);
  if (entry->file_fields.empty())
    entry->file_fields = std::move(given.file_fields);
  else
    for (auto& [field, text] : given.file_fields)
      entry->set_file_field(field, std::move(text));
}

} // namespace

TagReading read_library(Playlist* playlist, const LibraryOptions& options,
                        std::vector<std::string>* notes, FileStatuses* statuses) {
  std::vector<PlaylistEntry>& entries = playlist->entries;
  std::unique_ptr<LibraryIndex> index;
  if (options.use_index) {
    std::string warning, note;
    index = LibraryIndex::open(options.profile, &warning, &note);
    for (std::string* line : {&warning, &note})
      if (!line->empty())
        notes->push_back(*line);
  }

  // Each local file: from the index when it is there with the same keys, else to be read.
  enum Source : char { kNotLocal, kFromIndex, kFailedInIndex, kRead };
  std::vector<Source> source(entries.size(), kNotLocal);
  std::vector<FileKeys> keys(entries.size());
  std::vector<char> keyed(entries.size(), 0);
  std::vector<char> missing(entries.size(), 0);
  std::vector<size_t> local;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& path = entries[i].resolved;
    if (path.empty() || is_url(path))
      continue;
    source[i] = kRead;
    local.push_back(i);
  }
  unsigned jobs = options.jobs > 0 ? options.jobs : available_processors();
  // A status of each file, on every core: a slot each (chars, not bits, so no two threads write
  // the same byte).
  run_work_pool(
      local.size(), jobs,
      [&](size_t k) {
        size_t i = local[k];
        keyed[i] = file_keys(entries[i].resolved, &keys[i]);
        missing[i] = !keyed[i] && errno == ENOENT;
      },
      [](const std::vector<size_t>&) {}, kBatch, kTick);
  std::vector<std::string> gone;
  for (size_t i : local)
    if (missing[i] && index)
      gone.push_back(entries[i].resolved);

  std::vector<std::pair<size_t, std::string>> failed_in_index; // their reasons
  FileReading row;
  auto take = [&](size_t i) {
    if (row.readable) {
      source[i] = kFromIndex;
      apply(std::move(row.given), &entries[i]);
    } else {
      source[i] = kFailedInIndex;
      failed_in_index.emplace_back(i, std::move(row.reason));
    }
  };
  if (index) {
    if (!options.rescan)
      index->begin_lookups();
    // The files of the folders, matched against one pass over each folder's rows; the rows of
    // files no longer there are forgotten. A folder that gave no file may be a drive that is
    // not mounted: its rows stay.
    EntriesByPath by_path(entries);
    for (const std::string& folder : options.folders) {
      if (!by_path.add_folder(folder))
        continue;
      index->visit_below(folder, [&](std::string_view path, const FileKeys& row_keys,
                                     const LibraryIndex::RowReader& read) {
        bool listed = by_path.find(path, [&](size_t i) {
          if (!options.rescan && source[i] == kRead && keyed[i] && keys[i] == row_keys &&
              read(&row))
            take(i);
        });
        if (!listed)
          gone.emplace_back(path);
      });
    }
    // The others (a playlist's files), one lookup each.
    for (size_t i = 0; i < entries.size() && !options.rescan; ++i)
      if (source[i] == kRead && keyed[i] && !by_path.added(i) &&
          index->find(entries[i].resolved, keys[i], &row))
        take(i);
    if (!options.rescan)
      index->end_lookups();
  }
  std::sort(failed_in_index.begin(), failed_in_index.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Pending> pending;
  for (size_t i = 0; i < entries.size(); ++i)
    if (source[i] == kRead)
      pending.push_back({i, keyed[i] != 0, {}}), pending.back().read.keys = keys[i];

  // The others, on every core; each reading lands in its own slot.
  {
    ProgressLine progress(pending.size(), !options.quiet);
    size_t done = 0;
    std::vector<const std::string*> paths;
    std::vector<const FileReading*> readings;
    auto read = [&](size_t k) {
      Pending& p = pending[k];
      p.read.readable = read_file_tags(entries[p.entry].resolved, &p.read.given, &p.read.reason);
    };
    auto finished = [&](const std::vector<size_t>& items) {
      done += items.size();
      progress.update(done);
      if (!index)
        return;
      for (size_t k : items) {
        if (pending[k].keyed) {
          paths.push_back(&entries[pending[k].entry].resolved);
          readings.push_back(&pending[k].read);
        }
      }
      if (paths.size() >= kBatch || done == pending.size()) {
        index->store(paths, readings);
        paths.clear();
        readings.clear();
      }
    };
    progress.update(0);
    run_work_pool(pending.size(), jobs, read, finished, kBatch, kTick);
  }

  // In the playlist's order, so that the first failure named is the first in the playlist.
  TagReading reading;
  size_t next_read = 0, next_failed = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (source[i] == kNotLocal)
      continue;
    ++reading.files;
    const std::string* reason = nullptr;
    if (source[i] == kFailedInIndex) {
      reason = &failed_in_index[next_failed++].second;
    } else if (source[i] == kRead) {
      FileReading& read = pending[next_read++].read;
      if (read.readable)
        apply(std::move(read.given), &entries[i]);
      else
        reason = &read.reason;
    }
    if (reason && reading.failed++ == 0)
      reading.first_failure = entries[i].resolved + ": " + *reason;
  }

  statuses->keys = std::move(keys);
  statuses->keyed = std::move(keyed);
  if (index) {
    index->forget(gone);
    if (!index->trouble().empty())
      notes->push_back(index->trouble());
  }
  return reading;
}

} // namespace tessaly
