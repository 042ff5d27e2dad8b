#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "support/files.h"
#include "support/replacing_file.h"

namespace tessaly {
namespace {

// Enough tries that names taken by others cannot stop a write, few enough to end.
constexpr int kNameTries = 100;
// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinks = 40;

// The file that path names after its symbolic links: path itself when it is no link. A link
// whose target does not exist yields that target, which the write then creates.
bool follow_links(const std::string& path, std::string* target, std::string* reason) {
  std::string current = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat info;
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      *target = current;
      return true;
    }
    std::string link(static_cast<size_t>(info.st_size) + 256, '\0');
    ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n < 0) {
      *reason = system_error();
      return false;
    }
    link.resize(static_cast<size_t>(n));
    current = is_absolute(link) ? link : join_path(parent_dir(current), link);
  }
  *reason = std::strerror(ELOOP);
  return false;
}

// The permission bits a new file gets: 0666 less the process's umask.
mode_t new_file_mode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "Umask:") == 0)
      return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

} // namespace

std::string io_error_text() {
  return std::strerror(EIO);
}

bool ReplacingFile::create_temporary(const std::string& path, std::string* reason) {
  if (!follow_links(path, &target_, reason))
    return false;
  for (int i = 0; i < kNameTries; ++i) {
    std::string name = random_temporary_beside(target_);
    // Owner-only until the old file's permissions are copied: no one else may open it before.
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      handle_ = fd;
      temporary_ = name;
      copy_permissions();
      return true;
    }
    if (errno != EEXIST) {
      *reason = system_error();
      return false;
    }
  }
  *reason = "no free name for a temporary file";
  return false;
}

void ReplacingFile::copy_permissions() {
  int fd = static_cast<int>(handle_);
  struct stat old;
  if (::stat(target_.c_str(), &old) != 0) {
    ::fchmod(fd, new_file_mode());
    return;
  }
  // Owner and group where the process may give them (root, or a group it belongs to); a
  // change of owner clears the set-id bits, so the mode comes after.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid))
    errno = 0;
  ::fchmod(fd, old.st_mode & 07777);
}

bool ReplacingFile::system_write(const char* data, size_t size, std::string* reason) {
  while (size > 0) {
    ssize_t n = ::write(static_cast<int>(handle_), data, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      *reason = n < 0 ? system_error() : std::strerror(EIO);
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReplacingFile::system_sync(std::string* reason) {
  if (::fsync(static_cast<int>(handle_)) == 0)
    return true;
  *reason = system_error();
  return false;
}

bool ReplacingFile::system_close(std::string* reason) {
  int fd = static_cast<int>(handle_);
  handle_ = kNoHandle;
  if (::close(fd) == 0)
    return true;
  *reason = system_error();
  return false;
}

bool ReplacingFile::system_replace(ReplaceStep* failed, std::string* reason) {
  *failed = ReplaceStep::Replacing;
  // A second name of the old file, so that a folder that cannot be synced after the rename
  // gets the old file back. Where links cannot be made, there is no way back.
  std::string backup;
  struct stat old;
  bool existed = ::lstat(target_.c_str(), &old) == 0;
  if (existed && S_ISREG(old.st_mode)) {
    for (int i = 0; i < kNameTries && backup.empty(); ++i) {
      std::string name = random_temporary_beside(target_);
      if (::link(target_.c_str(), name.c_str()) == 0)
        backup = name;
      else if (errno != EEXIST)
        break;
    }
  }
  std::string why;
  if (!attempt(
          FileOperation::Rename,
          [&] {
            if (std::rename(temporary_.c_str(), target_.c_str()) == 0)
              return true;
            why = system_error();
            return false;
          },
          &why)) {
    *reason = "cannot replace the file: " + why;
    if (!backup.empty())
      remove_file(backup);
    return false;
  }
  temporary_.clear();
  bool synced = attempt(
      FileOperation::Sync,
      [&] {
        int folder = ::open(parent_dir(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        bool ok = folder >= 0 && ::fsync(folder) == 0;
        if (!ok)
          why = system_error();
        if (folder >= 0)
          ::close(folder);
        return ok;
      },
      &why);
  if (synced) {
    if (!backup.empty())
      remove_file(backup);
    return true;
  }
  *reason = "cannot sync the folder to the disk: " + why;
  if (!backup.empty())
    std::rename(backup.c_str(), target_.c_str());
  else if (!existed)
    remove_file(target_);
  return false;
}

} // namespace tessaly
