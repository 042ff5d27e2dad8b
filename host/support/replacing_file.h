// A file written beside the file it replaces, and put in its place only when every byte reached
// the disk. The temporary is created exclusively under a name that cannot be guessed, never
// through a link planted at that name; a symbolic link at the path is followed, so the file it
// points to is replaced and the link stays (on Linux a link to nothing makes the file it names).
// On Linux a link is followed only where the kernel would follow it for a process of this user:
// in a folder that is sticky and writable by everyone, only a link of this user or of the
// folder's owner. The walk runs from an open folder, and the rename checks that the file it
// replaces is still the one the walk found, so that nothing swapped in meanwhile is written.
// The new file keeps the old one's permissions: on Linux its mode, and its owner and group where
// the process may set them; on Windows its access list. Committing flushes
// and syncs the temporary before the rename and, on Linux, syncs the folder after it; on Windows
// the rename is written through. Whatever fails, the old file stays and the temporary goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tessaly {

// The steps of a replacing write, as a caller reports them.
enum class ReplaceStep { Opening, Writing, Replacing };

// The operations of a replacing write that can fail, each a point where a test can make it fail.
enum class FileOperation { Open, Write, Flush, Sync, Close, Rename };

// The test seam: operation number nth (1-based, counted over every replacing write of the
// process from this call) fails with the system's text of an I/O error; 0 switches it off. The
// host starts with TESSALY_FAIL_FILE_OPERATION=N from its environment.
void fail_file_operation(uint64_t nth);
// True when the operation about to run is the one to fail; counts it. Used by the file layer.
bool planted_file_failure(FileOperation operation);
// Runs call for operation unless the seam fails it, with io_error_text() in reason.
bool attempt(FileOperation operation, const std::function<bool()>& call, std::string* reason);
// The system's text for an I/O error, which a planted failure reports.
std::string io_error_text();

class ReplacingFile {
public:
  // buffered: writes gather in memory and reach the system in large blocks; otherwise each
  // write is one system write, so that what write accepted is what reached the file.
  explicit ReplacingFile(bool buffered = true);
  ~ReplacingFile(); // abandons a file not committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary beside the file that path names. False with the system's reason.
  bool open(const std::string& path, std::string* reason);
  bool write(const void* data, size_t size, std::string* reason);
  // Hands what is gathered to the system.
  bool flush(std::string* reason);
  // Flush, sync, close, rename, sync of the folder. False with the failed step and its reason;
  // the old file is then as it was and no temporary is left.
  bool commit(ReplaceStep* failed, std::string* reason);
  // Closes and removes the temporary; the old file stays.
  void abandon();

  bool is_open() const { return handle_ != kNoHandle; }
  // Bytes written so far.
  uint64_t size() const { return size_; }

private:
  // The system's part (replacing_file_posix.cpp, replacing_file_win32.cpp).
  bool create_temporary(const std::string& path, std::string* reason);
  bool system_write(const char* data, size_t size, std::string* reason);
  bool system_sync(std::string* reason);
  bool system_close(std::string* reason);
  bool system_replace(ReplaceStep* failed, std::string* reason);
  void copy_permissions();
  // Linux: true when the name to replace is still what the walk found there.
  bool target_unchanged(std::string* reason) const;
  // Removes the temporary and lets go of what the walk held.
  void remove_temporary();

  static constexpr intptr_t kNoHandle = -1;
  intptr_t handle_ = kNoHandle; // a file descriptor or a HANDLE
  bool buffered_;
  std::string target_;    // the file replaced: the path, or where its links lead
  std::string temporary_; // beside target_
  // Linux: the folder that holds target_, open, and what the walk found there.
  int folder_ = -1;
  std::string name_;
  bool existed_ = false;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  std::string buffer_;
  uint64_t size_ = 0;
};

// A name beside path that no one can guess: ".NAME.tmp-" and random letters and digits.
std::string random_temporary_beside(const std::string& path);

} // namespace tessaly
