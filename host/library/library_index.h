// What each file of the user's music gave when it was last read, kept in the profile folder
// (library.sqlite) so that a file that has not changed is not opened again. The index is a cache,
// never the truth: a row is used only when the file's size, times, inode and device are the ones
// it was read with, and only when the rows were written by this reader (its version is the
// database's user_version). Whatever is wrong with the file (another version, damage, a folder
// that cannot be written) costs a reading of the files, never a wrong entry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/library_reading.h"
#include "playlist/playlist.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tessaly {

// One file's reading: either what it gave (an entry holding only the file's own fields) or why
// it could not be read.
struct FileReading {
  FileKeys keys;
  bool readable = false;
  std::string reason;  // when not readable
  PlaylistEntry given; // when readable
};

// The local entries below some folders, found by path: one pass over a folder's rows in the index
// then serves every entry of that folder. An entry that comes twice is found each time.
class EntriesByPath {
public:
  explicit EntriesByPath(const std::vector<PlaylistEntry>& entries);
  // Takes in the local entries below folder; false when there is none (a folder that gave no
  // file may be a drive that is not mounted).
  bool add_folder(const std::string& folder);
  bool added(size_t entry) const { return added_[entry] != 0; }
  // Calls each(entry) for every entry taken in whose path is path; false when there is none.
  template <class Each> bool find(std::string_view path, const Each& each) const {
    auto found = last_.find(path);
    if (found == last_.end())
      return false;
    for (size_t i = found->second; i != kNone; i = same_before_[i])
      each(i);
    return true;
  }

private:
  static constexpr size_t kNone = SIZE_MAX;
  const std::vector<PlaylistEntry>& entries_;
  std::unordered_map<std::string_view, size_t> last_; // the last entry of each path
  std::vector<size_t> same_before_;
  std::vector<char> added_;
};

class LibraryIndex {
public:
  ~LibraryIndex();
  LibraryIndex(const LibraryIndex&) = delete;
  LibraryIndex& operator=(const LibraryIndex&) = delete;

  // The index in folder, made when missing; a damaged one is moved aside to
  // library.sqlite.broken and made anew. Null when no index can be kept there, with the reason
  // in *note; *warning says what was moved aside, when something was.
  static std::unique_ptr<LibraryIndex> open(const std::string& folder, std::string* warning,
                                            std::string* note);

  // Lookups between these two read one snapshot under one lock: without it every lookup would
  // take and drop the database's lock, at two system calls and a look for a journal each.
  void begin_lookups();
  void end_lookups();
  // The row of path when it was read with exactly these keys.
  bool find(const std::string& path, const FileKeys& keys, FileReading* reading);
  // Stores the readings of paths, in one transaction.
  void store(const std::vector<const std::string*>& paths,
             const std::vector<const FileReading*>& readings);
  // What a file's tags hold of a cover, as it was with these keys: "h:HASH" for an embedded
  // picture (its thumbnail's name), "-" for none. False when not known.
  bool find_cover(const std::string& path, const FileKeys& keys, std::string* picture);
  // Calls visit with each cover row below folder, in path order, as visit_below does.
  using CoverVisitor =
      std::function<void(std::string_view path, const FileKeys& keys, std::string_view picture)>;
  void visit_covers_below(const std::string& folder, const CoverVisitor& visit);
  // Stores what the files' tags hold of a cover, in one transaction.
  void store_covers(const std::vector<const std::string*>& paths, const std::vector<FileKeys>& keys,
                    const std::vector<std::string>& pictures);
  // Calls visit with the path and keys of each row below folder, in path order, and with a
  // reader of the rest of the row (false when that row is damaged). One pass over a folder's
  // rows costs far less than a lookup for each of its files.
  using RowReader = std::function<bool(FileReading* reading)>;
  using RowVisitor =
      std::function<void(std::string_view path, const FileKeys& keys, const RowReader& read)>;
  void visit_below(const std::string& folder, const RowVisitor& visit);
  // Removes the rows of paths.
  void forget(const std::vector<std::string>& paths);

  // False once a damage was met on the way: the rest of the work goes without the index.
  bool usable() const { return db_ != nullptr; }
  // What went wrong with it during the run, for one line; empty when nothing.
  const std::string& trouble() const { return trouble_; }

private:
  struct Statements;
  LibraryIndex() = default;
  // Opens path_ and makes its table where it is missing or another reader's: an SQLite code.
  int connect();
  bool prepare();
  // Moves a damaged index aside, saying so in trouble_ (or why not in *note).
  bool move_aside(const std::string& why, std::string* note);
  // Steps statement over the rows below folder (its two parameters), calling row at each.
  void each_row_below(sqlite3_stmt* statement, const std::string& folder,
                      const std::function<void()>& row);
  // row(i) for i below count, in one transaction that commits when every row gave SQLITE_OK.
  void write_rows(size_t count, const std::function<int(size_t)>& row);
  // Called with each SQLite result that is no success: the index is given up for this run,
  // and moved aside when it is damaged.
  void fail(int code);
  void close();

  ::sqlite3* db_ = nullptr;
  std::unique_ptr<Statements> statements_;
  std::string path_;
  std::string trouble_;
};

} // namespace tessaly
