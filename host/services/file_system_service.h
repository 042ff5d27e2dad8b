// The host's FileSystemService for local files: plain paths in the local form of the target and
// file:// locations. Files it makes are counted in the audit ("HostFile") from creation until
// they are released or discarded.
#pragma once

#include <cstdio>
#include <string>

#include "services/counted_service.h"
#include "support/replacing_file.h"

namespace tessaly {

class ConsoleMessageService;

// The local path that location names, or false when it is none of a local file system's business:
// an empty text, a location of another scheme ("http://..."), a file:// location of another
// machine, or one that is malformed (a bad or zero %-escape). A plain path passes unchanged. In a
// file:// location "?" and "#" end the path, as in every URL, and %-escapes are decoded; on
// Windows "file:///C:/x" becomes "C:/x" and "file://server/share" the UNC path "//server/share".
bool local_path_of(const std::string& location, std::string* path);

// A local file: read with the C runtime, written through a ReplacingFile. Writes are
// unbuffered, so the count that write returns is what reached the file. A file opened for
// writing is put in place of the old one when it is released, only if every write reached it
// and it reached the disk: a write that fails halfway leaves the old file as it was. A file that
// cannot be opened or put in place is reported to messages, when given, and nothing is left
// beside the old one.
class LocalFile final : public vorlane::HostFile {
public:
  explicit LocalFile(ConsoleMessageService* messages = nullptr);
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;

  int32_t release() override;
  int32_t add_ref() override { return ++refs_; }
  vorlane::HostService* query(const vorlane::Guid*) override { return nullptr; }
  uint64_t size() override;
  // False when the file is open already, the mode is neither 1 nor 3, the path is not local, is a
  // folder, or cannot be opened.
  bool open(const char* path, int32_t mode) override;
  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override;
  bool flush() override;
  void discard() override;

private:
  ~LocalFile();

  // Puts the written file in place of the old one, or removes it.
  void finish_writing();

  // Tells messages, when given, that the file at path_ was not written, and why.
  void report(const std::string& why);

  ConsoleMessageService* messages_;
  std::FILE* file_ = nullptr; // of a file opened for reading
  ReplacingFile out_{false};  // of a file opened for writing
  std::string path_;          // of a file opened for writing
  int32_t refs_ = 1;
  bool write_failed_ = false; // a write without bytes
  std::string write_error_;   // why the first write or the closing failed
};

class LocalFileSystem final : public CountedService<vorlane::FileSystemService> {
public:
  // messages hears why a file could not be written or put in place; it may be null.
  explicit LocalFileSystem(ConsoleMessageService* messages = nullptr)
      : CountedService("FileSystemService"), messages_(messages) {}
  int32_t canonical_path(const char* path, vorlane::StringSink* out) override;
  int32_t accepts_path(const char* path) override;
  int32_t exists(const char* path) override;
  vorlane::HostFile* create_file(const char* path) override;

private:
  ConsoleMessageService* messages_;
};

// The size of an open file in bytes, 0 when it cannot be told.
uint64_t open_file_size(std::FILE* file);

} // namespace tessaly
