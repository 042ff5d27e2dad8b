#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "support/files.h"

namespace tessaly {

std::FILE* open_file(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool remove_file(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool is_directory(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool file_exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool is_read_only(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) &&
         (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool make_directory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 || is_directory(path);
}

std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..")
        names.push_back(name);
    }
    ::closedir(dir);
  }
  return names;
}

bool read_folder(const std::string& folder, std::vector<FolderChild>* children,
                 std::error_code* error) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) {
    *error = std::error_code(errno, std::generic_category());
    return false;
  }
  int at = ::dirfd(dir.get());
  errno = 0;
  while (dirent* entry = ::readdir(dir.get())) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
      continue;
    FolderChild child;
    child.name = name;
    unsigned char type = entry->d_type;
    struct stat info;
    if (type == DT_UNKNOWN && ::fstatat(at, name, &info, AT_SYMLINK_NOFOLLOW) == 0)
      type = S_ISLNK(info.st_mode)   ? DT_LNK
             : S_ISDIR(info.st_mode) ? DT_DIR
             : S_ISREG(info.st_mode) ? DT_REG
                                     : DT_UNKNOWN;
    if (type == DT_LNK) {
      // Only a link costs a status: the folder's own listing tells every other kind.
      child.link = true;
      if (::fstatat(at, name, &info, 0) == 0)
        type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    child.kind = type == DT_DIR   ? FolderChild::kFolder
                 : type == DT_REG ? FolderChild::kFile
                                  : FolderChild::kOther;
    children->push_back(std::move(child));
    errno = 0;
  }
  if (errno != 0) {
    *error = std::error_code(errno, std::generic_category());
    return false;
  }
  return true;
}

std::string child_path(const std::string& folder, const std::string& name) {
  return join_path(folder, name);
}

bool canonical_path(const std::string& path, std::string* canonical, std::error_code* error) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
  if (!resolved) {
    *error = std::error_code(errno, std::generic_category());
    return false;
  }
  *canonical = resolved.get();
  return true;
}

std::string executable_dir() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0)
    return ".";
  buffer[n] = '\0';
  return parent_dir(buffer);
}

std::string absolute_path(const std::string& path) {
  if (is_absolute(path))
    return path;
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer))
    return path;
  return join_path(buffer, path);
}

std::string local_separators(const std::string& path) {
  return path;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

} // namespace tessaly
