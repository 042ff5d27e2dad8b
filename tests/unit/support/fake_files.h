// In-memory file-system services for the module's unit tests. A service answers only for the
// paths that start with its prefix (all paths when the prefix is empty), keeps its files as
// byte strings, records what it was asked, and can fail the Nth read or write. Every file it
// makes stays allocated until the service goes, so a file used after its release or discard is
// caught and counted instead of touching freed memory.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_host.h"

namespace fake {

class Files;

class File final : public vorlane::HostFile {
public:
  File(Files& owner, std::string path) : owner_(owner), path_(std::move(path)) {}

  int32_t release() override;
  int32_t add_ref() override;
  HostService* query(const Guid*) override { return nullptr; }
  uint64_t size() override;
  bool open(const char* path, int32_t mode) override;
  uint32_t read(void* buffer, uint32_t count) override;
  uint32_t write(const void* buffer, uint32_t count) override;
  bool flush() override { return true; }
  void discard() override;

  const std::string& path() const { return path_; }
  int32_t mode() const { return mode_; }
  // References left (1 at creation); 0 once released or discarded.
  int32_t refs() const { return refs_; }
  int releases = 0;
  int discards = 0;

private:
  bool usable(); // counts a call on a file that is gone

  Files& owner_;
  std::string path_;
  int32_t mode_ = 0;
  int32_t refs_ = 1;
  size_t position_ = 0;
};

class Files final : public Counted<vorlane::FileSystemService> {
public:
  explicit Files(std::string prefix = "") : prefix_(std::move(prefix)) {}

  // canonical_path answers for paths of this service when set, replacing the prefix
  // (case-insensitively matched) by `canonical_prefix`.
  std::string canonical_prefix;

  int32_t canonical_path(const char* path, vorlane::StringSink* out) override;
  int32_t accepts_path(const char* path) override;
  int32_t exists(const char* path) override { return contents.count(path ? path : "") != 0; }
  vorlane::HostFile* create_file(const char* path) override;

  // The files' bytes by path. A file opened in mode 3 is emptied.
  std::map<std::string, std::string> contents;
  // Paths that open refuses, and whether create_file answers null.
  std::vector<std::string> unopenable;
  bool refuse_create = false;
  // Read or write number N (1-based, counted over all files since the last arm) places only
  // `short_by` fewer bytes (never fewer than 0); 0 switches it off.
  void fail_read(int nth, uint32_t short_by = 1) { arm(nth, short_by, &fail_read_at_); }
  void fail_write(int nth, uint32_t short_by = 1) { arm(nth, short_by, &fail_write_at_); }
  // True once the armed read or write came and fell short.
  bool fault_happened() const { return fault_happened_; }
  int reads() const { return reads_; }
  int writes() const { return writes_; }

  // What the service was asked.
  std::vector<std::string> canonical_asked, accepts_asked, created;
  // Every file made, in order.
  std::vector<std::unique_ptr<File>> made;
  // Calls on a file after it was released or discarded, and releases or discards beyond one.
  int misuses = 0;

  // Files neither released nor discarded.
  int live_files() const;
  // True when every file made was released or discarded exactly once and nothing misused one.
  bool every_file_ended_once() const;

private:
  friend class File;
  void arm(int nth, uint32_t short_by, int* which);
  uint32_t shorten(int* counter, int fail_at, uint32_t count);

  std::string prefix_;
  int fail_read_at_ = 0, fail_write_at_ = 0;
  uint32_t short_by_ = 1;
  int reads_ = 0, writes_ = 0;
  bool fault_happened_ = false;
};

} // namespace fake
