#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// The folder part and the last name of a path, split at its last "/" only: a backslash is an
// ordinary character in a Linux name.
void split_path(const std::string& path, std::string* folder, std::string* name) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder->assign(1, '.');
    name->assign(path);
  } else {
    folder->assign(path, 0, slash == 0 ? 1 : slash);
    name->assign(path, slash + 1);
  }
}

// A folder that anyone may add names to but only their owners remove, such as /tmp.
bool shared_folder(const struct stat& folder) {
  return (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
}

// Where path leads: the folder that holds the file (open, in *folder) and its name there, after
// following the links at the last name as the kernel would for this user. Each hop is read
// relative to the folder already open, so no later step walks a path that could change.
// *found tells whether the name exists there and, in *info, what it is.
bool walk_to_file(const std::string& path, int* folder, std::string* name, std::string* shown,
                  bool* found, struct stat* info, std::string* reason) {
  std::string folder_path;
  split_path(path, &folder_path, name);
  *shown = path;
  // The folders of the path itself are walked by the kernel, with its own protections.
  int fd = ::open(folder_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *reason = system_error();
    return false;
  }
  for (int hops = 0;; ++hops) {
    if (name->empty() || *name == "." || *name == "..") {
      *reason = std::strerror(EISDIR);
      break;
    }
    if (::fstatat(fd, name->c_str(), info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) {
        *reason = system_error();
        break;
      }
      *found = false;
      *folder = fd;
      return true;
    }
    if (!S_ISLNK(info->st_mode)) {
      *found = true;
      *folder = fd;
      return true;
    }
    if (hops == kMaxLinks) {
      *reason = std::strerror(ELOOP);
      break;
    }
    struct stat holder;
    if (::fstat(fd, &holder) != 0) {
      *reason = system_error();
      break;
    }
    if (shared_folder(holder) && info->st_uid != ::geteuid() && info->st_uid != holder.st_uid) {
      *reason = *shown + " is a link that another user made in a shared folder; it is not followed";
      break;
    }
    std::string link(static_cast<size_t>(info->st_size) + 1, '\0');
    ssize_t n = ::readlinkat(fd, name->c_str(), link.data(), link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      // A link that changed under the walk is not followed either.
      *reason = n < 0 ? system_error() : std::strerror(EAGAIN);
      break;
    }
    link.resize(static_cast<size_t>(n));
    std::string next_folder;
    split_path(link, &next_folder, name);
    int next = ::openat(fd, next_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (next < 0) {
      *reason = system_error();
      break;
    }
    ::close(fd);
    fd = next;
    *shown = link[0] == '/' ? link : join_path(parent_dir(*shown), link);
  }
  ::close(fd);
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
  struct stat info;
  if (!walk_to_file(path, &folder_, &name_, &target_, &existed_, &info, reason))
    return false;
  device_ = existed_ ? static_cast<uint64_t>(info.st_dev) : 0;
  inode_ = existed_ ? static_cast<uint64_t>(info.st_ino) : 0;
  for (int i = 0; i < kNameTries; ++i) {
    std::string name = file_name(random_temporary_beside(name_));
    // Owner-only until the old file's permissions are copied: no one else may open it before.
    int fd =
        ::openat(folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      handle_ = fd;
      temporary_ = name;
      copy_permissions();
      return true;
    }
    if (errno != EEXIST) {
      *reason = system_error();
      remove_temporary();
      return false;
    }
  }
  *reason = "no free name for a temporary file";
  remove_temporary();
  return false;
}

void ReplacingFile::remove_temporary() {
  if (folder_ < 0)
    return;
  if (!temporary_.empty())
    ::unlinkat(folder_, temporary_.c_str(), 0);
  ::close(folder_);
  folder_ = -1;
}

void ReplacingFile::copy_permissions() {
  int fd = static_cast<int>(handle_);
  struct stat info;
  const struct stat* old =
      existed_ && ::fstatat(folder_, name_.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 ? &info
                                                                                     : nullptr;
  if (!old) {
    ::fchmod(fd, new_file_mode());
    return;
  }
  // Owner and group where the process may give them (root, or a group it belongs to); a
  // change of owner clears the set-id bits, so the mode comes after.
  if (::fchown(fd, old->st_uid, old->st_gid) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), old->st_gid))
    errno = 0;
  ::fchmod(fd, old->st_mode & 07777);
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

// True when the folder's entry name is still what the walk found: the same file and no link, or
// still nothing.
bool ReplacingFile::target_unchanged(std::string* reason) const {
  struct stat now;
  bool exists = ::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists && errno != ENOENT) {
    *reason = system_error();
    return false;
  }
  if (exists == existed_ &&
      (!exists || (!S_ISLNK(now.st_mode) && static_cast<uint64_t>(now.st_dev) == device_ &&
                   static_cast<uint64_t>(now.st_ino) == inode_)))
    return true;
  *reason = target_ + " was changed by someone else while it was written";
  return false;
}

bool ReplacingFile::system_replace(ReplaceStep* failed, std::string* reason) {
  *failed = ReplaceStep::Replacing;
  // A second name of the old file, so that a folder that cannot be synced after the rename
  // gets the old file back. Where links cannot be made, there is no way back.
  std::string backup;
  if (existed_) {
    for (int i = 0; i < kNameTries && backup.empty(); ++i) {
      std::string name = file_name(random_temporary_beside(name_));
      if (::linkat(folder_, name_.c_str(), folder_, name.c_str(), 0) == 0)
        backup = name;
      else if (errno != EEXIST)
        break;
    }
  }
  auto drop_backup = [&] {
    if (!backup.empty())
      ::unlinkat(folder_, backup.c_str(), 0);
  };
  std::string why;
  if (!target_unchanged(&why) ||
      !attempt(
          FileOperation::Rename,
          [&] {
            if (::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) == 0)
              return true;
            why = system_error();
            return false;
          },
          &why)) {
    *reason = "cannot replace the file: " + why;
    drop_backup();
    return false;
  }
  temporary_.clear();
  bool synced = attempt(
      FileOperation::Sync,
      [&] {
        if (::fsync(folder_) == 0)
          return true;
        why = system_error();
        return false;
      },
      &why);
  if (synced) {
    drop_backup();
    remove_temporary();
    return true;
  }
  *reason = "cannot sync the folder to the disk: " + why;
  if (!backup.empty())
    ::renameat(folder_, backup.c_str(), folder_, name_.c_str());
  else if (!existed_)
    ::unlinkat(folder_, name_.c_str(), 0);
  remove_temporary();
  return false;
}

} // namespace tessaly
