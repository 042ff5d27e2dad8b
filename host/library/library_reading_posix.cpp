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
void apply(const PlaylistEntry& given, PlaylistEntry* entry) {
  if (given.length_seconds)
    entry->length_seconds = given.length_seconds;
  if (!given.title.empty())
    entry->title = given.title;
  if (!given.artist.empty())
    entry->artist = given.artist;
  if (!given.album.empty())
    entry->album = given.album;
  for (const auto& [field, text] : given.file_fields)
    entry->set_file_field(field, text);
}

bool below(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (folder.back() == '/' || path[folder.size()] == '/');
}

} // namespace

TagReading read_library(Playlist* playlist, const LibraryOptions& options,
                        std::vector<std::string>* notes) {
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
  std::vector<std::string> failed_in_index; // their reasons, in the playlist's order
  std::vector<Pending> pending;
  std::vector<std::string> gone;
  FileReading row;
  if (index && !options.rescan)
    index->begin_lookups();
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& path = entries[i].resolved;
    if (path.empty() || is_url(path))
      continue;
    FileKeys keys;
    bool keyed = file_keys(path, &keys);
    if (!keyed && errno == ENOENT && index)
      gone.push_back(path);
    if (keyed && index && !options.rescan && index->find(path, keys, &row)) {
      source[i] = row.readable ? kFromIndex : kFailedInIndex;
      if (row.readable)
        apply(row.given, &entries[i]);
      else
        failed_in_index.push_back(std::move(row.reason));
      continue;
    }
    source[i] = kRead;
    pending.push_back({i, keyed, {}});
    pending.back().read.keys = keys;
  }

  if (index && !options.rescan)
    index->end_lookups();

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
    unsigned jobs = options.jobs > 0 ? options.jobs : available_processors();
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
      reason = &failed_in_index[next_failed++];
    } else if (source[i] == kRead) {
      const FileReading& read = pending[next_read++].read;
      if (read.readable)
        apply(read.given, &entries[i]);
      else
        reason = &read.reason;
    }
    if (reason && reading.failed++ == 0)
      reading.first_failure = entries[i].resolved + ": " + *reason;
  }

  if (index) {
    index->forget(gone);
    // A folder that gave no file may be a drive that is not mounted: its rows stay.
    for (const std::string& folder : options.folders) {
      std::vector<std::string> kept;
      for (const PlaylistEntry& entry : entries)
        if (below(entry.resolved, folder))
          kept.push_back(entry.resolved);
      if (kept.empty())
        continue;
      std::sort(kept.begin(), kept.end());
      index->forget_below(folder, kept);
    }
    if (!index->trouble().empty())
      notes->push_back(index->trouble());
  }
  return reading;
}

} // namespace tessaly
