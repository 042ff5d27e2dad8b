#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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
