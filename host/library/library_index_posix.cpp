#include <sqlite3.h>
#include <sys/stat.h>
#include <taglib/taglib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "library/library_index.h"
#include "support/files.h"

namespace tessaly {
namespace {

// The rules by which a file is read, and the TagLib that reads it: rows written under others
// are read again. Raise kReadingRules whenever what a file gives changes.
constexpr int kReadingRules = 3;
constexpr int kVersion = kReadingRules * 1000000 + TAGLIB_MAJOR_VERSION * 10000 +
                         TAGLIB_MINOR_VERSION * 100 + TAGLIB_PATCH_VERSION;
// Another export of the same profile may hold the index for a while: wait, never fail.
constexpr int kBusyMilliseconds = 10 * 60 * 1000;
constexpr auto kLongestPause = std::chrono::milliseconds(200);
constexpr const char* kFileName = "library.sqlite";

constexpr const char* kSchema = "CREATE TABLE files ("
                                "  path TEXT PRIMARY KEY,"
                                "  size INTEGER NOT NULL, mtime INTEGER NOT NULL,"
                                "  ctime INTEGER NOT NULL, inode INTEGER NOT NULL,"
                                "  device INTEGER NOT NULL,"
                                "  reason TEXT," // not null: the file could not be read
                                "  length REAL, title TEXT, artist TEXT, album TEXT, fields BLOB"
                                ") WITHOUT ROWID;"
                                "CREATE TABLE covers ("
                                "  path TEXT PRIMARY KEY,"
                                "  size INTEGER NOT NULL, mtime INTEGER NOT NULL,"
                                "  ctime INTEGER NOT NULL, inode INTEGER NOT NULL,"
                                "  device INTEGER NOT NULL, picture TEXT NOT NULL"
                                ") WITHOUT ROWID";

// A file's own fields as one value: for each, its number, its length (4 bytes, little-endian)
// and its text.
std::string encode_fields(const PlaylistEntry& entry) {
  std::string bytes;
  for (const auto& [field, text] : entry.file_fields) {
    bytes += static_cast<char>(field);
    uint32_t size = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
      bytes += static_cast<char>(size >> shift & 0xFF);
    bytes += text;
  }
  return bytes;
}

bool decode_fields(const unsigned char* bytes, size_t size, PlaylistEntry* entry) {
  size_t at = 0;
  while (at < size) {
    if (size - at < 5 || bytes[at] > static_cast<unsigned char>(FileField::FileSize))
      return false;
    auto field = static_cast<FileField>(bytes[at]);
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
      length |= static_cast<uint32_t>(bytes[at + 1 + i]) << (8 * i);
    at += 5;
    if (length == 0 || length > size - at)
      return false;
    // A field comes once in what encode_fields wrote.
    for (const auto& [known, text] : entry->file_fields)
      if (known == field)
        return false;
    entry->file_fields.emplace_back(field,
                                    std::string(reinterpret_cast<const char*>(bytes + at), length));
    at += length;
  }
  return true;
}

// The text of a column, valid until the statement steps again.
std::string_view column_view(sqlite3_stmt* statement, int column) {
  auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return std::string_view(text ? text : "",
                          static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

std::string column_text(sqlite3_stmt* statement, int column) {
  return std::string(column_view(statement, column));
}

void bind_text(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// The two parameters of a range of paths below folder: every such path lies between "folder/"
// and "folder0", '0' following '/'.
void bind_folder(sqlite3_stmt* statement, const std::string& folder) {
  std::string base = folder.empty() || folder.back() != '/' ? folder + "/" : folder;
  std::string after = base.substr(0, base.size() - 1) + "0";
  sqlite3_bind_text(statement, 1, base.data(), static_cast<int>(base.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 2, after.data(), static_cast<int>(after.size()), SQLITE_TRANSIENT);
}

// A file's keys bound to five parameters from first on, or read from five columns.
void bind_keys(sqlite3_stmt* statement, int first, const FileKeys& keys) {
  sqlite3_bind_int64(statement, first, keys.size);
  sqlite3_bind_int64(statement, first + 1, keys.mtime_ns);
  sqlite3_bind_int64(statement, first + 2, keys.ctime_ns);
  sqlite3_bind_int64(statement, first + 3, static_cast<int64_t>(keys.inode));
  sqlite3_bind_int64(statement, first + 4, static_cast<int64_t>(keys.device));
}

FileKeys column_keys(sqlite3_stmt* statement, int first) {
  return {sqlite3_column_int64(statement, first), sqlite3_column_int64(statement, first + 1),
          sqlite3_column_int64(statement, first + 2),
          static_cast<uint64_t>(sqlite3_column_int64(statement, first + 3)),
          static_cast<uint64_t>(sqlite3_column_int64(statement, first + 4))};
}

// Runs a statement that returns no row; SQLITE_OK or its error, the statement reset.
int step_once(sqlite3_stmt* statement) {
  int code = sqlite3_step(statement) == SQLITE_DONE
                 ? SQLITE_OK
                 : sqlite3_extended_errcode(sqlite3_db_handle(statement));
  sqlite3_reset(statement);
  return code;
}

// The reading held by a row from the reason column on: reason, length, title, artist, album,
// fields. False when the fields are damaged.
bool column_reading(sqlite3_stmt* s, int first, FileReading* reading) {
  reading->readable = sqlite3_column_type(s, first) == SQLITE_NULL;
  reading->reason = column_text(s, first);
  reading->given = PlaylistEntry();
  if (sqlite3_column_type(s, first + 1) != SQLITE_NULL)
    reading->given.length_seconds = sqlite3_column_double(s, first + 1);
  reading->given.title = column_text(s, first + 2);
  reading->given.artist = column_text(s, first + 3);
  reading->given.album = column_text(s, first + 4);
  const void* blob = sqlite3_column_blob(s, first + 5);
  return decode_fields(static_cast<const unsigned char*>(blob),
                       static_cast<size_t>(sqlite3_column_bytes(s, first + 5)), &reading->given);
}

bool damaged(int code) {
  code &= 0xFF;
  return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

} // namespace

bool file_keys(const std::string& path, FileKeys* keys) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
    return false;
  keys->size = static_cast<int64_t>(info.st_size);
  keys->mtime_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  keys->ctime_ns = static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  keys->inode = static_cast<uint64_t>(info.st_ino);
  keys->device = static_cast<uint64_t>(info.st_dev);
  return true;
}

EntriesByPath::EntriesByPath(const std::vector<PlaylistEntry>& entries)
    : entries_(entries), same_before_(entries.size(), kNone), added_(entries.size(), 0) {}

bool EntriesByPath::add_folder(const std::string& folder) {
  if (folder.empty())
    return false;
  bool any = false;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string& path = entries_[i].resolved;
    // Below: "folder/..." (or "folder..." when folder ends with its slash).
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0 ||
        (folder.back() != '/' && path[folder.size()] != '/'))
      continue;
    any = true;
    if (added_[i])
      continue; // below an earlier folder too
    added_[i] = 1;
    auto [at, added] = last_.emplace(path, i);
    if (!added) {
      same_before_[i] = at->second;
      at->second = i;
    }
  }
  return any;
}

struct LibraryIndex::Statements {
  sqlite3_stmt* find = nullptr;
  sqlite3_stmt* store = nullptr;
  sqlite3_stmt* forget = nullptr;
  sqlite3_stmt* below = nullptr;
  sqlite3_stmt* covers_below = nullptr;
  sqlite3_stmt* find_cover = nullptr;
  sqlite3_stmt* store_cover = nullptr;
  sqlite3_stmt* forget_cover = nullptr;

  ~Statements() {
    for (sqlite3_stmt* statement :
         {find, store, forget, below, covers_below, find_cover, store_cover, forget_cover})
      sqlite3_finalize(statement);
  }
};

LibraryIndex::~LibraryIndex() {
  close();
}

void LibraryIndex::close() {
  statements_.reset();
  if (db_)
    sqlite3_close(db_);
  db_ = nullptr;
}

std::unique_ptr<LibraryIndex> LibraryIndex::open(const std::string& folder, std::string* warning,
                                                 std::string* note) {
  std::unique_ptr<LibraryIndex> index(new LibraryIndex);
  index->path_ = join_path(folder, kFileName);
  if (!make_directories(folder)) {
    *note = "the library index cannot be kept in " + folder + ": " + system_error() +
            "; every file was read";
    return nullptr;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    int code = index->connect();
    if (code == SQLITE_OK)
      return index;
    std::string why = index->db_ ? sqlite3_errmsg(index->db_) : sqlite3_errstr(code);
    index->close();
    if (!damaged(code) || attempt > 0) {
      *note =
          "the library index " + index->path_ + " cannot be used: " + why + "; every file was read";
      return nullptr;
    }
    if (!index->move_aside(why, note))
      return nullptr;
    *warning = index->trouble_;
    index->trouble_.clear();
  }
  return nullptr;
}

int LibraryIndex::connect() {
  // Where two exports open a new index at once, the one that must turn its journal into a
  // write-ahead log is told "busy" at once rather than made to wait (waiting could deadlock):
  // it waits here instead, and tries again.
  auto waited = std::chrono::milliseconds(0);
  for (auto pause = std::chrono::milliseconds(5);; pause = std::min(pause * 2, kLongestPause)) {
    // A link at the index's name is not followed: the profile holds the file itself. Only the
    // thread that opened a connection uses it, so SQLite need not lock it at every call.
    int code = sqlite3_open_v2(path_.c_str(), &db_,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW |
                                   SQLITE_OPEN_NOMUTEX,
                               nullptr);
    if (code != SQLITE_OK)
      return code;
    sqlite3_busy_timeout(db_, kBusyMilliseconds);
    code = prepare() ? SQLITE_OK : sqlite3_extended_errcode(db_);
    if ((code & 0xFF) != SQLITE_BUSY || waited.count() >= kBusyMilliseconds)
      return code;
    close();
    std::this_thread::sleep_for(pause);
    waited += pause;
  }
}

bool LibraryIndex::move_aside(const std::string& why, std::string* note) {
  std::string aside = path_ + ".broken";
  if (std::rename(path_.c_str(), aside.c_str()) != 0) {
    *note = "the library index " + path_ + " is damaged (" + why +
            ") and cannot be moved aside: " + system_error() + "; the files were read";
    return false;
  }
  // Its journal belongs to it: a new index must not replay it.
  remove_file(path_ + "-wal");
  remove_file(path_ + "-shm");
  trouble_ = "the library index " + path_ + " was damaged (" + why + "); it was moved to " + aside +
             " and is made anew";
  return true;
}

bool LibraryIndex::prepare() {
  auto run = [this](const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  };
  auto version = [this](int* value) {
    sqlite3_stmt* statement = nullptr;
    bool ok =
        sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW;
    if (ok)
      *value = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return ok;
  };
  int found = 0;
  if (!version(&found) || !run("PRAGMA journal_mode=WAL") || !run("PRAGMA synchronous=NORMAL"))
    return false;
  if (found != kVersion) {
    // Another reader's rows, or none: made anew, once, whoever of two exports comes first.
    if (!run("BEGIN IMMEDIATE"))
      return false;
    std::string renew = "DROP TABLE IF EXISTS files; DROP TABLE IF EXISTS covers; " +
                        std::string(kSchema) + "; PRAGMA user_version=" + std::to_string(kVersion);
    if (!version(&found) || (found != kVersion && !run(renew.c_str())) || !run("COMMIT")) {
      run("ROLLBACK");
      return false;
    }
  }
  statements_ = std::make_unique<Statements>();
  auto compile = [this](const char* sql, sqlite3_stmt** statement) {
    return sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr) ==
           SQLITE_OK;
  };
  return compile("SELECT size, mtime, ctime, inode, device, reason, length, title, artist, "
                 "album, fields FROM files WHERE path = ?",
                 &statements_->find) &&
         compile("INSERT OR REPLACE INTO files VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 &statements_->store) &&
         compile("DELETE FROM files WHERE path = ?", &statements_->forget) &&
         compile("SELECT path, size, mtime, ctime, inode, device, reason, length, title, artist,"
                 " album, fields FROM files WHERE path > ? AND path < ?",
                 &statements_->below) &&
         compile("SELECT path, size, mtime, ctime, inode, device, picture FROM covers"
                 " WHERE path > ? AND path < ?",
                 &statements_->covers_below) &&
         compile("SELECT size, mtime, ctime, inode, device, picture FROM covers WHERE path = ?",
                 &statements_->find_cover) &&
         compile("INSERT OR REPLACE INTO covers VALUES (?, ?, ?, ?, ?, ?, ?)",
                 &statements_->store_cover) &&
         compile("DELETE FROM covers WHERE path = ?", &statements_->forget_cover);
}

void LibraryIndex::fail(int code) {
  std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
  close();
  if (!trouble_.empty())
    return;
  if (!damaged(code)) {
    trouble_ = "the library index " + path_ + " cannot be used: " + why + "; the files were read";
    return;
  }
  // Rows found so far came whole from pages that were sound; the rest is read from the files
  // into a new index.
  if (move_aside(why, &trouble_) && connect() != SQLITE_OK)
    close();
}

void LibraryIndex::begin_lookups() {
  if (db_ && sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
    fail(sqlite3_extended_errcode(db_));
}

void LibraryIndex::end_lookups() {
  if (db_ && sqlite3_get_autocommit(db_) == 0 &&
      sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    fail(sqlite3_extended_errcode(db_));
}

bool LibraryIndex::find(const std::string& path, const FileKeys& keys, FileReading* reading) {
  if (!db_)
    return false;
  sqlite3_stmt* s = statements_->find;
  bind_text(s, 1, path);
  int code = sqlite3_step(s);
  bool found = false;
  if (code == SQLITE_ROW) {
    reading->keys = column_keys(s, 0);
    found = reading->keys == keys && column_reading(s, 5, reading);
  } else if (code != SQLITE_DONE) {
    sqlite3_reset(s);
    fail(code);
    return false;
  }
  sqlite3_reset(s);
  return found;
}

void LibraryIndex::write_rows(size_t count, const std::function<int(size_t)>& row) {
  if (!db_ || count == 0)
    return;
  int code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  for (size_t i = 0; code == SQLITE_OK && i < count; ++i)
    code = row(i);
  if (code == SQLITE_OK)
    code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    fail(code);
  }
}

void LibraryIndex::store(const std::vector<const std::string*>& paths,
                         const std::vector<const FileReading*>& readings) {
  write_rows(paths.size(), [&](size_t i) {
    sqlite3_stmt* s = statements_->store;
    const FileReading& r = *readings[i];
    std::string fields = encode_fields(r.given);
    bind_text(s, 1, *paths[i]);
    bind_keys(s, 2, r.keys);
    if (r.readable)
      sqlite3_bind_null(s, 7);
    else
      bind_text(s, 7, r.reason);
    if (r.given.length_seconds)
      sqlite3_bind_double(s, 8, *r.given.length_seconds);
    else
      sqlite3_bind_null(s, 8);
    bind_text(s, 9, r.given.title);
    bind_text(s, 10, r.given.artist);
    bind_text(s, 11, r.given.album);
    sqlite3_bind_blob(s, 12, fields.data(), static_cast<int>(fields.size()), SQLITE_STATIC);
    int code = step_once(s);
    sqlite3_clear_bindings(s);
    return code;
  });
}

bool LibraryIndex::find_cover(const std::string& path, const FileKeys& keys, std::string* picture) {
  if (!db_)
    return false;
  sqlite3_stmt* s = statements_->find_cover;
  bind_text(s, 1, path);
  int code = sqlite3_step(s);
  bool found = code == SQLITE_ROW && column_keys(s, 0) == keys;
  if (found)
    *picture = column_text(s, 5);
  sqlite3_reset(s);
  if (code != SQLITE_ROW && code != SQLITE_DONE)
    fail(code);
  return found;
}

void LibraryIndex::store_covers(const std::vector<const std::string*>& paths,
                                const std::vector<FileKeys>& keys,
                                const std::vector<std::string>& pictures) {
  write_rows(paths.size(), [&](size_t i) {
    sqlite3_stmt* s = statements_->store_cover;
    bind_text(s, 1, *paths[i]);
    bind_keys(s, 2, keys[i]);
    bind_text(s, 7, pictures[i]);
    return step_once(s);
  });
}

void LibraryIndex::forget(const std::vector<std::string>& paths) {
  write_rows(paths.size(), [&](size_t i) {
    int code = SQLITE_OK;
    for (sqlite3_stmt* s : {statements_->forget, statements_->forget_cover}) {
      bind_text(s, 1, paths[i]);
      if (code == SQLITE_OK)
        code = step_once(s);
      else
        sqlite3_reset(s);
    }
    return code;
  });
}

void LibraryIndex::each_row_below(sqlite3_stmt* statement, const std::string& folder,
                                  const std::function<void()>& row) {
  bind_folder(statement, folder);
  int code;
  while ((code = sqlite3_step(statement)) == SQLITE_ROW)
    row();
  sqlite3_reset(statement);
  if (code != SQLITE_DONE)
    fail(code);
}

void LibraryIndex::visit_below(const std::string& folder, const RowVisitor& visit) {
  if (!db_)
    return;
  sqlite3_stmt* s = statements_->below;
  FileKeys keys;
  RowReader read = [&](FileReading* reading) {
    reading->keys = keys;
    return column_reading(s, 6, reading);
  };
  each_row_below(s, folder, [&] {
    keys = column_keys(s, 1);
    visit(column_view(s, 0), keys, read);
  });
}

void LibraryIndex::visit_covers_below(const std::string& folder, const CoverVisitor& visit) {
  if (!db_)
    return;
  sqlite3_stmt* s = statements_->covers_below;
  each_row_below(s, folder,
                 [&] { visit(column_view(s, 0), column_keys(s, 1), column_view(s, 6)); });
}

} // namespace tessaly
