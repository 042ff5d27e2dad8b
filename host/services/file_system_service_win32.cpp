#include <sys/stat.h>

#include "services/file_system_service.h"

namespace tessaly {

bool local_path_of_file_url(const std::string& authority, const std::string& path,
                            std::string* local) {
  if (path.empty())
    return false;
  if (!authority.empty()) {
    // A share of another machine: its UNC path.
    *local = "//" + authority + path;
    return true;
  }
  // "/C:/folder/file" (or the older "/C|/...") names a drive.
  bool drive = path.size() >= 3 && path[0] == '/' &&
               ((path[1] >= 'a' && path[1] <= 'z') || (path[1] >= 'A' && path[1] <= 'Z')) &&
               (path[2] == ':' || path[2] == '|') && (path.size() == 3 || path[3] == '/');
  if (drive) {
    *local = path.substr(1);
    (*local)[1] = ':';
    return true;
  }
  *local = path;
  return true;
}

uint64_t open_file_size(std::FILE* file) {
  struct _stati64 info;
  return _fstati64(_fileno(file), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

} // namespace tessaly
