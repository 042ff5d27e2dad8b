#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support/files.h"

namespace tessaly {

std::string read_head(const std::string& path, size_t size) {
  std::FILE* file = open_file(path, "rb");
  if (!file)
    return {};
  std::string head(size, '\0');
  head.resize(std::fread(head.data(), 1, size, file));
  std::fclose(file);
  return head;
}

bool read_file(const std::string& path, std::string* bytes, std::string* error) {
  if (is_directory(path)) {
    *error = path + ": is a folder, not a file";
    return false;
  }
  std::FILE* file = open_file(path, "rb");
  if (!file) {
    *error = path + ": " + system_error();
    return false;
  }
  bytes->clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes->append(buffer, n);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = path + ": read error";
    return false;
  }
  return true;
}

bool replace_file(const std::string& path, const FileWriter& write, ReplaceStep* failed,
                  std::string* reason) {
  ReplacingFile file;
  if (!file.open(path, reason)) {
    *failed = ReplaceStep::Opening;
    return false;
  }
  if (!write(file, reason)) {
    *failed = ReplaceStep::Writing;
    return false;
  }
  return file.commit(failed, reason);
}

bool write_file_atomically(const std::string& path, const std::string& bytes, std::string* error) {
  auto write = [&bytes](ReplacingFile& file, std::string* reason) {
    return file.write(bytes.data(), bytes.size(), reason);
  };
  ReplaceStep failed;
  std::string reason;
  if (replace_file(path, write, &failed, &reason))
    return true;
  *error = path + ": " + reason;
  return false;
}

bool make_directories(const std::string& path) {
  if (path.empty() || is_directory(path))
    return true;
  std::string parent = parent_dir(path);
  if (parent != path && !make_directories(parent))
    return false;
  return make_directory(path);
}

std::vector<std::string> list_directory(const std::string& path) {
  std::vector<std::string> names = directory_entries(path);
  std::sort(names.begin(), names.end());
  return names;
}

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty())
    return name;
  char last = folder.back();
  return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

std::string parent_dir(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string file_name(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool is_absolute(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
    return true;
  return path.size() >= 2 && path[1] == ':';
}

std::string system_error() {
  return std::strerror(errno);
}

} // namespace tessaly
